/* Piécettes in a web page: the script around the exercise (page.cpp).
 *
 * CONTRACT with the outside test drivers; keep it exactly:
 * - every control is an element whose id is its objectName in presentation/layout.h:
 *   Form1, Label8, Command1, Command3, Text7, Picture1(12), Label10(12) ...
 * - globalThis.PIECETTES_TEST_PAUSE_MS, a number of milliseconds set before the page
 *   loads, replaces the success pause; otherwise the pause lasts what the rules ask (3000 ms);
 * - the live region, which gets every line a screen reader hears, has id "announcer";
 * - the Info dialog has id "info"; the closing screen has id "closing".
 *
 * page_imports.js hands over the wasm's exports (run()), page.cpp builds the controls
 * and calls pageScript.start(); from then on this script
 * scales the window to the screen, turns clicks, touches and keys into calls of the
 * exported functions, holds the Info box, runs the success pause's timer, speaks through
 * the live region and closes the page. Nothing here polls: every wait is an event or
 * one timer. Inputs go to page.cpp in the DOM's own terms: a mouse button as
 * MouseEvent.button numbers it, a key as the code point it types (Enter is '\r').
 */
'use strict';

var pageScript = (function () {
  // A finger held this long on a coin is a right press, as on the desktop.
  const HoldMs = 800;
  // MouseEvent.button's numbers for the main and the secondary button: a tap and a key
  // press the main one, a hold and the menu key the secondary one (page.cpp maps them).
  const MainButton = 0;
  const SecondaryButton = 2;
  const Design = { width: 0, height: 0 };

  // The wasm's exported functions (page.cpp), once it runs.
  let wasm = null;
  let root = null;
  let answer = null;
  let info = null;
  let infoReturn = null;
  let pauseTimer = 0;
  let quitting = false;
  let lastFocus = null;
  let touch = null;
  let pending = [];
  // The control on which each key now down was first pressed.
  const keyOwner = new Map();

  // The faces page.cpp chose for the language: the window's, and whether it has an italic.
  let family = '';
  let italic = false;
  let closingLine = '';

  // While the wasm compiles, the main thread would wait: it meets there what the first
  // exercise needs anyway, the regular faces and every coin picture the style sheet
  // names; done now, none of it waits for the rules any more. Both faces: which one the
  // language takes is known only once the wasm has chosen the language.
  function prepare() {
    if (document.fonts) for (const face of ['Piecettes Comic', 'Piecettes Rounded']) document.fonts.load(`1em "${face}"`);
    for (const sheet of document.styleSheets) {
      for (const rule of sheet.cssRules) {
        const url = rule.style && /^url\("(.*)"\)$/.exec(rule.style.backgroundImage);
        if (!url) continue;
        const picture = new Image();
        picture.src = url[1];
        picture.decode().catch(() => {});
      }
    }
  }
  prepare();

  // What the page is asked to speak, as the browser gives it: the address's ?lang= and
  // the browser's languages, most wanted first. page.cpp chooses among them, and passes
  // over whatever names no language it has.
  function languages() {
    const browser = navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language];
    return {
      address: String(new URLSearchParams(location.search).get('lang') || ''),
      browser: Array.from(browser, (tag) => String(tag || '')),
    };
  }

  const byId = (id) => document.getElementById(id);
  const focus = (element) => element && element.focus({ preventScroll: true });
  const shown = (element) => element && !element.hidden && element.isConnected;

  // What a target is: { kind, cell, element }, or null outside every control. page.cpp
  // marks each control with data-kind: coin, square, ok, quit, info, answer or infoOk,
  // and the coins and squares with their cell number.
  function controlOf(target) {
    const element = target instanceof Element ? target.closest('[data-kind]') : null;
    if (!element || element === root || element === answer) return null;
    return { kind: element.dataset.kind, cell: +element.dataset.cell, element };
  }
  const findKind = (kind) => document.querySelector(`[data-kind="${kind}"]`);

  // While the Info box is open, only its OK answers.
  const blocked = (control) => info.open && (!control || control.kind !== 'infoOk');

  // A click of the left button, a tap, or an assistive tool's press (detail 0).
  function clicked(control, byTool) {
    if (blocked(control) || !shown(control.element)) return;
    switch (control.kind) {
      case 'square': wasm.page_square(control.cell, byTool); break;
      case 'coin': if (byTool) wasm.page_coin(control.cell, MainButton, true); break;
      case 'ok': wasm.page_ok(); break;
      case 'quit': quit(); break;
      case 'info': openInfo(); break;
      case 'infoOk': closeInfo(); break;
      case 'answer': offerKeyboard(); break;
    }
  }

  // In the change question a tap on the answer opens the phone's number keyboard.
  function offerKeyboard() {
    answer.setAttribute('inputmode', 'decimal');
    focus(answer);
  }

  // Mouse: a press on a coin is a press of that button; nothing takes the focus or
  // selects text, and the middle button does not scroll. OK takes the focus, as on the desktop.
  function onMouseDown(event) {
    event.preventDefault();
    wasm.page_pointer(0);
    const control = controlOf(event.target);
    if (!control || blocked(control)) return;
    if (control.kind === 'coin') {
      if (shown(control.element)) wasm.page_coin(control.cell, event.button, false);
    } else if (control.kind === 'ok') focus(control.element);
  }

  function onClick(event) {
    const control = controlOf(event.target);
    if (control) clicked(control, event.detail === 0);
  }

  // Touch: the first finger only. A tap is a left press or a click, a hold on a coin a
  // right press; a finger that slides off its control, or a cancelled touch, does nothing.
  // The hold is judged by the events' own times: on a busy machine a timer may fire
  // before a lift already made is handled, or long after the hold was done.
  function onTouchStart(event) {
    event.preventDefault();
    wasm.page_pointer(1);
    if (touch) return;
    const point = event.changedTouches[0];
    const control = controlOf(point.target);
    touch = { id: point.identifier, control, start: event.timeStamp, ring: null };
    if (!control || blocked(control) || control.kind !== 'coin' || !shown(control.element)) return;
    touch.ring = holdRing(control.element);
  }

  function trackedPoint(event) {
    if (!touch) return null;
    for (const point of event.changedTouches) if (point.identifier === touch.id) return point;
    return null;
  }

  // Within the control's hit area, which may reach past what is drawn (page.html).
  function inside(element, point) {
    const control = controlOf(document.elementFromPoint(point.clientX, point.clientY));
    return control !== null && control.element === element;
  }

  function endTouch() {
    if (!touch) return;
    if (touch.ring) touch.ring.remove();
    touch = null;
  }

  function onTouchMove(event) {
    event.preventDefault();
    const point = trackedPoint(event);
    if (!point || !touch.control || inside(touch.control.element, point)) return;
    // Slid off: the touch now counts for nothing, and its ring goes.
    touch.control = null;
    if (touch.ring) touch.ring.remove();
    touch.ring = null;
  }

  function onTouchEnd(event) {
    event.preventDefault();
    const point = trackedPoint(event);
    if (!point) return;
    const control = touch.control;
    const held = event.timeStamp - touch.start >= HoldMs;
    endTouch();
    if (!control || !inside(control.element, point) || blocked(control) || !shown(control.element)) return;
    if (control.kind === 'coin') wasm.page_coin(control.cell, held ? SecondaryButton : MainButton, false);
    else clicked(control, false);
  }

  function onTouchCancel(event) {
    if (trackedPoint(event)) endTouch();
  }

  // The ring that fills while a finger is held on a coin: a CSS animation, no script per
  // frame. Drawn in a 100-unit box over the coin, 5 pixels wide inside its rim; the dash
  // is the circle's own length, as not every browser takes pathLength on a circle.
  function holdRing(coin) {
    const ns = 'http://www.w3.org/2000/svg';
    const unitsPerPixel = 100 / coin.offsetWidth;
    const radius = 50 - 2.5 * unitsPerPixel;
    const length = String(2 * Math.PI * radius);
    const ring = document.createElementNS(ns, 'svg');
    ring.setAttribute('class', 'hold');
    ring.setAttribute('viewBox', '0 0 100 100');
    for (const part of ['track', 'fill']) {
      const circle = document.createElementNS(ns, 'circle');
      circle.setAttribute('class', part);
      circle.setAttribute('cx', '50');
      circle.setAttribute('cy', '50');
      circle.setAttribute('r', String(radius));
      circle.style.strokeWidth = String(5 * unitsPerPixel);
      ring.appendChild(circle);
    }
    const fill = ring.lastChild.style;
    fill.strokeDasharray = length;
    fill.strokeDashoffset = length;
    fill.animationDuration = HoldMs + 'ms';
    coin.appendChild(ring);
    return ring;
  }

  const activates = (event) => event.key === 'Enter' || event.key === ' ';
  const menuKey = (event) => event.key === 'ContextMenu' || (event.key === 'F10' && event.shiftKey);

  // Keys: one press acts once. A repeat acts only in the answer box, and only when the
  // key was first pressed there: repeats of a key first pressed on another control do
  // nothing once the focus has moved on.
  function onKeyDown(event) {
    const active = document.activeElement;
    if (!event.repeat) keyOwner.set(event.code || event.key, active);
    else if (keyOwner.get(event.code || event.key) !== active) {
      event.preventDefault();
      return;
    }
    if (info.open) {
      event.preventDefault();
      if (!event.repeat && (activates(event) || event.key === 'Escape')) closeInfo();
      return;
    }
    if (quitting) {
      event.preventDefault();
      return;
    }
    if (event.altKey && !event.ctrlKey && (event.code === 'KeyO' || event.key.toLowerCase() === 'o')) {
      event.preventDefault();
      if (!event.repeat) clicked({ kind: 'ok', element: findKind('ok') }, false);
      return;
    }
    if (menuKey(event) && !(controlOf(active) && controlOf(active).kind === 'coin')) {
      event.preventDefault();
      return;
    }
    if (event.key === 'Tab') {
      cycleFocus(event);
      return;
    }
    if (active === answer) {
      if (event.key !== 'Enter') return;
      event.preventDefault();
      typeKey('\r');
      return;
    }
    const control = controlOf(active);
    if (!control) return;
    const secondary = control.kind === 'coin' && (event.key === 'ContextMenu' || (event.key === ' ' && event.shiftKey));
    if (!secondary && !activates(event)) return;
    event.preventDefault();
    if (event.repeat) return;
    if (control.kind === 'coin') wasm.page_coin(control.cell, secondary ? SecondaryButton : MainButton, true);
    else if (control.kind === 'square') wasm.page_square(control.cell, true);
    else if (control.kind === 'ok') clicked(control, false);
    else if (control.kind === 'quit') quit();
  }

  function onKeyUp(event) {
    keyOwner.delete(event.code || event.key);
  }

  // Tab goes round the window, as on the desktop: from Quitter to the answer box and back.
  function cycleFocus(event) {
    const order = Array.from(root.querySelectorAll('[tabindex="0"], input')).filter((e) => e.offsetParent !== null || e === answer);
    if (!order.length) return;
    const at = order.indexOf(document.activeElement);
    const next = at < 0 ? 0 : (at + (event.shiftKey ? order.length - 1 : 1)) % order.length;
    event.preventDefault();
    focus(order[next]);
  }

  // A key about to type into the answer box goes to the exercise first: it answers with
  // the character that enters the box instead, or none.
  const typeKey = (character) => wasm.page_answer_key(character.codePointAt(0));

  // Typing into the answer box: each character goes through the exercise's key handler,
  // which may change it (a comma becomes a point) or drop it; at most five are typed.
  function onBeforeInput(event) {
    if (quitting || info.open) {
      event.preventDefault();
      return;
    }
    const type = event.inputType;
    // Composed text (an input method's) cannot be refused here: it arrives by onInput.
    if (type === 'insertText' || type === 'insertReplacementText') {
      event.preventDefault();
      const limit = +answer.dataset.maxTyped;
      let changed = false;
      for (const character of event.data || '') {
        const code = typeKey(character);
        if (!code) continue;
        const start = answer.selectionStart, end = answer.selectionEnd;
        if (answer.value.length - (end - start) + 1 > limit) continue;
        answer.setRangeText(String.fromCodePoint(code), start, end, 'end');
        changed = true;
      }
      if (changed) wasm.page_answer_typed();
    } else if (type === 'deleteContentBackward') {
      typeKey('\b');
    } else if (type.startsWith('insert') && event.data !== null && answer.value.length + event.data.length > +answer.dataset.maxTyped) {
      event.preventDefault();
    }
  }

  // Deleting and pasting change the text without the key handler, as on the desktop.
  function onInput() {
    if (!quitting) wasm.page_answer_typed();
  }

  // Tab into the answer box selects nothing: the next key must not replace the answer.
  function onAnswerFocus() {
    const end = answer.value.length;
    answer.setSelectionRange(end, end);
  }

  function onAnswerBlur() {
    answer.setAttribute('inputmode', 'none');
  }

  function openInfo() {
    if (info.open || quitting) return;
    infoReturn = document.activeElement;
    info.showModal();
    focus(findKind('infoOk'));
    wasm.page_info_opened();
  }

  function closeInfo() {
    if (!info.open) return;
    info.close();
    if (shown(infoReturn)) focus(infoReturn);
    infoReturn = null;
    wasm.page_info_closed();
  }

  // The one timer, set while the exercise waits for time (its success pause): it tells
  // the exercise how much time has passed. A test's shorter pause stands for the whole of it.
  function wakeAfter(milliseconds) {
    const override = globalThis.PIECETTES_TEST_PAUSE_MS;
    const shortened = typeof override === 'number' && override >= 0;
    const start = performance.now();
    pauseTimer = setTimeout(() => {
      pauseTimer = 0;
      wasm.page_time_passed(shortened ? milliseconds : Math.round(performance.now() - start));
    }, shortened ? override : milliseconds);
  }

  // Quitter: the tab closes where the browser lets the page close it; otherwise the
  // window gives way to a closing screen with nothing left to press.
  function quit() {
    if (quitting) return;
    quitting = true;
    endTouch();
    // No further exercise starts.
    clearTimeout(pauseTimer);
    window.close();
    if (window.closed) return;
    root.remove();
    if (info.open) info.close();
    info.remove();
    const closing = document.createElement('div');
    closing.id = 'closing';
    // The window's own teal and font.
    const client = root.querySelector('.client');
    closing.style.background = client.style.background;
    closing.style.fontFamily = client.style.fontFamily;
    // An installed app has no tab to close: its line says so (app.js).
    closing.textContent = pageApp.installed() ? pageApp.closingLine() : closingLine;
    document.body.appendChild(closing);
    say(closing.textContent);
  }

  // The live region: each batch of lines said in one turn replaces the last one as a new
  // paragraph, so that a message repeated word for word is heard again.
  function say(line) {
    if (!pending.length) setTimeout(flush, 0);
    pending.push(line);
  }

  function flush() {
    const region = byId('announcer');
    const paragraph = document.createElement('p');
    paragraph.textContent = pending.join(' ');
    pending = [];
    region.textContent = '';
    region.appendChild(paragraph);
  }

  // The window keeps the control that held the focus last.
  function focusWindow() {
    if (root.contains(document.activeElement) && shown(document.activeElement)) return;
    focus(shown(lastFocus) ? lastFocus : answer);
  }

  // The window fills the visible part of the screen along one side, keeping its
  // proportions, centred; visualViewport leaves out Safari's toolbars and the keyboard.
  function fit() {
    const view = window.visualViewport;
    const width = view ? view.width : window.innerWidth;
    const height = view ? view.height : window.innerHeight;
    const scale = Math.min(width / Design.width, height / Design.height);
    const left = (view ? view.offsetLeft : 0) + (width - Design.width * scale) / 2;
    const top = (view ? view.offsetTop : 0) + (height - Design.height * scale) / 2;
    root.style.transform = `translate(${left}px, ${top}px) scale(${scale})`;
    document.documentElement.style.setProperty('--scale', String(scale));
  }

  // Nothing here reads the layout: the browser lays the window out once, when show()
  // places it on the screen with the first exercise drawn in it. page.cpp gives the
  // closing screen's line in the page's language, and the window's face.
  function start(width, height, closing, face, hasItalic) {
    closingLine = closing;
    family = face;
    italic = hasItalic;
    root = findKind('window');
    answer = findKind('input');
    info = byId('info');
    Design.width = width;
    Design.height = height;
    window.addEventListener('resize', fit);
    if (window.visualViewport) {
      window.visualViewport.addEventListener('resize', fit);
      window.visualViewport.addEventListener('scroll', fit);
    }
    // On the whole document, so that no press anywhere scrolls, zooms, selects or opens a menu.
    const active = { passive: false };
    document.addEventListener('mousedown', onMouseDown);
    document.addEventListener('click', onClick);
    document.addEventListener('touchstart', onTouchStart, active);
    document.addEventListener('touchmove', onTouchMove, active);
    document.addEventListener('touchend', onTouchEnd, active);
    document.addEventListener('touchcancel', onTouchCancel);
    document.addEventListener('contextmenu', (event) => event.preventDefault());
    // A middle press gives a coin; released, it would also paste the selection into the
    // unseen answer box, as browsers do on Linux: Chromium as the button comes up,
    // Firefox as it clicks.
    const noPaste = (event) => { if (event.button === 1) event.preventDefault(); };
    document.addEventListener('mouseup', noPaste);
    document.addEventListener('auxclick', noPaste);
    document.addEventListener('keydown', onKeyDown, true);
    document.addEventListener('keyup', onKeyUp, true);
    document.addEventListener('focusin', (event) => { if (root.contains(event.target)) lastFocus = event.target; });
    info.addEventListener('cancel', (event) => { event.preventDefault(); closeInfo(); });
    answer.addEventListener('beforeinput', onBeforeInput);
    answer.addEventListener('input', onInput);
    answer.addEventListener('focus', onAnswerFocus);
    answer.addEventListener('blur', onAnswerBlur);
  }

  // Places the window with its first exercise, then loads the italic face, where the
  // window's face has one, once that is drawn: the score line shows it first at the
  // second right answer, and loaded now the page needs nothing more after its load,
  // without slowing its first drawing.
  function show() {
    fit();
    if (document.fonts && italic) requestAnimationFrame(() => setTimeout(() => document.fonts.load(`italic 1em "${family}"`)));
  }

  function run(exports) {
    wasm = exports;
  }

  return { run, languages, start, show, wakeAfter, say, focusWindow };
})();
