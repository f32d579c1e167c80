#!/usr/bin/python3
"""Measures the web page in the three engines the page is played in: Debian's chromium,
firefox-esr and WebKitGTK, driven through the plays' own back ends (tests/outside), under
French settings, and prints a table:

- size: the single file and its gzipped size;
- start, in each engine: the time from navigation to the first frame that draws the
  first exercise (see FIRST_FRAME), against a page with one text label in the same font,
  and against the same window saved as plain HTML once its first exercise is drawn, with
  no script (the static window), all loaded from file:// in turn in the same browser,
  round after round, every other round in the reverse order, each load after an empty
  page; and the same once more,
  each page the first one opened by a fresh browser, as a child's first start of the
  day is. In chromium also the moment every shown text and coin picture has been
  drawn, by its element timing (see DRAWN);
- start in Greek (?lang=el), a language drawn with the second face, Piecettes Rounded,
  instead of the comic one: the page against the static window saved from the Greek page,
  which loads the same face, from file://, warm and in fresh browsers;
- start through the service worker, in each engine: the static folder (--site, by
  default site/ beside the page) served over http on 127.0.0.1 as tests/outside/served.py
  serves it, its page loaded once until the worker it installs controls it, then the page
  and its static window (saved from the served page) in turn in the same browser, round
  after round, both from the worker's cache: each start must be controlled by the worker,
  and the server asked for nothing but the worker's script. In one browser session, as
  WebKitGTK's driver keeps no worker from one session to the next;
- waiting, in chromium: what the page does while it waits, once for the child and once
  through the success pause: script time, tasks, style and layout passes, animation
  frames and timers asked for, CSS animations running, and network requests;
- storage: cookies and web storage left after a game.

With --screenshots DIR it also writes the page at 1024x768, 1920x1080 and 768x1024
(a tablet held upright), as the README shows them, from chromium.

    bench/page_bench.py build-wasm/web/piecettes.html [--rounds 15] [--fresh 7]
                        [--engines chromium firefox webkit] [--locales build/locales] [--site build-wasm/web/site]
                        [--screenshots docs]
"""
import argparse
import base64
import collections
import gzip
import pathlib
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "outside"))
from outside import Failure, Session  # noqa: E402
from page import ENGINES, browser as engine_browser  # noqa: E402
from served import CONTROLLER, MAKE_APP, WORKER, Site, controlled  # noqa: E402


class Browser:
    """One browser of an engine under French settings, on a session of its own, with no
    instrumentation: the back end the plays use."""

    def __init__(self, engine, locales):
        self.engine = engine
        self.session = Session()
        try:
            self.window = engine_browser(engine, self.session, str(locales), instrument=False)
        except BaseException:
            self.session.stop()
            raise
        self.events = getattr(self.window, "tools", None) and self.window.tools.events

    def call(self, method, **params):
        """A DevTools command: chromium only."""
        return self.window.tools.call(method, **params)

    def evaluate(self, expression):
        return self.window.evaluate(expression)

    def wait_for(self, expression, seconds=10):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.evaluate(expression):
                return
            time.sleep(0.02)
        raise SystemExit("timed out waiting for " + expression)

    def load(self, url):
        self.window.load(url)

    def close(self):
        self.session.stop()


# The first frame that draws the first exercise, or the floor's label, in any engine:
# the first animation frame at which the price (or the label) has its text and no font
# is still loading; the frame then draws it. Written at the start of both pages, as no
# engine but chromium has element timing. (Where fontconfig gives "Comic Sans MS" a
# face of its own, the floor never loads its Comic Neue.) Noted twice: as the frame's
# callbacks run (piecettesFirstFrame), before the browser styles, lays out and paints it,
# and once it is drawn (piecettesFrameDrawn), by a message posted from the callback,
# which every engine handles only after that frame's rendering. The second is the one
# to compare: a page that has the browser lay it out before the frame (the page reads
# its viewport to scale the window) pays at the first what a static page pays only
# after it.
FIRST_FRAME = """<script>(() => {
  const ready = () => { const e = document.querySelector("#Label6, #floor");
    return e && e.textContent.trim() && document.fonts.status === "loaded"; };
  const drawn = new MessageChannel();
  drawn.port1.onmessage = () => { globalThis.piecettesFrameDrawn = performance.now(); };
  const tick = () => {
    if (!ready()) return requestAnimationFrame(tick);
    globalThis.piecettesFirstFrame = performance.now();
    drawn.port2.postMessage(0);
  };
  requestAnimationFrame(tick);
})();</script>"""

