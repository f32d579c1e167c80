#!/usr/bin/python3
"""Plays the built program as a French child would, from outside its process.

The driver starts its own X server (Xvfb), a private session bus with the
accessibility bus, optionally openbox, and the program under French settings. It
acts only through XTest input (xdotool) and reads only what the window shows:
captions, coins and their places through the accessibility bus, window titles
through xprop. The purse and price are random, so each exercise is planned from
what the window shows. A failure names the control, what was expected and what
was seen, and leaves a screenshot of the screen in the working directory.

Needs Debian's python3 with pyatspi, Xvfb, xdotool, x11-utils, dbus, at-spi2-core,
imagemagick, and openbox for --wm openbox.
"""

import argparse
import ctypes
import os
import re
import subprocess
import sys
import tempfile
import time

PAUSE = 3.0  # seconds between a right answer and the next exercise
COINS = (1, 2, 5, 10, 20, 50, 100, 200)  # the change coins, in cents, top to bottom


class Failure(Exception):
    def __init__(self, control, expected, seen):
        super().__init__(f"{control}: expected {expected!r}, seen {seen!r}")


def french(cents):
    """An amount as the window writes it under French settings."""
    sign = "-" if cents < 0 else ""
    return f"{sign}{abs(cents) // 100},{abs(cents) % 100:02d}"


def is_square(accessible):
    """A take-back square: a button named for the coin it gives back."""
    return accessible.name.startswith("Reprendre ")


def cents_of(coin_name):
    """'2 euros' -> 200, '5 centimes' -> 5."""
    number, unit = coin_name.split()
    return int(number) * (100 if unit.startswith("euro") else 1)


