"""The page as the plays see it, in any of three browser engines: Debian's chromium
(chromium.py, its DevTools protocol), firefox-esr (firefox.py, WebDriver BiDi) and
WebKitGTK (webkit.py, WebKitWebDriver's classic WebDriver), each under French settings, or
with the browser's language set to another, whose words (words.py) the plays then expect.

A control is its element id. What the page shows is read from the DOM's text and the
live region; what a screen reader hears of a control, its role and name, from the
engine's accessibility tree. An engine lends its back end only: a script run in the
page, the accessible role and name of an element, pointer, finger and key input, and a
screenshot. Everything else lives here, the same for the three.

The page's side of the contract: each control's element id is its objectName in
presentation/layout.h; the live region is #announcer, the Info box #info (a dialog named
"INFO"), the closing screen #closing; globalThis.PIECETTES_TEST_PAUSE_MS, set before the
page loads, replaces the 3-second pause.
"""

import json
import os
import re
import socket
import subprocess
import time

import websocket

from outside import START_WAIT, WAIT, Failure, wait_until
from words import french

ENGINES = ("chromium", "firefox", "webkit")
VIEWPORT = (1024, 768)  # CSS pixels of the page's view, in every engine

# Element ids of the labels, from the layout table.
LABELS = {"price": "Label6", "price sign": "Label4", "given": "Label7", "feedback": "Label8", "answer": "Label12",
          "hint": "Label13"}
CONTROLS = {"OK": "Command1", "Quitter": "Command3", "Info": "Label3", "answer": "Label12"}
COINS, SQUARES, ANSWER_BOX = "Picture1({})", "Label10({})", "Text7"
CELLS = 40
# A cell's coin is of type k mod 8, the smallest first.
CENTS = (1, 2, 5, 10, 20, 50, 100, 200)
# Before the page's own scripts: the pause; a record of every change of the live region,
# so that a message said twice is heard twice; of the feedback line, the given total and the answer,
# with the page's own times, which no slow driver can blur; of every control shown or
# hidden; and of every error the page meets, which not every engine lets a driver read
# from its console.
INSTRUMENT = """
%s
globalThis.piecettesHeard = [];
new MutationObserver(records => {
  const region = document.getElementById("announcer");
  if (region && records.some(r => region.contains(r.target)) && region.textContent.trim())
    globalThis.piecettesHeard.push(region.textContent.trim());
}).observe(document, {subtree: true, childList: true, characterData: true});
globalThis.piecettesShown = [];
new MutationObserver(records => {
  const now = performance.now();
  for (const id of ["Label8", "Label7", "Label12"]) {
    const line = document.getElementById(id);
    if (line && records.some(r => line.contains(r.target))) globalThis.piecettesShown.push([now, id, line.textContent.trim()]);
  }
}).observe(document, {subtree: true, childList: true, characterData: true});
globalThis.piecettesHidden = [];
new MutationObserver(records => {
  for (const r of records) if (r.target.id) globalThis.piecettesHidden.push([r.target.id, r.target.hidden]);
}).observe(document, {subtree: true, attributes: true, attributeFilter: ["hidden"]});
globalThis.piecettesErrors = [];
addEventListener("error", e => globalThis.piecettesErrors.push(String(e.message || e)));
addEventListener("unhandledrejection", e => globalThis.piecettesErrors.push("unhandled rejection: " + e.reason));
// No play pastes: a paste is the browser's own, such as Linux's middle-button paste.
addEventListener("paste", () => globalThis.piecettesErrors.push("a paste into the page"), true);
const piecettesConsoleError = console.error;
console.error = function (...parts) {
  globalThis.piecettesErrors.push(parts.map(String).join(" "));
  return piecettesConsoleError.apply(this, parts);
};
"""
# The colours every engine must paint alike, as #RRGGBB: ButtonFace and ButtonText are
# fixed to the desktop's (Qt's Fusion palette), the rest come from the layout table.
BUTTON_FACE, BUTTON_TEXT = "EFEFEF", "000000"
OLIVE, BAND, GREEN = "808000", "00C0C0", "00FF00"
# The least hit area of a control, in window pixels: 24 CSS pixels on a phone held
# sideways, 640 x 360, where the 800 x 600 window is drawn at 0.6.
TARGET = 24 / 0.6