# A start, from navigation: to the first frame's callbacks, and to that frame drawn.
Frame = collections.namedtuple("Frame", "callbacks drawn")


def uri(path):
    return path.resolve().as_uri()


def marked(html):
    """A page's text with FIRST_FRAME as its first script."""
    return html.replace("<head>", "<head>" + FIRST_FRAME, 1)


def with_first_frame(page, folder):
    """A copy of the page that notes its first frame."""
    path = folder / ("marked-" + page.name)
    path.write_text(marked(page.read_text(encoding="utf-8")), encoding="utf-8")
    return path


# The face of the languages not drawn with the comic one, such as Greek.
GREEK_FACE = "Piecettes Rounded"


def first_frame(browser):
    browser.wait_for("globalThis.piecettesFrameDrawn !== undefined")
    return Frame(*browser.evaluate("[globalThis.piecettesFirstFrame, globalThis.piecettesFrameDrawn]"))


def figure(pages, floors):
    """The median ratio with its quartiles and both medians; of starts (Frames), to the
    frame drawn, then to its callbacks."""
    if pages and isinstance(pages[0], Frame):
        return "%s to the frame drawn; %s to its callbacks" % (
            figure([p.drawn for p in pages], [f.drawn for f in floors]),
            figure([p.callbacks for p in pages], [f.callbacks for f in floors]))
    ratios = [p / f for p, f in zip(pages, floors)]
    quartiles = statistics.quantiles(ratios, n=4) if len(ratios) > 1 else ratios * 3
    return "%.2f [%.2f–%.2f] × (%.0f ms against %.0f ms)" % (
        statistics.median(ratios), quartiles[0], quartiles[2], statistics.median(pages), statistics.median(floors))


# Marks, on either page, every text label and coin picture for Chromium's element timing,
# which reports when each is first drawn: text only once its font has come, a picture
# once it is decoded. First contentful paint alone can come earlier: a coin picture counts
# as content while the text beside it still waits for its font, which a fresh browser shows.
MARK_DRAWN = """
globalThis.__drawn = new Map();
new PerformanceObserver((list) => {
  for (const entry of list.getEntries()) globalThis.__drawn.set(entry.identifier, entry.renderTime || entry.loadTime);
}).observe({type: 'element', buffered: true});
new MutationObserver((records) => {
  for (const record of records) for (const node of record.addedNodes) {
    if (!(node instanceof Element)) continue;
    for (const element of [node, ...node.querySelectorAll('.label, .coin')])
      if (element.matches('.label, .coin')) element.setAttribute('elementtiming', element.id);
  }
}).observe(document, {childList: true, subtree: true});
"""

# The moment the first exercise (or the floor's label) is drawn: the last of the first
# contentful paint and of the times every shown, marked text and picture was drawn.
# Waited for inside the page, without a round trip to the driver every few milliseconds.
DRAWN = """new Promise((resolve) => {
  const check = () => {
    const paint = performance.getEntriesByName('first-contentful-paint')[0];
    const shown = [...document.querySelectorAll('[elementtiming]')].filter((element) => !element.closest('[hidden]') &&
      (element.classList.contains('coin') ? getComputedStyle(element).backgroundImage !== 'none' : element.textContent.trim()));
    if (paint && shown.length && shown.every((element) => globalThis.__drawn.has(element.id)))
      resolve(Math.max(paint.startTime, ...shown.map((element) => globalThis.__drawn.get(element.id))));
    else setTimeout(check, 50);
  };
  check();
})"""


