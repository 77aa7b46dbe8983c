"""Drives mountain-ranges end to end: a private Xvfb, the real program in a
scratch working directory, synthetic input, and screenshots compared with the
pages that mountain-ranges-export renders without a window.

Settings come from the environment (run_e2e.py fills them from its options):

  MR_PROGRAM           the mountain-ranges binary (required)
  MR_EXPORT            the mountain-ranges-export binary; without it (and
                       without MR_PAGES_DIR) the tests that compare pages skip
  MR_PAGES_DIR         a folder of page-01.png ... to use instead of exporting
  MR_FONT              the font copied into each run's folder as times.ttf
  MR_WRAPPER           a command prefix for the program, e.g. "valgrind -q
                       --log-file=/tmp/vg.%p"; it must not write to the
                       program's stdout or stderr, which the tests inspect
  MR_LD_LIBRARY_PATH   put in front of LD_LIBRARY_PATH for the program only,
                       e.g. to run it against another SDL 1.2 build; the
                       exporter keeps the system's libraries, so the window
                       is still compared with the classic rendering
  MR_TIMEOUT_SCALE     multiplies every timeout (say 20 under valgrind)
  MR_ARTIFACTS         where mismatching screenshots go (default: a new
                       folder under the system's temporary folder)

Timeouts are safety nets only: the tests wait for conditions (a window, a
page on screen, an exit), never for a fixed time.
"""

import atexit
import contextlib
import ctypes
import os
import select
import shlex
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

from PIL import Image
from Xlib import X, XK
from Xlib import display as xdisplay
from Xlib import error as xerror
from Xlib import protocol
from Xlib.ext import xtest

WIDTH = 800
HEIGHT = 600
PAGE_COUNT = 20
FONT_NAME = "times.ttf"
FIRST_DISPLAY = 90
LAST_DISPLAY = 189

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


# --------------------------------------------------------------------------
# Settings and tools


def timeout_scale():
    try:
        scale = float(os.environ.get("MR_TIMEOUT_SCALE", "1"))
    except ValueError:
        raise RuntimeError("MR_TIMEOUT_SCALE must be a number")
    return max(scale, 1.0)


def scaled(seconds):
    """A safety-net timeout, stretched for slow wrappers such as valgrind."""
    return seconds * timeout_scale()


def program_path():
    path = os.environ.get("MR_PROGRAM")
    if not path:
        raise RuntimeError("MR_PROGRAM is not set: point it at the mountain-ranges binary")
    path = os.path.abspath(path)
    if not os.access(path, os.X_OK):
        raise RuntimeError(f"MR_PROGRAM={path} is not an executable file")
    return path


def font_path():
    path = os.environ.get("MR_FONT")
    if not path:
        raise RuntimeError("MR_FONT is not set: point it at the times.ttf of the build folder")
    path = os.path.abspath(path)
    if not os.path.isfile(path):
        raise RuntimeError(f"MR_FONT={path} is not a file")
    return path


def wrapper():
    return shlex.split(os.environ.get("MR_WRAPPER", ""))


DEBIAN_PACKAGES = {"Xvfb": "xvfb", "xdotool": "xdotool", "valgrind": "valgrind"}


def tool(name):
    """A tool from PATH, or from /usr/bin where Debian puts it."""
    found = shutil.which(name) or shutil.which(name, path="/usr/bin")
    if not found:
        raise RuntimeError(f"{name} is not installed "
                           f"(Debian: apt-get install {DEBIAN_PACKAGES.get(name, name)})")
    return found


def artifacts_dir():
    folder = os.environ.get("MR_ARTIFACTS")
    if folder:
        os.makedirs(folder, exist_ok=True)
        return folder
    return tempfile.mkdtemp(prefix="mountain-ranges-e2e-")


_libc = ctypes.CDLL(None, use_errno=True)
_PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # Runs in the child between fork and exec: if the test process is killed
    # outright (CTest's timeout sends SIGKILL), its Xvfb and program go with
    # it instead of lingering.
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL)