class Closed(Failure):
    """The tab went away."""

    def __init__(self, method):
        super().__init__(f"the tab went away during {method}")


class ButtonName(str):
    """A button's element id that also tells its accessible name."""

    def __new__(cls, element_id, name):
        button = super().__new__(cls, element_id)
        button.name = name
        return button


class JsonSocket:
    """A browser's protocol of JSON commands over a WebSocket: each command waits for its
    answer, and what else arrives meanwhile goes to kept()."""

    protocol = "the browser's protocol"

    def __init__(self, url):
        self.socket = websocket.create_connection(url, timeout=15, suppress_origin=True)
        self.last = 0
        self.version = "the browser"

    def kept(self, message):
        """A message that is no answer: an event. Dropped unless a protocol keeps them."""

    def answer(self, method, params, timeout=15):
        """The answer to a command, waited for timeout seconds at most."""
        self.last += 1
        try:
            self.socket.settimeout(timeout)
            self.socket.send(json.dumps({"id": self.last, "method": method, "params": params}))
            while True:
                message = json.loads(self.socket.recv())
                if message.get("id") == self.last:
                    return message
                self.kept(message)
        except websocket.WebSocketTimeoutException:
            raise Failure(f"{self.protocol} of {self.version}: no answer to {method} in {timeout} s") from None
        except (websocket.WebSocketConnectionClosedException, ConnectionError):
            raise Closed(method) from None


def free_port():
    """A TCP port nothing listens on now, for a driver that cannot choose its own."""
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def language_env(locales, tag="fr-FR"):
    """A browser's settings for a language tag ("fr-FR"): its locale where one is compiled,
    and its messages."""
    language, region = tag.split("-")
    locale = f"{language}_{region}.UTF-8"
    if not os.path.isdir(os.path.join(locales, locale)):
        locale = "C.UTF-8"
    return dict(os.environ, LANG=locale, LC_ALL=locale, LANGUAGE=language, LOCPATH=locales)


def log_line(session, log, pattern, what, timeout=WAIT):
    """The first match of pattern in a process's log, waited for."""
    path = os.path.join(session.tmp, log + ".log")

    def found():
        with open(path, errors="replace") as text:
            return re.search(pattern, text.read())
    try:
        return wait_until(what, found, timeout)
    except Failure:
        with open(path, errors="replace") as text:
            raise Failure(f"{what}: it said: {text.read()[-2000:]}") from None


def instrumented(pause_ms, without_decompression=False):
    """The instrumentation, with the pause, to run before the page's own scripts; without
    DecompressionStream, the page loads as in a browser that has none, inflating its wasm
    with its own script."""
    pause = f"globalThis.PIECETTES_TEST_PAUSE_MS = {pause_ms};" if pause_ms is not None else ""
    if without_decompression:
        pause += "delete globalThis.DecompressionStream;"
    return INSTRUMENT % pause


def pixels(png, box):
    """The pixels of a box (x, y, w, h) of a screenshot, as #RRGGBB, row after row."""
    x, y, w, h = (round(v) for v in box)
    out = subprocess.run(["convert", png, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "txt:-"],
                         capture_output=True, text=True, check=True).stdout
    return re.findall(r"#([0-9A-F]{6})", out)


