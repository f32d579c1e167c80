"""The page as the plays see it: Debian's chromium, headless under French settings,
driven through its DevTools protocol with python3-websocket.

Controls are found by their names in the accessibility tree (Accessibility.getFullAXTree)
and placed by DOM.getContentQuads, since accessibility nodes carry no position; a control
is its backend DOM node id. The page's side of the contract: each control's element id is
its objectName in window/layout.h; the live region is #announcer, the Info box #info
(a dialog named "INFO"), the closing screen #closing; globalThis.PIECETTES_TEST_PAUSE_MS,
set before the page loads, replaces the 3-second pause.

The Accessibility domain is experimental and Debian moves chromium to new major versions
through security updates: whatever the protocol answers that the driver does not expect
fails with the method, the answer and chromium's version.
"""

import base64
import json
import os
import re
import tempfile
import time
import urllib.request

import websocket

from outside import Failure, cents_of_coin, wait_until

# Element ids of the labels, from the layout table.
LABELS = {"price": "Label6", "given": "Label7", "feedback": "Label8", "answer": "Label12"}
CONTROLS = {"OK": "Command1", "Quitter": "Command3", "Info": "Label3", "answer": "Label12"}
COINS, SQUARES, ANSWER_BOX = "Picture1({})", "Label10({})", "Text7"
CELLS = 40
# A cell's coin is of type k mod 8, the smallest first.
NAMES = ("1 centime", "2 centimes", "5 centimes", "10 centimes", "20 centimes", "50 centimes", "1 euro", "2 euros")
CLOSING = "Tu peux fermer cette page."
# Before the page's own scripts: the pause, and a record of every change of the live
# region, so that a message said twice is heard twice.
INSTRUMENT = """
%s
globalThis.piecettesHeard = [];
new MutationObserver(records => {
  const region = document.getElementById("announcer");
  if (region && records.some(r => region.contains(r.target)) && region.textContent.trim())
    globalThis.piecettesHeard.push(region.textContent.trim());
}).observe(document, {subtree: true, childList: true, characterData: true});
"""
MODIFIERS = {"alt": 1, "ctrl": 2, "shift": 8}
# xdotool's key names: (key, code, Windows key code, text).
KEYS = {"Tab": ("Tab", "Tab", 9, ""), "space": (" ", "Space", 32, " "), "Return": ("Enter", "Enter", 13, "\r"),
        "Escape": ("Escape", "Escape", 27, ""), ",": (",", "Comma", 188, ","), ".": (".", "Period", 190, ".")}
MOUSE = {"left": 1, "right": 2, "middle": 4}


class Closed(Failure):
    """The tab went away."""

    def __init__(self, method):
        super().__init__(f"the tab went away during {method}")


class DevTools:
    """One page target: each call waits for its answer; events are kept in order."""

    def __init__(self, url, version):
        self.version = version
        self.socket = websocket.create_connection(url, timeout=15, suppress_origin=True)
        self.events = []
        self.last = 0

    def call(self, method, **params):
        self.last += 1
        try:
            self.socket.send(json.dumps({"id": self.last, "method": method, "params": params}))
            while True:
                message = json.loads(self.socket.recv())
                if message.get("id") == self.last:
                    break
                self.events.append(message)
        except websocket.WebSocketTimeoutException:
            raise Failure(f"DevTools protocol of {self.version}: no answer to {method} in 15 s") from None
        except (websocket.WebSocketConnectionClosedException, ConnectionError):
            raise Closed(method) from None
        if "error" in message:
            if "closed" in str(message["error"].get("message", "")).lower():
                raise Closed(method)
            raise Failure(f"DevTools protocol of {self.version}: {method}", "an answer", message["error"])
        return message["result"]

    def event(self, method, timeout=15):
        """The first event of that name, kept or still to come."""
        deadline = time.monotonic() + timeout
        while True:
            found = next((e for e in self.events if e.get("method") == method), None)
            if found:
                self.events.remove(found)
                return found["params"]
            if time.monotonic() > deadline:
                raise Failure(f"DevTools protocol of {self.version}: no {method} event in {timeout} s")
            self.call("Runtime.evaluate", expression="0")  # brings in what came meanwhile
            time.sleep(0.05)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        if "exceptionDetails" in result:
            raise Failure("script in the page", expression, result["exceptionDetails"].get("text"))
        return result["result"].get("value")


