"""The page's static folder served as a school's web site serves it, for the plays of the
page installed as an app: Python's http.server on 127.0.0.1, over a copy of the folder
whose files carry a date in the past, as files put on a site long ago do. A browser's
HTTP cache then takes them as fresh for a while: the service worker must see past it.

The browser first loads the page with one ?lang=, which installs the worker; then the
server stops, chromium and firefox close and start again on the same profile (WebKitGTK's
driver keeps nothing between its sessions: it reloads in the same one), and the page is
loaded with another ?lang=, from the worker's cache alone.
"""

import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile

from outside import START_WAIT, Failure, expect, wait_until
from page import browser, instrumented

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
MAKE_APP = os.path.join(SOURCE, "web", "make_app.py")
WORKER = os.path.join(SOURCE, "web", "sw.js")
PAST = 1725264000  # 2 September 2024, a school year's first day
DAY = 86400
CONTROLLER = "navigator.serviceWorker && navigator.serviceWorker.controller && navigator.serviceWorker.controller.scriptURL"
CACHES = "caches.keys()"
CHANGED = '<meta name="piecettes-build" content="changed">'
SHOWS_CHANGE = 'document.querySelector("meta[name=piecettes-build]") !== null'
# An installed app's window, as the browser tells the page: its display mode. No engine's
# driver here installs an app (Debian's headless chromium has no PWA domain) or emulates
# the display mode, so the page is told so through matchMedia.
AS_INSTALLED = """(() => { const own = window.matchMedia.bind(window);
  window.matchMedia = (query) => /display-mode:\\s*standalone/.test(query) ? { matches: true, media: query } : own(query);
  return matchMedia("(display-mode: standalone)").matches; })()"""


class Site:
    """A copy of the folder, served on a port of its own."""

    def __init__(self, session, folder, instrument=None):
        self.session = session
        self.root = os.path.join(session.tmp, "site")
        shutil.copytree(folder, self.root)
        if instrument:
            # For an engine whose driver runs no script before the page's own.
            self.change(lambda html: html.replace("<head>", "<head><script>%s</script>" % instrument, 1))
        self.dated(PAST)
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            self.port = probe.getsockname()[1]
        self.server = None

    def change(self, edit):
        """The folder rebuilt with index.html changed: its worker written anew."""
        index = os.path.join(self.root, "index.html")
        with open(index, encoding="utf-8") as page:
            html = edit(page.read())
        with open(index, "w", encoding="utf-8") as page:
            page.write(html)
        subprocess.run([sys.executable, MAKE_APP, "--site", self.root, "--worker", WORKER], check=True)

    def dated(self, when):
        for folder, _, files in os.walk(self.root):
            for name in files:
                os.utime(os.path.join(folder, name), (when, when))

    def cache(self):
        """The name of the cache that the folder's worker fills."""
        with open(os.path.join(self.root, "sw.js"), encoding="utf-8") as worker:
            return re.search(r"const Cache = '([^']+)'", worker.read())[1]

    def answers(self):
        try:
            socket.create_connection(("127.0.0.1", self.port), timeout=2).close()
            return True
        except OSError:
            return False

    def serve(self):
        self.server = self.session.start([sys.executable, "-m", "http.server", "--bind", "127.0.0.1", "--directory",
                                          self.root, str(self.port)], log="http-server")
        wait_until("the site's server", self.answers, START_WAIT)

    def stop(self):
        self.server.terminate()
        self.server.wait(15)
        if self.answers():
            raise Failure("the site's stopped server", "connections refused", "still answering")

    def url(self, query=""):
        return f"http://127.0.0.1:{self.port}/{query}"


def controlled(window, site):
    """Waits until the worker controls the page, with the folder's files all in its cache
    and no other: the worker's script and the caches' names."""
    worker = wait_until("the service worker to control the page", lambda: window.evaluate(CONTROLLER), START_WAIT)
    names = expect("the page's caches", lambda: window.evaluate(CACHES), [site.cache()], START_WAIT)
    return f"controlled by {worker.rsplit('/', 1)[-1]}, cache {names[0]}"


def installable(window, tag):
    """Chromium finds the manifest of the address's language and nothing against
    installing the page."""
    wanted = f"manifest-{tag}.webmanifest" if tag else "manifest.webmanifest"
    url, errors, blocking = wait_until("the page's manifest", lambda: window.installability()[0] and
                                       window.installability(), START_WAIT)
    if not url.endswith("/" + wanted) or errors or blocking:
        raise Failure("the manifest and installability", f"{wanted} with no errors", (url, errors, blocking))
    return f"manifest {wanted}, no installability errors"


def open_offline(engine, session, folder, locales, pause_ms, touch, forced_colours, first, then, as_app):
    """The page loaded from the site with ?lang=first, then, once the server has stopped,
    with ?lang=then from the worker's cache: the window to play on."""
    site = Site(session, folder, instrumented(pause_ms) if engine == "webkit" else None)
    site.serve()
    profile = tempfile.mkdtemp(prefix=f"{engine}-profile-", dir=session.tmp)

    def start():
        return browser(engine, session, locales, pause_ms, touch, forced_colours, profile=profile)
    window = start()
    window.load(site.url(f"?lang={first}"))
    print(f"online, ?lang={first}: {controlled(window, site)}", flush=True)
    if engine == "chromium":
        print(f"  {installable(window, first)}", flush=True)
    site.stop()
    if engine != "webkit":
        window.close()
        window = start()
    window.load(site.url(f"?lang={then}"))
    window.loaded()
    print(f"server stopped{'' if engine == 'webkit' else ', browser restarted'}, ?lang={then}: "
          f"{controlled(window, site)}", flush=True)
    if as_app:
        if not window.evaluate(AS_INSTALLED):
            raise Failure("the display mode told to the page", "standalone", "the browser's own")
        window.installed = True
        print("  shown as an installed app", flush=True)
    return window


def check_update(engine, session, folder, locales):
    """A new build published on the site: the start after it still shows the old one from
    the cache, the next shows the new one, and only the new build's cache is left."""
    site = Site(session, folder)
    site.serve()
    profile = tempfile.mkdtemp(prefix=f"{engine}-profile-", dir=session.tmp)

    def start():
        return browser(engine, session, locales, profile=profile)
    window = start()
    window.load(site.url())
    old = site.cache()
    print(f"first start: {controlled(window, site)}", flush=True)
    window.close()
    site.change(lambda html: html.replace("<head>", "<head>" + CHANGED, 1))
    site.dated(PAST + DAY)
    new = site.cache()
    if new == old:
        raise Failure("the rebuilt folder's cache", "a new name", new)
    window = start()
    window.load(site.url())
    expect("the build shown at the first start after the new one was published", lambda: window.evaluate(SHOWS_CHANGE),
           False, timeout=0)
    print(f"start after the new build: the old build shown; then {controlled(window, site)}", flush=True)
    window.close()
    window = start()
    window.load(site.url())
    expect("the build shown at the second start", lambda: window.evaluate(SHOWS_CHANGE), True, timeout=0)
    print(f"second start: the new build shown, {controlled(window, site)}; {old} deleted", flush=True)
    window.close()