class Desktop:
    """The X server, the session and accessibility buses, the window manager and the
    program, all started here and stopped by their process ids."""

    def __init__(self, workdir):
        # Orphans of the buses (the accessibility bus launcher and its daemons) are
        # handed to this process, which can then reap them.
        ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
        self.processes = []
        self.env = None
        self.program = None
        self.runtime = tempfile.mkdtemp(prefix="piecettes-e2e-", dir=workdir)

    def open(self, program, locales, wm, scale, screen):
        read_end, write_end = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{screen}x24", "-nolisten", "tcp",
                    "-noreset"],
                   pass_fds=[write_end], stderr=subprocess.DEVNULL)
        os.close(write_end)
        # Xvfb writes the number and the newline apart; it dies if the pipe closes between.
        display = b""
        while not display.endswith(b"\n") and (chunk := os.read(read_end, 32)):
            display += chunk
        display = display.decode().strip()
        os.close(read_end)
        if not display:
            raise RuntimeError("Xvfb did not start")
        # A private runtime folder keeps the accessibility bus apart from any other.
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("LC_", "QT_", "LANG"))}
        self.env.update(DISPLAY=":" + display, XDG_RUNTIME_DIR=self.runtime, LC_ALL="C.UTF-8")
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
        os.environ.update(self.env)
        # pyatspi finds the accessibility bus through the environment set just above.
        global pyatspi
        import pyatspi
        # Starting the accessibility bus before the program lets it register at once.
        pyatspi.Registry.getDesktop(0)
        if wm == "openbox":
            self.start(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.wait_for(lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.x("xprop", "-root"), "window manager")
        program_env = dict(self.env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                           LOCPATH=locales, LANG="fr_FR.UTF-8", LC_ALL="fr_FR.UTF-8")
        if scale != 1:
            program_env["QT_SCALE_FACTOR"] = str(scale)
        self.program = self.start([program], env=program_env)

    def start(self, command, **options):
        process = subprocess.Popen(command, env=options.pop("env", self.env), **options)
        self.processes.append(process)
        return process

    def x(self, *command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True, check=True).stdout

    def search(self, *terms):
        """The X windows xdotool finds; none while the window manager has not shown them yet."""
        found = subprocess.run(("xdotool", "search", *terms), env=self.env, capture_output=True, text=True)
        if found.returncode not in (0, 1):
            raise subprocess.CalledProcessError(found.returncode, found.args, found.stdout, found.stderr)
        return found.stdout.split()

    @staticmethod
    def wait_for(condition, what, timeout=10.0):
        end = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > end:
                raise RuntimeError(f"timed out waiting for the {what}")
            time.sleep(0.05)

    def screenshot(self, path, crop=None):
        if not self.env:
            return
        geometry = ["-crop", "{2}x{3}+{0}+{1}".format(*crop), "+repage"] if crop else []
        subprocess.run(["import", "-window", "root", *geometry, path], env=self.env, check=False)

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        # Reap what the buses left behind, and end what outlives them.
        end = time.monotonic() + 5
        while True:
            try:
                pid, _ = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                break
            if pid == 0:
                if time.monotonic() > end:
                    for child in self.children():
                        os.kill(child, 15)
                    end += 5
                time.sleep(0.05)
        subprocess.run(["rm", "-rf", self.runtime], check=False)

    @staticmethod
    def children():
        own = str(os.getpid())
        for entry in os.listdir("/proc"):
            try:
                with open(f"/proc/{entry}/stat") as stat:
                    if stat.read().rsplit(")", 1)[1].split()[1] == own:
                        yield int(entry)
            except (OSError, IndexError):
                pass


class Window:
    """What the program's window shows, read through the accessibility bus. Controls
    are found as a person finds them: by their captions and their places."""

    def __init__(self, desktop, start_wait=10.0):
        self.desktop = desktop
        desktop.wait_for(lambda: self.find_app() and self.top_level("Piécettes"), "window on the accessibility bus",
                         start_wait)
        self.main = self.top_level("Piécettes")
        client = self.main[0]
        self.labels = [c for c in client if c.getRoleName() == "label"]
        self.purse = next(c for c in client if c.childCount >= 80)
        self.buttons = {c.name: c for c in client if c.getRoleName() == "push button"}
        end = time.monotonic() + 5
        while "Piécettes" not in (windows := self.windows()):
            if time.monotonic() > end:
                raise Failure("main window title (_NET_WM_NAME)", "Piécettes", sorted(windows))
            time.sleep(0.05)
        # Qt reports places in its own pixels; the X server counts device pixels.
        info = desktop.x("xwininfo", "-id", windows["Piécettes"])
        self.scale = int(re.search(r"Width: (\d+)", info).group(1)) / self.extents(self.main)[2]

    def find_app(self):
        self.app = next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "piecettes"), None)
        return self.app

    def top_level(self, name):
        return next((w for w in self.app if w is not None and w.name == name), None)

    @staticmethod
    def extents(accessible):
        e = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    @staticmethod
    def showing(accessible):
        return accessible.getState().contains(pyatspi.STATE_SHOWING)

    def windows(self):
        """The program's shown X windows by their _NET_WM_NAME, the title a window
        manager or task bar shows."""
        windows = {}
        pid = str(self.desktop.program.pid)
        for window in self.desktop.search("--onlyvisible", "--pid", pid):
            title = re.search(r'_NET_WM_NAME\(UTF8_STRING\) = "(.*)"',
                              self.desktop.x("xprop", "-id", window, "_NET_WM_NAME"))
            windows[title.group(1) if title else ""] = window
        return windows

    def shown_labels(self):
        return [(label.name, self.extents(label)) for label in self.labels if self.showing(label)]

    def caption_near(self, caption, where):
        """The caption of the label right of (where='right') or under ('below') the
        shown label or button with the given caption; None when there is none."""
        anchor = self.buttons.get(caption)
        labels = self.shown_labels()
        ax, ay, aw, ah = self.extents(anchor) if anchor else next((e for n, e in labels if n == caption), (0, 0, 0, 0))
        if where == "right":
            near = [(x, n) for n, (x, y, w, h) in labels if x >= ax + aw and abs(y - ay) < ah / 2 and n != "€"]
        else:
            near = [(y, n) for n, (x, y, w, h) in labels if y >= ay + ah and abs(x - ax) < 20]
        return min(near)[1] if near else None

    def price(self):
        return self.caption_near("Tu dois payer :", "right")

    def given(self):
        return self.caption_near("Tu donnes :", "right")

    def feedback(self):
        return self.caption_near("Tu donnes :", "below")

    def answer(self):
        return self.caption_near("OK", "right")

    def coins(self):
        """The coin pictures shown in the purse, in reading order: (cents, accessible)."""
        shown = [c for c in self.purse if not is_square(c) and self.showing(c)]
        return [(cents_of(c.name), c) for c in sorted(shown, key=lambda c: self.extents(c)[1::-1])]

    def square_in(self, coin_extents):
        """The take-back square shown inside the place of a coin, or None."""
        x, y, w, h = coin_extents
        for square in self.purse:
            if is_square(square) and self.showing(square):
                sx, sy, sw, sh = self.extents(square)
                if x <= sx and sx + sw <= x + w and y <= sy and sy + sh <= y + h:
                    return square
        return None

    def click(self, accessible, button=1):
        x, y, w, h = self.extents(accessible)
        self.desktop.x("xdotool", "mousemove", str(round((x + w / 2) * self.scale)),
                       str(round((y + h / 2) * self.scale)), "click", str(button))