class PageWindow:
    last_input = 0.0  # when the last input was sent, by time.monotonic()

    def __init__(self, session, page, locales, pause_ms, touch):
        self.injected_pause = pause_ms
        profile = tempfile.mkdtemp(prefix="chromium-", dir=session.tmp)
        env = dict(os.environ, LANG="fr_FR.UTF-8", LC_ALL="fr_FR.UTF-8", LOCPATH=locales)
        # Root (as in containers) may not use chromium's sandbox.
        sandbox = ["--no-sandbox"] if os.geteuid() == 0 else []
        session.start(["chromium", "--headless=new", "--remote-debugging-port=0", f"--user-data-dir={profile}",
                       "--lang=fr-FR", "--accept-lang=fr-FR", "--no-first-run", "--no-default-browser-check",
                       "--window-size=1024,768", *sandbox, "about:blank"], env=env, log="chromium")
        port_file = os.path.join(profile, "DevToolsActivePort")
        try:
            wait_until("chromium's DevToolsActivePort", lambda: os.path.exists(port_file) and
                       len(open(port_file).read().split()) == 2)
        except Failure:
            with open(os.path.join(session.tmp, "chromium.log")) as log:
                raise Failure("chromium did not open its DevTools port; it said: " + log.read()[-2000:]) from None
        port = open(port_file).read().split()[0]
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/version", timeout=10) as answer:
            version = json.load(answer).get("Browser", "chromium")
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10) as answer:
            targets = [t for t in json.load(answer) if t.get("type") == "page"]
        if len(targets) != 1:
            raise Failure(f"DevTools protocol of {version}: page targets", "one", targets)
        self.tools = DevTools(targets[0]["webSocketDebuggerUrl"], version)
        for domain in ("Page", "Runtime", "DOM", "Accessibility"):
            self.tools.call(f"{domain}.enable")
        if touch:
            self.tools.call("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        pause = f"globalThis.PIECETTES_TEST_PAUSE_MS = {pause_ms};" if pause_ms is not None else ""
        self.tools.call("Page.addScriptToEvaluateOnNewDocument", source=INSTRUMENT % pause)
        # Opened over about:blank, the tab has a history, and a script may not close it.
        loaded = self.tools.call("Page.navigate", url="file://" + os.path.abspath(page))
        if loaded.get("errorText"):
            raise Failure("page", "loaded", loaded["errorText"])
        self.tools.event("Page.loadEventFired")
        language = self.tools.evaluate("navigator.language")
        if language != "fr-FR":
            raise Failure("navigator.language under French settings", "fr-FR", language)
        self.nodes = {}
        self.closed = False

    # The page's elements and their accessibility nodes.
    def node(self, element_id):
        """The backend node id of an element, None when there is none."""
        if element_id not in self.nodes:
            self.nodes.clear()
            stack = [self.tools.call("DOM.getDocument", depth=-1)["root"]]
            while stack:
                node = stack.pop()
                attributes = node.get("attributes", [])
                if "id" in attributes[::2]:
                    self.nodes[attributes[attributes.index("id") + 1]] = node["backendNodeId"]
                stack += node.get("children", [])
        return self.nodes.get(element_id)

    def tree(self):
        """The shown nodes of the accessibility tree by their backend DOM node ids."""
        nodes = self.tools.call("Accessibility.getFullAXTree")["nodes"]
        if not any("backendDOMNodeId" in n for n in nodes) or any("nodeId" not in n for n in nodes):
            raise Failure(f"Accessibility.getFullAXTree of {self.tools.version}", "nodes with DOM node ids",
                          nodes[:3])
        return {n["backendDOMNodeId"]: n for n in nodes if not n.get("ignored") and "backendDOMNodeId" in n}

    @staticmethod
    def role_name(ax):
        return ax.get("role", {}).get("value"), ax.get("name", {}).get("value", "")

    def named(self, tree, element_id, role, pattern):
        """The element if shown, checked to be a control of that role with a matching name."""
        ax = tree.get(self.node(element_id))
        if ax is None:
            return None
        role_seen, name = self.role_name(ax)
        if role_seen != role or not re.fullmatch(pattern, name):
            raise Failure(f"accessibility node of #{element_id}", f"{role} named /{pattern}/", (role_seen, name))
        return ax["backendDOMNodeId"], name

    def cells(self, form, prefix=""):
        """The shown coins or squares, each checked to be a button named for its coin."""
        tree = self.tree()
        found = [self.named(tree, form.format(k), "button", re.escape(prefix + NAMES[k % 8])) for k in range(CELLS)]
        return [f for f in found if f]

    def box(self, node):
        try:
            quads = self.tools.call("DOM.getContentQuads", backendNodeId=node)["quads"]
        except Failure as failure:
            raise Failure(f"place of node {node} (DOM.getContentQuads): {failure}") from None
        xs, ys = quads[0][0::2], quads[0][1::2]
        return min(xs), min(ys), max(xs) - min(xs), max(ys) - min(ys)

    def showing(self, node):
        return node in self.tree()

    # What the window shows.
    def text(self, element_id):
        """An element's text while it is seen; None while hidden."""
        return self.tools.evaluate(f"""(() => {{ const e = document.getElementById({json.dumps(element_id)});
            return e && e.getClientRects().length && getComputedStyle(e).visibility !== "hidden"
                ? e.textContent.trim() : null; }})()""")

    def price(self):
        return self.text(LABELS["price"])

    def given(self):
        return self.text(LABELS["given"])

    def feedback(self):
        return self.text(LABELS["feedback"])

    def answer(self):
        return self.text(LABELS["answer"])

    def heard(self):
        """Every change of the live region, in order."""
        return self.tools.evaluate("globalThis.piecettesHeard")

    def coins(self):
        """The coins shown in the purse, in reading order: [(cents, node)]."""
        coins = [(cents_of_coin(name), node) for node, name in self.cells(COINS)]
        return sorted(coins, key=lambda coin: self.box(coin[1])[1::-1])

    def squares(self):
        return [node for node, _ in self.cells(SQUARES, "Reprendre ")]

    def answer_box(self):
        """The unseen answer box's name for screen readers."""
        ax = self.tree().get(self.node(ANSWER_BOX))
        if ax is None:
            return None
        role, name = self.role_name(ax)
        return name if role == "textbox" else (role, name)

    def control(self, name):
        tree = self.tree()
        found = self.named(tree, CONTROLS[name], "button", name) if name in ("OK", "Quitter") else None
        return found[0] if found else self.node(CONTROLS[name])

    def focusable(self):
        return None

    def focused(self, candidates=None):
        return self.tools.evaluate("document.activeElement && document.activeElement.id")

    def active(self):
        """The backend node id of the element with the keyboard focus."""
        found = self.tools.call("Runtime.evaluate", expression="document.activeElement")["result"]
        return "objectId" in found and self.tools.call("DOM.describeNode", objectId=found["objectId"])[
            "node"]["backendNodeId"]

    def has_focus(self, node):
        return self.active() == node

    def focused_name(self):
        """The accessible name of the control with the keyboard focus, or None."""
        ax = self.tree().get(self.active())
        return ax and self.role_name(ax)[1]

    def info_box(self):
        """The buttons of the Info box, a dialog named "INFO"; None while it is not shown."""
        tree = self.tree()
        dialog = tree.get(self.node("info"))
        if dialog is None:
            return None
        if self.role_name(dialog) != ("dialog", "INFO"):
            raise Failure("accessibility node of #info", ("dialog", "INFO"), self.role_name(dialog))
        by_id = {n["nodeId"]: n for n in tree.values()}
        buttons, stack = [], list(dialog.get("childIds", []))
        while stack:
            ax = by_id.get(stack.pop())
            if ax:
                if self.role_name(ax)[0] == "button":
                    buttons.append(ax["backendDOMNodeId"])
                stack += ax.get("childIds", [])
        return [ButtonName(node, self.role_name(tree[node])[1]) for node in buttons]

    def screenshot(self, path, window_only=False):
        try:
            shot = self.tools.call("Page.captureScreenshot", format="png")["data"]
        except Failure:
            return  # the tab is gone, or the protocol with it
        with open(path, "wb") as file:
            file.write(base64.b64decode(shot))

    # Hands on the page.
    def click(self, node, button="left"):
        x, y = self.centre(node)
        self.tools.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        for kind, buttons in (("mousePressed", MOUSE[button]), ("mouseReleased", 0)):
            self.tools.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button, buttons=buttons,
                            clickCount=1)
        self.last_input = time.monotonic()

    def touch(self, node, hold=0.0):
        """A finger on the control, lifted after hold seconds."""
        x, y = self.centre(node)
        self.tools.call("Input.dispatchTouchEvent", type="touchStart", touchPoints=[{"x": x, "y": y, "id": 1}])
        time.sleep(hold)
        self.tools.call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])
        self.last_input = time.monotonic()

    def centre(self, node):
        x, y, w, h = self.box(node)
        return x + w / 2, y + h / 2

    def key(self, name, hold=0.0):
        """A key pressed, or held for hold seconds with repeats as a keyboard sends them."""
        *held, name = name.split("+")
        key, code, number, text = KEYS.get(name) or (name, f"Key{name.upper()}" if name.isalpha() else
                                                      f"Digit{name}", ord(name.upper()), name)
        modifiers = sum(MODIFIERS[m] for m in held)
        text = "" if modifiers & (MODIFIERS["alt"] | MODIFIERS["ctrl"]) else text
        down = dict(key=key, code=code, windowsVirtualKeyCode=number, modifiers=modifiers)
        kind = "keyDown" if text else "rawKeyDown"
        self.tools.call("Input.dispatchKeyEvent", type=kind, text=text, **down)
        end = time.monotonic() + hold
        while time.monotonic() < end:
            time.sleep(0.033)
            self.tools.call("Input.dispatchKeyEvent", type=kind, text=text, autoRepeat=True, **down)
        self.tools.call("Input.dispatchKeyEvent", type="keyUp", **down)
        self.last_input = time.monotonic()

    def type(self, text):
        for character in text:
            self.key(character)
            time.sleep(0.05)

    def insert(self, text):
        """Text as an on-screen keyboard commits it."""
        for character in text:
            self.tools.call("Input.insertText", text=character)
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
        if self.text("closing") != CLOSING:
            raise Failure("closing screen", CLOSING, self.text("closing"))
        tree = self.tree().values()
        left = [self.role_name(n) for n in tree if self.role_name(n)[0] in ("button", "textbox", "dialog")]
        if left:
            raise Failure("controls left on the closing screen", [], left)
        wait_until(f'"{CLOSING}" in the live region', lambda: any(CLOSING in said for said in self.heard()), 5)
        return seen + f', "{CLOSING}"'


class ButtonName(int):
    """A button's node that also tells its name."""

    def __new__(cls, node, name):
        button = super().__new__(cls, node)
        button.name = name
        return button
