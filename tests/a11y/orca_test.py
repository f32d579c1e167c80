#!/usr/bin/python3
"""A short game heard through Orca, the screen reader, on a display of the test's own.

Starts Xvfb, a private session bus, the accessibility bus and Orca, then the program in
French, or in the language of a gettext file given with --words (Orca speaking it too),
and plays with real keys: Tab to a coin, Space to hand it over, Alt+O for OK,
then the change question and a right answer typed in. Orca's debug log, its "SPEECH
OUTPUT" lines, is the judge of what a child hears. On the way the test hands a coin
over and takes it back through the accessibility bus alone, with the press actions of
the coin and of its square, and reads the total given from the window.

Usage: orca_test.py PROGRAM LOCALE_DIR ORCA [--words PO --locale LOCALE], run by Debian's
Python, with which Orca runs too.
"""

import argparse
import gettext
import os
import re
import sys
import traceback

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "outside"))
from outside import Failure, Session, application, cents_of_amount, find, showing, wait_until  # noqa: E402
from words import french, read_po  # noqa: E402

CENTS = (1, 2, 5, 10, 20, 50, 100, 200)


class Heard:
    """The words of the program's language, and of Orca's for the roles it names, as
    patterns of what a screen reader says."""

    def __init__(self, words, language):
        self.words = words
        roles = gettext.translation("at-spi2-core", languages=[language], fallback=True)
        self.button, self.text, self.notification = (roles.gettext(role) for role in ("push button", "text", "notification"))
        self.coins = {words.coin(cents): cents for cents in CENTS}
        self.squares = {words.coin(cents, take_back=True): cents for cents in CENTS}
        self.coin = "(" + "|".join(map(re.escape, sorted(self.coins, key=len, reverse=True))) + ")"

    def __getitem__(self, key):
        return re.escape(self.words[key])

    def amount(self, caption):
        """A caption and an amount with its sign, as announced."""
        return (f"{self.notification} {self[caption]} " +
                re.escape(self.words.with_sign("AMOUNT")).replace("AMOUNT", r"\d+[,.]\d\d"))

# Orca as installed, with two changes for a test: its debug log is written line by
# line, so that the test can follow it while it speaks, and it does not look for other
# Orcas of the same user, which run on other displays and buses and cannot disturb it.
ORCA = r'''
import builtins, runpy, sys
log = sys.argv[sys.argv.index("--debug-file") + 1]
real_open = builtins.open
def line_buffered_log(file, mode="r", *args, **kwargs):
    return real_open(file, mode, 1) if file == log else real_open(file, mode, *args, **kwargs)
builtins.open = line_buffered_log
launcher = runpy.run_path(sys.argv.pop(1), run_name="orca_launcher")
launcher["main"].__globals__["otherOrcas"] = lambda: []
sys.exit(launcher["main"]())
'''


class Speech:
    """What Orca says, as its debug log writes it."""

    LINE = re.compile(r"SPEECH OUTPUT: '(.*?)' ?(\{.*)?$")

    def __init__(self, path):
        self.path = path
        self.heard = []

    def poll(self):
        if os.path.exists(self.path):
            with open(self.path, encoding="utf-8", errors="replace") as log:
                # The last line may be half written.
                lines = log.read().split("\n")[:-1]
            self.heard = [match[1].strip() for match in map(self.LINE.search, lines) if match]

    def mark(self):
        self.poll()
        return len(self.heard)

    def expect(self, pattern, since):
        """The first utterance after the mark that matches, waited for."""
        def find():
            self.poll()
            return next((said for said in self.heard[since:] if re.search(pattern, said)), None)
        try:
            return wait_until(f"Orca to say /{pattern}/", find)
        except Failure as failure:
            raise Failure(f"{failure}; it said {self.heard[since:]}") from None


class Game:
    """The program's window as the accessibility bus shows it, played from outside."""

    def __init__(self, session, heard):
        self.session = session
        self.heard = heard
        self.words = heard.words
        self.app = application()
        # Read every name afresh: the window changes them while the test looks.
        from gi.repository import Atspi
        self.app.setCacheMask(Atspi.Cache.NONE)
        self.purse = wait_until("the purse", lambda: self.find("panel", self.words["PurseCaption"]))

    def find(self, role, name):
        return find(self.app, role, name)

    def after(self, caption):
        """The text that follows a caption, as a screen reader reads on."""
        label = self.find("label", caption)
        return label.parent.getChildAtIndex(label.getIndexInParent() + 1).name

    def price(self):
        return cents_of_amount(self.after(self.words["PriceCaption"]))

    def given(self):
        return cents_of_amount(self.after(self.words["GivenCaption"]))

    # The purse holds the 40 coins, then the 40 squares, each square after its coin.
    def coins(self):
        return [(cell, self.heard.coins[self.purse[cell].name]) for cell in range(40) if showing(self.purse[cell])]

    def squares(self):
        return [(cell, self.heard.squares[self.purse[cell + 40].name])
                for cell in range(40) if showing(self.purse[cell + 40])]

    def act(self, accessible, name):
        action = accessible.queryAction()
        names = [action.getName(i).lower() for i in range(action.nActions)]
        if name not in names:
            raise Failure(f"{accessible.name} has no action {name}, only {names}")
        action.doAction(names.index(name))

    def next_exercise(self):
        wait_until("the next exercise", lambda: self.after(self.words["GivenCaption"]) == "")

    def hand_over(self, cell, value):
        """Presses a coin of the purse: a total that pays the price exactly wins, and the
        next exercise starts."""
        given = self.given() + value
        wins = given == self.price()
        self.act(self.purse[cell], "press")
        wait_until(f"{given} cents given", lambda: self.given() == given)
        if wins:
            self.next_exercise()

    def take_back(self, cell, value):
        given = self.given() - value
        self.act(self.purse[cell + 40], "press")
        wait_until(f"{given} cents given", lambda: self.given() == given)

    def ok(self):
        self.act(self.find("push button", self.words["Ok"]), "press")

    def key(self, *keys):
        self.session.xdotool("key", "--delay", "50", *keys)

    def type(self, text):
        self.session.xdotool("type", "--delay", "50", text)