class PageWindow:
    """The engine-neutral half of a page back end. An engine provides: evaluate(script),
    accessibles(ids) {id: (role, name)} for the ids in its accessibility tree, open(page)
    and load(url), which return once the page has loaded, pointer(x,
    y, button), finger(x, y, hold), send_key(name, hold), send_text(text) and capture()
    (PNG bytes); and raises Closed when the tab has gone."""

    last_input = 0.0  # when the last input was sent, by time.monotonic()
    engine = "?"
    installed = False  # shown as an installed app, whose closing line is its own
    from_file = False  # opened from file://, where the page asks for nothing

    def __init__(self, pause_ms):
        self.injected_pause = pause_ms
        self.closed = False
        self.verified = {}  # element ids whose fixed role and name were checked
        self.language = "fr-FR"  # the browser's language, and the words of the page's
        self.words = french()

    def loaded(self):
        """Checks the browser's language settings once the page has loaded, then that the
        page took the language: its lang, for a screen reader's voice, and its title."""
        language, number = self.evaluate("[navigator.language, (1.5).toLocaleString(navigator.language)]")
        half = "1" + self.words.decimal + "5"
        if language.lower() != self.language.lower() or number != half:
            raise Failure(f"{self.engine}: navigator.language and 1.5 under the settings of {self.language}",
                          [self.language, half], [language, number])
        # The wasm sets both as it starts, which may be after the load: then its window shows.
        wait_until("the page's window", lambda: self.evaluate("!!document.getElementById('Form1')"), START_WAIT)
        expected = [self.words.tag, self.words["Title"]]
        seen = self.evaluate("[document.documentElement.lang, document.title]")
        if seen != expected:
            raise Failure(f"{self.engine}: <html lang> and title of the page", expected, seen)

    # The page's elements and their accessibility.
    def call_js(self, function, *arguments):
        """function (JavaScript, as text) applied to arguments given as JSON."""
        return self.evaluate(f"({function})(...{json.dumps(arguments)})")

    def shown(self, ids):
        """Those of ids whose elements are seen."""
        return self.call_js("""ids => ids.filter(id => { const e = document.getElementById(id);
            return e && !e.closest("[hidden]") && e.getClientRects().length && getComputedStyle(e).visibility !== "hidden"; })""",
                            list(ids))

    def named(self, element_id, role, pattern, fixed=False):
        """The element id if shown, checked to be a control of that role with a matching
        name; a fixed one is checked once."""
        if not self.shown([element_id]):
            return None
        if fixed and self.verified.get(element_id) == (role, pattern):
            return element_id
        role_seen, name = self.accessibles([element_id]).get(element_id, (None, None))
        if role_seen != role or not re.fullmatch(pattern, name or ""):
            raise Failure(f"{self.engine}: accessible of #{element_id}", f"{role} named /{pattern}/", (role_seen, name))
        if fixed:
            self.verified[element_id] = (role, pattern)
        return element_id

    def cells(self, form, take_back=False):
        """The shown coins or squares, each checked once to be a button named for its coin."""
        ids = {form.format(k): self.words.coin(CENTS[k % 8], take_back) for k in range(CELLS)}
        shown = self.shown(ids)
        unchecked = [i for i in shown if self.verified.get(i) != ("button", ids[i])]
        for element_id, (role, name) in self.accessibles(unchecked).items():
            if (role, name) == ("button", ids[element_id]):
                self.verified[element_id] = (role, name)
        for element_id in unchecked:
            if element_id not in self.verified:
                raise Failure(f"{self.engine}: accessible of #{element_id}", ("button", ids[element_id]),
                              self.accessibles([element_id]).get(element_id))
        return shown

    def boxes(self, ids):
        """Where the elements are, as (x, y, w, h) in CSS pixels of the view."""
        return [tuple(b) for b in self.call_js("""ids => ids.map(id => {
            const r = document.getElementById(id).getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; })""",
                                               list(ids))]

    def box(self, element_id):
        return self.boxes([element_id])[0]

    def showing(self, element_id):
        return bool(self.shown([element_id]))

    # What the window shows.
    def text(self, element_id):
        """An element's text while it is seen; None while hidden."""
        return self.call_js("""id => { const e = document.getElementById(id);
            return e && e.getClientRects().length && getComputedStyle(e).visibility !== "hidden"
                ? e.textContent.trim() : null; }""", element_id)

    def price(self):
        return self.text(LABELS["price"])

    def given(self):
        return self.text(LABELS["given"])

    def feedback(self):
        return self.text(LABELS["feedback"])

    def answer(self):
        return self.text(LABELS["answer"])

    def hint(self):
        return self.text(LABELS["hint"])

    def sign_first(self):
        """Whether the price's euro sign stands before the price: its whole box left of
        the amount's, or else right of it."""
        (sx, sy, sw, sh), (ax, ay, aw, ah) = self.boxes([LABELS["price sign"], LABELS["price"]])
        if sx + sw <= ax:
            return True
        if ax + aw <= sx:
            return False
        raise Failure("the price's euro sign", "beside the price", f"over it: {(sx, sw)} and {(ax, aw)}")

    def heard(self):
        """Every change of the live region, in order."""
        return self.evaluate("globalThis.piecettesHeard")

    def last_pause(self):
        """From the page's record, the last pause that has ended: how long "Bravo !"
        stayed, in seconds, and every given total shown meanwhile."""
        shown = self.evaluate("globalThis.piecettesShown")
        feedback = [(t, text) for t, line, text in shown if line == LABELS["feedback"]]
        end = max(i for i, (t, text) in enumerate(feedback) if text == "")
        bravo = max(i for i, (t, text) in enumerate(feedback[:end]) if text == self.words["Bravo"])
        start, stop = feedback[bravo][0], feedback[end][0]
        return (stop - start) / 1000, [text for t, line, text in shown if line == LABELS["given"] and start < t < stop]

    def asked(self):
        """What the page asked for beyond itself, as its resource timing records it (a
        data: URL is read from the page, not asked for), and the manifest it links."""
        return self.evaluate("""[...performance.getEntriesByType("resource").map(e => e.name),
                                 ...[...document.querySelectorAll("link[rel=manifest]")].map(l => l.href)]""")

    def marks(self):
        """Where the page's records of shown texts and of shown controls stand now."""
        return self.evaluate("[globalThis.piecettesShown.length, globalThis.piecettesHidden.length]")

    def handed_over_since(self, marks, coin):
        """From the page's records since marks: the first given total shown, whether the
        coin was hidden, and whether the take-back square of its cell was shown."""
        shown, hidden = self.evaluate(f"[globalThis.piecettesShown.slice({marks[0]}), "
                                      f"globalThis.piecettesHidden.slice({marks[1]})]")
        square = SQUARES.format(re.search(r"\((\d+)\)", coin)[1])
        given = next((text for t, line, text in shown if line == LABELS["given"]), None)
        return given, [coin, True] in hidden, [square, False] in hidden

    def shown_since(self, marks, label):
        """From the page's records since marks: every text a line of LABELS ("feedback",
        "given", "answer") showed."""
        shown = self.evaluate(f"globalThis.piecettesShown.slice({marks[0]})")
        return [text for t, line, text in shown if line == LABELS[label]]

    def errors(self):
        """What the page reported as errors so far."""
        return self.evaluate("globalThis.piecettesErrors")

    def coins(self):
        """The coins shown in the purse, in reading order: [(cents, id)]."""
        shown = self.cells(COINS)
        places = dict(zip(shown, self.boxes(shown)))
        coins = [(CENTS[int(re.search(r"\((\d+)\)", i)[1]) % 8], i) for i in shown]
        return sorted(coins, key=lambda coin: places[coin[1]][1::-1])

    def squares(self):
        return self.cells(SQUARES, take_back=True)

    def answer_box(self):
        """The unseen answer box's name for screen readers."""
        found = self.accessibles([ANSWER_BOX]).get(ANSWER_BOX)
        if found is None:
            return None
        role, name = found
        return name if role == "textbox" else found

    def control(self, name):
        if name in ("OK", "Quitter"):
            caption = self.words["Ok" if name == "OK" else "Quit"]
            return self.named(CONTROLS[name], "button", re.escape(caption)) or CONTROLS[name]
        return CONTROLS[name]

    def focusable(self):
        return None

    def focused(self, candidates=None):
        return self.evaluate("document.activeElement && document.activeElement.id")

    def has_focus(self, element_id):
        return self.focused() == element_id

    def focused_name(self):
        """The accessible name of the control with the keyboard focus, or None."""
        active = self.focused()
        found = active and self.accessibles([active]).get(active)
        return found and found[1]

    def info_box(self):
        """The buttons of the Info box, a dialog named "INFO" in the page's language; None
        while it is not shown."""
        if not self.evaluate('(document.getElementById("info") || {}).open'):
            return None
        dialog = self.accessibles(["info"]).get("info")
        if dialog != ("dialog", self.words["InfoTitle"]):
            raise Failure(f"{self.engine}: accessible of #info", ("dialog", self.words["InfoTitle"]), dialog)
        ids = self.evaluate('[...document.querySelectorAll("#info button, #info [role=button]")].map(e => e.id)')
        found = self.accessibles(ids)
        return [ButtonName(i, found.get(i, (None, None))[1]) for i in ids if found.get(i, (None,))[0] == "button"]

    def screenshot(self, path, window_only=False):
        try:
            shot = self.capture()
        except Failure:
            return  # the tab is gone, or the protocol with it
        with open(path, "wb") as file:
            file.write(shot)

    # Hands on the page.
    def centre(self, element_id):
        x, y, w, h = self.box(element_id)
        return x + w / 2, y + h / 2

    def click(self, element_id, button="left"):
        self.pointer(*self.centre(element_id), button)
        self.last_input = time.monotonic()

    def touch(self, element_id, hold=0.0):
        """A finger on the control, lifted after hold seconds."""
        self.finger(*self.centre(element_id), hold)
        self.last_input = time.monotonic()

    def key(self, name, hold=0.0):
        """A key pressed, or held for hold seconds with repeats as a keyboard sends them."""
        self.send_key(name, hold)
        self.last_input = time.monotonic()

    def type(self, text):
        for character in text:
            self.key(character)
            time.sleep(0.05)

    def insert(self, text):
        """Text as an on-screen keyboard commits it."""
        for character in text:
            self.send_text(character)
            self.last_input = time.monotonic()
            time.sleep(0.05)

    def quitted(self):
        """Quitter closes the tab, or leaves the closing screen, heard through the live
        region, with nothing to press."""
        def outcome():
            try:
                shown = self.text("closing")
            except Closed:
                self.closed = True
                return "the tab closed"
            return shown is not None and "the closing screen"
        seen = wait_until("the tab to close or the closing screen", outcome)
        if self.closed:
            return seen
        closing = self.words["ClosingApp" if self.installed else "Closing"]
        if self.text("closing") != closing:
            raise Failure("closing screen", closing, self.text("closing"))
        left = self.evaluate("""[...document.querySelectorAll("button, input, dialog, [role], [tabindex]")]
            .filter(e => e.getClientRects().length && e.id !== "announcer").map(e => e.id || e.localName)""")
        if left:
            raise Failure("controls left on the closing screen", [], left)
        wait_until(f'"{closing}" in the live region', lambda: any(closing in said for said in self.heard()), 5)
        fonts = self.check_fonts("closing screen")
        return seen + f', "{closing}"' + (f", {fonts}" if fonts else "")

    def platform_fonts(self):
        """Every text the page lays out and the fonts it is drawn with, [(text, [family])];
        None for an engine that cannot tell."""
        return None

    def check_fonts(self, moment):
        """Every text the page lays out is drawn in the page's own face for its language
        alone, which holds every letter of it: no letter falls back to another font. A
        device with Comic Sans MS draws the comic face's languages in it. None where the
        engine cannot tell."""
        drawn = self.platform_fonts()
        if drawn is None:
            return None
        allowed = {self.words.font} | ({"Comic Sans MS"} if self.words.font == "Piecettes Comic" else set())
        wrong = [(text, families) for text, families in drawn if len(families) != 1 or families[0] not in allowed]
        if not drawn or wrong:
            raise Failure(f"{self.engine}: fonts of the texts ({moment})", f"{self.words.font} alone", wrong or "no text")
        return f"{len(drawn)} texts drawn in {' or '.join(sorted({f[0] for t, f in drawn}))} alone"

    def check_targets(self, ids):
        """Each shown control takes a press over at least TARGET window pixels each way
        from its middle, as elementFromPoint finds it: 24 CSS pixels at 640 x 360."""
        reach = self.call_js("""ids => {
          const scale = parseFloat(getComputedStyle(document.documentElement).getPropertyValue("--scale")) || 1;
          const owner = (x, y) => { const e = document.elementFromPoint(x, y); return e && e.closest("[data-kind]"); };
          return ids.map(id => {
            const e = document.getElementById(id), r = e.getBoundingClientRect();
            const x = r.x + r.width / 2, y = r.y + r.height / 2;
            const along = (dx, dy) => { let d = 0; while (d < 200 && owner(x + (d + 0.5) * dx, y + (d + 0.5) * dy) === e) d += 0.5;
                                         return d; };
            return [id, Math.min(along(-1, 0) + along(1, 0), along(0, -1) + along(0, 1)) / scale]; }); }""",
                             self.shown(ids))
        smallest = min(reach, key=lambda r: r[1])
        if smallest[1] < TARGET:
            raise Failure(f"{self.engine}: hit area of #{smallest[0]}", f"at least {TARGET} window pixels",
                          round(smallest[1], 1))
        return f"hit areas of {len(reach)} controls at least {smallest[1]:.1f} window pixels (#{smallest[0]})"

    # Colours read from the engine's screenshot.
    def check_colours(self, moment, forced=False):
        """The colours at a few points of the window, the same in every engine: at the
        moment "squares" (a take-back square shown), "right answer" (the change question
        answered right, read while the Info box holds the pause) or "info" (the Info box
        open). Under forced colours the buttons, the answer and the purse's frame keep
        what carries meaning, and the rest takes the system's colours."""
        shot = os.path.join(self.tmp, f"colours-{moment.replace(' ', '-')}.png")
        # Two frames drawn since the last change: a screenshot may show the last one drawn.
        self.evaluate("new Promise(done => requestAnimationFrame(() => requestAnimationFrame(done)))")
        self.screenshot(shot)
        checks = []  # (what, box, test, expected)

        def face(element_id, colour, inset=4, right_half=False):
            """Its corners, and halfway down its left side, clear of the caption; or, for
            the answer, its right half's corners, clear of the answer and the Info box."""
            x, y, w, h = self.box(element_id)
            left = x + w * 3 / 4 if right_half else x + inset
            for px, py in ((left, y + inset), (x + w - 1 - inset, y + inset),
                           (left, y + h - 1 - inset) if right_half else (left, y + h / 2),
                           (x + w - 1 - inset, y + h - 1 - inset)):
                checks.append((f"#{element_id} at {round(px)},{round(py)}", (px, py, 1, 1), "all", colour))

        def darkest(element_id, colour):
            checks.append((f"darkest pixel of #{element_id}'s text", self.box(element_id), "darkest", colour))

        if moment == "squares":
            targets = self.check_targets([COINS.format(k) for k in range(CELLS)] + [SQUARES.format(k) for k in range(CELLS)]
                                         + [CONTROLS[c] for c in ("OK", "Quitter", "Info")])
            face("Command1", OLIVE)
            face("Command3", BAND)
            if not forced:
                squares = self.squares()
                x, y, w, h = self.box(squares[0])
                # Clear of its edge and of the focus ring.
                checks.append((f"#{squares[0]}'s middle", (x + w / 3, y + h / 3, w / 3, h / 3), "all", BUTTON_FACE))
                x, y, w, h = self.box("Shape1")
                checks.append(("the band", (x + w / 2, y + 4, 1, h - 8), "all", BAND))
                darkest("Label2", BUTTON_TEXT)
                darkest("Label3", BUTTON_TEXT)
                darkest("Command3", BUTTON_TEXT)
            else:
                # The purse's frame: its edge differs from the ground just inside it.
                x, y, w, h = self.box("Frame1")
                edge = pixels(shot, (x + w / 2, y, 1, 1))[0]
                ground = pixels(shot, (x + w / 2, y + 6, 1, 1))[0]
                if edge == ground:
                    raise Failure(f"{self.engine}: the purse's frame under forced colours", "an edge", (edge, ground))
        elif moment == "right answer":
            face("Label12", GREEN, right_half=True)  # the Info box may cover its left
        elif moment == "info":
            targets = self.check_targets(["info-ok"])
        if moment == "info" and not forced:
            x, y, w, h = self.box("info")
            checks.append(("the Info box's ground", (x + 3, y + h - 4, 1, 1), "all", BUTTON_FACE))
            x, y, w, h = self.box("info-ok")
            checks.append(("the Info box's OK", (x + 6, y + h / 2, 1, 1), "all", BUTTON_FACE))
            darkest("info-text", BUTTON_TEXT)
            darkest("info-ok", BUTTON_TEXT)
        seen = [targets] if moment != "right answer" else []
        fonts = self.check_fonts(moment) if moment != "right answer" else None
        if fonts:
            seen.append(fonts)
        for what, box, test, expected in checks:
            read = pixels(shot, box)
            found = min(read, key=lambda c: sum(int(c[i:i + 2], 16) for i in (0, 2, 4))) if test == "darkest" else (
                read[0] if len(set(read)) == 1 else sorted(set(read)))
            if found != expected:
                raise Failure(f"{self.engine}: colour of {what} ({moment})", expected, found)
            seen.append(f"{what} #{found}")
        return seen


