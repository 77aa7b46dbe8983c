"""The exporter as a user runs it: its pages against librsvg's drawing of its
SVG pages, and a set of pages that stays whole whatever fails. CTest preloads
MR_NO_LINKS, so every folder is one without hard links, as on FAT."""
import io
import os
import resource
import signal
import subprocess
import tempfile
import unittest

from PIL import Image, ImageChops

EXPORT = os.environ["MR_EXPORT"]
BLUE, BLACK = (0, 0, 255), (0, 0, 0)


def run(args, cwd, limit_file_size=None, **options):
    def limit():
        os.umask(0o022)
        if limit_file_size is not None:  # SIGXFSZ at its default, as any shell leaves it
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_file_size, limit_file_size))
    return subprocess.run([EXPORT, *args], cwd=cwd, capture_output=True, text=True, timeout=60, preexec_fn=limit, **options)


def mask(image, is_ink):
    """A mode "1" image of the pixels of an RGB image that is_ink accepts."""
    result = Image.new("1", image.size)
    result.putdata([255 if is_ink(p) else 0 for p in image.getdata()])
    return result


def text_lines(ink):
    """Left, top and bottom of each line of ink in a mask, top to bottom; a
    line is a run of rows with ink less than five rows apart."""
    rows = [y for y in range(ink.height) if ink.crop((0, y, ink.width, y + 1)).getbbox()]
    bands = []
    for y in rows:
        if bands and y - bands[-1][1] < 5:
            bands[-1][1] = y
        else:
            bands.append([y, y])
    return [(ink.crop((0, top, ink.width, bottom + 1)).getbbox()[0], top, bottom) for top, bottom in bands]