def drawn(browser):
    return browser.evaluate(DRAWN)


def first_paint(browser):
    browser.wait_for("performance.getEntriesByName('first-contentful-paint').length > 0")
    return browser.evaluate("performance.getEntriesByName('first-contentful-paint')[0].startTime")


def text_floor_page(page, folder):
    """The floor: one label in the window's font, the same Comic Neue inlined the same way."""
    font = re.search(r'@font-face \{[^}]*font-style: normal;[^}]*\}', page.read_text(encoding="utf-8")).group(0)
    path = folder / "floor.html"
    path.write_text("<!DOCTYPE html><html lang=fr><head><meta charset=utf-8><title>floor</title><style>%s"
                    "body{margin:0;background:#1b1b1b}</style></head><body><div id=floor class=label style=\"font:32px 'Comic Sans MS',"
                    "'Comic Neue';color:#fff\">Tu dois payer :</div></body></html>" % font, encoding="utf-8")
    return path


# Counts what the page asks of the browser: animation frames, timers, and network requests.
COUNTERS = """
globalThis.__asked = {frames: 0, timers: 0, intervals: 0};
for (const [name, key] of [['requestAnimationFrame', 'frames'], ['setTimeout', 'timers'], ['setInterval', 'intervals']]) {
  const original = globalThis[name];
  globalThis[name] = function (...args) { globalThis.__asked[key]++; return original.apply(this, args); };
}
"""


def describe(figures):
    return ", ".join("%s %s" % (v if isinstance(v, int) else "%.1f" % v, k) for k, v in figures.items())


def type_text(browser, text):
    for character in text:
        browser.call("Input.dispatchKeyEvent", type="keyDown", text=character, key=character)
        browser.call("Input.dispatchKeyEvent", type="keyUp", key=character)


def activity(browser, seconds, before_wait=None):
    """What the page did over a few seconds of waiting: script and task time, style and
    layout passes, animation frames, timers and network requests."""
    def snapshot():
        metrics = {m["name"]: m["value"] for m in browser.call("Performance.getMetrics")["metrics"]}
        asked = browser.evaluate("globalThis.__asked")
        return metrics, asked
    if before_wait:
        before_wait()
        # What the step itself does settles first: its announcements, its repaint.
        time.sleep(0.3)
    browser.events.clear()
    before, asked_before = snapshot()
    time.sleep(seconds)
    after, asked_after = snapshot()
    requests = [e for e in browser.events if e.get("method") == "Network.requestWillBeSent"]
    running = browser.evaluate("document.getAnimations().length")
    return {
        "script ms": 1000 * (after["ScriptDuration"] - before["ScriptDuration"]),
        "task ms": 1000 * (after["TaskDuration"] - before["TaskDuration"]),
        "style passes": int(after["RecalcStyleCount"] - before["RecalcStyleCount"]),
        "layouts": int(after["LayoutCount"] - before["LayoutCount"]),
        "frames asked": asked_after["frames"] - asked_before["frames"],
        "timers asked": asked_after["timers"] - asked_before["timers"] + asked_after["intervals"] - asked_before["intervals"],
        "animations running": running,
        "requests": len(requests),
    }


def warm_browser(engine, locales):
    """A browser for the pages loaded in turn: in chromium, with no HTTP cache and every
    text and picture marked for element timing."""
    browser = Browser(engine, locales)
    if engine == "chromium":
        browser.call("Network.setCacheDisabled", cacheDisabled=True)
        browser.call("Page.addScriptToEvaluateOnNewDocument", source=MARK_DRAWN)
    return browser


