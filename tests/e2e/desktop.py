"""A private X desktop for playing the game from outside.

Starts Xvfb, a D-Bus session and the accessibility bus, launches the game in it, and offers what a
player has: eyes (window titles and the texts of the controls, read through AT-SPI; screenshots)
and hands (keys and mouse clicks through xdotool). Every wait has a time limit; when one runs out,
the failure carries the last thing that was seen.
"""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

SKIP = 77  # CTest's SKIP_RETURN_CODE for this test

TOOLS = ("Xvfb", "xdotool", "import", "convert", "dbus-daemon", "dbus-send")
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


class Unavailable(Exception):
    """The machine lacks what a real-display test needs; the test is skipped, not failed."""


class WalkFailure(Exception):
    pass


def missing_tools():
    missing = [t for t in TOOLS if shutil.which(t) is None]
    if not os.access(BUS_LAUNCHER, os.X_OK):
        missing.append(BUS_LAUNCHER)
    return missing


class Control:
    """One accessible object as seen at one moment."""

    def __init__(self, role, name, text, showing, checked, x, y, w, h):
        self.role, self.name, self.text = role, name, text
        self.showing, self.checked = showing, checked
        self.x, self.y, self.w, self.h = x, y, w, h

    @property
    def centre(self):
        return self.x + self.w // 2, self.y + self.h // 2

    def __repr__(self):
        extra = "" if self.text is None else f" text={self.text!r}"
        state = "" if self.showing else " (hidden)"
        return f"{self.role} {self.name!r}{extra} @({self.x},{self.y} {self.w}x{self.h}){state}"


class Window:
    """A top-level window of the game with its controls, in tree order."""

    def __init__(self, title, role, x, y, w, h, controls):
        self.title, self.role = title, role
        self.x, self.y, self.w, self.h = x, y, w, h
        self.controls = controls

    def labels(self):
        """Texts of the labels the player can see, top to bottom, left to right."""
        shown = [c for c in self.controls if c.role == "label" and c.showing]
        return [c.name for c in sorted(shown, key=lambda c: (c.y, c.x))]

    def shown(self, role=None):
        return [c for c in self.controls if c.showing and (role is None or c.role == role)]

    def find(self, role, name):
        for c in self.controls:
            if c.role == role and c.name == name and c.showing:
                return c
        return None

    def __repr__(self):
        lines = [f"window {self.title!r} ({self.role}) @({self.x},{self.y} {self.w}x{self.h})"]
        lines += [f"    {c!r}" for c in self.controls]
        return "\n".join(lines)


