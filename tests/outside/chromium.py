"""The page in Debian's chromium, headless, driven through its DevTools protocol with
python3-websocket.

Roles and names come from the accessibility tree (Accessibility.getFullAXTree), whose
nodes carry the backend ids of their DOM nodes. The Accessibility domain is
experimental and Debian moves chromium to new major versions through security updates:
whatever the protocol answers that the driver does not expect fails with the method, the
answer and chromium's version.
"""

import base64
import json
import os
import subprocess
import tempfile
import time
import urllib.request

from outside import START_WAIT, Failure, wait_until
from page import VIEWPORT, Closed, JsonSocket, PageWindow, instrumented, language_env

MODIFIERS = {"alt": 1, "ctrl": 2, "shift": 8}
# xdotool's key names: (key, code, Windows key code, text).
KEYS = {"Tab": ("Tab", "Tab", 9, ""), "space": (" ", "Space", 32, " "), "Return": ("Enter", "Enter", 13, "\r"),
        "Escape": ("Escape", "Escape", 27, ""), ",": (",", "Comma", 188, ","), ".": (".", "Period", 190, ".")}
MOUSE = {"left": 1, "right": 2, "middle": 4}

class DevTools(JsonSocket):
    """One page target over the DevTools protocol: its events are kept in order."""

    protocol = "DevTools protocol"

    def __init__(self, url, version):
        super().__init__(url)
        self.version = version
        self.events = []

    def kept(self, message):
        self.events.append(message)

    def call(self, method, **params):
        message = self.answer(method, params)
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
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise Failure("script in the page", expression, result["exceptionDetails"].get("text"))
        return result["result"].get("value")

