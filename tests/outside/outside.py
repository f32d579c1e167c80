"""What the drivers that play Piécettes from outside its process share.

A Session starts a private X server (Xvfb), session bus and accessibility bus, and
optionally openbox, and stops every process it started by its id, with what they
left behind. The rest reads the window as a person does: amounts and coin names in
French, controls found on the accessibility bus by their role and name.

Runs with Debian's /usr/bin/python3, for its pyatspi; needs Xvfb, dbus-daemon,
at-spi2-core, xdotool, x11-utils, imagemagick, and openbox for a window manager.
"""

import ctypes
import os
import re
import signal
import subprocess
import tempfile
import time

COIN = r"(\d+) (centimes?|euros?)"
WAIT = 15.0  # seconds for anything to happen; a whole Orca run takes about 10
# Seconds a program may take to start and show up on the accessibility bus: a ceiling,
# reached only on a machine whose two cores start three browsers and programs at once.
START_WAIT = 60.0


class Failure(Exception):
    """What a child would see go wrong: the control, what was expected, what was seen."""

    def __init__(self, control, expected=None, seen=None):
        super().__init__(control if expected is None and seen is None
                         else f"{control}: expected {expected!r}, seen {seen!r}")


def french(cents):
    """An amount as the window writes it under French settings."""
    sign = "-" if cents < 0 else ""
    return f"{sign}{abs(cents) // 100},{abs(cents) % 100:02d}"


def cents_of_amount(text):
    """'2,50' or '2.50' -> 250; nothing -> 0."""
    return round(float(text.replace(",", ".")) * 100) if text else 0


def cents_of_coin(name):
    """'2 euros' -> 200, 'Reprendre 5 centimes' -> 5."""
    match = re.fullmatch(COIN, name.removeprefix("Reprendre "))
    if not match:
        raise Failure("coin name", "a number of centimes or euros", name)
    return int(match[1]) * (100 if match[2].startswith("euro") else 1)


def is_square(name):
    """A take-back square is a button named for the coin it gives back."""
    return name.startswith("Reprendre ")


def wait_until(what, check, timeout=WAIT):
    """The first true result of check(), polled; a Failure naming what when none comes."""
    deadline = time.monotonic() + timeout
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("waited in vain for " + what)
        time.sleep(0.05)


def expect(control, read, expected, timeout=5.0):
    """Waits until read() gives expected (a value or a compiled pattern); returns it."""
    deadline = time.monotonic() + timeout
    while True:
        seen = read()
        if expected.fullmatch(seen or "") if isinstance(expected, re.Pattern) else seen == expected:
            return seen
        if time.monotonic() > deadline:
            raise Failure(control, getattr(expected, "pattern", expected), seen)
        time.sleep(0.05)


def libexec(tool):
    """A tool Debian keeps out of PATH, such as at-spi-bus-launcher."""
    for folder in os.environ.get("PATH", "").split(os.pathsep) + ["/usr/libexec"]:
        if os.access(os.path.join(folder, tool), os.X_OK):
            return os.path.join(folder, tool)
    raise RuntimeError(f"{tool} not found")


