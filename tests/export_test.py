"""The exporter as a user runs it: its pages against librsvg's drawing of its
SVG pages, poppler's of its PDF and of its TikZ pages through pdflatex, in its
own document and in a paper's; the PDF on paper as poppler reads it; the
poster's ranges read back from its SVG against the listing; and a set of pages
that stays whole whatever fails, killed at any step by strace's fault
injection too, and leaves alone a page edited after it was written. CTest
preloads MR_NO_LINKS, so every folder is one without hard links, as on FAT."""
import bisect
import glob
import io
import os
import re
import resource
import shutil
import signal
import subprocess
import tempfile
import unittest

from PIL import Image, ImageChops

EXPORT = os.environ["MR_EXPORT"]
PROGRAM = os.environ["MR_PROGRAM"]
BLUE, BLACK = (0, 0, 255), (0, 0, 0)
MARGIN = 72 / 25.4 * 10  # 10 mm in points


NOBODY = {"user": 65534, "group": 65534, "extra_groups": []} if os.geteuid() == 0 else {}  # root reads any file


def run(args, cwd, limit_file_size=None, strace=(), **options):
    """The exporter's run, under strace with the options `strace` when given."""
    def limit():
        os.umask(0o022)
        if limit_file_size is not None:  # SIGXFSZ at its default, as any shell leaves it
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit_file_size, limit_file_size))
    if strace:  # LeakSanitizer cannot work under a tracer
        options["env"] = {**os.environ, "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0"}
    command = ["strace", "-f", *strace, EXPORT, *args] if strace else [EXPORT, *args]
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True, timeout=60, preexec_fn=limit, **options)


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


def placement(plain, placed):
    """Scale across, scale down, and left and top on the sheet of a page set on
    paper, from where its first and last words lie there and on the plain page."""
    (_, x0, y0, *_), (_, x1, y1, *_) = plain[0], plain[-1]
    (_, u0, v0, *_), (_, u1, v1, *_) = placed[0], placed[len(plain) - 1]
    scale = (u1 - u0) / (x1 - x0)
    return scale, (v1 - v0) / (y1 - y0), u0 - scale * x0, v0 - scale * y0


def poster(folder, form, length, *args):
    """The path of the poster of `length` by mountains, or as `args` say, exported into `folder`."""
    result = run(["--poster", "--format", form, "--length", str(length), *args, folder], cwd="/")
    assert result.returncode == 0, result.stderr
    (path,) = re.findall(r"(?m)^wrote (.*-poster\.\w+)$", result.stdout)
    return path


def svg_sheet(path):
    """An SVG's width, height, stroke width and type size, its texts as
    (baseline, text) and its polylines as lists of (x, y), in the file's order."""
    with open(path) as file:
        svg = file.read()
    sizes = [int(re.search(f' {name}="(\\d+)"', svg)[1]) for name in ("width", "height", "stroke-width", "font-size")]
    texts = [(int(y), text) for y, text in re.findall(r'<text x="\d+" y="(\d+)">([^<]*)</text>', svg)]
    lines = [[tuple(map(int, point.split(","))) for point in points.split()]
             for points in re.findall(r'<polyline points="([^"]*)"/>', svg)]
    return sizes, texts, lines


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
            scale, scale_down, left, top = placement(before, after)
            self.assertAlmostEqual(scale_down, scale, 3, "not scaled alike both ways")
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


