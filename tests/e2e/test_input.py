"""Which input turns a page: mouse activity and key releases do not; key
presses do, however fast they come."""

import string
import unittest

from harness import PAGE_COUNT, ProgramTestCase, key_down, key_up, press_keys

# SDL 1.2 takes a key release followed at once by a press of the same key, both
# with the same time stamp, for auto-repeat and drops the pair. xdotool's
# synthetic events all carry time stamp 0, so a fast burst of one key would be
# mostly swallowed by SDL before the program sees it; a burst of different keys
# is what a user hammering the keyboard produces.
BURST_KEYS = list(string.ascii_lowercase + string.digits)


class IgnoredInputTest(ProgramTestCase):

    def walk_on_with_keys(self, run, from_page):
        """Shows `from_page` to the last page, one key each: checks that
        nothing before used up any of the twenty page turns."""
        for page in range(from_page, PAGE_COUNT + 1):
            self.show(run, page)
            self.assert_still_running(run, f"on page {page}")
            self.press(run, "space")
        self.assert_clean_exit(run)

    def test_mouse_motion_and_clicks_do_not_turn_the_page(self):
        run = self.start_program()
        self.show(run, 1)
        self.server.move_and_click(1000)
        self.show(run, 1)
        self.assert_still_running(run, "after mouse motion and clicks")
        self.server.type_key(run.wid, "space")
        # Had any of the 1000 clicks counted, the program would have ended
        # long before the next twenty key presses.
        self.walk_on_with_keys(run, 2)

    def test_key_press_is_not_lost_behind_mouse_activity(self):
        # The user moves and clicks the mouse while the program is busy, then
        # presses a key. SDL 1.2 queues at most 127 events and drops what
        # comes after: the key press must not be among the dropped.
        run = self.start_program()
        self.show(run, 1)
        with run.paused():
            self.server.move_and_click(1000)
            self.server.type_key(run.wid, "space")
        self.walk_on_with_keys(run, 2)

    def test_key_releases_do_not_turn_the_page(self):
        run = self.start_program()
        self.show(run, 1)
        # Releases of keys that were never pressed...
        key_up(self.server, run.wid, *BURST_KEYS)
        # ...and of each key pressed to turn a page, sent once the next page
        # is on screen.
        for page in range(1, PAGE_COUNT):
            key = BURST_KEYS[page % len(BURST_KEYS)]
            self.show(run, page)
            key_down(self.server, run.wid, key)
            self.show(run, page + 1)
            key_up(self.server, run.wid, key)
        self.walk_on_with_keys(run, PAGE_COUNT)


class KeyBurstTest(ProgramTestCase):

    def test_forty_key_presses_at_once_end_the_program_cleanly(self):
        keys = (BURST_KEYS * 2)[:2 * PAGE_COUNT]
        run = self.start_program()
        self.show(run, 1)
        # One xdotool call, no delay between the keys.
        press_keys(self.server, run.wid, *keys, delay_ms=0)
        self.assert_clean_exit(run)


if __name__ == "__main__":
    unittest.main()