def sandbox_usable():
    """Chromium's sandbox needs a user namespace of its own: root may not have one, and
    neither may a chroot or a kernel set without unprivileged user namespaces, where
    chromium stops at its start."""
    if os.geteuid() == 0:
        return False
    return subprocess.run(["unshare", "--user", "true"], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode == 0

def start_chromium(session, locales, width, height, language="fr-FR", profile=None):
    """A headless chromium of the session's own, its language set to a tag ("fr-FR"), on a
    fresh profile or on one it had before: its DevTools target for its one tab."""
    profile = profile or tempfile.mkdtemp(prefix="chromium-", dir=session.tmp)
    port_file = os.path.join(profile, "DevToolsActivePort")
    if os.path.exists(port_file):
        os.remove(port_file)  # the last run's
    sandbox = [] if sandbox_usable() else ["--no-sandbox"]
    process = session.start(["chromium", "--headless=new", "--remote-debugging-port=0", f"--user-data-dir={profile}",
                             f"--lang={language}", f"--accept-lang={language}", "--no-first-run",
                             "--no-default-browser-check", f"--window-size={width},{height}", *sandbox, "about:blank"],
                            env=language_env(locales, language), log="chromium")
    try:
        wait_until("chromium's DevToolsActivePort", lambda: os.path.exists(port_file) and
                   len(open(port_file).read().split()) == 2, START_WAIT)
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
    tools = DevTools(targets[0]["webSocketDebuggerUrl"], version)
    tools.process, tools.port = process, port
    return tools

class ChromiumPage(PageWindow):
    engine = "chromium"

    def __init__(self, session, locales, pause_ms, touch=False, forced_colours=False, instrument=True, profile=None,
                 language="fr-FR"):
        super().__init__(pause_ms)
        self.tools = start_chromium(session, locales, *VIEWPORT, language, profile)
        for domain in ("Page", "Runtime", "DOM", "CSS", "Accessibility"):
            self.tools.call(f"{domain}.enable")
        # The view's size exactly, as the other engines set it.
        self.tools.call("Emulation.setDeviceMetricsOverride", width=VIEWPORT[0], height=VIEWPORT[1],
                        deviceScaleFactor=1, mobile=False)
        if touch:
            self.tools.call("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        if forced_colours:
            self.tools.call("Emulation.setEmulatedMedia", features=[{"name": "forced-colors", "value": "active"}])
        if instrument:
            self.tools.call("Page.addScriptToEvaluateOnNewDocument", source=instrumented(pause_ms))
        self.nodes = {}

    def open(self, page):
        # Opened over about:blank, the tab has a history, and a script may not close it.
        self.load("file://" + page)

    def load(self, url):
        self.tools.events.clear()
        loaded = self.tools.call("Page.navigate", url=url)
        if loaded.get("errorText"):
            raise Failure("page", "loaded", loaded["errorText"])
        self.tools.event("Page.loadEventFired")
        self.nodes = {}

    def evaluate(self, expression):
        return self.tools.evaluate(expression)

    def close(self):
        """Closes the browser as its user does, so that its profile keeps what it holds."""
        with urllib.request.urlopen(f"http://127.0.0.1:{self.tools.port}/json/version", timeout=10) as answer:
            endpoint = json.load(answer)["webSocketDebuggerUrl"]
        try:
            DevTools(endpoint, self.tools.version).call("Browser.close")
        except Closed:
            pass  # gone before it answered
        self.tools.process.wait(15)

    def installability(self):
        """The manifest chromium found for the page, and what it says stands in the way of
        installing it: (manifest URL, its errors, the installability errors)."""
        manifest = self.tools.call("Page.getAppManifest")
        errors = self.tools.call("Page.getInstallabilityErrors")["installabilityErrors"]
        return manifest.get("url"), manifest.get("errors"), errors

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

    def accessibles(self, ids):
        nodes = self.tools.call("Accessibility.getFullAXTree")["nodes"]
        if not any("backendDOMNodeId" in n for n in nodes) or any("nodeId" not in n for n in nodes):
            raise Failure(f"Accessibility.getFullAXTree of {self.tools.version}", "nodes with DOM node ids",
                          nodes[:3])
        tree = {n["backendDOMNodeId"]: n for n in nodes if not n.get("ignored") and "backendDOMNodeId" in n}
        found = {}
        for element_id in ids:
            ax = tree.get(self.node(element_id))
            if ax is not None:
                found[element_id] = (ax.get("role", {}).get("value"), ax.get("name", {}).get("value", ""))
        return found

    def platform_fonts(self):
        """Every text node the page lays out, but the live region's, which is never seen:
        its text and the fonts chromium drew it with, by family name."""
        texts, stack = [], [self.tools.call("DOM.getDocument", depth=-1)["root"]]
        while stack:
            node = stack.pop()
            attributes = node.get("attributes", [])
            if "id" in attributes[::2] and attributes[attributes.index("id") + 1] == "announcer":
                continue
            if node.get("nodeType") == 3 and node.get("nodeValue", "").strip():
                texts.append((node["nodeId"], node["nodeValue"].strip()))
            stack += node.get("children", [])
        drawn = []
        for node_id, text in texts:
            fonts = self.tools.call("CSS.getPlatformFontsForNode", nodeId=node_id)["fonts"]
            if fonts:  # none for a node that is not laid out: hidden, or in the head
                drawn.append((text, sorted({f["familyName"] for f in fonts})))
        return drawn

    def capture(self):
        return base64.b64decode(self.tools.call("Page.captureScreenshot", format="png")["data"])

    def pointer(self, x, y, button):
        self.tools.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        for kind, buttons in (("mousePressed", MOUSE[button]), ("mouseReleased", 0)):
            self.tools.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button, buttons=buttons,
                            clickCount=1)

    def finger(self, x, y, hold):
        self.tools.call("Input.dispatchTouchEvent", type="touchStart", touchPoints=[{"x": x, "y": y, "id": 1}])
        time.sleep(hold)
        self.tools.call("Input.dispatchTouchEvent", type="touchEnd", touchPoints=[])

    def send_key(self, name, hold):
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

    def send_text(self, text):
        self.tools.call("Input.insertText", text=text)