class Poster(unittest.TestCase):

    def test_a_poster_stands_upright_on_its_paper_inside_margins_of_10_mm_centred_and_unnumbered(self):
        work = self.enterContext(tempfile.TemporaryDirectory())
        # A sheet taller than wide, and one wider than tall, under a title wider than its ranges.
        for length, paper, width, height in ((12, "a4", 595.276, 841.89), (6, "letter", 612, 792)):
            (sheet_width, sheet_height, *_), *_ = svg_sheet(poster(os.path.join(work, "svg"), "svg", length))
            plain = poster(os.path.join(work, "plain"), "pdf", length)
            self.assertEqual(sheets(plain), [(sheet_width, sheet_height)], "not the layout's size, a unit a point")
            pdf = poster(os.path.join(work, paper), "pdf", length, "--paper", paper)
            self.assertEqual(sheets(pdf), [(width, height)])
            self.assertRegex(output("pdfinfo", pdf), f"(?m)^Title: +Mountain ranges of length {length} by mountains$")
            before, after = words(plain, 1), words(pdf, 1)
            self.assertEqual([w[0] for w in after], [w[0] for w in before], "a page number, or texts lost")
            scale, scale_down, left, top = placement(before, after)
            self.assertAlmostEqual(scale_down, scale, 3, "not scaled alike both ways")
            right, bottom = left + sheet_width * scale, top + sheet_height * scale
            self.assertAlmostEqual(left, width - right, 1, "not centred across")
            self.assertAlmostEqual(top, height - bottom, 1, "not centred down")
            self.assertGreaterEqual(min(left, top), MARGIN - 0.01)
            self.assertLess(min(left, top), MARGIN + 0.01, "smaller than fits")

    def test_a_paper_too_small_for_the_poster_is_refused_naming_the_smallest_that_fits(self):
        work = self.enterContext(tempfile.TemporaryDirectory())
        (width, height, stroke, type_size), *_ = svg_sheet(poster(work, "svg", 18))

        def fits(paper):  # strokes of 0.25 pt and captions of 4 pt at least, upright inside the margins
            scale = min((min(paper) - 2 * MARGIN) / width, (max(paper) - 2 * MARGIN) / height)
            return scale * stroke >= 0.25 and scale * type_size >= 4
        papers = {name: (float(w), float(h)) for name, w, h in map(str.split, output("paperconf", "-a", "-n", "-s").splitlines())}
        _, _, smallest = min((w * h, i, name) for i, (name, (w, h)) in enumerate(papers.items()) if fits((w, h)))
        out = os.path.join(work, "new", "out")
        result = run(["--poster", "--format", "pdf", "--length", "18", "--paper", "a4", out], cwd=work)
        self.assertEqual((result.returncode, result.stdout, len(result.stderr.splitlines())), (2, "", 1), result.stderr)
        self.assertRegex(result.stderr, f"--paper a4 is too small .* the smallest paper that fits is {smallest} ")
        self.assertFalse(os.path.exists(os.path.dirname(out)), "made the folder")
        self.assertEqual(sheets(poster(out, "pdf", 18, "--paper", smallest)), [tuple(sorted(papers[smallest]))])

    def test_its_svg_holds_every_range_once_in_gallery_order_under_its_groups_caption(self):
        work = self.enterContext(tempfile.TemporaryDirectory())
        for length, grouping in ((20, "mountains"), (14, "height"), (10, "peaks")):
            _, texts, lines = svg_sheet(poster(work, "svg", length, "--group-by", grouping))
            # Each range as a word of its strokes, under the nearest caption
            # above its ground line, the title aside.
            found = ["".join("U" if b[1] < a[1] else "D" for a, b in zip(line, line[1:])) for line in lines]
            baselines = [y for y, _ in texts[1:]]
            values = [re.search(r"\d+", texts[bisect.bisect(baselines, line[0][1])][1])[0] for line in lines]
            listing = output(PROGRAM, "--list", "--length", str(length), "--group-by", grouping).splitlines()
            self.assertEqual([f"{v} {w}" for v, w in zip(values, found)], listing, (length, grouping))
            self.assertEqual(sorted(lines, key=lambda line: (line[0][1], line[0][0])), lines, "not row by row")


