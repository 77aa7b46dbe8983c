"""The exporter as a user runs it: its pages, its messages, its failures."""
import io
import os
import resource
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from PIL import Image, ImageChops

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

    def test_last_page_holds_its_ranges_and_no_text(self):
        # 37 ranges of group 1 in six rows from baseline 58 to 298. Strokes
        # reach one pixel left of a cell and one pixel above a peak; the
        # highest peak of the first row is 36 pixels up.
        last = self.page(20)
        self.assertIsNone(colour_box(last, BLACK))
        self.assertEqual(colour_box(last, BLUE), (9, 58 - 36 - 1, 676 + 96, 298))


def rendered_svg(path):
    """The SVG file drawn by librsvg at 800 x 600, as an RGB image."""
    png = subprocess.run(["rsvg-convert", "-w", "800", "-h", "600", path], capture_output=True,
                         check=True, timeout=60).stdout
    return Image.open(io.BytesIO(png)).convert("RGB")


def mask(image, is_ink):
    """A mode "1" image of the pixels of an RGB image that is_ink accepts."""
    result = Image.new("1", image.size)
    result.putdata([255 if is_ink(p) else 0 for p in image.getdata()])
    return result


def count(mask_image):
    return mask_image.histogram()[-1]


def text_lines(mask_image):
    """Bounding boxes of the lines of ink in a mask, top to bottom; a line
    is a run of rows with ink, less than five rows apart."""
    width = mask_image.width
    data = mask_image.convert("L").tobytes()
    bands = []
    for y in range(mask_image.height):
        if any(data[y * width:(y + 1) * width]):
            if bands and y - bands[-1][1] < 5:
                bands[-1][1] = y
            else:
                bands.append([y, y])
    lines = []
    for top, bottom in bands:
        left, _, right, _ = mask_image.crop((0, top, width, bottom + 1)).getbbox()
        lines.append((left, top, right, bottom))
    return lines