class Session:
    """A display, buses and window manager of the driver's own. Each process starts in a
    session of its own and is stopped with all it started; orphans of the buses are
    handed to this process, which reaps them."""

    def __init__(self, workdir=None):
        ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
        self.tmp = tempfile.mkdtemp(prefix="piecettes-outside-", dir=workdir)
        self.processes = []
        self.wm = None  # openbox, when open() starts it
        self.env = None

    def start(self, argv, env=None, log=None, **options):
        out = open(os.path.join(self.tmp, log + ".log"), "w") if log else subprocess.DEVNULL
        options.setdefault("stdout", out)
        options.setdefault("stderr", out)
        process = subprocess.Popen(argv, env=self.env if env is None else env, stdin=subprocess.DEVNULL,
                                   start_new_session=True, **options)
        self.processes.append(process)
        return process

    def open(self, screen="1024x768", wm=None, accessibility=True, **env):
        """Starts Xvfb, the session bus, the accessibility bus (unless accessibility is
        false) and, with wm='openbox', openbox. Sets self.env, and this process's own environment, to reach them, with
        env's extra variables."""
        read_end, write_end = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{screen}x24", "-nolisten", "tcp",
                    "-noreset"], env=os.environ, pass_fds=[write_end])
        os.close(write_end)
        # Xvfb writes the number and the newline apart; it dies if the pipe closes between.
        with os.fdopen(read_end) as number:
            display = number.readline().strip()
        if not display:
            raise RuntimeError("Xvfb did not start")
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env=os.environ,
                         stdout=subprocess.PIPE, text=True)
        runtime = os.path.join(self.tmp, "runtime")
        os.mkdir(runtime, 0o700)
        # A private runtime folder keeps the accessibility bus apart from any other.
        self.env = {k: v for k, v in os.environ.items() if not k.startswith(("LC_", "QT_", "LANG"))}
        self.env.update(DISPLAY=":" + display, DBUS_SESSION_BUS_ADDRESS=bus.stdout.readline().strip(),
                        XDG_RUNTIME_DIR=runtime, LC_ALL="C.UTF-8")
        self.env.update(env)
        os.environ.update(self.env)
        if accessibility:
            self.start([libexec("at-spi-bus-launcher"), "--launch-immediately"], log="at-spi-bus")
            # The registry up before the program, so that the program registers at once.
            # Asked before it owns its name, it may never answer, and pyatspi then keeps
            # an empty desktop for good: so the name is waited for on a connection apart.
            wait_until("the accessibility registry", self.registry_up, START_WAIT)
            import pyatspi
            pyatspi.Registry.getDesktop(0)
        if wm == "openbox":
            self.wm = self.start(["openbox", "--sm-disable"], log="openbox")
            wait_until("the window manager", lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in self.x("xprop", "-root"))
            self.wait_for_wm_to_frame()

    def wait_for_wm_to_frame(self):
        """Returns once openbox frames a window that asks to be shown. It names itself
        the screen's manager before it has finished starting, and a request to show a
        window made in between can be lost: the window then stays unmapped, and one
        run in about a hundred under load lost the program's. A window of our own is
        shown, and asked again each second, until openbox gives it a WM_STATE."""
        name = "piecettes-wm-probe"
        probe = self.start(["xmessage", "-name", name, "-geometry", "+0+0", "probe"])
        try:
            window = wait_until("the probe window", lambda: self.xdotool("search", "--classname", name).split(), START_WAIT)[0]
            deadline = asked = time.monotonic()
            deadline += START_WAIT
            while "window state: Normal" not in self.x("xprop", "-id", window, "WM_STATE"):
                now = time.monotonic()
                if now > deadline:
                    raise Failure("waited in vain for the window manager to frame a window")
                if now - asked >= 1:
                    self.xdotool("windowmap", window)
                    asked = now
                time.sleep(0.05)
        finally:
            probe.terminate()
            probe.wait(START_WAIT)

    def registry_up(self):
        """True once the accessibility bus is up and its registry, which that bus starts
        on demand, owns its name."""
        from gi.repository import Gio, GLib
        flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION

        def ask(address, name, path, interface, method, arguments, reply, seconds=1):
            bus = Gio.DBusConnection.new_for_address_sync(address, flags, None, None)
            try:
                return bus.call_sync(name, path, interface, method, arguments, GLib.VariantType(reply),
                                     Gio.DBusCallFlags.NONE, int(seconds * 1000), None).unpack()[0]
            finally:
                bus.close_sync(None)
        try:
            address = ask(self.env["DBUS_SESSION_BUS_ADDRESS"], "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                          "GetAddress", None, "(s)")
            registry = "org.a11y.atspi.Registry"
            bus = ("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus")
            ask(address, *bus, "StartServiceByName", GLib.Variant("(su)", (registry, 0)), "(u)", START_WAIT)
            return ask(address, *bus, "NameHasOwner", GLib.Variant("(s)", (registry,)), "(b)")
        except GLib.Error:
            return False

    def x(self, *command):
        return subprocess.run(command, env=self.env, capture_output=True, text=True, check=True).stdout

    def xdotool(self, *arguments):
        """xdotool's output; a search that finds nothing is no error."""
        done = subprocess.run(("xdotool", *arguments), env=self.env, capture_output=True, text=True)
        if done.returncode not in (0, 1) or (done.returncode and arguments[0] != "search"):
            raise subprocess.CalledProcessError(done.returncode, done.args, done.stdout, done.stderr)
        return done.stdout

    def screenshot(self, path, crop=None):
        if self.env:
            geometry = ["-crop", "{2}x{3}+{0}+{1}".format(*crop), "+repage"] if crop else []
            subprocess.run(["import", "-window", "root", *geometry, path], env=self.env, check=False)

    def stop(self):
        for process in reversed(self.processes):
            if process.poll() is not None:
                continue
            for sig in (signal.SIGTERM, signal.SIGKILL):
                try:
                    os.killpg(process.pid, sig)
                    process.wait(5)
                    break
                except ProcessLookupError:
                    process.poll()
                    break
                except subprocess.TimeoutExpired:
                    continue
        # Reap what the buses left behind, and end what outlives them.
        deadline = time.monotonic() + 5
        while True:
            try:
                pid, _ = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                break
            if pid == 0:
                if time.monotonic() > deadline:
                    for child in self.children():
                        os.kill(child, signal.SIGKILL)
                    deadline += 5
                time.sleep(0.05)
        subprocess.run(["rm", "-rf", self.tmp], check=False)

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


def application(name="piecettes", timeout=WAIT):
    """The program on the accessibility bus, waited for."""
    import pyatspi

    def find():
        return next((app for app in pyatspi.Registry.getDesktop(0) if app is not None and app.name == name), None)
    return wait_until(f"{name} on the accessibility bus", find, timeout)


def find(root, role, name):
    """The first accessible under root with the given role name ('push button') and name."""
    import pyatspi
    return pyatspi.findDescendant(root, lambda a: a is not None and a.getRoleName() == role and a.name == name)


def showing(accessible):
    import pyatspi
    return accessible.getState().contains(pyatspi.STATE_SHOWING)
