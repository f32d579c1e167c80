/* Piécettes as a classroom app: the static folder's page, served by a school over
 * http(s), can be installed from the browser (a web app manifest) and then plays with no
 * network (sw.js, the service worker that make_app.py writes with the folder's files).
 *
 * Only the folder's page offers it: make_page.py writes the single file a second time as
 * the folder's index.html, with data-app on its root element. From file://, and in the
 * single file wherever it is, this script adds nothing and asks for nothing.
 *
 * page.cpp calls pageApp.start() once the window shows, with the tag of the language
 * that the address's ?lang= chooses: an app installed from a teacher's ?lang=de link
 * starts from the address that manifest-de.webmanifest names, ./?lang=de, so that it
 * speaks German again with nothing stored about the child. page.js asks installed() on
 * Quitter, for the closing line that fits an app, which has no tab to close.
 */
'use strict';

var pageApp = (function () {
  const folder = document.documentElement.hasAttribute('data-app') && /^https?:$/.test(location.protocol);
  let closingLine = '';

  function addToHead(tag, attributes) {
    const element = document.createElement(tag);
    // Debian's emscripten minifies destructuring in a loop wrongly: no [name, value] here.
    for (const name of Object.keys(attributes)) element.setAttribute(name, attributes[name]);
    document.head.appendChild(element);
  }

  // The manifest of the address's language (manifest.webmanifest when ?lang= chooses
  // none, and the browser's languages choose), the window's teal for the browser's bars,
  // the icon and the full screen that Safari takes from its own tags, and the worker.
  function start(languageTag, appClosingLine) {
    closingLine = appClosingLine;
    if (!folder) return;
    addToHead('link', { rel: 'manifest', href: languageTag ? `manifest-${languageTag}.webmanifest` : 'manifest.webmanifest' });
    addToHead('meta', { name: 'theme-color', content: '#008080' });
    addToHead('link', { rel: 'apple-touch-icon', href: 'icon-192.png' });
    addToHead('meta', { name: 'apple-mobile-web-app-capable', content: 'yes' });
    // The worker's own script is always asked of the server, whatever the HTTP cache
    // holds: that is how a new version published on the site is found.
    if ('serviceWorker' in navigator) {
      navigator.serviceWorker.register('sw.js', { updateViaCache: 'none' }).catch(() => {});
    }
  }

  // Running as an installed app: its own window, without the browser's tabs.
  function installed() {
    if (navigator.standalone === true) return true;
    return ['fullscreen', 'standalone', 'minimal-ui'].some((mode) => matchMedia(`(display-mode: ${mode})`).matches);
  }

  return { start, installed, closingLine: () => closingLine };
})();
