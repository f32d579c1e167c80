#!/usr/bin/python3
"""Plays Piécettes as a French child would, from outside: the desktop program or the page,
with the mouse, with touch or with the keyboard, one set of plays for all. The page is
also played as a child whose browser speaks another language (--language, with that
language's gettext file, --words): the plays then expect its words, read from the file.

The desktop program runs on an X server, session bus, accessibility bus and optionally
openbox of the driver's own, under French settings; the plays act through XTest input
(xdotool) and read the window through the accessibility bus and xprop. The page is the
single HTML file, opened from file:// under French settings in chromium (DevTools
protocol), firefox-esr (WebDriver BiDi) or WebKitGTK (WebKitWebDriver), where the plays
also read the colours of a few points from the engine's screenshots. The purse and price are random, so each exercise
is planned from what the window shows. A failure names the control, what was expected
and what was seen, and leaves a screenshot in the working directory.

Needs Debian's python3 with pyatspi, Xvfb, xdotool, x11-utils (xprop, xwininfo, and
xmessage, the other window that takes the focus), dbus, at-spi2-core, imagemagick and
openbox for the desktop; python3-websocket and imagemagick for the page, and chromium,
firefox-esr or webkit2gtk-driver (with Xvfb).
"""

import argparse
import itertools
import os
import re
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "outside"))
from outside import START_WAIT, WAIT, Failure, Session, expect, wait_until  # noqa: E402
from words import french, read_po  # noqa: E402

PAUSE = 3.0  # seconds between a right answer and the next exercise
COINS = (1, 2, 5, 10, 20, 50, 100, 200)  # the change coins, in cents, top to bottom
INJECTED_PAUSE_MS = 1000  # the page's pause for the plays that need not wait the real one
# The browser languages the page is played in: how the region writes 8,04 euros (CLDR),
# and the family name of the page's own face that draws the language.
LANGUAGES = {"fr-FR": ("8,04 €", "Piecettes Comic"), "de-DE": ("8,04 €", "Piecettes Comic"),
             "el-GR": ("8,04 €", "Piecettes Rounded"), "nl-NL": ("€ 8,04", "Piecettes Comic")}


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


# The plays and hands use a window back end, DesktopWindow or PageWindow, only through:
# - reading: price(), given(), feedback(), answer() (None while hidden), heard() (what the
#   live region said, None where there is none), coins() [(cents, control)], squares(),
#   box(control) (x, y, w, h), showing(control), control("OK" | "Quitter" | "Info" | "answer"),
#   answer_box() (its name), info_box() (its buttons, None while closed), focusable(),
#   focused(candidates), has_focus(control), focused_name(), quitted(); on the page also
#   hint(), errors(), last_pause(), sign_first() and check_colours(moment, forced);
# - input: click(control, button), key(name, hold), type(text), and on the page touch(control,
#   hold) and insert(text); last_input, the time the last one was sent;
# - injected_pause (ms, None for the real one) and screenshot(path, window_only);
# - on the desktop only, for the steps under a window manager: session, titles().
class Mouse:
    """Presses with the mouse: coins are handed over with the left, right and middle
    buttons in turn, and change coins taken away with the right and middle ones."""

    opens_info = True
    hint = "TakeAwayHintMouse"  # the change question's hint, for the pointer used last

    def __init__(self, window):
        self.w = window
        self.giving = itertools.cycle(["left", "right", "middle"])
        self.taking_away = itertools.cycle(["right", "middle"])

    def give(self, control):
        self.w.click(control, next(self.giving))

    def press(self, control):
        self.w.click(control)

    def take_away(self, control):
        self.w.click(control, next(self.taking_away))

    def ok(self):
        self.press(self.w.control("OK"))

    def type(self, text):
        self.w.type(text)

    def enter(self):
        self.w.key("Return")


