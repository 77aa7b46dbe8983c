"""No X server: the program must end by itself, promptly, with status 1 and
exactly one line on stderr, never with a signal and never by hanging."""

import unittest

from harness import ProgramRun, free_display_number, scaled


class FailureAssertions:

    def assert_fails_with_one_line(self, run, *mentions):
        status = run.wait(scaled(10))
        self.assertGreaterEqual(status, 0, f"killed by signal {-status}: {run.describe_exit()}")
        self.assertEqual(status, 1, "expected exit status 1: " + run.describe_exit())
        self.assertEqual(run.stdout, "", "the program printed on stdout")
        self.assertTrue(run.stderr.endswith("\n") and run.stderr.count("\n") == 1,
                        f"expected exactly one line on stderr, got {run.stderr!r}")
        line = run.stderr.strip()
        self.assertTrue(line, "the line on stderr is blank")
        for mention in mentions:
            if isinstance(mention, tuple):
                self.assertTrue(any(m in line for m in mention),
                                f"the message should mention one of {mention}: {line!r}")
            else:
                self.assertIn(mention, line, f"the message should mention {mention!r}")
        return line


class NoDisplayTest(FailureAssertions, unittest.TestCase):
    """No X server to talk to, as over ssh: with SDL_VIDEODRIVER=x11, and
    with no driver named, where SDL would fall back to drawing in the
    terminal and waiting there."""

    def assert_refused(self, display, video_driver):
        run = ProgramRun(display, video_driver=video_driver)
        self.addCleanup(run.stop)
        line = self.assert_fails_with_one_line(run.start())
        self.assertIn("display", line.lower())

    def test_no_display_set(self):
        for driver in ("x11", None):
            with self.subTest(SDL_VIDEODRIVER=driver):
                self.assert_refused(None, driver)

    def test_display_without_a_server(self):
        for driver in ("x11", None):
            with self.subTest(SDL_VIDEODRIVER=driver):
                self.assert_refused(f":{free_display_number()}", driver)


if __name__ == "__main__":
    unittest.main()
