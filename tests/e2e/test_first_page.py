"""The window as it opens: its size and the first page."""

import unittest

from harness import HEIGHT, WIDTH, ProgramTestCase


class FirstPageTest(ProgramTestCase):

    def test_window_is_800_by_600(self):
        run = self.start_program()
        self.assertEqual(self.server.geometry(run.wid), (WIDTH, HEIGHT))

    def test_first_page_equals_exported_page(self):
        run = self.start_program()
        self.show(run, 1)
        self.assert_still_running(run, "right after showing the first page")


if __name__ == "__main__":
    unittest.main()