class Touch(Mouse):
    """A finger: a tap is a left press, a hold past the 800 ms of the ring a right press.
    The answer is typed on the on-screen keyboard that a tap on the shown answer opens."""

    hint = "TakeAwayHintFinger"

    def give(self, control):
        self.w.touch(control)

    press = give

    def take_away(self, control):
        self.w.touch(control, hold=1.0)

    def type(self, text):
        self.w.touch(self.w.control("answer"))
        self.w.insert(text)


class Keyboard(Mouse):
    """Keys only: Tab to a control, Space to press it, Shift+Space to take a change coin
    away, Alt+O for OK. Info is a caption, outside the keyboard order."""

    opens_info = False

    def focus(self, control):
        candidates = self.w.focusable()
        for _ in range(100):
            if self.w.has_focus(control):
                return
            before = self.w.focused(candidates)
            self.w.key("Tab")
            wait_until("the focus to move on Tab", lambda: self.w.focused(candidates) != before, WAIT)
        raise Failure("keyboard focus", "reached by Tab", "never")

    def give(self, control):
        self.focus(control)
        self.w.key("space")

    press = give

    def take_away(self, control):
        self.focus(control)
        self.w.key("shift+space")

    def ok(self):
        self.w.key("alt+o")


class Play:
    """One series that covers the roads of the game, then Info and Quitter, checking after
    each input what the window shows, and on the page what its live region says."""

    def __init__(self, window, hands, screenshot=None, pauses=None, steps=(), page=False, forced=False, words=None):
        self.w = window
        self.words = words or french()
        # On the page: its hint, its errors, and colours read from its screenshots, as
        # forced colours leave them where forced.
        self.page = page
        self.forced = forced
        self.colours_read = set()
        self.hands = hands
        # Steps played on the way, where the purse allows: "held key", "away during the pause".
        self.steps = set(steps)
        self.screenshot = screenshot
        self.pause = PAUSE if window.injected_pause is None else window.injected_pause / 1000
        self.pauses = pauses  # how many pauses the play may wait; None: as many as it needs
        self.heard = 0
        self.step = "start"

    def colours(self, moment):
        """The colours at this moment, read once per play; True when read now."""
        if not self.page or moment in self.colours_read:
            return False
        self.colours_read.add(moment)
        print(f"  colours ({moment}): " + ", ".join(self.w.check_colours(moment, self.forced)), flush=True)
        return True

    def message(self, control, expected, since=None):
        """The feedback line shows the message, and the live region, where there is one,
        says it again, even word for word as before. With since, the page's marks before
        the input, its records tell what the line showed, however soon a pause ended."""
        if since is not None:
            expect(control, lambda: expected if expected in self.w.shown_since(since, "feedback") else self.w.feedback(),
                   expected)
        else:
            expect(control, self.w.feedback, expected)
        if not expected or self.w.heard() is None:
            return
        deadline = time.monotonic() + 5
        while (heard := self.w.heard()) is not None:
            said = next((i for i in range(self.heard, len(heard)) if expected in heard[i]), None)
            if said is not None:
                self.heard = said + 1
                return
            if time.monotonic() > deadline:
                raise Failure(f"live region after {control}", expected, heard[self.heard:])
            time.sleep(0.05)

    def money(self, price):
        """The price's sign stands on the side the region writes it, and the live region
        says the price with its sign there: "Je betaalt: € 8,04"."""
        expect("side of the price's euro sign", lambda: "before" if self.w.sign_first() else "after",
               "before" if self.words.sign_first else "after")
        said = f"{self.words['PriceCaption']} {self.words.with_sign(price)}"
        deadline = time.monotonic() + 5
        while said not in " ".join(self.w.heard()[self.heard:]):
            if time.monotonic() > deadline:
                raise Failure("live region at the new price", said, self.w.heard()[self.heard:])
            time.sleep(0.05)

    def square_in(self, place):
        """The take-back square shown inside the place of a coin, or None."""
        x, y, w, h = place
        for square in self.w.squares():
            sx, sy, sw, sh = self.w.box(square)
            if x <= sx and sx + sw <= x + w and y <= sy and sy + sh <= y + h:
                return square
        return None

    def hand_over(self, coins, plan, price):
        given = 0
        for index in plan:
            cents, coin = coins[index]
            place = self.w.box(coin)
            # The coin that pays the price starts the pause, and on the page an injected
            # pause may be over, the next purse in place, before a busy driver reads the
            # window: the page's own records tell what it showed.
            marks = self.w.marks() if self.page and given + cents == price else None
            self.hands.give(coin)
            given += cents
            if marks is not None:
                expect(f"given total, picture and take-back square of the {cents}-cent coin that pays",
                       lambda: self.w.handed_over_since(marks, coin), (self.words.amount(given), True, True))
                continue
            expect(f"given total after a {cents}-cent coin", self.w.given, self.words.amount(given))
            expect(f"take-back square of the {cents}-cent coin", lambda: self.square_in(place) is not None, True)
            expect(f"{cents}-cent coin picture", lambda: self.w.showing(coin), False)
            if given != price:
                expect("feedback line", self.w.feedback, "")
        return given

    def won(self, answer=None, since=None):
        """A right answer: praise, the pause, then the next exercise. False when the play
        may wait no more pauses: it ends during this one."""
        # The pause starts with the input that won, not later than it was sent.
        start = self.w.last_input
        self.message("feedback line", self.words["Bravo"], since)
        read_colours = False
        if answer is not None:
            if since is not None:
                expect("answer box", lambda: answer if answer in self.w.shown_since(since, "answer") else self.w.answer(), answer)
            else:
                expect("answer box", self.w.answer, answer)
            if self.page and self.hands.opens_info and "right answer" not in self.colours_read:
                # The Info box holds the pause, however long the colours take to read,
                # beside the green answer; the other pauses are read as they run.
                self.hands.press(self.w.control("Info"))
                buttons = wait_until("the Info box", self.w.info_box)
                read_colours = self.colours("right answer")
                self.colours("info")
                self.hands.press(buttons[0])
                expect("Info box", lambda: self.w.info_box() is None, True)
            if self.screenshot:
                self.w.screenshot(self.screenshot, window_only=True)
                self.screenshot = None
        if self.pauses == 0:
            return False
        given = self.w.given()
        # Read two thirds into the pause, which leaves reading time on a busy machine;
        # the page keeps its own record of the pause instead.
        if not (read_colours or self.page):
            time.sleep(max(0.0, self.pause * 2 / 3 - (time.monotonic() - start)))
            expect("feedback line during the pause", self.w.feedback, self.words["Bravo"], timeout=0)
            expect("given total during the pause", self.w.given, given, timeout=0)
        # An injected pause is short: a page that ignored it would be late here.
        expect("feedback line after the pause", self.w.feedback, "", timeout=5 if self.pause == PAUSE else 2)
        expect("given total of the next exercise", self.w.given, "")
        if self.page:
            lasted, given_meanwhile = self.w.last_pause()
            # Within the rounding of the page's clock.
            if lasted < self.pause * 0.9:
                raise Failure(f'"{self.words["Bravo"]}" through the pause', f"{self.pause} s", f"{lasted:.3f} s")
            if given_meanwhile:
                raise Failure("given total during the pause", given, given_meanwhile)
        if self.pauses:
            self.pauses -= 1
        return True

    def ask_for_change(self, coins, plan, price):
        given = self.hand_over(coins, plan, price)
        self.hands.ok()
        self.message("feedback line", self.words["AskChange"])
        expect("answer box", self.w.answer, "")
        expect("change coins", lambda: [c for c, _ in self.w.coins()], list(COINS))
        if self.page:
            expect("hint of the change question", self.w.hint, self.words[self.hands.hint])
        return given - price, dict(self.w.coins())

    def exercise(self, todo):
        """Plays one exercise by the first road of todo its purse allows; True when the
        next exercise has come."""
        price_text = expect("price", self.w.price, re.compile(r"\d+%s\d\d" % re.escape(self.words.decimal)))
        price = int(price_text.replace(self.words.decimal, ""))
        if self.page:
            self.money(price_text)
        coins = self.w.coins()
        values = [c for c, _ in coins]
        self.step = f"price {price_text}, purse {values}"
        if price == 0:
            self.hands.ok()
            return self.won()
        if "encore" in todo:
            self.hands.ok()
            self.message("feedback line after OK with nothing given", self.words["More"])
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
            if "away during the pause" in self.steps and self.away_during_the_pause(coins, plan, price):
                return True
            self.hand_over(coins, plan, price)
            return self.won()
        if road == "too many":
            order, extra = plan
            place = self.w.box(coins[extra][1])
            self.hand_over(coins, order, price)
            self.hands.ok()
            self.message("feedback line", self.words["TooManyCoins"])
            self.colours("squares")
            if "held key" in self.steps:
                self.take_back_with_a_held_key(self.square_in(place))
            else:
                self.hands.press(self.square_in(place))
            expect("coin taken back", lambda: self.w.showing(coins[extra][1]), True)
            expect("given total after taking a coin back", self.w.given, self.words.amount(price))
            expect("feedback line after taking a coin back", self.w.feedback, "")
            self.hands.ok()
            return self.won()
        change, change_coins = self.ask_for_change(coins, plan, price)
        self.step += f", change {self.words.amount(change)}"
        print(f"  change {self.words.amount(change)}", flush=True)
        if road == "change by clicks":
            answer = 0
            for cents, button in click_plan(change):
                # The page records what its answer showed: the click that makes it right
                # starts a pause, which a busy machine may see end before it reads the box.
                marks = self.w.marks() if self.page else None
                if button == 1:
                    self.hands.press(change_coins[cents])
                    answer += cents
                else:
                    self.hands.take_away(change_coins[cents])
                    answer -= cents
                what = f"answer box after {'adding' if button == 1 else 'taking away'} {cents} cents"
                if self.page:
                    shown = self.words.amount(answer)
                    expect(what, lambda: shown if shown in self.w.shown_since(marks, "answer") else self.w.answer(), shown)
                else:
                    expect(what, self.w.answer, self.words.amount(answer))
            return self.won(answer=self.words.amount(change), since=marks)
        wrong = "9" if change != 900 else "8"
        self.hands.type(wrong)
        expect("answer box", self.w.answer, wrong)
        self.hands.enter()
        self.message("feedback line after Enter on a wrong answer", self.words["Wrong"])
        expect("answer box after a wrong answer", self.w.answer, "?")
        # The shortest writing, so that no part typed on the way is already right.
        typed = self.words.amount(change).rstrip("0")
        self.hands.type(typed)
        # A typed comma enters the answer as a point.
        return self.won(answer=typed.replace(",", "."))

    def take_back_with_a_held_key(self, square):
        """Enter held on a take-back square takes its coin back once, and the focus goes
        to OK: the key's repeats must neither press OK nor type into the answer box."""
        self.step += ", Enter held on a square"
        print("  Enter held on a square", flush=True)
        Keyboard(self.w).focus(square)
        self.w.key("Return", hold=1.2)
        expect("keyboard focus after Enter held on a square", self.w.focused_name, self.words["Ok"])
        time.sleep(0.3)
        expect("feedback line after Enter held on a square", self.w.feedback, "", timeout=0)
        expect("answer box after Enter held on a square", self.w.answer, None, timeout=0)
        self.steps.discard("held key")

    def away_during_the_pause(self, coins, plan, price):
        """Another window takes the focus during the pause, while a coin left in the purse
        holds the program's focus. Back in the program, the next exercise has the focus in
        the answer box: neither on a coin nor on Quitter, where Space would end the game.
        False when every coin pays the price, and none is left to hold the focus."""
        spare = next((cents_and_coin for index, cents_and_coin in enumerate(coins) if index not in plan), None)
        if spare is None:
            return False
        self.step += f", away during the pause from the {spare[0]}-cent coin"
        print(f"  away during the pause from the {spare[0]}-cent coin", flush=True)
        Keyboard(self.w).focus(spare[1])
        self.hand_over(coins, plan, price)
        self.message("feedback line", self.words["Bravo"])
        session = self.w.session
        main = self.w.titles()["Piécettes"]
        away = session.start(["xmessage", "-center", "ailleurs"])
        try:
            expect("active window once another window is shown",
                   lambda: session.xdotool("getactivewindow").strip() not in ("", main), True)
            expect("given total of the next exercise", self.w.given, "", timeout=PAUSE + 2)
        finally:
            away.terminate()
            away.wait()
        session.xdotool("windowactivate", "--sync", main)
        expect("keyboard focus back in the program after the pause", self.w.focused_name, self.words["AnswerName"])
        self.steps.discard("away during the pause")
        return True

    def shown(self):
        return self.w.price(), self.w.given(), self.w.feedback(), [c for c, _ in self.w.coins()]

    def info_and_quit(self):
        self.step = "Info and Quitter"
        if self.hands.opens_info:
            shown = self.shown()
            behind = self.w.coins()[0][1]
            self.hands.press(self.w.control("Info"))
            buttons = wait_until("the Info box", self.w.info_box)
            expect("buttons of the Info box", lambda: [b.name for b in buttons], [self.words["Ok"]])
            self.colours("info")
            # The box is modal: a coin behind it takes no press.
            self.hands.give(behind)
            self.hands.press(buttons[0])
            expect("Info box", lambda: self.w.info_box() is None, True)
            expect("window after closing Info", self.shown, shown)
        if self.page:
            expect("errors the page reported", self.w.errors, [])
            if self.w.from_file:
                expect("what the page asked for from file://", self.w.asked, [])
        self.hands.press(self.w.control("Quitter"))
        print(f"Quitter: {self.w.quitted()}", flush=True)

    def smoke(self):
        """The short run: the first exercise shows, and a click hands a coin over."""
        price = int(expect("price", self.w.price, re.compile(r"\d+,\d\d")).replace(",", ""))
        self.step = "first coin"
        self.hand_over(self.w.coins(), [0], price)

    def run(self, todo):
        expect("name of the answer box for screen readers", self.w.answer_box, self.words["AnswerName"])
        for _ in range(10):
            if not (todo or self.steps) or not self.exercise(todo):
                break
        if todo and self.pauses == 0:
            print(f"not played within the pauses allowed: {todo}", flush=True)
        elif todo or self.steps:
            raise Failure("roads played in 10 exercises", "all", f"missing {todo + sorted(self.steps)}")
        self.info_and_quit()