def browser(engine, session, locales, pause_ms=None, touch=False, forced_colours=False, instrument=True, profile=None,
            language="fr-FR", words=None):
    """A browser of the engine, of the session's own, its language set to a tag (French
    settings by default, the only ones WebKitGTK's driver plays), showing VIEWPORT; with
    instrument, the instrumentation runs before each page's scripts. With a profile
    folder, chromium and firefox keep it for the next browser started on it. The plays
    expect the words of that language, French's by default."""
    if engine == "chromium":
        from chromium import ChromiumPage as Page
    elif engine == "firefox":
        from firefox import FirefoxPage as Page
    else:
        from webkit import WebKitPage as Page
    options = {"language": language} if language != "fr-FR" else {}
    window = Page(session, locales, pause_ms, touch, forced_colours, instrument, profile, **options)
    window.tmp = session.tmp
    window.language = language
    if words is not None:
        window.words = words
    return window


def open_page(engine, session, page, locales, pause_ms, touch, forced_colours=False, language="fr-FR", words=None):
    """The page opened from file:// in the engine, instrumented."""
    window = browser(engine, session, locales, pause_ms, touch, forced_colours, language=language, words=words)
    window.open(os.path.abspath(page))
    window.loaded()
    window.from_file = True
    return window


# WebDriver's input actions, which Firefox's BiDi and WebKit's classic WebDriver share.
WEBDRIVER_KEYS = {"Tab": "\ue004", "space": " ", "Return": "\ue007", "Escape": "\ue00c", "shift": "\ue008",
                  "ctrl": "\ue009", "alt": "\ue00a"}
