// The browser hand-off end to end in Debian's headless Chromium: the extension is loaded into a
// throw-away profile that holds Catchlink's host manifest and its menu handler is given a link.
// Quillfetch is not running: Catchlink starts it, waits for its start-up, hands the link over,
// and Quillfetch probes it. Nothing but 127.0.0.1 is contacted.
"use strict";
const { chromium } = require("playwright-core");
const fs = require("node:fs");
const http = require("node:http");
const os = require("node:os");
const path = require("node:path");

const programFolder = path.join(process.env.QF_BINARY_DIR, "src", "app");
const root = fs.mkdtempSync(path.join(os.tmpdir(), "quillfetch-browser-"));

function listen(server) {
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server.address().port)));
}

function writeFile(file, text) {
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, text);
}

async function handOverInChromium(environment, link) {
  const profile = path.join(root, "profile");
  const template = path.join(process.env.QF_SOURCE_DIR, "browser", "hosts", "chromium.json");
  const host = fs.readFileSync(template, "utf8").replace("@CATCHLINK_PATH@", path.join(programFolder, "Catchlink"));
  writeFile(path.join(profile, "NativeMessagingHosts", "com.quillfetch.catchlink.json"), host);
  const extension = path.join(programFolder, "extension");
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: "/usr/bin/chromium",
    headless: true,
    env: environment,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-sync",
      "--disable-background-networking", "--disable-component-update",
      `--disable-extensions-except=${extension}`, `--load-extension=${extension}`],
  });
  try {
    const worker = context.serviceWorkers()[0] ?? (await context.waitForEvent("serviceworker"));
    return await worker.evaluate((url) => handOver({ linkUrl: url }), link);
  } finally {
    await context.close();
  }
}

async function main() {
  let probed;
  const probe = new Promise((resolve) => (probed = resolve));
  // The probe also asks for digest files beside the file; those are not the link.
  const digestFile = /(\.(sha256|sha512|sha1|md5)|\/SHA256SUMS)$/;
  const files = http.createServer((request, response) => {
    if (digestFile.test(request.url)) return response.writeHead(404).end();
    probed(request.url);
    response.writeHead(200, { "Content-Length": 1000 }).end(Buffer.alloc(1000));
  });
  const link = `http://127.0.0.1:${await listen(files)}/dir/setup.exe`;
  // The temporary root is closed to other users, as the hand-off socket's folder must be.
  const environment = { ...process.env, QUILLFETCH_HOME: path.join(root, "data"),
    XDG_CONFIG_HOME: path.join(root, "config"), HOME: path.join(root, "home"),
    QUILLFETCH_HANDOFF_SOCKET: path.join(root, "handoff") };
  writeFile(path.join(root, "config", "Quillfetch", "Quillfetch.conf"),
    `[options]\nFilePath=${root}/received/\npacksize=512000\nmodemspeed=56\n`);
  try {
    const reply = await handOverInChromium(environment, link);
    if (reply?.delivered !== true) throw new Error(`Catchlink replied ${JSON.stringify(reply)}`);
    const probedPath = await probe;
    if (probedPath !== "/dir/setup.exe") throw new Error(`Quillfetch probed ${probedPath}`);
    console.log("browser hand-off: 1 passed, 0 failed");
  } finally {
    const lock = path.join(root, "data", "quillfetch.lock"); // its first line is Quillfetch's pid
    if (fs.existsSync(lock)) process.kill(Number(fs.readFileSync(lock, "utf8").split("\n")[0]));
    files.close();
    fs.rmSync(root, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
