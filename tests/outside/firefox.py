"""The page in Debian's firefox-esr, headless, driven through WebDriver BiDi, which
Firefox speaks by itself, over python3-websocket.

BiDi finds nodes by accessible role and name (browsingContext.locateNodes) but does not
tell a node's name: the role and name the DOM suggests are confirmed there. French
number formatting needs emulation.setLocaleOverride besides the profile's languages, and
so does any other language's.
"""

import base64
import json
import os
import tempfile

from outside import START_WAIT, Failure
from page import (VIEWPORT, Closed, JsonSocket, PageWindow, guessed_accessibles, instrumented, key_actions,
                  language_env, log_line, pointer_actions)

# A quiet profile: no first-run pages, updates or reports, in its language (languages()).
# Forced colours as Windows' high contrast sets them: the page's colours give way to the system's.
PREFERENCES = {"browser.shell.checkDefaultBrowser": False, "app.update.disabledForTesting": True,
               "datareporting.policy.dataSubmissionEnabled": False, "toolkit.telemetry.reportingpolicy.firstRun": False,
               "browser.startup.homepage_override.mstone": "ignore", "ui.prefersReducedMotion": 0}
FORCED_COLOURS = {"browser.display.document_color_use": 2}


def languages(tag):
    """The profile's languages for a tag ("fr-FR"): the tag, then its language alone."""
    return {"intl.locale.requested": tag, "intl.accept_languages": f"{tag},{tag.split('-')[0]}"}

class BiDi(JsonSocket):
    """One WebDriver BiDi session: its events are dropped."""

    protocol = "WebDriver BiDi"

    def __init__(self, url):
        super().__init__(url)
        self.version = "firefox"
        # A fresh firefox may take long to start its session on a busy machine.
        self.version = "firefox " + self.call("session.new", START_WAIT, capabilities={})["capabilities"]["browserVersion"]

    def call(self, method, timeout=15, **params):
        message = self.answer(method, params, timeout)
        if message.get("type") == "error":
            if message.get("error") in ("no such frame", "no such window"):
                raise Closed(method)
            raise Failure(f"WebDriver BiDi of {self.version}: {method}", "an answer",
                          f"{message.get('error')}: {message.get('message')}")
        return message["result"]

def start_firefox(session, locales, forced_colours=False, profile=None, language="fr-FR"):
    """A headless firefox-esr of the session's own, in the language of a tag ("fr-FR"), with
    a fresh profile or one it had before: its BiDi session."""
    profile = profile or tempfile.mkdtemp(prefix="firefox-", dir=session.tmp)
    preferences = dict(PREFERENCES, **languages(language), **(FORCED_COLOURS if forced_colours else {}))
    with open(os.path.join(profile, "user.js"), "w") as prefs:
        prefs.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n" for k, v in preferences.items())
    env = dict(language_env(locales, language), HOME=profile, MOZ_CRASHREPORTER_DISABLE="1")
    process = session.start(["firefox-esr", "--headless", "--no-remote", "--remote-debugging-port=0", "--profile",
                             profile, "about:blank"], env=env, log="firefox")
    url = log_line(session, "firefox", r"WebDriver BiDi listening on (ws://\S+)", "firefox's WebDriver BiDi port",
                   START_WAIT)[1]
    bidi = BiDi(url + "/session")
    bidi.process = process
    return bidi

class FirefoxPage(PageWindow):
    engine = "firefox"

    def __init__(self, session, locales, pause_ms, touch=False, forced_colours=False, instrument=True, profile=None,
                 language="fr-FR"):
        super().__init__(pause_ms)
        self.bidi = start_firefox(session, locales, forced_colours, profile, language)
        self.context = self.bidi.call("browsingContext.getTree")["contexts"][0]["context"]
        self.bidi.call("emulation.setLocaleOverride", locale=language, contexts=[self.context])
        self.bidi.call("browsingContext.setViewport", context=self.context,
                       viewport={"width": VIEWPORT[0], "height": VIEWPORT[1]})
        if instrument:
            self.bidi.call("script.addPreloadScript", functionDeclaration="() => {%s}" % instrumented(pause_ms))

    def open(self, page):
        self.load("file://" + page)

    def load(self, url):
        self.bidi.call("browsingContext.navigate", context=self.context, url=url, wait="complete")

    def close(self):
        """Closes the browser as its user does, so that its profile keeps what it holds."""
        try:
            self.bidi.call("browser.close")
        except (Closed, Failure):
            pass  # gone before it answered
        self.bidi.process.wait(15)

    def evaluate(self, expression):
        answer = self.bidi.call("script.evaluate", expression=expression, target={"context": self.context},
                                awaitPromise=True, serializationOptions={"maxObjectDepth": 10})
        if answer["type"] == "exception":
            raise Failure("script in the page", expression, answer["exceptionDetails"].get("text"))
        return value(answer["result"])

    def accessibles(self, ids):
        found, located = {}, {}
        for element_id, (role, name) in guessed_accessibles(self, ids).items():
            if (role, name) not in located:
                nodes = self.bidi.call("browsingContext.locateNodes", context=self.context,
                                       locator={"type": "accessibility", "value": {"role": role, "name": name}})
                located[role, name] = {n["value"].get("attributes", {}).get("id") for n in nodes["nodes"]}
            found[element_id] = (role, name) if element_id in located[role, name] else (
                None, f"not in the accessibility tree as {role} {name!r}")
        return found

    def capture(self):
        return base64.b64decode(self.bidi.call("browsingContext.captureScreenshot", context=self.context)["data"])

    def act(self, actions):
        self.bidi.call("input.performActions", context=self.context, actions=actions)

    def pointer(self, x, y, button):
        self.act(pointer_actions(x, y, button))

    def finger(self, x, y, hold):
        self.act(pointer_actions(x, y, hold=hold, kind="touch"))

    def send_key(self, name, hold):
        self.act(key_actions(name, hold))

    def send_text(self, text):
        self.act(key_actions(text))

def value(remote):
    """A BiDi remote value as Python's."""
    kind = remote["type"]
    if kind in ("undefined", "null"):
        return None
    if kind == "array":
        return [value(v) for v in remote.get("value", [])]
    if kind == "object":
        return {k if isinstance(k, str) else value(k): value(v) for k, v in remote.get("value", [])}
    if kind in ("string", "number", "boolean"):
        return remote["value"]
    return kind