class Failures(unittest.TestCase):

    def setUp(self):
        self.dir = os.path.realpath(self.enterContext(tempfile.TemporaryDirectory()))  # as strace -y shows it

    def assert_fails_cleanly(self, result, says):
        self.assertEqual((result.returncode, len(result.stderr.splitlines())), (1, 1), result.stderr)
        self.assertIn(says, result.stderr)

    def export_old_set(self, *args, folder="new/out", **options):
        out = os.path.join(self.dir, folder)  # made as mkdir -p would
        self.assertEqual(run([*args, out], cwd=self.dir, **options).returncode, 0)
        return out, self.files(out)

    def files(self, folder):
        """Each file's name in `folder`, temporary ones too, with its inode and content."""
        found = {}
        for name in os.listdir(folder):
            if os.path.isfile(os.path.join(folder, name)):
                with open(os.path.join(folder, name), "rb") as file:
                    found[name] = (os.fstat(file.fileno()).st_ino, file.read())
        return found

    def contents(self, folder):
        return {name: data for name, (_, data) in self.files(folder).items()}

    def test_a_file_size_limit_leaves_the_older_set_whole(self):
        out, old_set = self.export_old_set()
        # Room for page 1 but not for the larger page 2, with page 1 written already.
        size = os.path.getsize(os.path.join(out, "page-01.png"))
        self.assertGreater(os.path.getsize(os.path.join(out, "page-02.png")), size)
        self.assert_fails_cleanly(run([out], cwd=self.dir, limit_file_size=size), "page-02.png\": File too large")
        self.assertEqual(self.files(out), old_set)

    def test_a_failed_rename_puts_every_page_back(self):
        out, _ = self.export_old_set()
        os.unlink(os.path.join(out, "page-05.png"))
        os.mkdir(os.path.join(out, "page-05.png"))
        old_set = self.contents(out)  # put back as copies where there are no hard links
        self.assert_fails_cleanly(run(["--length", "14", out], cwd=self.dir), "page-05.png")
        self.assert_fails_cleanly(run([out + "/page-01.png/sub"], cwd=self.dir), "page-01.png/sub")
        self.assertEqual(self.contents(out), old_set)

    def test_a_page_changed_after_it_was_written_is_the_users(self):
        def flip_a_byte(data):
            return data[:len(data) // 2] + bytes([data[len(data) // 2] ^ 1]) + data[len(data) // 2 + 1:]

        def restyle(data):  # its style line edited, as a reader may
            return data.replace(b"mountain/.style={draw={rgb,255:red,0;green,0;blue,255}", b"mountain/.style={draw=teal")

        # The TikZ page is one that a shorter export would remove.
        for form, length, name, edit in (("png", "10", "page-02.png", flip_a_byte),
                                         ("svg", "10", "page-01.svg", flip_a_byte),
                                         ("pdf", "10", "mountain-ranges-10-by-mountains.pdf", flip_a_byte),
                                         ("tikz", "12", "page-03.tex", restyle)):
            out, _ = self.export_old_set("--format", form, "--length", length, folder=form)
            with open(os.path.join(out, name), "rb") as file:
                original = file.read()
            edited = edit(original)
            self.assertNotEqual(edited, original, name)
            with open(os.path.join(out, name), "wb") as file:
                file.write(edited)
            old_set = self.files(out)
            result = run(["--format", form, "--length", "10", form], cwd=self.dir)
            self.assertEqual((result.returncode, result.stderr),
                             (1, f'mountain-ranges-export: "{form}/{name}" was changed after it was written: '
                                 "move it away or pick another folder\n"))
            self.assertEqual(self.files(out), old_set)
        with open(os.path.join(out, name), "wb") as file:  # the mark of 1.1.0, which holds no digest
            file.write(re.sub(rb"^(% mountain-ranges-export) [0-9.]+ crc32 [0-9a-f]{8}\n", rb"\1 1.1.0\n", edited))
        self.assertEqual(run(["--format", form, "--length", "10", form], cwd=self.dir).returncode, 0)
        self.assertFalse(os.path.exists(os.path.join(out, name)))

    def test_a_kill_at_any_step_leaves_every_shared_name_whole_and_the_next_export_tidies_up(self):
        new = self.contents(self.export_old_set("--length", "10", folder="new")[0])
        out, _ = self.export_old_set("--length", "12", folder="out")
        old = {**self.contents(out), "page-01.png.backup": b"mine", "notes.txt": b"mine too"}
        killed = 0
        while True:  # until the next rename or unlink is its last
            shutil.rmtree(out)
            os.mkdir(out)
            for name, data in old.items():
                with open(os.path.join(out, name), "wb") as file:
                    file.write(data)
            inject = f"inject=rename,renameat,renameat2,unlink,unlinkat:signal=KILL:when={killed + 1}"
            result = run(["--length", "10", out], cwd=self.dir, strace=("-o", os.devnull, "-e", inject))
            if result.returncode == 0:
                break
            killed += 1
            self.assertEqual(result.returncode, -signal.SIGKILL, result.stderr)
            for name in new:
                with open(os.path.join(out, name), "rb") as file:
                    self.assertIn(file.read(), (old[name], new[name]), f"{name}, killed at step {killed}")
            self.assertEqual(run(["--length", "10", out], cwd=self.dir).returncode, 0)
            self.assertEqual(self.contents(out), {**new, "page-01.png.backup": b"mine", "notes.txt": b"mine too"})
        self.assertGreaterEqual(killed, 3)  # a step for each of the three names at least

    def test_each_new_file_is_synced_before_its_rename_and_the_folder_after_the_last_step(self):
        out, _ = self.export_old_set("--length", "12")
        log = os.path.join(self.dir, "strace.log")
        trace = ("-y", "-o", log, "-e", "trace=fsync,fdatasync,rename,renameat,renameat2,unlink,unlinkat")
        self.assertEqual(run(["--length", "10", out], cwd=self.dir, strace=trace).returncode, 0)
        with open(log) as file:
            calls = re.findall(r"^\d+ +(\w+)\((.*)\) += 0$", file.read(), re.M)
        synced, placed = set(), []
        for call, args in calls:
            if call in ("fsync", "fdatasync"):
                synced.add(re.fullmatch(r"\d+<(.*)>", args)[1])
            elif call.startswith("rename") and re.search(r'/page-0[12]\.png"', args):
                source, target = re.findall(r'"([^"]*)"', args)
                self.assertIn(source, synced, target)
                placed.append(target)
        self.assertEqual(placed, [out + "/page-01.png", out + "/page-02.png"])
        self.assertEqual(calls[-1][0], "fsync")
        self.assertRegex(calls[-1][1], f"^\\d+<{re.escape(out)}>$")

    def test_a_page_it_cannot_read_stops_the_export(self):
        os.chown(self.dir, NOBODY.get("user", -1), NOBODY.get("group", -1))
        out, old_set = self.export_old_set("--length", "10", folder="out", **NOBODY)
        os.chmod(os.path.join(out, "page-02.png"), 0)
        result = run(["--length", "10", "out"], cwd=self.dir, **NOBODY)
        os.chmod(os.path.join(out, "page-02.png"), 0o644)
        self.assertEqual((result.returncode, result.stderr),
                         (1, 'mountain-ranges-export: cannot read "out/page-02.png": Permission denied\n'))
        self.assertEqual(self.files(out), old_set)

    def test_a_signal_ends_the_export_before_the_first_rename_or_after_the_last(self):
        new = self.contents(self.export_old_set("--length", "10", folder="new")[0])
        log = os.path.join(self.dir, "strace.log")
        for number, step, holds in ((signal.SIGINT, "fsync:when=1", "what it held before"),
                                    (signal.SIGHUP, "fsync:when=1", "what it held before"),
                                    (signal.SIGTERM, "rename:when=1", "the whole new set"),
                                    (signal.SIGINT, "rename:when=3", "the whole new set")):
            out, old_set = self.export_old_set("--length", "12", folder="out")
            inject = f"inject={step}:signal={signal.Signals(number).name[3:]}"
            trace = ("-y", "-o", log, "-e", "trace=fsync,rename", "-e", inject)
            result = run(["--length", "10", out], cwd=self.dir, strace=trace)
            self.assertEqual((result.returncode, result.stderr),
                             (-number, f'mountain-ranges-export: interrupted: "{out}" holds {holds}\n'), step)
            if holds == "the whole new set":  # and no temporary file
                self.assertEqual(self.contents(out), new)
                continue
            self.assertEqual(self.files(out), old_set)
            with open(log) as file:  # signalled as the first new file was synced, it wrote no other
                new_files = re.findall(r"^\d+ +fsync\(\d+<.*/\.mountain-ranges-export-\w{6}>", file.read(), re.M)
            self.assertEqual(len(new_files), 1)

    def test_pdf_and_tikz_files_are_replaced_as_ours_and_whole_or_not_at_all(self):
        for form, largest in (("tikz", "page-01.tex"), ("pdf", "mountain-ranges-10-by-mountains.pdf")):
            for _ in range(2):  # the second export replaces the first one's files: they bear its mark
                self.assertEqual(run(["--format", form, "--length", "10", self.dir], cwd=self.dir).returncode, 0)
            old_set = self.files(self.dir)
            size = os.path.getsize(os.path.join(self.dir, largest))
            self.assert_fails_cleanly(run(["--format", form, "--length", "10", self.dir], cwd=self.dir,
                                          limit_file_size=size - 1), largest + "\": File too large")
            self.assertEqual(self.files(self.dir), old_set)
        self.assertEqual(sorted(old_set),
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

    def test_a_poster_replaces_only_its_own_older_poster_and_no_page(self):
        for args in (["pdf"], ["pdf", "--poster"], ["svg"], ["svg", "--poster"], ["svg", "--poster"]):
            self.assertEqual(run(["--format", *args, "--length", "10", self.dir], cwd=self.dir).returncode, 0, args)
        self.assertEqual(sorted(os.listdir(self.dir)), ["mountain-ranges-10-by-mountains-poster.pdf",
                                                        "mountain-ranges-10-by-mountains-poster.svg",
                                                        "mountain-ranges-10-by-mountains.pdf", "page-01.svg", "page-02.svg"])

    def test_a_folder_that_cannot_be_read_loses_its_older_pages_too(self):
        # What a killed export left stays, as nothing can find it.
        open(os.path.join(self.dir, ".mountain-ranges-export-Xy12Z3"), "w").close()
        os.chown(self.dir, NOBODY.get("user", -1), NOBODY.get("group", -1))
        os.chmod(self.dir, 0o300)
        for length in ("16", "8"):
            self.assertEqual(run(["--format", "svg", "--length", length, self.dir], cwd="/", **NOBODY).returncode, 0)
        os.chmod(self.dir, 0o700)
        self.assertEqual(sorted(os.listdir(self.dir)), [".mountain-ranges-export-Xy12Z3", "page-01.svg"])


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
        self.assertRegex(Image.open(f"{out}/page-01.png").info["Software"],
                         r"^mountain-ranges-export \d+\.\d+\.\d+ crc32 [0-9a-f]{8}$")
        old_set = self.files(out)
        self.assert_fails_cleanly(run(["--length", "14", out], cwd=self.dir), "page-05.png\" is not a page of ours")
        self.assertEqual(self.files(out), old_set)


if __name__ == "__main__":
    unittest.main()
