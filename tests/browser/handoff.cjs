// The browser hand-off end to end in Debian's headless Chromium: the extension is loaded into a
// throw-away profile that holds Catchlink's host manifest and its menu handler is given a link
// behind a gate of nginx, which serves only requests with the site's cookie and a referer from
// its pages. Quillfetch is not running: Catchlink starts it, waits for its start-up and hands
// the link over with the browser's cookie, the page and its user agent; Quillfetch downloads
// the file, the new-project dialog's "Download" pressed by a plugin in the user's place.
// Nothing but 127.0.0.1 is contacted.
"use strict";
const { chromium } = require("playwright-core");
const { spawn } = require("node:child_process");
const crypto = require("node:crypto");
const fs = require("node:fs");
const net = require("node:net");
const os = require("node:os");
const path = require("node:path");

const programFolder = path.join(process.env.QF_BINARY_DIR, "src", "app");
const root = fs.mkdtempSync(path.join(os.tmpdir(), "quillfetch-browser-"));

function writeFile(file, text) {
  fs.mkdirSync(path.dirname(file), { recursive: true });
  fs.writeFileSync(file, text);
}

async function waitFor(what, check, seconds) {
  for (const end = Date.now() + seconds * 1000; !check(); ) {
    if (Date.now() > end) throw new Error(`waited in vain for ${what}`);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

function freePort() {
  return new Promise((resolve) => {
    const server = net.createServer().listen(0, "127.0.0.1", () => {
      const { port } = server.address();
      server.close(() => resolve(port));
    });
  });
}

// nginx from its own prefix, logging each request's URI, status and user agent as JSON.
async function startNginx(port, files) {
  const prefix = path.join(root, "nginx");
  writeFile(path.join(prefix, "nginx.conf"), `daemon off; master_process off; pid nginx.pid;
events {}
http {
  log_format gate escape=json '{"uri": "$request_uri", "status": $status, "agent": "$http_user_agent"}';
  access_log access.log gate;
  client_body_temp_path body; proxy_temp_path proxy; fastcgi_temp_path fastcgi;
  uwsgi_temp_path uwsgi; scgi_temp_path scgi;
  server {
    listen 127.0.0.1:${port};
    root "${files}";
    location /gated/ {
      if ($cookie_session != "s3cret") { return 403; }
      if ($http_referer !~ "^http://127\\.0\\.0\\.1:${port}/page") { return 403; }
    }
  }
}
`);
  const nginx = spawn("/usr/sbin/nginx", ["-p", `${prefix}/`, "-c", "nginx.conf", "-e", "error.log"],
    { stdio: "ignore" });
  await waitFor("nginx", () => fs.existsSync(path.join(prefix, "nginx.pid")), 10);
  const log = () => fs.readFileSync(path.join(prefix, "access.log"), "utf8").split("\n")
    .filter((line) => line).map((line) => JSON.parse(line));
  return { nginx, log };
}

async function handOverInChromium(environment, link, page, cookie) {
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
    await context.addCookies([cookie]);
    const worker = context.serviceWorkers()[0] ?? (await context.waitForEvent("serviceworker"));
    return await worker.evaluate(async ([linkUrl, pageUrl]) =>
      ({ reply: await handOver({ linkUrl, pageUrl }), agent: navigator.userAgent }), [link, page]);
  } finally {
    await context.close();
  }
}

function sha256(file) {
  return fs.existsSync(file) ? crypto.createHash("sha256").update(fs.readFileSync(file)).digest("hex") : "";
}

async function main() {
  const file = crypto.randomBytes(1300000);
  writeFile(path.join(root, "www", "gated", "setup.exe"), file);
  const port = await freePort();
  const { nginx, log } = await startNginx(port, path.join(root, "www"));
  const site = `http://127.0.0.1:${port}`;
  // The temporary root is closed to other users, as the hand-off socket's folder must be.
  const environment = { ...process.env, QUILLFETCH_HOME: path.join(root, "data"),
    XDG_CONFIG_HOME: path.join(root, "config"), HOME: path.join(root, "home"),
    QUILLFETCH_HANDOFF_SOCKET: path.join(root, "handoff"),
    QT_PLUGIN_PATH: path.join(process.env.QF_BINARY_DIR, "tests", "browser"),
    QT_QPA_GENERIC_PLUGINS: "quillfetchconfirm" };
  writeFile(path.join(root, "config", "Quillfetch", "Quillfetch.conf"),
    `[options]\nFilePath=${root}/received/\npacksize=512000\nmodemspeed=56\n`);
  try {
    const { reply, agent } = await handOverInChromium(environment, `${site}/gated/setup.exe`,
      `${site}/page.html`, { name: "session", value: "s3cret", url: site });
    if (reply?.delivered !== true) throw new Error(`Catchlink replied ${JSON.stringify(reply)}`);
    const digest = crypto.createHash("sha256").update(file).digest("hex");
    await waitFor("the downloaded file", () => sha256(path.join(root, "received", "setup.exe")) === digest, 60);
    const access = path.join(root, "data", "projects", "setup", "access.qfd");
    await waitFor("the cookie to be forgotten", () => !fs.existsSync(access), 10);
    const refused = log().filter((request) => request.status === 403 || request.agent !== agent);
    if (refused.length > 0) throw new Error(`nginx answered ${JSON.stringify(refused)}`);
    console.log("browser hand-off: 1 passed, 0 failed");
  } finally {
    const lock = path.join(root, "data", "quillfetch.lock"); // its first line is Quillfetch's pid
    if (fs.existsSync(lock)) process.kill(Number(fs.readFileSync(lock, "utf8").split("\n")[0]));
    nginx.kill();
    fs.rmSync(root, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
