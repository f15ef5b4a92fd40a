// "Download with Quillfetch..." on links and images. The chosen URL goes to Catchlink, the
// native-messaging host that hands it over to the running Quillfetch (and starts it if needed),
// with what the browser would send with it to a web server: its cookies for that URL, the page's
// address as referer and its user agent, so that a link that works in the browser works there.
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

// The cookies of the tab's cookie store (a private window and a container have their own) that
// the browser would send to url, as the value of a Cookie header.
async function cookiesFor(url, tab) {
  const stores = await api.cookies.getAllCookieStores();
  const storeId = stores.find((store) => store.tabIds.includes(tab?.id))?.id;
  const cookies = await api.cookies.getAll(storeId ? { url, storeId } : { url });
  return cookies.map((cookie) => (cookie.name ? `${cookie.name}=${cookie.value}` : cookie.value))
    .join("; ");
}

// The link under the mouse; for an image outside any link, the image itself.
async function handOver(info, tab) {
  const url = info.linkUrl || info.srcUrl;
  if (!url) return null;
  const message = { url };
  if (/^https?:/i.test(url)) {
    const cookie = await cookiesFor(url, tab);
    const referer = info.frameUrl || info.pageUrl;
    if (cookie) message.cookie = cookie;
    if (referer) message.referer = referer;
    message.userAgent = navigator.userAgent;
  }
  return api.runtime.sendNativeMessage(host, message);
}

api.contextMenus.onClicked.addListener((info, tab) => {
  if (info.menuItemId === entry) handOver(info, tab).catch((error) => console.error(error));
});
