"""The exporter as a user runs it: its pages against librsvg's drawing of its
SVG pages, poppler's of its PDF and of its TikZ pages through pdflatex, in its
own document and in a paper's; the PDF on paper as poppler reads it; and a set
of pages that stays whole whatever fails. CTest preloads MR_NO_LINKS, so every
folder is one without hard links, as on FAT."""
import glob
import io
import os
import re
import resource
import signal
import subprocess
import tempfile
import unittest

from PIL import Image, ImageChops

EXPORT = os.environ["MR_EXPORT"]
BLUE, BLACK = (0, 0, 255), (0, 0, 0)
MARGIN = 72 / 25.4 * 10  # 10 mm in points


def run(args, cwd, limit_file_size=None, **options):
    def limit():
        os.umask(0o022)
        if limit_file_size is not None:  # SIGXFSZ at its default, as any shell leaves it
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_file_size, limit_file_size))
    return subprocess.run([EXPORT, *args], cwd=cwd, capture_output=True, text=True, timeout=60, preexec_fn=limit, **options)


def drawn(command):
    """The RGB picture that `command` writes as PNG to its standard output."""
    png = subprocess.run(command, check=True, capture_output=True, timeout=120).stdout
    return Image.open(io.BytesIO(png)).convert("RGB")


def output(*command, **options):
    return subprocess.run(command, check=True, capture_output=True, text=True, timeout=300, **options).stdout


def pdflatex(document, folder, **options):
    """The log of pdflatex's run on `document` in `folder`, which must succeed."""
    output("pdflatex", "-interaction=batchmode", "-halt-on-error", document, cwd=folder, **options)
    with open(os.path.join(folder, os.path.splitext(os.path.basename(document))[0] + ".log"), errors="replace") as log:
        return log.read()


