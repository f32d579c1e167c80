/* Runs the exercise's wasm: what it takes from the browser, and its start.
 *
 * The page's first script defines piecettesWasm, the wasm's compilation already under
 * way. This script instantiates it with the functions below, runs its constructors,
 * hands its exports to page.js (pageScript.run) and opens the page (page_open).
 *
 * CONTRACT with page.cpp (which declares the page_ functions as imports from "env"):
 * strings cross as pointers to NUL-terminated UTF-8; an element is a number, from 0,
 * that page_build() gives each element with an id of the HTML it is handed, in the
 * order they are written; page_read() copies at most `capacity` bytes of a text into wasm
 * memory and returns the text's whole length in bytes, or -1 where there is no such
 * text. The C library takes the time (the draws' seed) and stops through the two
 * WASI functions it asks for.
 */
'use strict';

(function () {
  let memory = null;
  let bytes = new Uint8Array(0);
  // The memory's bytes, looked at again should it ever have grown.
  const heap = () => (bytes.buffer === memory.buffer ? bytes : (bytes = new Uint8Array(memory.buffer)));
  const decoder = new TextDecoder();
  const encoder = new TextEncoder();
  const text = (at) => {
    const all = heap();
    return decoder.decode(all.subarray(at, all.indexOf(0, at)));
  };
  const elements = [];
  // The languages the page is asked for, read once: page.cpp asks for each in turn.
  let asked = null;

  const env = {
    page_document(lang, title) {
      document.documentElement.lang = text(lang);
      document.title = text(title);
    },
    // The window arrives whole, as HTML: the browser makes its hundred elements at once,
    // and they are numbered here in one pass rather than looked for one by one.
    page_build(html) {
      const body = document.body;
      const before = body.children.length;
      body.insertAdjacentHTML('beforeend', text(html));
      for (const added of Array.prototype.slice.call(body.children, before)) {
        if (added.id) elements.push(added);
        elements.push(...added.querySelectorAll('[id]'));
      }
    },
    page_set_text(element, value) {
      elements[element].textContent = text(value);
    },
    page_set_hidden(element, hidden) {
      elements[element].hidden = !!hidden;
    },
    page_set_attribute(element, name, value) {
      elements[element].setAttribute(text(name), text(value));
    },
    page_set_background(element, css) {
      elements[element].style.background = text(css);
    },
    page_focus(element) {
      elements[element].focus({ preventScroll: true });
    },
    // Whether the element is, or holds, the one with the keyboard focus.
    page_has_focus(element, within) {
      const active = document.activeElement;
      return (within ? elements[element].contains(active) : elements[element] === active) ? 1 : 0;
    },
    // The answer box's text as the rules wrote it, with the caret at `caret` or its end.
    page_set_value(element, value, caret) {
      const box = elements[element];
      box.value = text(value);
      const at = Math.min(caret, box.value.length);
      box.setSelectionRange(at, at);
    },
    // what: 0 the text in the answer box (index: its element), 1 the address's ?lang=,
    // 2 the browser's index-th language.
    page_read(what, index, buffer, capacity) {
      let value;
      if (what === 0) value = elements[index].value;
      else {
        asked = asked || pageScript.languages();
        value = what === 1 ? asked.address : asked.browser[index];
      }
      if (value === undefined) return -1;
      const encoded = encoder.encode(value);
      heap().set(encoded.subarray(0, Math.max(0, Math.min(capacity, encoded.length))), buffer);
      return encoded.length;
    },
    page_start(width, height, closing, family, comic) {
      pageScript.start(width, height, text(closing), text(family), !!comic);
    },
    page_show: () => pageScript.show(),
    page_say: (line) => pageScript.say(text(line)),
    page_wake_after: (milliseconds) => pageScript.wakeAfter(milliseconds),
    page_focus_window: () => pageScript.focusWindow(),
    page_offer_app(tag, closing) {
      pageApp.start(text(tag), text(closing));
    },
  };

  const wasi = {
    // Nanoseconds: 0 the wall clock, others a steady one.
    clock_time_get(clock, precision, at) {
      const milliseconds = clock === 0 ? Date.now() : performance.timeOrigin + performance.now();
      new DataView(memory.buffer).setBigUint64(at, BigInt(Math.round(milliseconds * 1e6)), true);
      return 0;
    },
    proc_exit(status) {
      throw new Error(`Piécettes stopped (${status})`);
    },
  };

  piecettesWasm
    .then((module) => WebAssembly.instantiate(module, { env, wasi_snapshot_preview1: wasi }))
    .then((instance) => {
      memory = instance.exports.memory;
      instance.exports._initialize();
      pageScript.run(instance.exports);
      instance.exports.page_open();
    });
})();
