"""The window as it opens: its size, the title, and the first page."""

import time
import unittest

from harness import BLACK, HEIGHT, WHITE, WIDTH, ProgramTestCase, scaled

# The title sits at the top left; the first caption starts lower, at about y 58.
TITLE_BAND_BOTTOM = 45
TITLE_BOX = (10, 5, 380, 30)  # left, top, right, bottom, inclusive


class FirstPageTest(ProgramTestCase):

    def first_drawn_screen(self, run):
        """The window's first screenshot after the program has drawn into it
        (it is black until the first page is flipped onto it)."""
        deadline = time.monotonic() + scaled(15)
        while True:
            shot = self.server.screenshot(run.wid)
            if shot.getextrema() != ((0, 0), (0, 0), (0, 0)):
                return shot
            self.assert_still_running(run, "before drawing anything")
            if time.monotonic() > deadline:
                self.fail("the window stayed black: nothing was drawn")
            time.sleep(0.02)

    def test_window_is_800_by_600(self):
        run = self.start_program()
        self.assertEqual(self.server.geometry(run.wid), (WIDTH, HEIGHT))

    def test_title_is_black_text_at_top_left(self):
        run = self.start_program()
        shot = self.first_drawn_screen(run)
        pixels = shot.load()
        title = [(x, y) for y in range(TITLE_BAND_BOTTOM) for x in range(WIDTH)
                 if pixels[x, y] == BLACK]
        self.assertTrue(title, "no black pixels at the top of the first page")
        left = min(x for x, _ in title)
        right = max(x for x, _ in title)
        top = min(y for _, y in title)
        bottom = max(y for _, y in title)
        box = (left, top, right, bottom)
        self.assertGreaterEqual(left, TITLE_BOX[0], f"title box {box}")
        self.assertGreaterEqual(top, TITLE_BOX[1], f"title box {box}")
        self.assertLessEqual(right, TITLE_BOX[2], f"title box {box}")
        self.assertLessEqual(bottom, TITLE_BOX[3], f"title box {box}")
        # A line of text, not a stray dot: a few hundred pixels wide and
        # letter-high.
        self.assertGreater(right - left, 200, f"title box {box}")
        self.assertGreater(bottom - top, 8, f"title box {box}")
        # Around the text the page is white.
        background = [pixels[x, y] for y in range(TITLE_BAND_BOTTOM) for x in range(WIDTH)
                      if pixels[x, y] != BLACK]
        self.assertEqual(set(background), {WHITE},
                         "the title band holds colours other than black text on white")

    def test_first_page_equals_exported_page(self):
        run = self.start_program()
        self.show(run, 1)
        self.assert_still_running(run, "right after showing the first page")


if __name__ == "__main__":
    unittest.main()