def sheets(pdf):
    """The size of each page of `pdf` in points, as pdfinfo reads them."""
    return [(float(w), float(h)) for w, h in re.findall(r"Page +\d+ size: +([\d.]+) x ([\d.]+) pts",
                                                         output("pdfinfo", "-f", "1", "-l", "999", pdf))]


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
    """The pages of three galleries, PNG against SVG, PDF and TikZ drawn by real renderers."""

    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        for args in ((), ("--length", "10"), ("--group-by", "height")):
            for form in ("png", "svg", "pdf", "tikz"):
                folder = os.path.join(cls.work.name, form + "".join(args))
                assert run(["--format", form, *args, folder], cwd=cls.work.name).returncode == 0
        # The TikZ pages through their gallery document, compiled as a reader would: pdflatex alone, in its folder.
        pdflatex("mountain-ranges-16-by-mountains-tikz.tex", os.path.join(cls.work.name, "tikz"))

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def page(self, folder, number, form):
        folder = os.path.join(self.work.name, form + folder)
        path = os.path.join(folder, "page-%02d.%s" % (number, form))
        if form == "svg":
            return drawn(["rsvg-convert", "-w", "800", "-h", "600", path])
        if form in ("pdf", "tikz"):  # a pixel a point
            (path,) = glob.glob(os.path.join(folder, "*.pdf"))
            return drawn(["pdftoppm", "-r", "72", "-png", "-f", str(number), "-l", str(number), path])
        return Image.open(path).convert("RGB")

    def test_strokes_lie_where_the_png_pages_draw_them(self):
        # Measured with librsvg 2.54, poppler 22.12 and pdflatex of TeX Live
        # 2022: 99.7 to 100 % of each page's blue pixels match both ways.
        # Strokes one pixel off match about 80 %, strokes of width 1 or 5
        # about 20 % or 70 % one way.
        for folder, number, form in (("", 1, "svg"), ("", 3, "svg"), ("", 20, "svg"), ("--length10", 2, "svg"),
                                     ("--group-byheight", 5, "svg"), ("", 1, "pdf"), ("", 20, "pdf"),
                                     ("--length10", 2, "pdf"), ("--group-byheight", 5, "pdf"), ("", 1, "tikz"),
                                     ("", 20, "tikz")):
            png = mask(self.page(folder, number, "png"), lambda p: p == BLUE)
            vector = mask(self.page(folder, number, form), lambda p: p[2] - max(p[0], p[1]) >= 128)
            both = ImageChops.logical_and(png, vector).histogram()[-1]
            self.assertGreaterEqual(both / png.histogram()[-1], 0.97, f"{folder} {number}: strokes missing in {form}")
            self.assertGreaterEqual(both / vector.histogram()[-1], 0.97, f"{folder} {number}: {form} strokes astray")

    def test_the_pdf_holds_the_svg_pages_texts_in_order_in_the_pages_font(self):
        pdf = os.path.join(self.work.name, "pdf--group-byheight", "mountain-ranges-16-by-height.pdf")
        text = subprocess.run(["pdftotext", pdf, "-"], check=True, capture_output=True, text=True, timeout=60).stdout
        pages = sorted(glob.glob(os.path.join(self.work.name, "svg--group-byheight", "*.svg")))
        svg = "".join(open(path).read() for path in pages)
        self.assertEqual([line.strip() for line in text.splitlines() if line.strip()],
                         [line.strip() for line in re.findall("<text [^>]*>([^<]*)</text>", svg)])
        fonts = subprocess.run(["pdffonts", pdf], check=True, capture_output=True, text=True, timeout=60).stdout
        self.assertRegex(fonts, r"\n[A-Z]{6}\+LiberationSerif .* yes +yes +yes ")  # a subset, embedded, with Unicode

    def test_the_tikz_gallery_document_sets_each_page_on_a_sheet_of_its_size(self):
        folder = os.path.join(self.work.name, "tikz")
        self.assertEqual(sheets(os.path.join(folder, "mountain-ranges-16-by-mountains-tikz.pdf")),
                         [(800, 600)] * len(glob.glob(os.path.join(folder, "page-*.tex"))))

    def test_a_paper_sets_two_pages_at_its_text_width_in_its_own_style(self):
        # A document that loads only tikz and graphicx, and TeX's own measure
        # of the pictures: a space at a line's end outside the picture would
        # widen their box by 3.33 pt.
        folder = self.enterContext(tempfile.TemporaryDirectory())
        with open(os.path.join(folder, "paper.tex"), "w") as paper:
            paper.write(r"""\documentclass{article}
\usepackage{graphicx}
\usepackage{tikz}
\tikzset{mountain/.style={draw=red, line width=4bp}}
\begin{document}
\sbox0{\input{page-02}\input{page-03}}\typeout{two pictures: \the\wd0}
\noindent\resizebox{\linewidth}{!}{\input{page-02}}

\noindent\resizebox{\linewidth}{!}{\input{page-03}}
\end{document}
""")
        log = pdflatex("paper.tex", folder, env=dict(os.environ, TEXINPUTS=os.path.join(self.work.name, "tikz") + ":"))
        self.assertNotIn("Overfull", log)
        self.assertAlmostEqual(float(re.search(r"two pictures: ([\d.]+)pt", log)[1]), 2 * 800 * 72.27 / 72, delta=0.1)
        colours = drawn(["pdftoppm", "-r", "100", "-png", "-singlefile", os.path.join(folder, "paper.pdf")]).getcolors(1 << 24)
        self.assertGreater(sum(n for n, (r, g, b) in colours if r > 200 and g < 100 and b < 100), 5000)
        self.assertEqual([c for n, c in colours if c[2] > c[0] + 100], [], "strokes not in the paper's style")

    def test_texts_start_where_the_png_pages_print_them(self):
        # librsvg and poppler set the type with their own hinting: the lines
        # match the bitmap's within a pixel or two. A lost leading space moves
        # a line 5 pixels left.
        with open(os.path.join(self.work.name, "svg", "page-01.svg")) as svg:
            self.assertIn("font-family=\"'Liberation Serif', 'Times New Roman', serif\"", svg.read())
        for folder, form in (("", "svg"), ("--group-byheight", "svg"), ("", "pdf"), ("--group-byheight", "pdf")):
            png = text_lines(mask(self.page(folder, 1, "png"), lambda p: p == BLACK))
            vector = text_lines(mask(self.page(folder, 1, form), lambda p: max(p) < 128))
            self.assertEqual(len(png), len(vector), folder)
            for bitmap, line in zip(png, vector):
                self.assertLessEqual(max(abs(a - b) for a, b in zip(bitmap, line)), 2, (form, bitmap, line))