def alternated(urls, round_):
    """The addresses with their places, in the order given in even rounds and the other
    way round in odd ones: in WebKitGTK and Firefox the second of two pages loaded in
    turn comes out slower, whichever it is."""
    ordered = list(enumerate(urls))
    return ordered if round_ % 2 == 0 else ordered[::-1]


def in_turn(browser, urls, rounds, element_timing=False, check=None):
    """The pages loaded in turn, round after round: the first frame with the exercise, and
    with element_timing also the moment all is drawn (chromium). check(url) follows each
    load. Returns the times of each address, in the order given."""
    frames, drawn_times = [[] for _ in urls], [[] for _ in urls]
    for round_ in range(rounds):
        for which, url in alternated(urls, round_):
            # Each load after the same empty page: a page left behind costs the next load
            # (in WebKitGTK the static window came twice as fast after the floor as after
            # the page), and the same address twice in a row may be taken for a reload.
            browser.load("about:blank")
            browser.load(url)
            frames[which].append(first_frame(browser))
            if element_timing:
                drawn_times[which].append(drawn(browser))
            if check:
                check(url)
    return frames, drawn_times if element_timing else None


def starts(engine, locales, urls, rounds, element_timing=False):
    """The pages loaded in turn in one browser, round after round (in_turn)."""
    browser = warm_browser(engine, locales)
    try:
        return in_turn(browser, urls, rounds, element_timing)
    finally:
        browser.close()


# What the site's server was asked for: http.server's log lines.
ASKED = re.compile(r'"GET (\S+) HTTP')


def worker_starts(engine, locales, root, rounds):
    """The folder served over http on 127.0.0.1; the page loaded once, until the worker it
    installs controls it; then the page and the static window in turn in the same
    browser, round after round, each start controlled by the worker. Returns the times
    of each, and the worker's script and cache with what the server was asked for
    during the rounds."""
    browser = warm_browser(engine, locales)
    try:
        site = Site(browser.session, str(root))
        site.serve()
        browser.load(site.url())
        worker = controlled(browser.window, site)
        log = pathlib.Path(browser.session.tmp) / "http-server.log"
        before = log.stat().st_size

        def check(url):
            if not browser.evaluate(CONTROLLER):
                raise Failure("the start of %s" % url, "controlled by the worker", "no controller")
        frames = in_turn(browser, [site.url(), site.url("static.html")], rounds, check=check)[0]
        with open(log, encoding="utf-8", errors="replace") as text:
            text.seek(before)
            asked = ASKED.findall(text.read())
        return frames, worker, asked
    finally:
        browser.close()


def first_starts(engine, locales, urls, rounds):
    """The start as above, each page loaded first by a browser of its own: nothing of the
    page (compiled code, locale data, decoded pictures) is left from an earlier load."""
    times = [[] for _ in urls]
    for round_ in range(rounds):
        for which, url in alternated(urls, round_):
            browser = Browser(engine, locales)
            try:
                browser.load(url)
                times[which].append(first_frame(browser))
            finally:
                browser.close()
    return times


# The page's first exercise saved as plain HTML, with no script: the static window.
SAVED_WINDOW = """(() => {
  const copy = document.documentElement.cloneNode(true);
  for (const element of copy.querySelectorAll('script')) element.remove();
  return '<!DOCTYPE html>' + copy.outerHTML;
})()"""


# The faces a page has loaded, by family name, once its fonts are ready.
FACES = """document.fonts.ready.then(() => [...document.fonts].filter((face) => face.status === 'loaded')
  .map((face) => face.family.replace(/"/g, '')))"""


def static_window_page(page, folder, locales, query="", name="static.html"):
    """The static window, as chromium draws the page's first exercise (page notes its
    first frame), opened with a query (?lang=); with the faces the page loaded and those
    the static window loads."""
    browser = Browser("chromium", locales)
    try:
        browser.load(uri(page) + query)
        first_frame(browser)
        path = folder / name
        path.write_text(browser.evaluate(SAVED_WINDOW), encoding="utf-8")
        faces = browser.evaluate(FACES)
        browser.load(uri(path))
        return path, set(faces), set(browser.evaluate(FACES))
    finally:
        browser.close()


