#!/usr/bin/python3
"""The real mountain-ranges in a private Xvfb, driven as a user drives it, every
page on screen compared with the exported one: only what needs an X server.
MR_PROGRAM and MR_EXPORT name the binaries; MR_WRAPPER (valgrind, keeping stdout
and stderr clean) and MR_LD_LIBRARY_PATH (another SDL 1.2) apply to the window
program alone; MR_TIMEOUT_SCALE stretches the timeouts, safety nets only."""
import os
import shlex
import signal
import subprocess
import tempfile
import time
import unittest

from PIL import Image
from Xlib import X, XK, display as xdisplay, error as xerror, protocol
from Xlib.ext import xtest

PROGRAM, EXPORT = os.environ["MR_PROGRAM"], os.environ["MR_EXPORT"]
SANS = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"  # fonts-liberation, beside the default serif
SCALE = float(os.environ.get("MR_TIMEOUT_SCALE", "1"))


def until(condition, seconds, what):
    deadline = time.monotonic() + seconds * SCALE
    while not (value := condition()):
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.02)
    return value


def exported_pages(*args):
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([EXPORT, *args, folder], check=True, capture_output=True, timeout=60)
        return [Image.open(os.path.join(folder, name)).convert("RGB").tobytes() for name in sorted(os.listdir(folder))]


def start_server(test, noreset=True):
    """A private Xvfb; returns its display name. Without -noreset it resets
    whenever its last client leaves, as under xvfb-run."""
    ready, ready_write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(ready_write), "-screen", "0", "800x600x24", "-nolisten",
                               "tcp"] + ["-noreset"] * noreset, pass_fds=(ready_write,), stderr=subprocess.DEVNULL)
    os.close(ready_write)
    test.addCleanup(lambda: (server.kill(), server.wait()))
    with os.fdopen(ready) as answer:
        return ":" + answer.readline().strip()


