// Reads a game catalogue (root/item with txt and url) beside the page into a list of
// {title, url}; an unreadable catalogue gives an empty list.
function readCatalog(file) {
  var games = [];
  try {
    var doc = new ActiveXObject("Msxml2.DOMDocument");
    doc.async = false;
    if (!doc.load(file)) return games;
    var items = doc.documentElement.selectNodes("item");
    for (var i = 0; i < items.length; i++) {
      var txt = items[i].selectSingleNode("txt"), url = items[i].selectSingleNode("url");
      if (txt && url) games.push({ title: txt.text, url: url.text });
    }
  } catch (e) {}
  return games;
}

function escapeHtml(s) {
  return String(s).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
}

function play(key) { window.external.Play(key); }
