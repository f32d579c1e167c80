#!/usr/bin/python3
"""Measures the web page in headless Chromium, driven over the DevTools protocol with
Debian's python3-websocket, and prints a table:

- size: the single file and its gzipped size;
- start: the time from navigation to the first exercise drawn, against a page with one
  text label in the same font, both loaded from file:// in turn in the same run, round
  after round, and timed alike: the moment every shown text and coin picture has been
  drawn (see DRAWN); and the same once more, each page the first one opened by a fresh
  browser, as a child's first start of the day is; and the page against the same window
  saved as plain HTML once its first exercise is drawn, with no script (the static
  window), all three loaded in turn in the same run, warm and in fresh browsers;
- waiting: what the page does while it waits, once for the child and once through the
  success pause: script time, tasks, style and layout passes, animation frames and
  timers asked for, CSS animations running, and network requests;
- storage: cookies and web storage left after a game.

With --screenshots DIR it also writes the page at 1024x768, 1920x1080 and 768x1024
(a tablet held upright), as the README shows them.

    bench/page_bench.py build-wasm/web/piecettes.html [--rounds 15] [--fresh 7] [--screenshots docs]
"""
import argparse
import base64
import gzip
import json
import pathlib
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import urllib.request

import websocket


class Browser:
    """One headless Chromium under French settings, with one page driven over its socket."""

    def __init__(self, width=1024, height=768):
        self.profile = tempfile.mkdtemp(prefix="piecettes-chromium-")
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run", "--lang=fr-FR",
             "--accept-lang=fr-FR", "--remote-debugging-port=0", "--user-data-dir=" + self.profile,
             "--window-size=%d,%d" % (width, height), "about:blank"],
            stderr=subprocess.PIPE, stdout=subprocess.DEVNULL, text=True,
            env={"LANG": "fr_FR.UTF-8", "LANGUAGE": "fr", "PATH": "/usr/bin:/bin", "HOME": self.profile})
        port = None
        deadline = time.monotonic() + 20
        while port is None and time.monotonic() < deadline:
            line = self.process.stderr.readline()
            match = re.search(r"DevTools listening on ws://127\.0\.0\.1:(\d+)/", line)
            if match:
                port = int(match.group(1))
        if port is None:
            self.close()
            raise SystemExit("chromium did not open its DevTools port")
        targets = json.load(urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port))
        page = next(t for t in targets if t["type"] == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=30)
        self.next_id = 0
        self.events = []

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self.events.append(message)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for(self, expression, seconds=10):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if self.evaluate(expression):
                return
            time.sleep(0.02)
        raise SystemExit("timed out waiting for " + expression)

    def load(self, url):
        self.call("Page.enable")
        self.events.clear()
        self.call("Page.navigate", url=url)
        deadline = time.monotonic() + 20
        while not any(e.get("method") == "Page.loadEventFired" for e in self.events):
            if time.monotonic() > deadline:
                raise SystemExit("the page did not load: " + url)
            self.events.append(json.loads(self.socket.recv()))

    def close(self):
        self.process.terminate()
        self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


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


# The page as it stands once its first exercise is drawn, as plain HTML: no script, so
# no WebAssembly, and nothing marked for element timing yet.
SAVED_WINDOW = """(() => {
  const copy = document.documentElement.cloneNode(true);
  for (const element of copy.querySelectorAll('script')) element.remove();
  for (const element of copy.querySelectorAll('[elementtiming]')) element.removeAttribute('elementtiming');
  return '<!DOCTYPE html>' + copy.outerHTML;
})()"""


def static_window_page(browser, page, folder):
    """The static window: the page's first exercise saved as plain HTML."""
    browser.load(page.resolve().as_uri())
    drawn(browser)
    path = folder / "static.html"
    path.write_text(browser.evaluate(SAVED_WINDOW), encoding="utf-8")
    return path