WEBDRIVER_BUTTONS = {"left": 0, "middle": 1, "right": 2}
REPEAT_S = 0.033  # a keyboard's repeat interval


def pointer_actions(x, y, button="left", hold=0.0, kind="mouse"):
    return [{"type": "pointer", "id": kind, "parameters": {"pointerType": kind}, "actions": [
        {"type": "pointerMove", "x": round(x), "y": round(y)},
        {"type": "pointerDown", "button": WEBDRIVER_BUTTONS[button]},
        {"type": "pause", "duration": round(hold * 1000)},
        {"type": "pointerUp", "button": WEBDRIVER_BUTTONS[button]}]}]


def key_actions(name, hold=0.0):
    """A key with its modifiers, held for hold seconds: WebDriver marks each keyDown of a
    key already down as a repeat, as a keyboard sends them."""
    *held, name = name.split("+")
    key = WEBDRIVER_KEYS.get(name, name)
    steps = [{"type": "keyDown", "value": WEBDRIVER_KEYS[m]} for m in held] + [{"type": "keyDown", "value": key}]
    for _ in range(int(hold / REPEAT_S)):
        steps += [{"type": "pause", "duration": round(REPEAT_S * 1000)}, {"type": "keyDown", "value": key}]
    steps += [{"type": "keyUp", "value": key}] + [{"type": "keyUp", "value": WEBDRIVER_KEYS[m]} for m in reversed(held)]
    return [{"type": "key", "id": "keyboard", "actions": steps}]


def guessed_accessibles(window, ids):
    """For an engine that finds nodes by accessible role and name but cannot tell them:
    the role and name the DOM suggests for each shown element, to be confirmed."""
    return window.call_js("""ids => Object.fromEntries(ids.map(id => [id, document.getElementById(id)])
        .filter(([id, e]) => e && !e.closest("[hidden]") && e.getClientRects().length).map(([id, e]) => {
          const role = e.getAttribute("role") || {button: "button", input: "textbox", dialog: "dialog"}[e.localName] || "";
          const by = e.getAttribute("aria-labelledby");
          const name = e.getAttribute("aria-label") || (by && document.getElementById(by).textContent.trim()) ||
                       e.textContent.trim();
          return [id, [role, name]]; }))""", list(ids))