def words(pdf, page):
    """Each word on page `page` of `pdf` with its box, (text, left, top, right, bottom) in points, in order."""
    boxes = output("pdftotext", "-bbox", "-f", str(page), "-l", str(page), pdf, "-")
    return [(text, *map(float, box)) for *box, text in
            re.findall(r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>', boxes)]


class OnPaper(unittest.TestCase):

    def test_each_page_lies_on_a_landscape_sheet_inside_margins_of_10_mm_over_its_number(self):
        work = self.enterContext(tempfile.TemporaryDirectory())
        plain = os.path.join(work, "plain", "mountain-ranges-16-by-mountains.pdf")
        self.assertEqual(run(["--format", "pdf", os.path.dirname(plain)], cwd=work).returncode, 0)
        self.assertEqual(sheets(plain), [(800, 600)] * 20)
        # Letter as the user's default paper, and A4 by name, in libpaper's own case or not.
        for args, environment, width, height in ((["--paper", "A4"], {}, 841.89, 595.276),
                                                 (["--paper", "system"], {"PAPERSIZE": "letter"}, 792, 612)):
            folder = os.path.join(work, args[1])
            result = run(["--format", "pdf", *args, folder], cwd=work, env=dict(os.environ, **environment))
            self.assertEqual(result.returncode, 0, result.stderr)
            pdf = os.path.join(folder, "mountain-ranges-16-by-mountains.pdf")  # the paper leaves the name alone
            self.assertEqual(sheets(pdf), [(width, height)] * 20)
            self.assertRegex(output("pdfinfo", pdf), "(?m)^Title: +Mountain ranges of length 16 by mountains$")
            fonts = output("pdffonts", pdf).splitlines()[2:]
            self.assertEqual(len(fonts), 1, "the page numbers in a font of their own")
            pages = output("pdftotext", "-layout", pdf, "-").split("\f")[:-1]
            self.assertEqual([page.split()[-4:] for page in pages], [["page", str(n), "of", "20"] for n in range(1, 21)])
            # Where the page lies on the sheet, from where its first and last
            # words lie there and on the plain page: scale and shift.
            before, after = words(plain, 1), words(pdf, 1)
            self.assertEqual([w[0] for w in after], [w[0] for w in before] + ["page", "1", "of", "20"])
            (_, x0, y0, *_), (_, x1, y1, *_) = before[0], before[-1]
            (_, u0, v0, *_), (_, u1, v1, *_) = after[0], after[len(before) - 1]
            scale = (u1 - u0) / (x1 - x0)
            self.assertAlmostEqual((v1 - v0) / (y1 - y0), scale, 3, "not scaled alike both ways")
            left, top = u0 - scale * x0, v0 - scale * y0
            right, bottom = left + 800 * scale, top + 600 * scale
            number = after[-4:]
            number_left, number_right = number[0][1], number[-1][3]
            self.assertAlmostEqual(left, width - right, 2, "not centred across")
            self.assertGreaterEqual(min(left, top), MARGIN - 0.01)
            self.assertLess(min(left, top), MARGIN + 0.01, "smaller than fits")  # one way or the other
            self.assertAlmostEqual(number_left - left, right - number_right, 0, "the number not centred under the page")
            self.assertGreater(min(box[2] for box in number), bottom, "the number not under the page")
            self.assertLessEqual(max(box[4] for box in number), height - MARGIN, "the number in the margin")
            self.assertLess(max(box[4] - box[2] for box in number), 12, "the number not small")


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

    def test_pdf_and_tikz_files_are_replaced_as_ours_and_whole_or_not_at_all(self):
        for form, largest in (("tikz", "page-01.tex"), ("pdf", "mountain-ranges-10-by-mountains.pdf")):
            for _ in range(2):  # the second export replaces the first one's files: they bear its mark
                self.assertEqual(run(["--format", form, "--length", "10", self.dir], cwd=self.dir).returncode, 0)
            old_set = self.files(self.dir)
            size = os.path.getsize(os.path.join(self.dir, largest))
            self.assert_fails_cleanly(run(["--format", form, "--length", "10", self.dir], cwd=self.dir,
                                          limit_file_size=size - 1), largest + "\": File too large")
            self.assertEqual(self.files(self.dir), old_set)
        self.assertEqual(sorted(map(os.path.basename, old_set)),
                         ["mountain-ranges-10-by-mountains-tikz.tex", "mountain-ranges-10-by-mountains.pdf",
                          "page-01.tex", "page-02.tex"])
        # A TikZ gallery of another grouping, then of another length, takes
        # the pages' names: the document that held them goes; a user's file
        # of a document's name stays.
        open(os.path.join(self.dir, "mountain-ranges-12-by-area-tikz.tex"), "w").close()
        for length in ("10", "8"):
            self.assertEqual(run(["--format", "tikz", "--length", length, "--group-by", "peaks", self.dir],
                                 cwd=self.dir).returncode, 0)
        self.assertEqual(sorted(os.listdir(self.dir)),
                         ["mountain-ranges-10-by-mountains.pdf", "mountain-ranges-12-by-area-tikz.tex",
                          "mountain-ranges-8-by-peaks-tikz.tex", "page-01.tex"])

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
        self.assertRegex(result.stdout, f"^wrote {out}/page-01.png\n1 page written to {out} in .*; 17 older files removed\n$")
        self.assertEqual(os.stat(f"{out}/page-01.png").st_mode & 0o777, 0o644)  # as any new file, not private
        self.assertEqual(set(os.listdir(out)) - {"page-%02d.svg" % n for n in range(2, 21)}, {"page-01.png", *others})
        self.assertRegex(Image.open(f"{out}/page-01.png").info["Software"], r"^mountain-ranges-export \d+\.\d+\.\d+$")
        old_set = self.files(out)
        self.assert_fails_cleanly(run(["--length", "14", out], cwd=self.dir), "page-05.png\" is not a page of ours")
        self.assertEqual(self.files(out), old_set)


if __name__ == "__main__":
    unittest.main()