class Pages(unittest.TestCase):
    """The pages of three galleries, PNG against SVG drawn by a real SVG renderer."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        for args in ((), ("--length", "10"), ("--group-by", "height")):
            for form in ("png", "svg"):
                folder = os.path.join(cls.work.name, form + "".join(args))
                assert run(["--format", form, *args, folder], cwd=cls.work.name).returncode == 0

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def page(self, folder, number, form):
        path = os.path.join(self.work.name, form + folder, "page-%02d.%s" % (number, form))
        if form == "svg":
            path = io.BytesIO(subprocess.run(["rsvg-convert", "-w", "800", "-h", "600", path], check=True,
                                             capture_output=True, timeout=60).stdout)
        return Image.open(path).convert("RGB")

    def test_strokes_lie_where_the_png_pages_draw_them(self):
        # Measured with librsvg 2.54: 99.8 to 100 % of each page's blue pixels
        # match both ways. Strokes one pixel off match about 80 %, strokes of
        # width 1 or 5 about 20 % or 70 % one way.
        for folder, number in (("", 1), ("", 3), ("", 20), ("--length10", 2), ("--group-byheight", 5)):
            png = mask(self.page(folder, number, "png"), lambda p: p == BLUE)
            svg = mask(self.page(folder, number, "svg"), lambda p: p[2] - max(p[0], p[1]) >= 128)
            both = ImageChops.logical_and(png, svg).histogram()[-1]
            self.assertGreaterEqual(both / png.histogram()[-1], 0.97, f"{folder} {number}: strokes missing in the SVG")
            self.assertGreaterEqual(both / svg.histogram()[-1], 0.97, f"{folder} {number}: SVG strokes off the PNG's")

    def test_texts_start_where_the_png_pages_print_them(self):
        # librsvg sets the type with its own hinting: the lines match the
        # bitmap's within a pixel or two. A lost leading space moves a line
        # 5 pixels left.
        with open(os.path.join(self.work.name, "svg", "page-01.svg")) as svg:
            self.assertIn("font-family=\"'Liberation Serif', 'Times New Roman', serif\"", svg.read())
        for folder in ("", "--group-byheight"):
            png = text_lines(mask(self.page(folder, 1, "png"), lambda p: p == BLACK))
            svg = text_lines(mask(self.page(folder, 1, "svg"), lambda p: max(p) < 128))
            self.assertEqual(len(png), len(svg), folder)
            for bitmap, vector in zip(png, svg):
                self.assertLessEqual(max(abs(a - b) for a, b in zip(bitmap, vector)), 2, (bitmap, vector))


class Failures(unittest.TestCase):

    def setUp(self):
        self.dir = self.enterContext(tempfile.TemporaryDirectory())

    def assert_fails_cleanly(self, result, says):
        self.assertEqual((result.returncode, len(result.stderr.splitlines())), (1, 1), result.stderr)
        self.assertIn(says, result.stderr)

    def export_old_set(self, **options):
        out = os.path.join(self.dir, "new", "out")  # made as mkdir -p would
        self.assertEqual(run([out], cwd=self.dir, **options).returncode, 0)
        return out, self.files(out)

    def files(self, folder):
        paths = (os.path.join(folder, name) for name in os.listdir(folder))
        return {path: (os.stat(path).st_ino, open(path, "rb").read()) for path in paths if os.path.isfile(path)}

    def test_a_file_size_limit_leaves_the_older_set_whole(self):
        out, old_set = self.export_old_set()
        # Room for page 1 but not for the larger page 2, with page 1 written already.
        size = os.path.getsize(os.path.join(out, "page-01.png"))
        self.assertGreater(os.path.getsize(os.path.join(out, "page-02.png")), size)
        self.assert_fails_cleanly(run([out], cwd=self.dir, limit_file_size=size), "page-02.png\": File too large")
        self.assertEqual(self.files(out), old_set)

    def test_a_failed_rename_puts_every_page_back(self):
        out, old_set = self.export_old_set()
        os.unlink(os.path.join(out, "page-05.png"))
        os.mkdir(os.path.join(out, "page-05.png"))
        self.assert_fails_cleanly(run(["--length", "14", out], cwd=self.dir), "page-05.png")
        self.assert_fails_cleanly(run([out + "/page-01.png/sub"], cwd=self.dir), "page-01.png/sub")
        del old_set[os.path.join(out, "page-05.png")]
        self.assertEqual(self.files(out), old_set)

    def test_a_signal_while_the_set_is_written_ends_it_once_the_new_set_is_whole(self):
        out, _ = self.export_old_set()
        for number in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            for _ in range(20):  # signalled once its first temporary file shows, unless it ends before
                old_set = self.files(out)
                process = subprocess.Popen([EXPORT, out], stdout=subprocess.DEVNULL)
                while process.poll() is None and len(os.listdir(out)) == len(old_set):
                    pass
                process.send_signal(number)
                if process.wait(60) == -number:
                    break
            self.assertEqual(process.returncode, -number, "never caught the exporter at work")
            new_set = self.files(out)  # every page a new file, no temporary one
            self.assertEqual({p: data for p, (_, data) in new_set.items()}, {p: data for p, (_, data) in old_set.items()})
            self.assertFalse({inode for inode, _ in new_set.values()} & {inode for inode, _ in old_set.values()})

    def test_a_folder_that_cannot_be_read_loses_its_older_pages_too(self):
        user = {"user": 65534, "group": 65534, "extra_groups": []} if os.geteuid() == 0 else {}  # root reads any folder
        os.chown(self.dir, user.get("user", -1), user.get("group", -1))
        os.chmod(self.dir, 0o300)
        for length in ("16", "8"):
            self.assertEqual(run(["--format", "svg", "--length", length, self.dir], cwd="/", **user).returncode, 0)
        os.chmod(self.dir, 0o700)
        self.assertEqual(os.listdir(self.dir), ["page-01.svg"])

    def test_a_shorter_export_removes_only_its_own_older_pages(self):
        out, _ = self.export_old_set()
        self.assertEqual(run(["--format", "svg", out], cwd=self.dir).returncode, 0)
        others = ["page-09.png", "page-05.png", "page-21.png", "page-100.png", "page-01.svg", "page-7.png", "notes.txt"]
        os.unlink(os.path.join(out, "page-09.png"))
        os.mkdir(os.path.join(out, "page-09.png"))
        for name in others[1:4] + others[5:]:  # a user's files, one in place of page 5
            open(os.path.join(out, name), "w").close()
        result = run(["--length", "8", out], cwd=self.dir)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertRegex(result.stdout, f"^wrote {out}/page-01.png\n1 page written to {out} in .*; 17 older pages beyond them removed\n$")
        self.assertEqual(os.stat(f"{out}/page-01.png").st_mode & 0o777, 0o644)  # as any new file, not private
        self.assertEqual(set(os.listdir(out)) - {"page-%02d.svg" % n for n in range(2, 21)}, {"page-01.png", *others})
        self.assertRegex(Image.open(f"{out}/page-01.png").info["Software"], r"^mountain-ranges-export \d+\.\d+\.\d+$")
        old_set = self.files(out)
        self.assert_fails_cleanly(run(["--length", "14", out], cwd=self.dir), "page-05.png\" is not a page of ours")
        self.assertEqual(self.files(out), old_set)


if __name__ == "__main__":
    unittest.main()