class SvgPages(unittest.TestCase):
    """The SVG pages against the PNG pages, drawn by a real SVG renderer."""

    @classmethod
    def setUpClass(cls):
        if shutil.which("rsvg-convert") is None:
            raise RuntimeError("rsvg-convert is missing (Debian: librsvg2-bin)")
        cls.work = tempfile.TemporaryDirectory()
        os.symlink(FONT, os.path.join(cls.work.name, "times.ttf"))
        cls.svg = os.path.join(cls.work.name, "svg")
        cls.png = os.path.join(cls.work.name, "png")
        for folder in (cls.svg, cls.png, cls.svg + "10", cls.png + "10"):
            os.mkdir(folder)
        cls.result = run(["--format", "svg", cls.svg], cwd=cls.work.name)
        run([cls.png], cwd=cls.work.name)
        run(["--length", "10", "--format", "svg", cls.svg + "10"], cwd=cls.work.name)
        run(["--length", "10", cls.png + "10"], cwd=cls.work.name)

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def test_twenty_pages_of_well_formed_svg(self):
        self.assertEqual(self.result.returncode, 0, self.result.stderr)
        self.assertEqual(sorted(os.listdir(self.svg)), ["page-%02d.svg" % n for n in range(1, 21)])
        for number in range(1, 21):
            root = ElementTree.parse(os.path.join(self.svg, "page-%02d.svg" % number)).getroot()
            self.assertEqual(root.tag, "{http://www.w3.org/2000/svg}svg")
            self.assertEqual((root.get("width"), root.get("height"), root.get("viewBox")),
                             ("800", "600", "0 0 800 600"))

    def test_strokes_lie_where_the_png_pages_draw_them(self):
        # Measured with librsvg 2.54: 99.8 to 100 % of each page's blue
        # pixels match both ways. Strokes one pixel off match about 80 %,
        # strokes of width 1 or 5 about 20 % or 70 % one way.
        # Texts; a full page; the last, part full; shorter ranges.
        for suffix, number in (("", 1), ("", 3), ("", 20), ("10", 2)):
            png = mask(Image.open(os.path.join(self.png + suffix, "page-%02d.png" % number)).convert("RGB"),
                       lambda p: p == BLUE)
            # Blue-ish: a stroke's smoothed edge counts where it covers half a pixel.
            svg = mask(rendered_svg(os.path.join(self.svg + suffix, "page-%02d.svg" % number)),
                       lambda p: p[2] - max(p[0], p[1]) >= 128)
            both = count(ImageChops.logical_and(png, svg))
            self.assertGreaterEqual(both / count(png), 0.97, "page %d: PNG strokes missing in the SVG" % number)
            self.assertGreaterEqual(both / count(svg), 0.97, "page %d: SVG strokes off the PNG's" % number)

    def test_texts_start_where_the_png_pages_print_them(self):
        # librsvg sets the type with its own hinting: the lines match the
        # bitmap's within a pixel at the left, top and bottom, and run a few
        # pixels longer. A lost leading space moves a line 5 pixels left.
        png = mask(Image.open(os.path.join(self.png, "page-01.png")).convert("RGB"), lambda p: p == BLACK)
        svg = mask(rendered_svg(os.path.join(self.svg, "page-01.svg")), lambda p: max(p) < 128)
        png_lines, svg_lines = text_lines(png), text_lines(svg)
        self.assertEqual(len(svg_lines), len(png_lines), svg_lines)
        for bitmap, vector in zip(png_lines, svg_lines):
            for side in (0, 1, 3):
                self.assertLessEqual(abs(bitmap[side] - vector[side]), 2, (bitmap, vector))


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
        self.assertIn("--format png|svg", result.stdout)

    def test_unknown_format_is_refused(self):
        for args in (["--format", "gif", "."], ["--format=PNG", "."], ["--format"]):
            result = run(args, cwd=self.dir)
            self.assertEqual(result.returncode, 2, result.stderr)
            self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
            self.assertIn("--format", result.stderr)
        self.assertEqual(os.listdir(self.dir), ["times.ttf"])

    def test_output_folders(self):
        self.assertEqual(run(["new/sub folder"], cwd=self.dir).returncode, 0)
        self.assertEqual(len(os.listdir(os.path.join(self.dir, "new/sub folder"))), 20)
        a_file = os.path.join(self.dir, "plain-file")
        open(a_file, "w").close()
        self.assert_fails_cleanly(run([a_file], cwd=self.dir), "plain-file")
        self.assert_fails_cleanly(run([a_file + "/sub"], cwd=self.dir), "plain-file/sub")

    def export_old_set(self, args=()):
        out = tempfile.mkdtemp(prefix="out-", dir=self.dir)
        self.assertEqual(run([*args, out], cwd=self.dir).returncode, 0)
        return out, {name: os.stat(os.path.join(out, name)).st_ino for name in os.listdir(out)}

    def test_full_disk_leaves_the_older_set_whole(self):
        for args in ([], ["--format", "svg"]):
            out, old_set = self.export_old_set(args)
            # A full disk, as far as the writer can tell: room for page 1 but
            # not for a larger page that comes after it, so the export fails
            # part way, with pages already staged.
            sizes = [os.path.getsize(os.path.join(out, name)) for name in sorted(old_set)]
            self.assertGreater(max(sizes), sizes[0], args)
            result = run([*args, out], cwd=self.dir, limit_file_size=sizes[0])
            self.assert_fails_cleanly(result, "page-")
            self.assertNotIn("page-01", result.stderr)
            now = {name: os.stat(os.path.join(out, name)).st_ino for name in os.listdir(out)}
            self.assertEqual(now, old_set, "the folder should still hold the older set, untouched")

    def test_interrupted_export_leaves_no_temporary_file(self):
        out, old_set = self.export_old_set()
        for number in (signal.SIGINT, signal.SIGTERM):
            # Signal the exporter as soon as its first temporary file shows;
            # should it finish before that, try again.
            for _ in range(20):
                process = subprocess.Popen([EXPORT, out], cwd=self.dir, stdout=subprocess.DEVNULL)
                while process.poll() is None and len(os.listdir(out)) == len(old_set):
                    pass
                process.send_signal(number)
                if process.wait(60) == -number:
                    break
            self.assertEqual(process.returncode, -number, "never caught the exporter at work")
            self.assertEqual(sorted(os.listdir(out)), sorted(old_set))

    def test_failed_rename_puts_every_page_back(self):
        out, old_set = self.export_old_set()
        contents = {name: open(os.path.join(out, name), "rb").read() for name in old_set}
        os.unlink(os.path.join(out, "page-05.png"))
        os.mkdir(os.path.join(out, "page-05.png"))
        self.assert_fails_cleanly(run(["--length", "14", out], cwd=self.dir), "page-05.png")
        del old_set["page-05.png"]
        now = {name: os.stat(os.path.join(out, name)).st_ino for name in os.listdir(out) if name != "page-05.png"}
        self.assertEqual(now, old_set, "every page file should hold what it held before")
        for name in now:
            with open(os.path.join(out, name), "rb") as page:
                self.assertEqual(page.read(), contents[name], name)

    def test_shorter_export_leaves_only_its_own_pages(self):
        out, _ = self.export_old_set()
        self.assertEqual(run(["--format", "svg", out], cwd=self.dir).returncode, 0)
        others = ["page-09.png", "page-01.svg", "page-21.png.bak", "page-7.png", "notes.txt"]
        os.unlink(os.path.join(out, "page-09.png"))
        os.mkdir(os.path.join(out, "page-09.png"))
        for name in others[2:]:
            open(os.path.join(out, name), "w").close()
        result = run(["--length", "8", out], cwd=self.dir)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("; 18 older pages beyond them removed", result.stdout)
        left = set(os.listdir(out)) - {"page-%02d.svg" % n for n in range(2, 21)}
        self.assertEqual(left, {"page-01.png", *others})

    def test_lost_report_is_a_failure(self):
        with open("/dev/full", "w") as full:
            result = subprocess.run([EXPORT, "."], cwd=self.dir, stdout=full, stderr=subprocess.PIPE,
                                    text=True, timeout=60)
        self.assert_fails_cleanly(result, "standard output")

if __name__ == "__main__":
    unittest.main()
