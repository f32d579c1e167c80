"""The desktop program as the plays see it: read through the accessibility bus, played
through XTest (xdotool), on a Session of the driver's own.

Controls are found as a person finds them, by their captions and their places; a
control is its accessible. Places are Qt's own pixels, which the X server scales.
"""

import os
import pathlib
import re
import subprocess
import time

import pyatspi

from outside import WAIT, Failure, application, cents_of_coin, expect, is_square, showing, wait_until

BUTTONS = {"left": "1", "middle": "2", "right": "3"}


class DesktopWindow:
    injected_pause = None  # the program waits the real pause
    last_input = 0.0  # when the last input was sent, by time.monotonic()

    def __init__(self, session, program, start_wait=WAIT):
        self.session = session
        self.program = program
        self.app = application(timeout=start_wait)
        wait_until("the window on the accessibility bus", lambda: self.top_level("Piécettes"), start_wait)
        self.main = self.top_level("Piécettes")
        client = self.main[0]
        self.labels = [c for c in client if c.getRoleName() == "label"]
        self.purse = next(c for c in client if c.childCount >= 80)
        self.buttons = {c.name: c for c in client if c.getRoleName() == "push button"}
        try:
            expect("main window title (_NET_WM_NAME)", lambda: sorted(self.titles()), ["Piécettes"], timeout=WAIT)
        except Failure as failure:
            # The window on the accessibility bus but never shown: which process ended,
            # and the state of the program's X windows, tell why. A request lost while
            # openbox started did it, before Session.open waited for openbox to frame one.
            raise Failure(f"{failure}; {self.still_running()}; {self.x_windows()}") from None
        # Qt reports places in its own pixels; the X server counts device pixels.
        info = session.x("xwininfo", "-id", self.titles()["Piécettes"])
        self.scale = int(re.search(r"Width: (\d+)", info).group(1)) / self.box(self.main)[2]

    def still_running(self):
        """Whether the program and the window manager still run, or how they ended."""
        told = []
        for name, process in (("the program", self.program), ("openbox", self.session.wm)):
            if process is not None:
                status = process.poll()
                told.append(f"{name} {'still runs' if status is None else f'ended with status {status}'}")
        return ", ".join(told)

    def x_windows(self):
        """The program's X windows, shown or not, with their map state and WM_STATE, and
        the clients the window manager lists."""
        told = []
        for window in self.session.xdotool("search", "--pid", str(self.program.pid)).split():
            info = self.session.x("xwininfo", "-id", window)
            state = re.search(r"Map State: (\w+)", info)
            props = self.session.x("xprop", "-id", window, "WM_STATE", "_NET_WM_NAME", "_NET_WM_STATE")
            told.append(f"{window} {state.group(1) if state else '?'} {props.strip().replace(chr(10), ' / ')}")
        clients = self.session.x("xprop", "-root", "_NET_CLIENT_LIST", "_NET_ACTIVE_WINDOW").strip().replace("\n", " / ")
        said = pathlib.Path(self.session.tmp, "openbox.log")
        said = " / ".join(said.read_text(errors="replace").split("\n")[-5:]) if said.exists() else ""
        return f"X windows of the program: {'; '.join(told) or 'none'}; root: {clients}; openbox said: {said or 'nothing'}"

    def top_level(self, name):
        return next((w for w in self.app if w is not None and w.name == name), None)

    @staticmethod
    def box(accessible):
        e = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    showing = staticmethod(showing)

    def titles(self):
        """The program's shown X windows by their _NET_WM_NAME, the title a window
        manager or task bar shows."""
        windows = {}
        for window in self.session.xdotool("search", "--onlyvisible", "--pid", str(self.program.pid)).split():
            title = re.search(r'_NET_WM_NAME\(UTF8_STRING\) = "(.*)"',
                              self.session.x("xprop", "-id", window, "_NET_WM_NAME"))
            windows[title.group(1) if title else ""] = window
        return windows

    # What the window shows: the caption right of or under another caption.
    def shown_labels(self):
        return [(label.name, self.box(label)) for label in self.labels if showing(label)]

    def caption_near(self, caption, where):
        anchor = self.buttons.get(caption)
        labels = self.shown_labels()
        ax, ay, aw, ah = self.box(anchor) if anchor else next((e for n, e in labels if n == caption), (0, 0, 0, 0))
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

    def heard(self):
        """The live region is the page's; the desktop's announcements are Orca's test."""
        return None

    def coins(self):
        """The coins shown in the purse, in reading order: [(cents, accessible)]."""
        shown = [c for c in self.purse if not is_square(c.name) and showing(c)]
        return [(cents_of_coin(c.name), c) for c in sorted(shown, key=lambda c: self.box(c)[1::-1])]

    def squares(self):
        return [s for s in self.purse if is_square(s.name) and showing(s)]

    def answer_box(self):
        """The unseen answer box's name for screen readers."""
        return next((c.name for c in self.main[0] if c.getRoleName() == "text"), None)

    def control(self, name):
        """OK, Quitter, or the Info caption."""
        return self.buttons.get(name) or next(label for label in self.labels if label.name == name)

    def focusable(self):
        """The controls that Tab can reach now."""
        client = [c for c in self.main[0] if c.getRoleName() in ("push button", "text")]
        return [c for c in self.purse if showing(c)] + client

    def focused(self, candidates):
        """Something that tells the candidate with the keyboard focus from any other."""
        found = next((c for c in candidates if self.has_focus(c)), None)
        return found and (found.getRoleName(), found.name, self.box(found))

    def focused_name(self):
        """The name of the control that holds the keyboard focus, or None."""
        found = self.focused(list(self.main[0]) + list(self.purse))
        return found and found[1]

    def has_focus(self, accessible):
        return accessible.getState().contains(pyatspi.STATE_FOCUSED)

    def info_box(self):
        """The buttons of the Info box, once the box is on the bus and titled as a window
        manager reads it; None while it is not."""
        box = self.top_level("INFO")
        if not box or sorted(self.titles()) != ["INFO", "Piécettes"]:
            return None
        return pyatspi.findAllDescendants(box, lambda a: a.getRoleName() == "push button")

    def screenshot(self, path, window_only=False):
        crop = [round(v * self.scale) for v in self.box(self.main)] if window_only else None
        self.session.screenshot(path, crop)

    # Hands on the window.
    def click(self, accessible, button="left"):
        x, y, w, h = self.box(accessible)
        self.session.xdotool("mousemove", str(round((x + w / 2) * self.scale)), str(round((y + h / 2) * self.scale)),
                             "click", BUTTONS[button])
        self.last_input = time.monotonic()

    def key(self, name, hold=0.0):
        """A key pressed, or held for hold seconds while the X server repeats it."""
        if hold:
            self.session.xdotool("keydown", name)
            time.sleep(hold)
            self.session.xdotool("keyup", name)
        else:
            self.session.xdotool("key", name)
        self.last_input = time.monotonic()

    def type(self, text):
        self.session.xdotool("type", "--delay", "50", text)
        self.last_input = time.monotonic()

    def check_button_colours(self):
        """OK and Quitter are flat, each in its colour, inside their edges: read from the
        screen at the corners of the face and halfway down its left side, clear of the
        caption."""
        shot = os.path.join(self.session.tmp, "buttons.png")
        self.session.screenshot(shot)
        for name, colour in (("OK", "808000"), ("Quitter", "00C0C0")):
            x, y, w, h = (round(v * self.scale) for v in self.box(self.buttons[name]))
            inset = round(4 * self.scale)
            points = [(x + inset, y + inset), (x + w - 1 - inset, y + inset), (x + inset, y + h // 2),
                      (x + inset, y + h - 1 - inset), (x + w - 1 - inset, y + h - 1 - inset)]
            read = "|".join(f"%[hex:p{{{px},{py}}}]" for px, py in points)
            seen = subprocess.run(["convert", shot, "-format", read, "info:"], capture_output=True, text=True,
                                  check=True).stdout.split("|")
            if any(not pixel.upper().startswith(colour) for pixel in seen):
                raise Failure(f"colour of {name} at {points}", colour, seen)

    def quitted(self):
        """Quitter ends the program, with status 0."""
        try:
            status = self.program.wait(timeout=5)
        except subprocess.TimeoutExpired:
            status = "still running"
        if status != 0:
            raise Failure("program after Quitter", "exit status 0", status)
        return "the program ended"


def open_desktop(session, program, locales, wm, scale, screen, start_wait=WAIT):
    """Starts the program on the session's display; start_wait is how long its window may
    take to show, longer for a program that an emulator runs."""
    session.open(screen, wm)
    env = dict(session.env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               LOCPATH=locales, LANG="fr_FR.UTF-8", LC_ALL="fr_FR.UTF-8")
    if scale != 1:
        env["QT_SCALE_FACTOR"] = str(scale)
    # The program's own messages go to the test's output.
    process = session.start([program], env=env, stderr=None)
    return DesktopWindow(session, process, start_wait)