ROADS = ["encore", "exact", "too many", "change by clicks", "change typed"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", nargs="?", help="the desktop program")
    parser.add_argument("--page", help="the page's single HTML file, played instead of the program")
    parser.add_argument("--site", help="the page's static folder, served over http: played from the cache of the "
                                       "worker that a first load installed, once the server has stopped")
    parser.add_argument("--update", action="store_true",
                        help="with --site, publish a changed build of the folder and see it replace the old one")
    parser.add_argument("--installed", action="store_true",
                        help="with --site in chromium, play the page shown as an installed app")
    parser.add_argument("--locales", required=True, help="folder of compiled locales (LOCPATH)")
    parser.add_argument("--hands", choices=["mouse", "touch", "keyboard"], default="mouse")
    parser.add_argument("--engine", choices=["chromium", "firefox", "webkit"], default="chromium",
                        help="the browser engine that plays the page")
    parser.add_argument("--forced-colours", action="store_true",
                        help="play the page under forced colours, as Windows' high contrast sets them")
    parser.add_argument("--language", choices=sorted(LANGUAGES), default="fr-FR",
                        help="the browser's language, in chromium or firefox")
    parser.add_argument("--words", help="that language's gettext file, whose words the plays expect")
    parser.add_argument("--wm", choices=["none", "openbox"], default="none")
    parser.add_argument("--scale", type=int, default=1, help="QT_SCALE_FACTOR")
    parser.add_argument("--screen", default="1024x768", help="Xvfb screen size")
    parser.add_argument("--screenshot", help="save the window answered right on the change question here")
    parser.add_argument("--smoke", type=float, metavar="SECONDS",
                        help="only start, see the first exercise and hand a coin over, waiting up to SECONDS "
                             "for the window (longer for a program that an emulator runs)")
    args = parser.parse_args()
    page = args.page or args.site
    if sum(map(bool, (args.program, args.page, args.site))) != 1 or (args.hands == "touch" and not page):
        parser.error("give the program, --page or --site; touch is played on the page")
    if (args.update and (not args.site or args.engine == "webkit")) or (args.installed and args.engine != "chromium"):
        parser.error("--update needs --site and a browser that keeps its profile; --installed, chromium")
    if args.engine == "webkit" and (args.hands == "touch" or args.forced_colours):
        parser.error("WebKitGTK's WebDriver plays neither touch nor forced colours")
    if args.language != "fr-FR" and not (args.page and args.words and args.engine != "webkit"):
        parser.error("another language is played on the page, in chromium or firefox, with its --words")
    money, font = LANGUAGES[args.language]
    words = read_po(args.words, money, font) if args.language != "fr-FR" else french()
    name = (f"{'site' if args.site else 'page'} engine={args.engine} hands={args.hands}"
            f"{' forced-colours' if args.forced_colours else ''}{' installed' if args.installed else ''}"
            f"{'' if args.language == 'fr-FR' else ' language=' + args.language}"
            if page else f"wm={args.wm} scale={args.scale} hands={args.hands}")
    workdir = os.getcwd()
    session = Session(workdir)
    play = None
    roads = list(ROADS)
    pauses = None
    steps = ()
    try:
        if args.update:
            from served import check_update
            name = f"site engine={args.engine} update"
            check_update(args.engine, session, os.path.abspath(args.site), os.path.abspath(args.locales))
            print(f"e2e [{name}]: the new build replaced the old one")
            return 0
        if page:
            # Only the mouse in chromium, from the file, waits the real pause.
            real = args.hands == "mouse" and args.engine == "chromium" and not args.site
            pause = None if real else INJECTED_PAUSE_MS
            if args.site:
                from served import open_offline
                window = open_offline(args.engine, session, os.path.abspath(args.site), os.path.abspath(args.locales),
                                      pause, args.hands == "touch", args.forced_colours, "de-AT", "fr", args.installed)
            else:
                from page import open_page
                window = open_page(args.engine, session, args.page, os.path.abspath(args.locales), pause,
                                   args.hands == "touch", args.forced_colours, args.language, words)
            if args.hands == "keyboard":
                steps = ("held key",)
        else:
            from desktop import open_desktop
            window = open_desktop(session, os.path.abspath(args.program), os.path.abspath(args.locales),
                                  args.wm, args.scale, args.screen, args.smoke or START_WAIT)
            if args.smoke:
                play = Play(window, Mouse(window))
                play.smoke()
                print(f"e2e [{name}]: first exercise shown, a coin handed over")
                return 0
            window.check_button_colours()
            if args.hands == "keyboard":
                # The program's pause cannot be shortened from outside: the keyboard
                # waits one, and ends during the next.
                roads, pauses = ["encore", "too many", "change by clicks"], 1
            elif args.wm != "none":
                # Both need a window manager to move the focus between windows.
                steps = ("held key", "away during the pause")
        hands = {"mouse": Mouse, "touch": Touch, "keyboard": Keyboard}[args.hands](window)
        play = Play(window, hands, args.screenshot, pauses, steps, bool(page), args.forced_colours, words)
        play.run(roads)
        print(f"e2e [{name}]: played")
        return 0
    except (Failure, RuntimeError) as error:
        shot = os.path.join(workdir, f"e2e-failure-{name.replace(' ', '-').replace('=', '-')}.png")
        if play:
            play.w.screenshot(shot)
        else:
            session.screenshot(shot)
        print(f"e2e [{name}] failed at {play.step if play else 'start'}: {error} (screenshot: {shot})")
        return 1
    finally:
        session.stop()


if __name__ == "__main__":
    sys.exit(main())
