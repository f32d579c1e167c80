"""The page in WebKitGTK, Safari's engine, driven through WebKitWebDriver (Debian's
webkit2gtk-driver), which speaks classic WebDriver over HTTP: urllib is enough.

Its MiniBrowser has no headless mode: it runs on the session's X server. There is no
preload script in classic WebDriver, so the page is opened from a copy with the
instrumentation as its first script. The console cannot be read from outside; the
instrumentation records the page's errors. The computed label of a hidden element fails,
so only shown elements are asked for theirs. Touch actions arrive as mouse events:
WebKitGTK plays no touch. The page is played as Safari before 16.4 loads it, without
DecompressionStream: the single file then inflates its wasm with its own script.
"""

import base64
import glob
import json
import os
import re
import urllib.error
import urllib.request

from outside import Failure, wait_until
from page import VIEWPORT, Closed, PageWindow, free_port, instrumented, key_actions, language_env, pointer_actions

ELEMENT = "element-6066-11e4-a52e-4f735466cecf"


def minibrowser():
    found = sorted(glob.glob("/usr/lib/*/webkit2gtk-4.*/MiniBrowser"))
    if not found:
        raise Failure("WebKitGTK's MiniBrowser", "installed with webkit2gtk-driver", "none")
    return found[-1]


class WebDriver:
    """One classic WebDriver session over HTTP."""

    def __init__(self, port):
        self.base = f"http://127.0.0.1:{port}"
        self.version = "WebKitGTK"
        wait_until("WebKitWebDriver", self.ready)
        answer = self.call("POST", "/session", {"capabilities": {"alwaysMatch": {"webkitgtk:browserOptions": {
            "binary": minibrowser(), "args": ["--automation"]}}}}, session=False)
        self.session = "/session/" + answer["sessionId"]
        self.version = "WebKitGTK " + answer["capabilities"].get("browserVersion", "?")

    def ready(self):
        try:
            return self.call("GET", "/status", session=False)
        except (OSError, Failure):
            return None

    def call(self, method, path, body=None, session=True):
        url = self.base + (self.session if session else "") + path
        request = urllib.request.Request(url, method=method, data=None if body is None else json.dumps(body).encode(),
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=30) as answer:
                return json.load(answer)["value"]
        except urllib.error.HTTPError as error:
            problem = json.load(error).get("value", {})
            if problem.get("error") in ("no such window", "invalid session id"):
                raise Closed(path) from None
            raise Failure(f"WebDriver of {self.version}: {method} {path}", "an answer",
                          f"{problem.get('error')}: {problem.get('message')}") from None


class WebKitPage(PageWindow):
    engine = "webkit"

    def __init__(self, session, locales, pause_ms, touch=False, forced_colours=False, instrument=True, profile=None,
                 language="fr-FR"):
        super().__init__(pause_ms)
        if touch or forced_colours:
            raise Failure("WebKitGTK's WebDriver", "touch and forced colours", "neither")
        if not session.env:
            session.open(f"{VIEWPORT[0] + 200}x{VIEWPORT[1] + 200}", accessibility=False)
        port = free_port()
        session.start(["WebKitWebDriver", f"--port={port}"], env=language_env(locales),
                      log="webkitwebdriver")
        self.driver = WebDriver(port)
        # The window's size includes its frame and toolbar: corrected once measured.
        width, height = VIEWPORT
        for _ in range(3):
            self.driver.call("POST", "/window/rect", {"width": width, "height": height})
            inner = self.driver.call("POST", "/execute/sync", {"script": "return [innerWidth, innerHeight]", "args": []})
            if inner == list(VIEWPORT):
                break
            width, height = width + VIEWPORT[0] - inner[0], height + VIEWPORT[1] - inner[1]
        self.instrument = instrument
        self.folder = session.tmp

    def open(self, page):
        if self.instrument:
            copy = os.path.join(self.folder, "page.html")
            with open(page, encoding="utf-8") as original, open(copy, "w", encoding="utf-8") as out:
                out.write(re.sub("<head>", lambda _: "<head><script>%s</script>" % instrumented(self.injected_pause, True),
                                 original.read(), count=1))
            page = copy
        self.load("file://" + page)

    def load(self, url):
        self.driver.call("POST", "/url", {"url": url})

    def evaluate(self, expression):
        result = self.driver.call("POST", "/execute/async", {
            "script": "const done = arguments[arguments.length - 1]; Promise.resolve(%s).then(done, "
                      "e => done({piecettesError: String(e)}));" % expression, "args": []})
        if isinstance(result, dict) and "piecettesError" in result:
            raise Failure("script in the page", expression, result["piecettesError"])
        return result

    def accessibles(self, ids):
        found = {}
        elements = self.call_js("""ids => ids.map(id => document.getElementById(id))
            .filter(e => e && !e.closest("[hidden]") && e.getClientRects().length)""", list(ids))
        for element in elements:
            reference = element[ELEMENT]
            element_id = self.driver.call("GET", f"/element/{reference}/attribute/id")
            found[element_id] = (self.driver.call("GET", f"/element/{reference}/computedrole"),
                                 self.driver.call("GET", f"/element/{reference}/computedlabel"))
        return found

    def capture(self):
        return base64.b64decode(self.driver.call("GET", "/screenshot"))

    def act(self, actions):
        self.driver.call("POST", "/actions", {"actions": actions})

    def pointer(self, x, y, button):
        self.act(pointer_actions(x, y, button))

    def finger(self, x, y, hold):
        raise Failure("WebKitGTK's WebDriver", "touch actions", "mouse events")

    def send_key(self, name, hold):
        self.act(key_actions(name, hold))

    def send_text(self, text):
        self.act(key_actions(text))
