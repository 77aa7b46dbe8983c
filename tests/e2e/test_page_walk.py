"""Walking the gallery: every key press or close request shows the next page,
and the one on the last page ends the program."""

import signal
import unittest

from harness import PAGE_COUNT, ProgramTestCase, scaled


class KeyWalkTest(ProgramTestCase):

    def test_each_key_shows_the_next_page_and_the_last_ends_the_program(self):
        run = self.start_program()
        for page in range(1, PAGE_COUNT + 1):
            self.show(run, page)
            self.assert_still_running(run, f"on page {page}, before its key press")
            self.press(run, "space")
        self.assert_clean_exit(run)

    def test_any_key_turns_the_page(self):
        # Letters, digits, editing and function keys, modifiers alone, typed
        # on the server's keyboard. (xdotool's synthetic events carry no
        # modifier state, which SDL 2 under sdl12-compat reconciles with the
        # keyboard's, dropping or doubling modifier presses.)
        keys = ["Return", "a", "slash", "1", "Escape", "F1", "Left", "BackSpace", "Tab",
                "Shift_L", "Control_R", "KP_Enter", "Home", "q", "period", "F12",
                "Down", "Delete", "Alt_L", "space"]
        self.assertEqual(len(keys), PAGE_COUNT)
        run = self.start_program()
        for page, key in enumerate(keys, start=1):
            self.show(run, page)
            self.assert_still_running(run, f"on page {page}, before pressing {key}")
            self.server.type_key(run.wid, key)
        self.assert_clean_exit(run)

    def test_a_shorter_length_names_its_page_in_the_title_bar(self):
        run = self.start_program(args=["--length", "10"])
        for page in (1, 2):
            self.show(run, page, length=10)
            self.assertEqual(self.server.title(run.wid),
                             f"Mountain ranges of length 10 \u2014 page {page} of 2")
            self.press(run, "space")
        self.assert_clean_exit(run)


class CloseRequestTest(ProgramTestCase):
    """A close request (the window manager's WM_DELETE_WINDOW) counts as a key
    press: it never ends the program early."""

    def test_close_request_turns_the_page_like_a_key(self):
        run = self.start_program()
        self.show(run, 1)
        self.request_close(run)
        # Page 2 follows, and the count goes on from there: keys and close
        # requests alike.
        for page in range(2, PAGE_COUNT + 1):
            self.show(run, page)
            self.assert_still_running(run, f"on page {page}")
            if page % 2:
                self.request_close(run)
            else:
                self.press(run, "space")
        self.assert_clean_exit(run)

    def test_close_request_on_every_page_ends_the_program_after_the_last(self):
        run = self.start_program()
        for page in range(1, PAGE_COUNT + 1):
            self.show(run, page)
            self.assert_still_running(run, f"on page {page}, before its close request")
            self.request_close(run)
        self.assert_clean_exit(run)


class SignalTest(ProgramTestCase):
    """Ctrl-C, kill and the end of a desktop session end the program at once,
    by the signal's own default action, where a close request turns the page."""

    def test_interrupt_and_terminate_end_the_program(self):
        for number in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(signal=number.name):
                run = self.start_program()
                self.show(run, 1)
                run.process.send_signal(number)
                self.assertEqual(run.wait(scaled(5)), -number, run.describe_exit())


if __name__ == "__main__":
    unittest.main()