def _stop(process, grace):
    """Terminates `process` politely, then for good; returns its status."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    return process.returncode


def _raise_exit_on_sigterm():
    # A run stopped with SIGTERM (timeout(1), a CI runner giving up) unwinds
    # as SystemExit, so every `finally` and cleanup stops what it started.
    # SIGKILL (CTest's own timeout) is covered by _die_with_parent.
    def handler(signum, frame):
        raise SystemExit(128 + signum)
    signal.signal(signal.SIGTERM, handler)


_raise_exit_on_sigterm()


# --------------------------------------------------------------------------
# The X server


def display_in_use(number):
    return (os.path.exists(f"/tmp/.X11-unix/X{number}")
            or os.path.exists(f"/tmp/.X{number}-lock"))


def free_display_number():
    """A display number that no server holds right now (for the tests that
    need a DISPLAY with nothing behind it)."""
    for number in range(LAST_DISPLAY, FIRST_DISPLAY - 1, -1):
        if not display_in_use(number):
            return number
    raise RuntimeError(f"displays :{FIRST_DISPLAY} to :{LAST_DISPLAY} are all taken")


class XServer:
    """A private Xvfb with one 800 x 600 x 24 screen, on the first free display
    from :90 up. Xvfb itself claims the display with its lock file, so two
    test processes racing for a number cannot both get it: the loser exits
    and the next number is tried."""

    def __init__(self):
        self.process = None
        self.number = None
        self.connection = None
        self.log = tempfile.TemporaryFile()

    @property
    def name(self):
        return f":{self.number}"

    def start(self):
        xvfb = tool("Xvfb")
        deadline = time.monotonic() + scaled(30)
        for number in range(FIRST_DISPLAY, LAST_DISPLAY + 1):
            if time.monotonic() > deadline:
                break
            if display_in_use(number):
                continue
            if self._try_start(xvfb, number):
                self.connection = xdisplay.Display(self.name)
                return self
        self.log.seek(0)
        raise RuntimeError("could not start Xvfb on any display from "
                           f":{FIRST_DISPLAY}; its last words: "
                           + self.log.read().decode(errors="replace")[-2000:])

    def _try_start(self, xvfb, number):
        # -displayfd makes Xvfb write the display number once it accepts
        # connections, so there is nothing to poll.
        ready_read, ready_write = os.pipe()
        try:
            process = subprocess.Popen(
                [xvfb, f":{number}", "-screen", "0", f"{WIDTH}x{HEIGHT}x24",
                 "-nolisten", "tcp", "-noreset", "-displayfd", str(ready_write)],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self.log,
                pass_fds=(ready_write,), preexec_fn=_die_with_parent)
        finally:
            os.close(ready_write)
        try:
            answer = b""
            deadline = time.monotonic() + scaled(20)
            while not answer.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([ready_read], [], [], left)[0]:
                    break
                chunk = os.read(ready_read, 64)
                if not chunk:
                    break  # Xvfb exited: another server took the number
                answer += chunk
        finally:
            os.close(ready_read)
        if answer.strip() == str(number).encode():
            self.process = process
            self.number = number
            return True
        _stop(process, 5)
        return False

    def stop(self):
        if self.connection is not None:
            try:
                self.connection.close()
            except Exception:
                pass
            self.connection = None
        if self.process is not None:
            _stop(self.process, 5)
            self.process = None
        self.log.close()

    # ---- screenshots and input through the server connection -------------

    def window(self, wid):
        return self.connection.create_resource_object("window", wid)

    def geometry(self, wid):
        g = self.window(wid).get_geometry()
        return g.width, g.height

    def screenshot(self, wid):
        """The window's pixels as an RGB image."""
        window = self.window(wid)
        g = window.get_geometry()
        reply = window.get_image(0, 0, g.width, g.height, X.ZPixmap, 0xFFFFFFFF)
        # A 24-bit TrueColor Xvfb screen stores pixels as 32-bit BGRX.
        return Image.frombytes("RGB", (g.width, g.height), reply.data, "raw", "BGRX")

    def title(self, wid):
        """The window's title as a task bar shows it: _NET_WM_NAME (UTF-8),
        else WM_NAME."""
        d = self.connection
        window = self.window(wid)
        prop = window.get_full_property(d.intern_atom("_NET_WM_NAME"), d.intern_atom("UTF8_STRING"))
        if prop is not None:
            return bytes(prop.value).decode("utf-8")
        name = window.get_wm_name()
        return name.decode("latin-1") if isinstance(name, bytes) else name

    def request_close(self, wid):
        """What a window manager sends when the user clicks the close button."""
        d = self.connection
        protocols = d.intern_atom("WM_PROTOCOLS")
        delete = d.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(
            window=self.window(wid), client_type=protocols,
            data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        self.window(wid).send_event(event, event_mask=X.NoEventMask)
        d.sync()

    def type_key(self, wid, keysym_name):
        """Presses and releases a key as the keyboard would (XTEST): the
        server stamps the events and keeps the modifier state. With no window
        manager the focus follows the pointer, so the pointer goes over the
        window first."""
        d = self.connection
        keycode = d.keysym_to_keycode(XK.string_to_keysym(keysym_name))
        if not keycode:
            raise RuntimeError(f"no key for {keysym_name} in the server's keymap")
        g = self.window(wid).get_geometry()
        origin = self.window(wid).translate_coords(d.screen().root, 0, 0)
        xtest.fake_input(d, X.MotionNotify, x=-origin.x + g.width // 2,
                         y=-origin.y + g.height // 2)
        xtest.fake_input(d, X.KeyPress, keycode)
        xtest.fake_input(d, X.KeyRelease, keycode)
        d.sync()

    def move_and_click(self, count, seed_x=7, seed_y=11):
        """`count` pointer motions, each followed by a click (buttons 1 to 5
        in turn: left, middle, right, wheel up and down), all over the screen
        the window covers, as real input generated by the server (XTEST)."""
        d = self.connection
        x, y = seed_x, seed_y
        for i in range(count):
            # A walk over the window that is the same every run.
            x = (x * 37 + 101) % WIDTH
            y = (y * 53 + 29) % HEIGHT
            xtest.fake_input(d, X.MotionNotify, x=x, y=y)
            button = 1 + i % 5
            xtest.fake_input(d, X.ButtonPress, button)
            xtest.fake_input(d, X.ButtonRelease, button)
            if i % 100 == 99:
                d.sync()
        d.sync()


# --------------------------------------------------------------------------
# The program


class ProgramRun:
    """One run of mountain-ranges in a scratch working directory.

    `font` is what the working directory holds as times.ttf: "copy" (a copy
    of MR_FONT), None (nothing), or a callable that makes it given the path.
    `display` is the DISPLAY to use, or None to unset it; `video_driver` the
    SDL_VIDEODRIVER, or None to leave the choice to the program."""

    def __init__(self, display, font="copy", video_driver="x11", args=()):
        self.workdir = tempfile.mkdtemp(prefix="mountain-ranges-run-")
        self.font_path = os.path.join(self.workdir, FONT_NAME)
        if font == "copy":
            shutil.copyfile(font_path(), self.font_path)
        elif callable(font):
            font(self.font_path)
        self.display = display
        self.video_driver = video_driver
        self.args = list(args)
        self.process = None
        self.wid = None
        self._stdout = tempfile.TemporaryFile()
        self._stderr = tempfile.TemporaryFile()
        self.stdout = None
        self.stderr = None

    def environment(self):
        env = dict(os.environ)
        for name in ("DISPLAY", "SDL_VIDEODRIVER", "LD_LIBRARY_PATH"):
            env.pop(name, None)
        if self.display is not None:
            env["DISPLAY"] = self.display
        if self.video_driver is not None:
            env["SDL_VIDEODRIVER"] = self.video_driver
        env["LC_ALL"] = "C.UTF-8"  # as on a desktop, where the title bar takes UTF-8
        library_path = [p for p in (os.environ.get("MR_LD_LIBRARY_PATH"),
                                    os.environ.get("LD_LIBRARY_PATH")) if p]
        if library_path:
            env["LD_LIBRARY_PATH"] = ":".join(library_path)
        return env

    def start(self):
        self.process = subprocess.Popen(
            wrapper() + [program_path()] + self.args, cwd=self.workdir, env=self.environment(),
            stdin=subprocess.DEVNULL, stdout=self._stdout, stderr=self._stderr,
            preexec_fn=_die_with_parent)
        return self

    def running(self):
        return self.process.poll() is None

    @contextlib.contextmanager
    def paused(self):
        """Stops the program (SIGSTOP) for the duration: what is sent to it
        meanwhile piles up, as it does while the program is busy drawing."""
        os.kill(self.process.pid, signal.SIGSTOP)
        try:
            yield
        finally:
            os.kill(self.process.pid, signal.SIGCONT)

    def _collect(self):
        if self.stdout is None:
            for attr, f in (("stdout", self._stdout), ("stderr", self._stderr)):
                f.seek(0)
                setattr(self, attr, f.read().decode(errors="replace"))
                f.close()

    def describe_exit(self):
        self._collect()
        return (f"exit status {self.process.returncode}; stdout {self.stdout!r}; "
                f"stderr {self.stderr!r}")

    def wait(self, timeout):
        """Waits for the program to end by itself; returns its exit status
        (negative for a signal). Fails the test if it is still running after
        `timeout` (already scaled) seconds, and then kills it."""
        try:
            self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            self._collect()
            raise AssertionError(
                f"the program was still running after {timeout:.0f} s (killed it); "
                f"stdout {self.stdout!r}, stderr {self.stderr!r}") from None
        self._collect()
        return self.process.returncode

    def stop(self):
        if self.process is not None:
            # Only a test that failed half way leaves the program running.
            if self.process.poll() is None:
                self.process.kill()
            self.process.wait()
            self._collect()
        shutil.rmtree(self.workdir, ignore_errors=True)


# --------------------------------------------------------------------------
# xdotool


def xdotool(display, *args, timeout=None):
    result = subprocess.run(
        [tool("xdotool"), *args], env=dict(os.environ, DISPLAY=display),
        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
        timeout=timeout or scaled(30))
    return result


def _search_window(server, run):
    """The program's visible window right now, or None."""
    queries = [["search", "--onlyvisible", "--pid", str(run.process.pid)]]
    if wrapper():
        # A wrapper may run the program under another process id.
        queries.append(["search", "--onlyvisible", "--classname", "mountain-ranges"])
    for query in queries:
        found = xdotool(server.name, *query).stdout.split()
        if found:
            return int(found[-1])
    return None


def find_window(server, run, timeout=None):
    """The program's window, once it is mapped. Fails early with the
    program's own words if it exits first."""
    timeout = timeout or scaled(20)
    deadline = time.monotonic() + timeout
    while True:
        if not run.running():
            raise AssertionError("the program ended before its window appeared: "
                                 + run.describe_exit())
        wid = _search_window(server, run)
        if wid is not None:
            run.wid = wid
            return wid
        if time.monotonic() > deadline:
            raise AssertionError(f"no window from the program within {timeout:.0f} s")
        time.sleep(0.05)


def _xdotool_to_window(server, command, wid, *args):
    result = xdotool(server.name, command, "--window", str(wid), *args)
    # The window going away mid-command is not the tool's fault: the last key
    # press ends the program before xdotool sends the key's release. Whether
    # the program should have ended is for the test to judge.
    if result.returncode != 0 and b"BadWindow" not in result.stderr:
        raise AssertionError(f"xdotool {command} failed: "
                             + result.stderr.decode(errors="replace"))


def press_keys(server, wid, *keys, delay_ms=12):
    """Key presses (each a press and its release) sent to the window."""
    _xdotool_to_window(server, "key", wid, "--delay", str(delay_ms), *keys)


def key_down(server, wid, *keys):
    _xdotool_to_window(server, "keydown", wid, *keys)


def key_up(server, wid, *keys):
    _xdotool_to_window(server, "keyup", wid, *keys)


# --------------------------------------------------------------------------
# The pages the window should show


_pages = {}


def reference_pages(length=16):
    """The exported pages of `length` as RGB images, made once per process.
    Skips the calling test when no exporter is available."""
    if length in _pages:
        return _pages[length]
    folder = os.environ.get("MR_PAGES_DIR") if length == 16 else None
    if not folder:
        exporter = os.environ.get("MR_EXPORT")
        if not exporter:
            raise unittest.SkipTest("no exported pages to compare with: set MR_EXPORT "
                                    "to mountain-ranges-export (or MR_PAGES_DIR)")
        folder = tempfile.mkdtemp(prefix="mountain-ranges-export-")
        atexit.register(shutil.rmtree, folder, ignore_errors=True)
        env = dict(os.environ, SDL_VIDEODRIVER="dummy")
        env.pop("DISPLAY", None)
        result = subprocess.run([exporter, "--length", str(length), "--font", font_path(), folder],
                                env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                timeout=scaled(60))
        if result.returncode != 0:
            raise RuntimeError(f"{exporter} failed with status {result.returncode}: "
                               + result.stderr.decode(errors="replace"))
    names = sorted(n for n in os.listdir(folder) if n.startswith("page-") and n.endswith(".png"))
    if not names or names != [f"page-{i:02d}.png" for i in range(1, len(names) + 1)]:
        raise RuntimeError(f"expected page-01.png ... in {folder}, found {names}")
    pages = []
    for name in names:
        with Image.open(os.path.join(folder, name)) as image:
            pages.append(image.convert("RGB"))
    if length == 16 and len(pages) != PAGE_COUNT:
        raise RuntimeError(f"expected {PAGE_COUNT} pages of length 16 in {folder}, found {len(pages)}")
    _pages[length] = pages
    return pages


def first_difference(got, expected):
    """(x, y, got pixel, expected pixel, number of differing pixels) or None."""
    if got.size != expected.size:
        return None
    a = got.tobytes()
    b = expected.tobytes()
    if a == b:
        return None
    width = got.size[0]
    differing = 0
    first = None
    for i in range(0, len(a), 3):
        if a[i:i + 3] != b[i:i + 3]:
            differing += 1
            if first is None:
                first = i // 3
    x, y = first % width, first // width
    return x, y, got.getpixel((x, y)), expected.getpixel((x, y)), differing


def wait_for_page(server, run, number, timeout=None, length=16):
    """Polls screenshots until the window shows exported page `number`
    (counted from 1) of `length`. On timeout, saves the last screenshot and
    the expected page and fails naming the first differing pixel."""
    expected = reference_pages(length)[number - 1]
    timeout = timeout or scaled(15)
    deadline = time.monotonic() + timeout
    shot = None
    last_error = None
    while True:
        alive = run.running()
        try:
            shot = server.screenshot(run.wid)
        except xerror.XError as error:
            last_error = error
            # The window is gone: with the program, or because SDL replaced
            # it while setting up (sdl12-compat does when it picks an OpenGL
            # visual, which a slow run under valgrind gets to see).
            shot = None
            if alive:
                run.wid = _search_window(server, run) or run.wid
        if shot is not None and shot.tobytes() == expected.tobytes():
            return shot
        if not alive:
            raise AssertionError(f"the program ended while page {number} was awaited: "
                                 + run.describe_exit())
        if time.monotonic() > deadline:
            break
        time.sleep(0.02)
    if shot is None:
        raise AssertionError(f"no screenshot of window {run.wid:#x} could be taken while "
                             f"page-{number:02d} was awaited: {last_error}; "
                             + describe_window(server, run.wid))
    raise AssertionError(mismatch_report(shot, expected, f"page-{number:02d}"))


def describe_window(server, wid):
    """Where the window is and whether it is mapped, for failure messages."""
    try:
        window = server.window(wid)
        g = window.get_geometry()
        origin = window.translate_coords(server.connection.screen().root, 0, 0)
        state = window.get_attributes().map_state
        return (f"window {wid:#x} is {g.width} x {g.height} at ({-origin.x}, {-origin.y}), "
                f"map state {state} (2 = viewable)")
    except xerror.XError as error:
        return f"window {wid:#x} cannot be queried: {error}"


def mismatch_report(shot, expected, name):
    folder = artifacts_dir()
    expected_path = os.path.join(folder, f"{name}-expected.png")
    expected.save(expected_path)
    shot_path = os.path.join(folder, f"{name}-screen.png")
    shot.save(shot_path)
    if shot.size != expected.size:
        return (f"{name}: the window is {shot.size[0]} x {shot.size[1]}, the page "
                f"{expected.size[0]} x {expected.size[1]}; saved {shot_path} and {expected_path}")
    x, y, got, want, count = first_difference(shot, expected)
    shown = [i for i, page in enumerate(reference_pages(), start=1)
             if page.tobytes() == shot.tobytes()]
    instead = f" (the window shows page {shown[0]} instead)" if shown else ""
    return (f"{name} is not on screen{instead}: first differing pixel at ({x}, {y}) is "
            f"{'%02x%02x%02x' % got} on screen, {'%02x%02x%02x' % want} exported; "
            f"{count} pixels differ; saved {shot_path} and {expected_path}")


# --------------------------------------------------------------------------
# Test case base


class ProgramTestCase(unittest.TestCase):
    """Each test gets its own Xvfb and its own program run. A fresh server per
    test costs a fraction of a second and keeps what one run leaves behind
    in the server (input focus, keyboard state) from reaching the next."""

    server = None

    def setUp(self):
        self.server = XServer()
        self.addCleanup(self.server.stop)
        self.server.start()

    def start_program(self, font="copy", find=True, args=()):
        run = ProgramRun(self.server.name, font=font, args=args)
        self.addCleanup(run.stop)
        run.start()
        if find:
            find_window(self.server, run)
        return run

    def show(self, run, number, length=16):
        """Waits until exported page `number` of `length` is on screen."""
        return wait_for_page(self.server, run, number, length=length)

    def press(self, run, *keys):
        press_keys(self.server, run.wid, *keys)

    def request_close(self, run):
        self.server.request_close(run.wid)

    def assert_still_running(self, run, where):
        if not run.running():
            self.fail(f"the program ended {where}: {run.describe_exit()}")

    def assert_clean_exit(self, run):
        """The program ends by itself with status 0 and prints nothing."""
        status = run.wait(scaled(20))
        self.assertEqual(status, 0, "expected exit status 0: " + run.describe_exit())
        self.assertEqual(run.stdout, "", "the program printed on stdout")
        self.assertEqual(run.stderr, "", "the program printed on stderr")