def reachable(values):
    """One choice of coins (their indices) for every sum the values can make."""
    reach = {0: []}
    for index, value in enumerate(values):
        for total, chosen in list(reach.items()):
            reach.setdefault(total + value, chosen + [index])
    return reach


def exact_plan(values, price):
    return reachable(values).get(price)


def too_many_plan(values, price):
    """Coins that pay the price plus one more, in an order that never pays it exactly
    on the way, and the one more coin."""
    exact = exact_plan(values, price)
    if not exact:
        return None
    for extra in {values[i]: i for i in range(len(values)) if i not in exact}.values():
        for order in (sorted(exact, key=lambda i: -values[i]), sorted(exact, key=lambda i: values[i])):
            sums = [sum(values[i] for i in ([extra] + order)[:n]) for n in range(1, len(order) + 1)]
            if price not in sums:
                return [extra] + order, extra
    return None


def change_plan(values, price, cents_wanted):
    """Coins that pay too much when no single one could be taken back, so that OK
    asks for the change, with the largest change there is; with cents_wanted, change
    that is not whole euros."""
    best = (0, None)
    for smallest in set(values):
        last = values.index(smallest)
        others = [i for i, v in enumerate(values) if v >= smallest and i != last]
        for total, chosen in reachable([values[i] for i in others]).items():
            change = total + smallest - price
            if price - smallest < total < price and (change % 100 or not cents_wanted) and change > best[0]:
                best = (change, [others[i] for i in chosen] + [last])
    return best[1]


def click_plan(change):
    """Left clicks past the change, then one right click back to it, such that no
    answer on the way is already right: [(cents, button)]."""
    for back in COINS:
        coins, rest = [], change + back
        for coin in reversed(COINS):
            while rest >= coin:
                coins.append(coin)
                rest -= coin
        for left in (coins, coins[::-1]):
            if all(sum(left[:n]) != change for n in range(1, len(left) + 1)):
                return [(c, 1) for c in left] + [(back, 3)]
    raise AssertionError(f"no click plan for {change}")


