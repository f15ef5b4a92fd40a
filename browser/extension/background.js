// "Download with Quillfetch..." on links and images. The chosen URL goes to Catchlink, the
// native-messaging host that hands it over to the running Quillfetch (and starts it if needed).
const api = globalThis.browser ?? globalThis.chrome;
const host = "com.quillfetch.catchlink";
const entry = "download-with-quillfetch";

api.runtime.onInstalled.addListener(() => {
  api.contextMenus.create({
    id: entry,
    title: "Download with Quillfetch...",
    contexts: ["link", "image"],
  });
});

// The link under the mouse; for an image outside any link, the image itself.
function handOver(info) {
  const url = info.linkUrl || info.srcUrl;
  if (!url) return Promise.resolve(null);
  return api.runtime.sendNativeMessage(host, { url });
}

api.contextMenus.onClicked.addListener((info) => {
  if (info.menuItemId === entry) handOver(info).catch((error) => console.error(error));
});
