#!/usr/bin/python3
"""Times the program as a user sees it, in a real window under Xvfb.

Reports the time from process start to the first page on screen, and from a
key press to the next page on screen (median, minimum and maximum over the 19
page breaks). A page counts as on screen when a screenshot of the window
differs from the one before the key; screenshots are taken as fast as the X
server gives them, which sets the resolution (printed too).

usage: bench/screen_timing.py PROGRAM FONT

With MR_WRAPPER set, the program runs under that command, for instance
MR_WRAPPER="valgrind --tool=callgrind" to count the instructions of a whole
interactive run; the times are then the wrapper's, not the program's.
"""
import os
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from Xlib import X, display as xdisplay
from Xlib.protocol import event


def free_display():
    for number in range(150, 250):
        if not os.path.exists("/tmp/.X11-unix/X%d" % number) and not os.path.exists("/tmp/.X%d-lock" % number):
            return number
    raise RuntimeError("no free X display number")


def main(program, font):
    number = free_display()
    server = subprocess.Popen(["Xvfb", ":%d" % number, "-screen", "0", "800x600x24", "-nolisten", "tcp",
                               "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    work = tempfile.mkdtemp()
    try:
        while not os.path.exists("/tmp/.X11-unix/X%d" % number):
            time.sleep(0.01)
        shutil.copy(font, os.path.join(work, "times.ttf"))
        env = dict(os.environ, DISPLAY=":%d" % number, SDL_VIDEODRIVER="x11")
        x = xdisplay.Display(":%d" % number)
        root = x.screen().root

        def window():
            for child in root.query_tree().children:
                attributes = child.get_attributes()
                if attributes.map_state == X.IsViewable:
                    geometry = child.get_geometry()
                    if (geometry.width, geometry.height) == (800, 600):
                        return child
            return None

        def shot(win):
            return win.get_image(0, 0, 800, 600, X.ZPixmap, 0xFFFFFFFF).data

        started = time.perf_counter()
        wrapper = shlex.split(os.environ.get("MR_WRAPPER", ""))
        proc = subprocess.Popen(wrapper + [program], cwd=work, env=env)
        win = None
        while win is None:
            win = window()
        blank = shot(win)
        # The window is black until the first flip.
        while True:
            image = shot(win)
            if image != blank or image.count(b"\xff") > 1000:
                break
        first_page = time.perf_counter() - started

        keycode = x.keysym_to_keycode(0x20)  # space

        def press_key():
            # SDL drops a press of a key it believes is still down: release it too.
            for kind, mask in ((event.KeyPress, X.KeyPressMask), (event.KeyRelease, X.KeyReleaseMask)):
                key = kind(time=X.CurrentTime, root=root, window=win, same_screen=1, child=X.NONE,
                           root_x=0, root_y=0, event_x=0, event_y=0, state=0, detail=keycode)
                win.send_event(key, event_mask=mask, propagate=True)
            x.sync()

        shots, took = 0, 0.0
        latencies = []
        for _ in range(19):
            before = shot(win)
            sent = time.perf_counter()
            press_key()
            while True:
                t0 = time.perf_counter()
                image = shot(win)
                took += time.perf_counter() - t0
                shots += 1
                if image != before:
                    break
            latencies.append(time.perf_counter() - sent)
            time.sleep(0.05)
        press_key()  # the last page's key ends the program
        proc.wait(timeout=300)
        ms = [1000 * value for value in latencies]
        print("start to first page on screen: %.1f ms" % (1000 * first_page))
        print("key to next page on screen: median %.2f ms, min %.2f ms, max %.2f ms over %d page breaks"
              % (statistics.median(ms), min(ms), max(ms), len(ms)))
        print("screenshot resolution: %.2f ms" % (1000 * took / shots))
        return proc.returncode
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])))