def play(game, speech, start):
    heard = game.heard
    speech.expect(r"^Piécettes", start)
    speech.expect(rf"^{heard['AnswerName']} {heard.text}", start)
    speech.expect(rf"^{heard.amount('PriceCaption')}", start)

    # The first Tab reaches the unseen button that holds the focus once the series is
    # over, named as the score line while that is empty.
    mark = speech.mark()
    game.key("Tab")
    speech.expect(rf"^{heard['FocusParkName']} {heard.button}", mark)

    mark = speech.mark()
    game.key("Tab")
    coin = re.match(heard.coin, speech.expect(rf"^{heard.coin} {heard.button}", mark))[0]

    # Space hands the coin over; the focus waits on its square, unless the coin paid the
    # price exactly.
    mark = speech.mark()
    cents = heard.coins[coin]
    exact = cents == game.price()
    game.key("space")
    if exact:
        speech.expect(rf"^{heard.notification} .*{heard['Bravo']}", mark)
        game.next_exercise()
    else:
        speech.expect(rf"^{re.escape(game.words.coin(cents, take_back=True))} {heard.button}", mark)
        speech.expect(rf"^{heard.amount('GivenCaption')}", mark)
    if 0 < game.given() < game.price():
        mark = speech.mark()
        game.key("alt+o")
        speech.expect(rf"^{heard.notification} {heard['More']}$", mark)

    # A coin handed over and taken back by the press actions of the coin and its square.
    given = game.given()
    cell, value = next((c, v) for c, v in game.coins() if given + v != game.price())
    game.hand_over(cell, value)
    game.take_back(cell, value)

    # More than the price, and no coin to take back, by actions alone: the largest coins
    # first, then back the coins that are one too many. A total that pays exactly wins,
    # and the next exercise starts over.
    for _ in range(100):
        given, price = game.given(), game.price()
        spare = [(c, v) for c, v in game.squares() if given - v >= price]
        if given < price:
            game.hand_over(*max(game.coins(), key=lambda coin: coin[1]))
        elif spare:
            game.take_back(*spare[0])
        elif given == price:
            game.ok()
            game.next_exercise()
        else:
            break
    due = game.given() - game.price()

    # The change question gives the focus to the answer box, which Orca names.
    mark = speech.mark()
    game.key("alt+o")
    speech.expect(rf"^{heard.notification} {heard['AskChange']}$", mark)
    speech.expect(rf"^{heard['AnswerName']} {heard.text}", mark)

    # The right answer typed in; the answer box holds it as typed, with a point.
    mark = speech.mark()
    answer = f"{due // 100},{due % 100:02d}"
    game.type(answer)
    speech.expect(rf"^{heard.notification} {heard['Bravo']}", mark)
    box = game.find("text", game.words["AnswerName"]).queryText()
    if box.getText(0, -1).replace(".", ",") != answer:
        raise Failure(f"the answer box holds {box.getText(0, -1)!r}, not {answer}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("locales")
    parser.add_argument("orca")
    parser.add_argument("--words", help="the gettext file of the language to play in, Orca speaking it too")
    parser.add_argument("--locale", default="fr_FR.UTF-8", help="the desktop's locale")
    args = parser.parse_args()
    program, locales, orca = args.program, args.locales, args.orca
    words = read_po(args.words, "8,04 €", None) if args.words else french()
    heard = Heard(words, args.locale.split(".")[0])
    session = Session()
    tmp = session.tmp
    speech = Speech(os.path.join(tmp, "orca-debug.log"))
    try:
        # French through LANGUAGE, another language through the locale alone, as a child's desktop has it.
        session.open(HOME=tmp, XDG_CONFIG_HOME=os.path.join(tmp, "config"), LANG=args.locale,
                     LC_ALL=args.locale, LANGUAGE="" if args.words else "fr", LOCPATH=locales, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                     # Orca logs what it says before it hands it to a speech server; with
                     # none to spawn, no server outlives the test.
                     SPEECHD_CMD="/bin/false")
        session.start([sys.executable, "-c", ORCA, orca, "-u", os.path.join(tmp, "orca"),
                       "--debug-file", speech.path], log="orca")
        ready = speech.mark()
        speech.expect(r".", ready)

        start = speech.mark()
        session.start([program], log="piecettes")
        play(Game(session, heard), speech, start)
        failure = None
    except Exception as error:
        if not isinstance(error, Failure):
            traceback.print_exc()
        failure = error
    finally:
        speech.poll()
        session.stop()
    print("Orca said:")
    for said in speech.heard:
        print("  SPEECH OUTPUT:", said)
    named = [said for said in speech.heard if "Command2" in said]
    if named:
        failure = failure or Failure(f"Orca read a control by its internal name: {named}")
    if failure:
        print("FAILED:", failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