class Run:
    """One run of the program on `display`, from an empty working directory."""

    def __init__(self, test, display, *args, driver="x11", alone=False, connect=True):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "SDL_VIDEODRIVER", "LD_LIBRARY_PATH")}
        for name, value in (("DISPLAY", display), ("SDL_VIDEODRIVER", driver),
                            ("LD_LIBRARY_PATH", os.environ.get("MR_LD_LIBRARY_PATH")), ("LC_ALL", "C.UTF-8")):
            env.update({name: value} if value else {})
        work = tempfile.TemporaryDirectory()
        test.addCleanup(work.cleanup)
        self.process = subprocess.Popen(shlex.split(os.environ.get("MR_WRAPPER", "")) + [PROGRAM, *args], cwd=work.name,
                                        env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        test.addCleanup(self.stop)
        if connect:
            time.sleep(SCALE if alone else 0)  # the program is the server's only client while it starts
            self.x = until(lambda: self.connect(display), 10, "a connection to " + display)
            test.addCleanup(self.x.close)

    @staticmethod
    def connect(display):
        try:
            return xdisplay.Display(display)
        except xerror.DisplayError:  # the server is resetting
            return None

    def stop(self):
        self.process.kill()  # nothing once it has ended and been waited for
        self.process.wait()

    def finish(self, seconds=20):
        """Status, stdout and stderr once the program has ended by itself."""
        out, err = self.process.communicate(timeout=seconds * SCALE)
        return self.process.returncode, out, err

    def window(self):
        # No window manager: the program's window is the root's one mapped child of 800 x 600.
        for child in self.x.screen().root.query_tree().children:
            try:
                if child.get_attributes().map_state == X.IsViewable and child.get_geometry().width == 800:
                    return child
            except xerror.XError:  # gone since the query: a window of a run that has just ended
                pass
        return None

    def screen(self):
        try:
            data = self.window().get_image(0, 0, 800, 600, X.ZPixmap, 0xFFFFFFFF).data
            return Image.frombytes("RGB", (800, 600), data, "raw", "BGRX").tobytes()
        except (AttributeError, xerror.XError):
            return None  # no window yet, or sdl12-compat replacing it

    def show(self, page, name):
        """Waits for `page` on screen; fails naming the first pixel that differs."""
        try:
            until(lambda: self.screen() == page or self.process.poll() is not None, 15, name)
        except AssertionError:
            shot = self.screen() or b""
            first = next(i // 3 for i in range(0, len(page), 3) if shot[i:i + 3] != page[i:i + 3])
            raise AssertionError(f"{name} is not on screen: pixel ({first % 800}, {first // 800}) differs") from None
        if self.process.poll() is not None:
            raise AssertionError(f"the program ended before {name}: {self.finish()}")

    def titles(self):
        """The types and texts of WM_NAME, which older window managers read, and _NET_WM_NAME."""
        found = [self.window().get_full_property(self.x.intern_atom(name), X.AnyPropertyType)
                 for name in ("WM_NAME", "_NET_WM_NAME")]
        return [(self.x.get_atom_name(p.property_type), bytes(p.value).decode("latin-1" if i == 0 else "utf-8"))
                for i, p in enumerate(found)]

    def key(self, name, event):
        xtest.fake_input(self.x, X.MotionNotify, x=400, y=300)  # without a window manager keys follow the pointer
        xtest.fake_input(self.x, event, self.x.keysym_to_keycode(XK.string_to_keysym(name)))
        self.x.sync()

    def tap(self, name):
        self.key(name, X.KeyPress)
        self.key(name, X.KeyRelease)

    def request_close(self):
        """What a window manager sends when the user clicks the close button."""
        event = protocol.event.ClientMessage(window=self.window(), client_type=self.x.intern_atom("WM_PROTOCOLS"),
                                             data=(32, [self.x.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0]))
        self.window().send_event(event, event_mask=X.NoEventMask)
        self.x.sync()

    def mouse(self, count):
        for i in range(count):
            xtest.fake_input(self.x, X.MotionNotify, x=(i * 37) % 800, y=(i * 53) % 600)
            xtest.fake_input(self.x, X.ButtonPress, 1 + i % 5)
            xtest.fake_input(self.x, X.ButtonRelease, 1 + i % 5)
        self.x.sync()


KEYS = ["space", "Return", "a", "Escape", "F1", "Left", "BackSpace", "Shift_L", "Control_R", "KP_Enter", "1"]


def titles(words, number, count):
    """WM_NAME as Latin-1 text with a plain dash; _NET_WM_NAME in UTF-8 (run in C.UTF-8)."""
    title = f"Mountain ranges of length {words} \u2014 page {number} of {count}"
    return [("STRING", title.replace("\u2014", "-")), ("UTF8_STRING", title)]


class WalkTest(unittest.TestCase):

    def test_every_page_as_exported_a_key_or_close_request_each(self):
        def turn(run, number):
            if number % 4 == 3:
                run.request_close()  # turns the page like a key
                return
            if number == 5:
                os.kill(run.process.pid, signal.SIGSTOP)  # busy: input piles up, more than SDL's queue holds
                run.mouse(300)
            key = KEYS[number % len(KEYS)]
            run.key(key, X.KeyPress)
            os.kill(run.process.pid, signal.SIGCONT)
            if number < 20:
                run.show(pages[number], f"page {number + 1}")
                run.mouse(20)  # motion, clicks and the key's release turn no page
            run.key(key, X.KeyRelease)

        pages = exported_pages()
        self.assertEqual(len(pages), 20)
        run = Run(self, start_server(self))
        for number, page in enumerate(pages, start=1):
            run.show(page, f"page {number}")
            self.assertEqual(run.titles(), titles("16", number, 20))
            turn(run, number)
        self.assertEqual(run.finish(), (0, "", ""))


class BrowseTest(unittest.TestCase):

    def test_the_peaks_gallery_browsed_to_and_fro_then_q_or_a_close_request_ends_it(self):
        pages = exported_pages("--group-by", "peaks")
        last = len(pages)
        run = Run(self, start_server(self), "--browse", "--group-by", "peaks")
        run.show(pages[0], "page 1")
        # A key that must do nothing cannot be waited for: a move it makes shows in the pages after the next key.
        for key, number in (("Left", 1), ("Shift_L", 1), ("a", 1), ("Right", 2), ("Down", 3), ("Page_Down", 4),
                            ("space", 5), ("Return", 6), ("KP_Enter", 7), ("Up", 6), ("Page_Up", 5), ("BackSpace", 4),
                            ("End", last), ("Right", last), ("Control_L", last), ("Left", last - 1), ("Home", 1)):
            run.tap(key)
            run.show(pages[number - 1], f"page {number} after {key}")
            self.assertEqual(run.titles(), titles("16 by peaks", number, last))
        run.tap("q")
        self.assertEqual(run.finish(), (0, "", ""))
        run = Run(self, start_server(self), "--browse", "--length", "12", "--font", SANS)
        run.show(exported_pages("--length", "12", "--font", SANS)[0], "page 1 of 3 in Liberation Sans")
        run.request_close()
        self.assertEqual(run.finish(5), (0, "", ""))


class SignalTest(unittest.TestCase):

    def test_interrupt_and_terminate_end_it_at_any_moment_even_on_a_server_that_resets(self):
        page = exported_pages("--length", "8")[0]
        for number in (signal.SIGINT, signal.SIGTERM) * 3:
            run = Run(self, start_server(self, noreset=False), "--length", "8", alone=True)
            run.show(page, "page 1")
            run.process.send_signal(number)
            self.assertEqual(run.finish(5)[0], -number)
        display = start_server(self)
        for delay, number in zip([0, 0.05, 0.1, 0.2, 0.4] + [None] * 5, (signal.SIGINT, signal.SIGTERM) * 5):
            run = Run(self, display, "--length", "8")
            time.sleep(delay or 0)
            while delay is None and run.window() is None and run.process.poll() is None:
                pass  # signalled as its window shows, while SDL's own handlers may still be in place
            run.process.send_signal(number)
            self.assertEqual(run.finish(5)[0], -number, f"signalled {delay} s after the start")


class NoDisplayTest(unittest.TestCase):

    def test_one_line_and_status_1_without_an_x_server(self):
        for display in (None, ":59999"):
            for driver in ("x11", None):  # unset, SDL 1.2 would draw in the terminal instead
                status, out, err = Run(self, display, driver=driver, connect=False).finish(10)
                self.assertEqual((status, out, err.count("\n")), (1, "", 1), err)
                self.assertIn("no X display", err)


if __name__ == "__main__":
    unittest.main()