class Play:
    """One series of exercises that covers every road of the game, then Info and
    Quitter, checking after each input what the window shows."""

    def __init__(self, window, screenshot):
        self.w = window
        self.screenshot = screenshot
        self.step = "start"

    def expect(self, control, read, expected, timeout=5.0):
        end = time.monotonic() + timeout
        while True:
            seen = read()
            if (expected.fullmatch(seen or "") if isinstance(expected, re.Pattern) else seen == expected):
                return seen
            if time.monotonic() > end:
                raise Failure(control, getattr(expected, "pattern", expected), seen)
            time.sleep(0.05)

    def hand_over(self, coins, plan, price):
        given = 0
        for index in plan:
            cents, coin = coins[index]
            place = self.w.extents(coin)
            self.w.click(coin)
            given += cents
            self.expect(f"given total after a {cents}-cent coin", self.w.given, french(given))
            self.expect(f"take-back square of the {cents}-cent coin", lambda: self.w.square_in(place) is not None, True)
            self.expect(f"{cents}-cent coin picture", lambda: self.w.showing(coin), False)
            if given != price:
                self.expect("feedback line", self.w.feedback, "")
        return given

    def won(self, answer=None):
        """A right answer: praise, three seconds of pause, then the next exercise."""
        self.expect("feedback line", self.w.feedback, "Bravo !")
        start = time.monotonic()
        if answer is not None:
            self.expect("answer box", self.w.answer, answer)
            if self.screenshot:
                window = [round(v * self.w.scale) for v in self.w.extents(self.w.main)]
                self.w.desktop.screenshot(self.screenshot, window)
                self.screenshot = None
        given = self.w.given()
        time.sleep(max(0.0, PAUSE - 0.5 - (time.monotonic() - start)))
        self.expect("feedback line during the pause", self.w.feedback, "Bravo !", timeout=0)
        self.expect("given total during the pause", self.w.given, given, timeout=0)
        self.expect("feedback line after the pause", self.w.feedback, "")
        self.expect("given total of the next exercise", self.w.given, "")

    def ask_for_change(self, coins, plan, price):
        given = self.hand_over(coins, plan, price)
        self.w.click(self.w.buttons["OK"])
        self.expect("feedback line", self.w.feedback, "Bien ! Combien doit-on te rendre ?")
        self.expect("answer box", self.w.answer, "")
        self.expect("change coins", lambda: [c for c, _ in self.w.coins()], list(COINS))
        return given - price, dict(self.w.coins())

    def exercise(self, todo):
        price_text = self.expect("price", self.w.price, re.compile(r"\d+,\d\d"))
        price = int(price_text.replace(",", ""))
        coins = self.w.coins()
        values = [c for c, _ in coins]
        self.step = f"price {price_text}, purse {values}"
        if price == 0:
            self.w.click(self.w.buttons["OK"])
            return self.won()
        if "encore" in todo:
            self.w.click(self.w.buttons["OK"])
            self.expect("feedback line after OK with nothing given", self.w.feedback, "Encore !")
            todo.remove("encore")
        plans = {"exact": lambda: exact_plan(values, price),
                 "too many": lambda: too_many_plan(values, price),
                 "change by clicks": lambda: change_plan(values, price, False),
                 "change typed": lambda: change_plan(values, price, True)}
        road = next((r for r in todo if r in plans and plans[r]()), None)
        # Every purse can be won either exactly or through the change question.
        road = road or ("exact" if plans["exact"]() else "change by clicks")
        plan = plans[road]()
        self.step += f", {road}"
        print(self.step, flush=True)
        if road in todo:
            todo.remove(road)
        if road == "exact":
            self.hand_over(coins, plan, price)
            return self.won()
        if road == "too many":
            order, extra = plan
            place = self.w.extents(coins[extra][1])
            self.hand_over(coins, order, price)
            self.w.click(self.w.buttons["OK"])
            self.expect("feedback line", self.w.feedback, "Tu donnes trop de pièces. Tu peux en reprendre.")
            self.w.click(self.w.square_in(place))
            self.expect("coin taken back", lambda: self.w.showing(coins[extra][1]), True)
            self.expect("given total after taking a coin back", self.w.given, french(price))
            self.expect("feedback line after taking a coin back", self.w.feedback, "")
            self.w.click(self.w.buttons["OK"])
            return self.won()
        change, change_coins = self.ask_for_change(coins, plan, price)
        self.step += f", change {french(change)}"
        print(f"  change {french(change)}", flush=True)
        if road == "change by clicks":
            answer = 0
            for cents, button in click_plan(change):
                self.w.click(change_coins[cents], button)
                answer += cents if button == 1 else -cents
                self.expect(f"answer box after a {'left' if button == 1 else 'right'} click on {cents} cents",
                            self.w.answer, french(answer))
            return self.won(answer=french(change))
        wrong = "9" if change != 900 else "8"
        self.w.desktop.x("xdotool", "type", wrong)
        self.expect("answer box", self.w.answer, wrong)
        self.w.desktop.x("xdotool", "key", "Return")
        self.expect("feedback line after Enter on a wrong answer", self.w.feedback, "Non ! Recommence !")
        self.expect("answer box after a wrong answer", self.w.answer, "?")
        # The shortest French writing, so that no part typed on the way is already right.
        typed = french(change).rstrip("0")
        self.w.desktop.x("xdotool", "type", "--delay", "50", typed)
        # A typed comma enters the answer as a point.
        self.won(answer=typed.replace(",", "."))

    def info_and_quit(self):
        self.step = "Info and Quitter"
        shown = (self.w.price(), self.w.given(), self.w.feedback(), [c for c, _ in self.w.coins()])
        self.w.click(next(label for label in self.w.labels if label.name == "Info"))
        self.expect("Info box on the accessibility bus", lambda: self.w.top_level("INFO") is not None, True)
        # The titles a window manager shows, as it reads them.
        self.expect("window titles (_NET_WM_NAME)", lambda: sorted(self.w.windows()), ["INFO", "Piécettes"])
        ok = pyatspi.findDescendant(self.w.top_level("INFO"), lambda a: a.getRoleName() == "push button")
        self.expect("button of the Info box", lambda: ok and ok.name, "OK")
        self.w.click(ok)
        self.expect("Info box", lambda: self.w.top_level("INFO") is None, True)
        self.expect("window after closing Info", lambda: (self.w.price(), self.w.given(), self.w.feedback(),
                                                          [c for c, _ in self.w.coins()]), shown)
        self.w.click(self.w.buttons["Quitter"])
        program = self.w.desktop.program
        try:
            status = program.wait(timeout=5)
        except subprocess.TimeoutExpired:
            status = "still running"
        if status != 0:
            raise Failure("program after Quitter", "exit status 0", status)

    def smoke(self):
        """The short run: the first exercise is shown, and a click hands a coin over."""
        price = int(self.expect("price", self.w.price, re.compile(r"\d+,\d\d")).replace(",", ""))
        self.step = "first coin"
        self.hand_over(self.w.coins(), [0], price)

    def run(self):
        todo = ["encore", "exact", "too many", "change by clicks", "change typed"]
        for _ in range(10):
            if not todo:
                break
            self.exercise(todo)
        if todo:
            raise Failure("roads played in 10 exercises", "all", f"missing {todo}")
        self.info_and_quit()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program")
    parser.add_argument("--locales", required=True, help="folder of compiled locales (LOCPATH)")
    parser.add_argument("--wm", choices=["none", "openbox"], default="none")
    parser.add_argument("--scale", type=int, default=1, help="QT_SCALE_FACTOR")
    parser.add_argument("--screen", default="1024x768", help="Xvfb screen size")
    parser.add_argument("--screenshot", help="save the window answered right on the change question here")
    parser.add_argument("--smoke", type=float, metavar="SECONDS",
                        help="only start, see the first exercise and hand a coin over, waiting up to SECONDS "
                             "for the window (longer for a program run by an emulator)")
    args = parser.parse_args()
    name = f"wm={args.wm} scale={args.scale}"
    workdir = os.getcwd()
    desktop = Desktop(workdir)
    play = None
    try:
        desktop.open(os.path.abspath(args.program), os.path.abspath(args.locales), args.wm, args.scale, args.screen)
        play = Play(Window(desktop, args.smoke or 10.0), args.screenshot)
        if args.smoke:
            play.smoke()
            print(f"e2e [{name}]: first exercise shown, a coin handed over")
            return 0
        play.run()
        print(f"e2e [{name}]: every road played")
        return 0
    except (Failure, RuntimeError) as error:
        shot = os.path.join(workdir, f"e2e-failure-{args.wm}-{args.scale}.png")
        desktop.screenshot(shot)
        print(f"e2e [{name}] failed at {play.step if play else 'start'}: {error} (screenshot: {shot})")
        return 1
    finally:
        desktop.stop()


if __name__ == "__main__":
    sys.exit(main())