def marked_site(site, folder, locales):
    """A copy of the static folder whose index.html notes its first frame, with its static
    window as static.html: saved as chromium draws the page served over http, and also
    noting its first frame. The worker, written anew for the copy, keeps both in its
    cache: page and static window come from it alike."""
    root = folder / "site"
    shutil.copytree(site, root)
    index = root / "index.html"
    index.write_text(marked(index.read_text(encoding="utf-8")), encoding="utf-8")
    browser = Browser("chromium", locales)
    try:
        served = Site(browser.session, str(root))
        served.serve()
        browser.load(served.url())
        first_frame(browser)
        (root / "static.html").write_text(marked(browser.evaluate(SAVED_WINDOW)), encoding="utf-8")
    finally:
        browser.close()
    subprocess.run([sys.executable, MAKE_APP, "--site", str(root), "--worker", WORKER], check=True)
    return root


def screenshots(page, folder, locales):
    shots = {"page-1024x768.png": (1024, 768), "page-1920x1080.png": (1920, 1080), "page-tablet-768x1024.png": (768, 1024)}
    for name, (width, height) in shots.items():
        browser = Browser("chromium", locales)
        try:
            browser.call("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=1, mobile=False)
            browser.load(page.resolve().as_uri())
            first_paint(browser)
            time.sleep(0.3)
            data = browser.call("Page.captureScreenshot", format="png")["data"]
            (folder / name).write_bytes(base64.b64decode(data))
            print("wrote", folder / name)
        finally:
            browser.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("page", type=pathlib.Path, help="the single file, build-wasm/web/piecettes.html")
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--fresh", type=int, default=7, help="rounds in fresh browsers")
    parser.add_argument("--engines", nargs="+", choices=ENGINES, default=list(ENGINES))
    parser.add_argument("--locales", type=pathlib.Path, default=ROOT / "build" / "locales",
                        help="compiled locales with fr_FR.UTF-8 (LOCPATH), as the build makes them")
    parser.add_argument("--site", type=pathlib.Path,
                        help="the page's static folder, served over http; by default site/ beside the page")
    parser.add_argument("--screenshots", type=pathlib.Path)
    args = parser.parse_args()
    locales = args.locales.resolve()
    site = args.site or args.page.parent / "site"
    if args.site and not (site / "index.html").is_file():
        parser.error("--site: no index.html in %s" % site)

    data = args.page.read_bytes()
    size, packed = len(data), len(gzip.compress(data, 9))
    print("| Figure | Target | Measured |\n|---|---|---|")
    print("| single file | ≤ 250 KB | %.1f KB |" % (size / 1000))
    print("| single file, gzipped | ≤ 100 KB | %.1f KB |" % (packed / 1000))

    folder = pathlib.Path(tempfile.mkdtemp(prefix="piecettes-bench-"))
    page = with_first_frame(args.page, folder)
    floor = with_first_frame(text_floor_page(args.page, folder), folder)
    static = with_first_frame(static_window_page(page, folder, locales)[0], folder)
    # Greek, drawn with the second face, against the static window saved from the Greek page.
    greek, *faces = static_window_page(page, folder, locales, "?lang=el", "static-el.html")
    for what, loaded in zip(("the Greek page", "its static window"), faces):
        if GREEK_FACE not in loaded:
            raise SystemExit("%s loaded %s, not %s" % (what, ", ".join(sorted(loaded)) or "no face", GREEK_FACE))
    greek = with_first_frame(greek, folder)
    urls = [uri(p) for p in (page, static, floor)]
    greek_urls = [uri(page) + "?lang=el", uri(greek)]
    try:
        served = marked_site(site, folder, locales) if (site / "index.html").is_file() else None
        for engine in args.engines:
            frames, all_drawn = starts(engine, locales, urls, args.rounds, engine == "chromium")
            print("| start in %s: navigation to the first frame with the exercise | ≤ 1.5 × text floor | %s |"
                  % (engine, figure(frames[0], frames[2])))
            print("| the same against the static window | ≤ 1.10 × static window | %s |" % figure(frames[0], frames[1]))
            if all_drawn:
                print("| start in %s: navigation to the first exercise drawn (element timing) | ≤ 1.5 × text floor | %s |"
                      % (engine, figure(all_drawn[0], all_drawn[2])))
            if args.fresh:
                pages, statics, floors = first_starts(engine, locales, urls, args.fresh)
                print("| start in %s, each page opened by a fresh browser | — | %s |" % (engine, figure(pages, floors)))
                print("| the same against the static window | ≤ 1.10 × static window | %s |" % figure(pages, statics))
            pages, statics = starts(engine, locales, greek_urls, args.rounds)[0]
            print("| start in %s in Greek (?lang=el, face %s), against its static window | ≤ 1.10 × static window | %s |"
                  % (engine, GREEK_FACE, figure(pages, statics)))
            if args.fresh:
                pages, statics = first_starts(engine, locales, greek_urls, args.fresh)
                print("| the same, each page opened by a fresh browser | ≤ 1.10 × static window | %s |"
                      % figure(pages, statics))
            print("| start in %s through the service worker, over http, against the static window from its cache "
                  "| ≤ 1.10 × static window | %s |" % (engine, through_worker(engine, locales, served, site, args.rounds)))
        if "chromium" in args.engines:
            waiting(args.page, locales)
    finally:
        shutil.rmtree(folder, ignore_errors=True)

    if args.screenshots:
        screenshots(args.page, args.screenshots, locales)


def through_worker(engine, locales, served, site, rounds):
    """The figure of the starts through the worker, or why there is none."""
    if served is None:
        return "not measured: no static folder at %s (--site)" % site
    try:
        (pages, statics), worker, asked = worker_starts(engine, locales, served, rounds)
    except (Failure, SystemExit) as error:
        return "not measured: %s" % error
    # The worker's script is asked of the server at each start; the rest must come from the cache.
    others = sorted(set(path for path in asked if path != "/sw.js"))
    if others:
        return "not measured: the server was asked for %s during the starts" % ", ".join(others)
    return "%s; %s, the server asked for %s during the starts" % (
        figure(pages, statics), worker, "sw.js alone, %d time%s" % (len(asked), "s"[:len(asked) > 1]) if asked else "nothing")


def waiting(page, locales):
    """Waiting, in chromium: for the child, then through the pause after an exact payment."""
    browser = Browser("chromium", locales)
    try:
        browser.call("Page.addScriptToEvaluateOnNewDocument", source=COUNTERS)
        browser.call("Performance.enable")
        browser.load(page.resolve().as_uri())
        browser.call("Network.enable")
        first_paint(browser)
        time.sleep(0.5)
        idle = activity(browser, 5)
        print("| waiting for the child, 5 s | nothing | %s |" % describe(idle))
        # The pause: typing minus the price into the unseen answer box, where the focus
        # starts, wins the exercise at once (what is handed over minus the price).
        for _ in range(20):
            price = browser.evaluate("document.getElementById('Label6').textContent")
            if len(price) <= 4:
                break
            browser.load(page.resolve().as_uri())
            first_paint(browser)
        pause = activity(browser, 2.4, before_wait=lambda: type_text(browser, "-" + price))
        won = browser.evaluate("document.getElementById('Label8').textContent")
        print("| in the success pause (%s), 2.4 s | nothing | %s |" % (won, describe(pause)))
        stored = browser.evaluate("[document.cookie.length, localStorage.length, sessionStorage.length]")
        print("| storage: cookie, local, session | nothing | %s |" % stored)
    finally:
        browser.close()


if __name__ == "__main__":
    sys.exit(main())
