// The browser hand-off end to end in Debian's Chromium, headless: the extension is loaded into a
// throw-away profile that holds Catchlink's host manifest, its menu handler is given a link, and
// the running Quillfetch probes that link. Nothing but 127.0.0.1 is contacted.
"use strict";
const { chromium } = require("playwright-core");
const { spawn } = require("node:child_process");
const fs = require("node:fs");
const http = require("node:http");
const net = require("node:net");
const os = require("node:os");
const path = require("node:path");

const programFolder = path.join(process.env.QF_BINARY_DIR, "src", "app");
const hostTemplate = path.join(process.env.QF_SOURCE_DIR, "browser", "hosts", "chromium.json");
const linkPath = "/dir/setup.exe";

function listen(server) {
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server.address().port)));
}

async function freePort() {
  const server = net.createServer();
  const port = await listen(server);
  await new Promise((resolve) => server.close(resolve));
  return port;
}

function accepting(port) {
  return new Promise((resolve) => {
    const socket = net.connect(port, "127.0.0.1");
    socket.on("connect", () => socket.end(() => resolve(true)));
    socket.on("error", () => resolve(false));
  });
}

// Quillfetch's start-up takes a moment: try its port until it answers.
async function waitForListener(port) {
  for (let attempt = 0; attempt < 200; ++attempt) {
    if (await accepting(port)) return;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error("Quillfetch never listened on its hand-off port");
}

// A server of one file; the promise settles with the first request for the link.
function fileServer() {
  let probed;
  const probe = new Promise((resolve) => (probed = resolve));
  const server = http.createServer((request, response) => {
    if (request.url === linkPath) probed(request.headers);
    response.writeHead(200, { "Content-Type": "application/octet-stream", "Content-Length": 1000 });
    response.end(Buffer.alloc(1000));
  });
  return { server, probe };
}

function writeFile(file, text) {
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, text);
}

async function handOverInChromium(root, environment, link) {
  const profile = path.join(root, "profile");
  const host = fs
    .readFileSync(hostTemplate, "utf8")
    .replace("@CATCHLINK_PATH@", path.join(programFolder, "Catchlink"));
  writeFile(path.join(profile, "NativeMessagingHosts", "com.quillfetch.catchlink.json"), host);
  const extension = path.join(programFolder, "extension");
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: "/usr/bin/chromium",
    headless: true,
    env: environment,
    args: [
      "--no-sandbox",
      "--disable-gpu",
      "--disable-quic",
      "--no-first-run",
      "--disable-background-networking",
      "--disable-component-update",
      "--disable-sync",
      `--disable-extensions-except=${extension}`,
      `--load-extension=${extension}`,
    ],
  });
  try {
    const worker = context.serviceWorkers()[0] ?? (await context.waitForEvent("serviceworker"));
    return await worker.evaluate((url) => handOver({ linkUrl: url }), link);
  } finally {
    await context.close();
  }
}

async function main() {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), "quillfetch-browser-"));
  const files = fileServer();
  const filesPort = await listen(files.server);
  const handoffPort = await freePort();
  const environment = {
    ...process.env,
    QUILLFETCH_HOME: path.join(root, "data"),
    XDG_CONFIG_HOME: path.join(root, "config"),
    HOME: path.join(root, "home"),
    QUILLFETCH_HANDOFF_PORT: String(handoffPort),
    QT_QPA_PLATFORM: "offscreen",
  };
  writeFile(
    path.join(root, "config", "Quillfetch", "Quillfetch.conf"),
    `[options]\nFilePath=${root}/received/\npacksize=512000\nmodemspeed=56\n`
  );
  const quillfetch = spawn(path.join(programFolder, "Quillfetch"), [], {
    env: environment,
    stdio: "inherit",
  });
  try {
    await waitForListener(handoffPort);
    const link = `http://127.0.0.1:${filesPort}${linkPath}`;
    const reply = await handOverInChromium(root, environment, link);
    if (!reply || reply.delivered !== true) throw new Error(`Catchlink replied ${JSON.stringify(reply)}`);
    await files.probe;
    console.log("browser hand-off: 1 passed, 0 failed");
  } finally {
    const ended = new Promise((resolve) => quillfetch.once("exit", resolve));
    quillfetch.kill();
    await ended;
    files.server.close();
    fs.rmSync(root, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