def spread(pages, bases):
    ratios = [p / b for p, b in zip(pages, bases)]
    quartiles = statistics.quantiles(ratios, n=4)
    return "%.2f [%.2f–%.2f] × (%.0f ms against %.0f ms)" % (
        statistics.median(ratios), quartiles[0], quartiles[2], statistics.median(pages), statistics.median(bases))


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


def first_starts(paths, rounds):
    """The start as above, each page loaded first by a browser of its own: nothing of the
    page (compiled code, locale data, decoded pictures) is left from an earlier load.
    Returns the times of each path, in the order given."""
    times = [[] for _ in paths]
    for _ in range(rounds):
        for path, each in zip(paths, times):
            browser = Browser()
            try:
                browser.call("Page.addScriptToEvaluateOnNewDocument", source=MARK_DRAWN)
                browser.load(path.resolve().as_uri())
                each.append(drawn(browser))
            finally:
                browser.close()
    return times


def screenshots(page, folder):
    shots = {"page-1024x768.png": (1024, 768), "page-1920x1080.png": (1920, 1080), "page-tablet-768x1024.png": (768, 1024)}
    for name, (width, height) in shots.items():
        browser = Browser(width, height)
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
    parser.add_argument("--screenshots", type=pathlib.Path)
    args = parser.parse_args()

    data = args.page.read_bytes()
    size, packed = len(data), len(gzip.compress(data, 9))
    print("| Figure | Target | Measured |\n|---|---|---|")
    print("| single file | ≤ 250 KB | %.1f KB |" % (size / 1000))
    print("| single file, gzipped | ≤ 100 KB | %.1f KB |" % (packed / 1000))

    folder = pathlib.Path(tempfile.mkdtemp(prefix="piecettes-bench-"))
    floor = text_floor_page(args.page, folder)
    browser = Browser()
    try:
        browser.call("Network.setCacheDisabled", cacheDisabled=True)
        marking = browser.call("Page.addScriptToEvaluateOnNewDocument", source=MARK_DRAWN)["identifier"]
        static = static_window_page(browser, args.page, folder)
        pages, statics, floors = [], [], []
        for _ in range(args.rounds):
            for path, times in ((args.page, pages), (static, statics), (floor, floors)):
                browser.load(path.resolve().as_uri())
                times.append(drawn(browser))
        browser.call("Page.removeScriptToEvaluateOnNewDocument", identifier=marking)
        print("| start: navigation to the first exercise drawn | ≤ 1.5 × text floor | %s |" % spread(pages, floors))
        print("| the same against the static window | ≤ 1.10 × static window | %s; the static window %s the floor |"
              % (spread(pages, statics), spread(statics, floors)))
        if args.fresh:
            pages, statics, floors = first_starts((args.page, static, floor), args.fresh)
            print("| start, each page opened by a fresh browser | — | %s |" % spread(pages, floors))
            print("| the same against the static window | ≤ 1.10 × static window | %s |" % spread(pages, statics))

        # Waiting: for the child, then through the pause after an exact payment.
        browser.call("Page.addScriptToEvaluateOnNewDocument", source=COUNTERS)
        browser.call("Performance.enable")
        browser.load(args.page.resolve().as_uri())
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
            browser.load(args.page.resolve().as_uri())
            first_paint(browser)
        pause = activity(browser, 2.4, before_wait=lambda: type_text(browser, "-" + price))
        won = browser.evaluate("document.getElementById('Label8').textContent")
        print("| in the success pause (%s), 2.4 s | nothing | %s |" % (won, describe(pause)))
        stored = browser.evaluate("[document.cookie.length, localStorage.length, sessionStorage.length]")
        print("| storage: cookie, local, session | nothing | %s |" % stored)
    finally:
        browser.close()
        shutil.rmtree(folder, ignore_errors=True)

    if args.screenshots:
        screenshots(args.page, args.screenshots)


if __name__ == "__main__":
    sys.exit(main())