class Desktop:
    """Xvfb + D-Bus session + accessibility bus, and the game running in them."""

    def __init__(self, scratch, artifacts, screen="1024x768"):
        self.screen = screen
        self.scratch = scratch
        self.artifacts = artifacts
        self.env = None
        self.game = None
        self.last_seen = "nothing yet"
        self.on_window = None  # called with a window's title when a wait first finds it
        self._last_window = None
        self._helpers = []
        self._atspi = None
        os.makedirs(artifacts, exist_ok=True)

    # ---- start and stop -------------------------------------------------------------------

    def start(self):
        missing = missing_tools()
        if missing:
            raise Unavailable("missing " + ", ".join(missing))
        runtime = os.path.join(self.scratch, "runtime")
        home = os.path.join(self.scratch, "home")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        os.makedirs(home, exist_ok=True)
        env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": home,
            "XDG_RUNTIME_DIR": runtime,
            "LANG": "C.UTF-8",
        }
        display = self._start_xvfb(env)
        env["DISPLAY"] = display
        env["DBUS_SESSION_BUS_ADDRESS"] = self._start_dbus(env)
        self._start_bus_launcher(env)
        self.env = env
        # Atspi reads the bus addresses when it is first imported, so only now.
        os.environ.update(env)
        try:
            import pyatspi
        except ImportError as e:
            raise Unavailable(f"pyatspi: {e}")
        self._atspi = pyatspi

    def _spawn(self, args, env, **kw):
        proc = subprocess.Popen(args, env=env, start_new_session=True, **kw)
        self._helpers.append(proc)
        return proc

    def _start_xvfb(self, env):
        read_end, write_end = os.pipe()
        log = open(os.path.join(self.artifacts, "xvfb.log"), "w")
        self._spawn(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen + "x24",
             "-nolisten", "tcp", "-noreset"],
            env, pass_fds=(write_end,), stdout=log, stderr=log)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            chunk = os.read(read_end, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_end)
        if not number.strip():
            raise Unavailable("Xvfb did not start (see xvfb.log)")
        return ":" + number.decode().strip()

    def _start_dbus(self, env):
        proc = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = proc.stdout.readline().strip()
        if not address:
            raise Unavailable("dbus-daemon did not start")
        return address

    def _start_bus_launcher(self, env):
        log = open(os.path.join(self.artifacts, "at-spi.log"), "w")
        self._spawn([BUS_LAUNCHER, "--launch-immediately"], env, stdout=log, stderr=log)
        ask = ["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
               "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
               "string:org.a11y.Bus"]
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            reply = subprocess.run(ask, env=env, capture_output=True, text=True).stdout
            if "boolean true" in reply:
                return
            time.sleep(0.1)
        raise Unavailable("the accessibility bus did not come up (see at-spi.log)")

    def launch(self, command, extra_env, cwd=None):
        env = dict(self.env)
        env.update(extra_env)
        log = open(os.path.join(self.artifacts, "game.log"), "w")
        self.game = subprocess.Popen(command, env=env, cwd=cwd, stdout=log, stderr=log)
        return self.game

    def stop(self):
        if self.game and self.game.poll() is None:
            self.game.kill()
            self.game.wait()
        for proc in reversed(self._helpers):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
                try:
                    proc.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()

    # ---- eyes -----------------------------------------------------------------------------

    def _application(self):
        desktop = self._atspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.game.pid:
                    return app
            except Exception:
                continue
        return None

    def _control(self, acc):
        a = self._atspi
        role = acc.getRoleName()
        name = acc.name or ""
        text = None
        if role in ("text", "entry", "password text"):
            try:
                t = acc.queryText()
                text = t.getText(0, -1)
            except Exception:
                text = None
        states = acc.getState()
        try:
            e = acc.queryComponent().getExtents(a.DESKTOP_COORDS)
            box = (e.x, e.y, e.width, e.height)
        except Exception:
            box = (0, 0, 0, 0)
        return Control(role, name, text, states.contains(a.STATE_SHOWING),
                       states.contains(a.STATE_CHECKED), *box)

    def _walk(self, acc, out, depth=0):
        for i in range(acc.childCount):
            child = acc.getChildAtIndex(i)
            if child is None:
                continue
            out.append(self._control(child))
            if depth < 6:
                self._walk(child, out, depth + 1)

    def windows(self):
        """The game's top-level windows now; an empty list while it is between screens."""
        try:
            app = self._application()
            if app is None:
                return []
            found = []
            for i in range(app.childCount):
                top = app.getChildAtIndex(i)
                if top is None:
                    continue
                head = self._control(top)
                controls = []
                self._walk(top, controls)
                found.append(Window(head.name, head.role, head.x, head.y, head.w, head.h,
                                    controls))
        except Exception as e:  # a window that closes while being read
            self.last_seen = f"(reading failed: {e})\n{self.last_seen}"
            return []
        self.last_seen = "\n".join(repr(w) for w in found) or "no window of the game"
        return found

    def window(self, title):
        for w in self.windows():
            if w.title == title:
                return w
        return None

    def wait(self, what, condition, timeout):
        """Polls condition() until it returns something true; returns that."""
        deadline = time.monotonic() + timeout
        while True:
            if self.game.poll() is not None:
                raise WalkFailure(f"the game ended (status {self.game.returncode}) while "
                                  f"waiting for {what}")
            value = condition()
            if value:
                return value
            if time.monotonic() > deadline:
                raise WalkFailure(f"gave up after {timeout:.0f} s waiting for {what}")
            time.sleep(0.05)

    def wait_window(self, title, timeout=10, condition=None):
        """Waits until the window is mapped on the X display and readable (and condition holds)."""

        def ready():
            if not self.x_window(title):
                return None
            w = self.window(title)
            if w is None or (condition is not None and not condition(w)):
                return None
            return w

        w = self.wait(f"window {title!r}", ready, timeout)
        if self.on_window and title != self._last_window:
            self.on_window(title)
        self._last_window = title
        return w

    def wait_gone(self, title, timeout=10):
        self.wait(f"window {title!r} to close", lambda: not self.x_window(title), timeout)

    def x_window(self, title):
        """The X id of the game's mapped window with exactly this title, or None."""
        r = subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", "^" + re.escape(title) + "$"],
            env=self.env, capture_output=True, text=True)
        ids = r.stdout.split()
        return ids[-1] if ids else None

    def screenshot(self, title, name):
        """Saves the window's picture and fails if it is a single flat colour."""
        xid = self.x_window(title)
        if xid is None:
            raise WalkFailure(f"no window {title!r} to photograph")
        path = os.path.join(self.artifacts, name + ".png")
        subprocess.run(["import", "-window", xid, path], env=self.env, check=True,
                       capture_output=True)
        colours = subprocess.run(["convert", path, "-format", "%k", "info:"], env=self.env,
                                 check=True, capture_output=True, text=True).stdout.strip()
        if int(colours) < 2:
            raise WalkFailure(f"the screenshot of {title!r} is blank ({path})")
        return path

    def text_colour(self, control):
        """'red', 'white' or None: the colour the control's text is drawn in on the screen."""
        path = os.path.join(self.scratch, "crop.png")
        crop = f"{control.w}x{control.h}+{control.x}+{control.y}"
        subprocess.run(["import", "-silent", "-window", "root", "-crop", crop, path],
                       env=self.env, capture_output=True)
        r = subprocess.run(["convert", path, "-format", "%c", "histogram:info:-"], env=self.env,
                           capture_output=True, text=True)
        red = white = 0
        for m in re.finditer(r"(\d+): \(\s*(\d+),\s*(\d+),\s*(\d+)", r.stdout):
            count, rgb = int(m.group(1)), [int(v) for v in m.group(2, 3, 4)]
            if rgb[0] > 180 and rgb[1] < 90 and rgb[2] < 90:
                red += count
            elif min(rgb) > 200:
                white += count
        if red >= 3:
            return "red"
        return "white" if white >= 3 else None

    def screenshot_all(self, name):
        path = os.path.join(self.artifacts, name + ".png")
        subprocess.run(["import", "-window", "root", path], env=self.env, capture_output=True)
        return path

    # ---- hands ----------------------------------------------------------------------------

    def _focus(self, title):
        xid = self.x_window(title)
        if xid is None:
            raise WalkFailure(f"no window {title!r} to send keys to")
        # No window manager runs, so nothing gives a new window the keyboard focus by itself.
        subprocess.run(["xdotool", "windowfocus", "--sync", xid], env=self.env, check=True,
                       capture_output=True)
        return xid

    def key(self, title, *keys):
        """Presses keys by their X names (space, Down, Escape, Return, ctrl+a ...)."""
        self._focus(title)
        subprocess.run(["xdotool", "key", "--delay", "30", *keys], env=self.env, check=True,
                       capture_output=True)

    def type(self, title, text, delay_ms=25):
        """Types text character by character, as a player would."""
        self._focus(title)
        subprocess.run(["xdotool", "type", "--delay", str(delay_ms), "--", text], env=self.env,
                       check=True, capture_output=True)

    def click(self, control):
        x, y = control.centre
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"],
                       env=self.env, check=True, capture_output=True)


def run_on_desktop(scratch_prefix, artifacts, body, finish=None, screen="1024x768"):
    """Starts a desktop in a fresh scratch folder and runs body(desk, scratch) in it.

    Returns the exit status a CTest e2e script ends with: SKIP without a real display, 1 after
    a failed check (with what was last seen, a screenshot and where the files are), else 0.
    `finish(desk)` runs after the desktop has stopped, whatever happened. The scratch folder is
    removed after a pass and kept after a failure, for a look at the files.
    """
    scratch = tempfile.mkdtemp(prefix=scratch_prefix)
    desk = Desktop(scratch, artifacts, screen)
    try:
        desk.start()
    except Unavailable as e:
        print(f"SKIP: no real display here: {e}")
        desk.stop()
        return SKIP
    try:
        body(desk, scratch)
    except WalkFailure as e:
        print(f"FAILED: {e}")
        print("Last seen:\n" + desk.last_seen)
        print("Screen: " + desk.screenshot_all("failure"))
        print("Game output: " + os.path.join(artifacts, "game.log"))
        print("Installation and player's folder: " + scratch)
        return 1
    finally:
        desk.stop()
        if finish:
            finish(desk)
    shutil.rmtree(scratch, ignore_errors=True)
    return 0
