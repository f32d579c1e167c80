/* What page.cpp asks of the browser: a few plain functions that the wasm imports, in
 * place of a general binding layer, whose registrations and type tables made the page
 * heavier and its start slower than everything it draws.
 *
 * CONTRACT with page.cpp (which declares them extern "C"): strings cross as pointers
 * to NUL-terminated UTF-8; an element is a number that page_element() handed out, in
 * order from 0, for an id of the window that page_build() wrote; page_read() copies at
 * most `capacity` bytes of a text into wasm memory and returns the text's whole length
 * in bytes, or -1 where there is no such text.
 */
mergeInto(LibraryManager.library, {
  $pageElements: [],

  page_document: function (lang, title) {
    document.documentElement.lang = UTF8ToString(lang);
    document.title = UTF8ToString(title);
  },
  // The window arrives whole, as HTML: the browser makes its hundred elements at once.
  page_build: function (html) {
    document.body.insertAdjacentHTML('beforeend', UTF8ToString(html));
  },
  page_element__deps: ['$pageElements'],
  page_element: function (id) {
    pageElements.push(document.getElementById(UTF8ToString(id)));
    return pageElements.length - 1;
  },
  page_set_text__deps: ['$pageElements'],
  page_set_text: function (element, text) {
    pageElements[element].textContent = UTF8ToString(text);
  },
  page_set_hidden__deps: ['$pageElements'],
  page_set_hidden: function (element, hidden) {
    pageElements[element].hidden = !!hidden;
  },
  page_set_attribute__deps: ['$pageElements'],
  page_set_attribute: function (element, name, value) {
    pageElements[element].setAttribute(UTF8ToString(name), UTF8ToString(value));
  },
  page_set_background__deps: ['$pageElements'],
  page_set_background: function (element, css) {
    pageElements[element].style.background = UTF8ToString(css);
  },
  page_focus__deps: ['$pageElements'],
  page_focus: function (element) {
    pageElements[element].focus({ preventScroll: true });
  },
  // Whether the element is, or holds, the one with the keyboard focus.
  page_has_focus__deps: ['$pageElements'],
  page_has_focus: function (element, within) {
    const active = document.activeElement;
    return (within ? pageElements[element].contains(active) : pageElements[element] === active) ? 1 : 0;
  },
  // The answer box's text as the rules wrote it, with the caret at `caret` or its end.
  page_set_value__deps: ['$pageElements'],
  page_set_value: function (element, text, caret) {
    const box = pageElements[element];
    box.value = UTF8ToString(text);
    const at = Math.min(caret, box.value.length);
    box.setSelectionRange(at, at);
  },
  // what: 0 the text in the answer box (index: its element), 1 the address's ?lang=,
  // 2 the browser's index-th language.
  page_read__deps: ['$pageElements'],
  page_read: function (what, index, buffer, capacity) {
    let text;
    if (what === 0) text = pageElements[index].value;
    else {
      const asked = pageScript.languages();
      text = what === 1 ? asked.address : asked.browser[index];
    }
    if (text === undefined) return -1;
    const bytes = new TextEncoder().encode(text);
    HEAPU8.set(bytes.subarray(0, Math.max(0, Math.min(capacity, bytes.length))), buffer);
    return bytes.length;
  },
  page_start: function (width, height, closing, family, comic) {
    pageScript.start(width, height, UTF8ToString(closing), UTF8ToString(family), !!comic);
  },
  page_show: function () {
    pageScript.show();
  },
  page_say: function (line) {
    pageScript.say(UTF8ToString(line));
  },
  page_wake_after: function (milliseconds) {
    pageScript.wakeAfter(milliseconds);
  },
  page_focus_window: function () {
    pageScript.focusWindow();
  },
  page_offer_app: function (tag, closing) {
    pageApp.start(UTF8ToString(tag), UTF8ToString(closing));
  },
});
