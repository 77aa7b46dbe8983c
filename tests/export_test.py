"""The exporter as a user runs it: its pages, its messages, its failures."""
import os
import resource
import signal
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

EXPORT = os.environ["MR_EXPORT"]
FONT = os.environ["MR_FONT"]
WHITE, BLUE, BLACK = (255, 255, 255), (0, 0, 255), (0, 0, 0)


def run(args, cwd, limit_file_size=None):
    def limit():
        if limit_file_size is not None:
            # A full disk, as far as the writer can tell: writes past the limit fail.
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_file_size, limit_file_size))
    return subprocess.run([EXPORT] + args, cwd=cwd, capture_output=True, text=True, timeout=60,
                          preexec_fn=limit)


def colour_box(image, colour, top=0, bottom=600):
    """Bounding box (left, top, right, bottom) of the pixels of one colour in a band of rows."""
    xs, ys = [], []
    pixels = image.load()
    for y in range(top, bottom):
        for x in range(image.width):
            if pixels[x, y] == colour:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


class ExportedPages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        os.symlink(FONT, os.path.join(cls.work.name, "times.ttf"))
        cls.out = os.path.join(cls.work.name, "pages")
        os.mkdir(cls.out)
        cls.result = run([cls.out], cwd=cls.work.name)

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def page(self, number):
        return Image.open(os.path.join(self.out, "page-%02d.png" % number)).convert("RGB")

    def test_twenty_pages_and_a_line_for_each(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)
        self.assertEqual(self.result.stderr, "")
        self.assertEqual(sorted(os.listdir(self.out)), ["page-%02d.png" % n for n in range(1, 21)])
        lines = self.result.stdout.splitlines()
        self.assertEqual(len(lines), 21)
        self.assertTrue(lines[-1].startswith("20 pages written to "), lines[-1])

    def test_pages_are_window_sized_in_three_colours(self):
        for number in range(1, 21):
            image = self.page(number)
            self.assertEqual(image.size, (800, 600))
            self.assertLessEqual({c for _, c in image.getcolors(4)}, {WHITE, BLUE, BLACK}, number)

    def test_first_and_last_page_have_their_text_in_place(self):
        first = self.page(1)
        title = colour_box(first, BLACK, 0, 40)
        self.assertIsNotNone(title)
        self.assertGreaterEqual(title[0], 10)
        self.assertGreaterEqual(title[1], 5)
        for y in (54, 119, 232, 441):  # captions of groups 8, 7, 6 and 5
            caption = colour_box(first, BLACK, y, y + 24)
            self.assertIsNotNone(caption, y)
            self.assertGreaterEqual(caption[1], y)
            self.assertLess(caption[2], 200)
        # The last page: 37 ranges of group 1 in six rows from baseline 58 to
        # 298, no text. Strokes reach one pixel left of a cell and one pixel
        # above a peak; the highest peak of the first row is 36 pixels up.
        last = self.page(20)
        self.assertIsNone(colour_box(last, BLACK))
        self.assertEqual(colour_box(last, BLUE), (9, 58 - 36 - 1, 676 + 96, 298))


class ExportFailures(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.dir = self.work.name
        os.symlink(FONT, os.path.join(self.dir, "times.ttf"))

    def tearDown(self):
        self.work.cleanup()

    def assert_fails_cleanly(self, result, *words):
        self.assertEqual(result.returncode, 1, result.stderr)
        lines = result.stderr.splitlines()
        self.assertEqual(len(lines), 1, result.stderr)
        for word in words:
            self.assertIn(word, lines[0])

    def test_help(self):
        result = run(["--help"], cwd=self.dir)
        self.assertEqual(result.returncode, 0)
        self.assertIn("page-01.png", result.stdout)
        self.assertIn("--font", result.stdout)

    def test_bad_output_folders(self):
        a_file = os.path.join(self.dir, "plain-file")
        open(a_file, "w").close()
        self.assert_fails_cleanly(run(["no/such/folder"], cwd=self.dir), "no/such/folder")
        self.assert_fails_cleanly(run([a_file], cwd=self.dir), "not a folder")
        self.assert_fails_cleanly(run(["--bogus"], cwd=self.dir), "--bogus")
        if os.geteuid() != 0:
            locked = os.path.join(self.dir, "locked")
            os.mkdir(locked, 0o500)
            self.assert_fails_cleanly(run([locked], cwd=self.dir), "locked")
            self.assertEqual(os.listdir(locked), [])

    def test_missing_font_names_the_folder(self):
        os.unlink(os.path.join(self.dir, "times.ttf"))
        self.assert_fails_cleanly(run(["."], cwd=self.dir), "times.ttf", os.path.realpath(self.dir))
        self.assert_fails_cleanly(run(["--font", "nowhere.ttf", "."], cwd=self.dir), "nowhere.ttf")
        self.assertEqual(os.listdir(self.dir), [])

    def test_full_disk_leaves_no_partial_file(self):
        out = os.path.join(self.dir, "out")
        os.mkdir(out)
        # Room for the first pages but not for all: a page is about 20 kB.
        result = run([out], cwd=self.dir, limit_file_size=20000)
        self.assert_fails_cleanly(result, "page-")
        written = sorted(os.listdir(out))
        self.assertTrue(all(name.endswith(".png") for name in written), written)
        for name in written:
            Image.open(os.path.join(out, name)).load()  # each one complete


if __name__ == "__main__":
    unittest.main()
