"""Both command lines without a display: the listing and the counts against
brute force and exact formulas, and the refusals of bad input. Every
grouping's counts, and every pair's, meet brute force over all words in
ranges_test."""
import collections
import math
import os
import resource
import signal
import subprocess
import tempfile
import unittest

PROGRAM = os.environ["MR_PROGRAM"]
EXPORT = os.environ["MR_EXPORT"]
GROUPINGS = ("mountains", "peaks", "height", "area", "bounce", "dinv")
ASCENDING = ("height", "area")  # the others show their largest value first


def run(args, tmpdir=None, **kwargs):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "SDL_VIDEODRIVER", "TMPDIR")}
    env.update({"TMPDIR": tmpdir} if tmpdir else {})
    options = dict(stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)
    options.update(kwargs)
    return subprocess.run(args, env=env, **options)


def dyck_words(length, prefix="", height=0):
    """Every range of `length` strokes, by brute force over the words."""
    if len(prefix) == length:
        yield prefix
        return
    if height < length - len(prefix):
        yield from dyck_words(length, prefix + "U", height + 1)
    if height > 0:
        yield from dyck_words(length, prefix + "D", height - 1)


def values(word):
    """The range's number of mountains, of peaks, its height, area, bounce and dinv; None for a word that is no
    range."""
    level = mountains = height = area = dinv = 0
    downs_before, ups_from = [], collections.Counter()  # of each up-stroke; the up-strokes from each level so far
    for i, stroke in enumerate(word):
        if stroke == "U":
            area += level
            dinv += ups_from[level] + ups_from[level + 1]
            ups_from[level] += 1
            downs_before.append(i - len(downs_before))
        level += 1 if stroke == "U" else -1
        if level < 0:
            return None
        mountains += level == 0
        height = max(height, level)
    bounce, j = 0, len(downs_before)
    while j > 0:
        j = downs_before[j - 1]
        bounce += j
    return (mountains, word.count("UD"), height, area, bounce, dinv) if level == 0 else None


def catalan(n):
    return math.comb(2 * n, n) // (n + 1)


def binomial(n, k):
    return math.comb(n, k) if 0 <= k <= n else 0


def at_or_below(n, height):
    """The ranges of 2n strokes that never rise above `height`: the reflection principle, walls at -1 and height + 1."""
    wall = height + 2
    return sum(binomial(2 * n, n + k * wall) - binomial(2 * n, n + 1 + k * wall) for k in range(-n, n + 1))


def output(*args):
    result = run([PROGRAM, *args])
    assert (result.returncode, result.stderr) == (0, ""), result.stderr
    return [line.split(" ") for line in result.stdout.splitlines()]


class Listing(unittest.TestCase):

    def test_each_grouping_lists_the_listing_by_mountains_sorted_by_its_value_flattest_first(self):
        for length in (*range(2, 14, 2), 24):
            args, n = ("--length", str(length)), length // 2
            by_mountains = [word for _, word in output("--list", *args)]
            found = {word: values(word) for word in by_mountains if len(word) == length}
            self.assertEqual(len(found), catalan(n), length)  # every range, once
            self.assertNotIn(None, found.values())
            for g, grouping in enumerate(GROUPINGS):
                flattest_first = 1 if grouping in ASCENDING else -1
                order = sorted(by_mountains, key=lambda word: flattest_first * found[word][g])  # stable
                lines = output("--list", *args, "--group-by", grouping)
                differ = [i for i, (line, word) in enumerate(zip(lines, order)) if line != [str(found[word][g]), word]]
                self.assertEqual((len(lines), differ[:1]), (len(order), []), (length, grouping))
                counts = collections.Counter(v for v, _ in lines)
                self.assertEqual([[v, str(c)] for v, c in counts.items()], output("--count", *args, "--group-by", grouping))
                middle = lines[len(lines) // 2][0]
                self.assertEqual(output("--list", *args, "--group-by", grouping, "--value", middle),
                                 [line for line in lines if line[0] == middle], (length, grouping))
                self.assertEqual(output("--count", *args, "--group-by", grouping, "--value", middle),
                                 [[middle, str(counts[middle])]], (length, grouping))
        lines = output("--list")
        self.assertEqual((len(lines), lines[0], lines[-1]), (1430, ["8", "UD" * 8], ["1", "U" * 8 + "D" * 8]))
        self.assertEqual(output("--list", "--length=10"), output("--list", "--length", "10"))

    def test_a_listing_of_28_has_a_line_for_each_range_and_takes_no_more_memory_than_one_of_2(self):
        def lines_and_peak_resident_kb(length, grouping):
            listing = subprocess.Popen([PROGRAM, "--list", "--length", str(length), "--group-by", grouping],
                                       stdout=subprocess.PIPE)
            lines = 0
            while chunk := listing.stdout.read(1 << 20):
                lines += chunk.count(b"\n")
            listing.stdout.close()
            _, status, usage = os.wait4(listing.pid, 0)
            listing.returncode = os.waitstatus_to_exitcode(status)
            self.assertEqual(listing.returncode, 0)
            return lines, usage.ru_maxrss
        for grouping in GROUPINGS:
            (short, small), (long, large) = (lines_and_peak_resident_kb(length, grouping) for length in (2, 28))
            self.assertEqual((short, long), (1, catalan(14)), grouping)
            self.assertLess(large - small, 8 * 1024, grouping)

    def test_a_reader_that_stops_early_ends_it_quietly(self):
        for grouping, first in (("mountains", "32"), ("bounce", "496")):
            listing = subprocess.Popen([PROGRAM, "--list", "--length", "64", "--group-by", grouping],
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            self.assertEqual(listing.stdout.readline(), first + " " + "UD" * 32 + "\n")
            listing.stdout.close()
            self.assertEqual(listing.stderr.read(), "")
            self.assertIn(listing.wait(60), (-13, 0))  # SIGPIPE
            listing.stderr.close()

    def test_a_listing_by_dinv_leaves_no_file_behind_and_says_when_it_has_no_room(self):
        with tempfile.TemporaryDirectory() as folder:
            self.assertEqual(run([PROGRAM, "--list", "--length", "20", "--group-by", "dinv"], folder).returncode, 0)
            listing = subprocess.Popen([PROGRAM, "--list", "--length", "28", "--group-by", "dinv"],
                                       env=dict(os.environ, TMPDIR=folder), stdout=subprocess.PIPE)
            self.assertEqual(listing.stdout.readline(), b"91 " + b"UD" * 14 + b"\n")
            self.assertEqual(os.listdir(folder), [])  # while it reads its buckets back
            listing.stdout.close()
            self.assertIn(listing.wait(60), (-13, 0))
            self.assertEqual(os.listdir(folder), [])
            def small_files():
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # a write past the limit fails with EFBIG
                resource.setrlimit(resource.RLIMIT_FSIZE, (1 << 16, 1 << 16))
            missing = os.path.join(folder, "missing")
            for tmpdir, options, says in ((missing, {}, missing), (folder, {"preexec_fn": small_files}, "too large")):
                result = run([PROGRAM, "--list", "--length", "24", "--group-by", "dinv"], tmpdir, **options)
                self.assertEqual((result.returncode, result.stdout, len(result.stderr.splitlines())), (1, "", 1))
                self.assertIn(says, result.stderr)
            self.assertEqual(os.listdir(folder), [])

    def test_a_failed_write_is_status_1(self):
        for program, *args in ((PROGRAM, "--list"), (PROGRAM, "--list", "--length=12", "--group-by=dinv"),
                               (PROGRAM, "--help"), (EXPORT, "--version")):
            with open("/dev/full", "w") as full:
                result = run([program, *args], stdout=full)
            self.assertEqual((result.returncode, len(result.stderr.splitlines())), (1, 1), result.stderr)


class Counts(unittest.TestCase):

    def test_counts_by_two_groupings_are_a_line_for_each_pair_of_values_in_both_galleries_order(self):
        found = [values(word) for word in dyck_words(12)]
        for first, second in (("height", "dinv"), ("dinv", "area")):
            f, s = GROUPINGS.index(first), GROUPINGS.index(second)
            order = [1 if grouping in ASCENDING else -1 for grouping in (first, second)]
            cells = collections.Counter((v[f], v[s]) for v in found)
            in_order = sorted(cells, key=lambda c: (order[0] * c[0], order[1] * c[1]))
            expected = [[str(a), str(b), str(cells[a, b])] for a, b in in_order]
            args = ("--count", "--length", "12", "--group-by", f"{first},{second}")
            self.assertEqual(output(*args), expected)
            for cell in expected[7], [expected[0][0], expected[-1][1], "0"]:  # a cell, and one that no range has
                self.assertEqual(output(*args, "--value", ",".join(cell[:2])), [cell])

    def test_counts_equal_the_closed_formulas_up_to_64(self):
        for length in range(2, 66, 2):
            n = length // 2
            mountains = [[str(k), str(k * math.comb(2 * n - k, n) // (2 * n - k))] for k in range(n, 0, -1)]
            peaks = [[str(k), str(math.comb(n, k) * math.comb(n, k - 1) // n)] for k in range(n, 0, -1)]
            self.assertEqual(output("--count", "--length", str(length)), mountains)
            self.assertEqual(output("--count", "--length", str(length), "--group-by", "peaks"), peaks)
            heights = [[str(h), str(at_or_below(n, h) - at_or_below(n, h - 1))] for h in range(1, n + 1)]
            self.assertEqual(output("--count", "--length", str(length), "--group-by", "height"), heights)
            areas = output("--count", "--length", str(length), "--group-by", "area")
            self.assertEqual([int(a) for a, _ in areas], list(range(n * (n - 1) // 2 + 1)))
            self.assertEqual(sum(int(c) for _, c in areas), math.comb(2 * n, n) // (n + 1))


class CommandLines(unittest.TestCase):

    def test_help_version_and_bad_input_refused_with_one_line_naming_what_is_allowed(self):
        for program, longest, pages in ((PROGRAM, "64", "16; "), (EXPORT, "16, or to 20 with --poster",
                                                                  "16 and --poster for 2 to 20; ")):
            name = os.path.basename(program)
            cases = [(["--length", bad], f"even number from 2 to {longest},")
                     for bad in ("3", "0", "66", "064", "-2", "1e1", "abc", "", " 4", "+4", "04x")]
            cases += [(["--length"], f"even number from 2 to {longest} "), (["--length=7"], "even number"),
                      (["--length", "18"], "lengths 2 to " + pages),
                      (["--group-by", "size"], "mountains, peaks, height, area, bounce or dinv"),
                      (["--bogus"], "unknown option --bogus "), (["--length=4", "-xy"], "unknown option -x "),
                      (["--help=3"], "option --help takes no value"), (["--value", "3"], "--value")]
            self.assertRegex(run([program, "--help"]).stdout,
                             f"(?s)^usage: {name} .*--group-by G +mountains .*peaks.*height.*area.*bounce.*dinv" +
                             (".*--poster +with --format svg or pdf," if program == EXPORT else ""))
            self.assertRegex(run([program, "--version"]).stdout, f"^{name} " + r"\d+\.\d+\.\d+\n$")
            for args, says in cases + ([(["--list", "--count"], "cannot go together"), (["page"], "\"page\""),
                                        (["--list", "--value", "9", "--group-by", "peaks"], "1 to 8 by peaks at length 16"),
                                        (["--count", "--length=4", "--value=2", "--group-by=area"], "0 to 1 by area"),
                                        (["--count", "--value", "-1"], "in digits"), (["--list", "--value"], "in digits"),
                                        (["--count", "--browse"], "--browse cannot go with"),
                                        (["--count", "--group-by", "area,size"], "or dinv, or two of them as A,B"),
                                        (["--count", "--group-by", "dinv,dinv"], "two different groupings"),
                                        (["--group-by", "area,bounce"], "with two groupings goes with --count"),
                                        (["--list", "--group-by=area,bounce"], "two groupings goes with --count"),
                                        (["--count", "--group-by", "area,bounce", "--value", "3"], "two values as a,b"),
                                        (["--count", "--value", "3,4"], "one value with one grouping"),
                                        (["--count", "--group-by", "area,bounce", "--value", "3,"], "or two as a,b"),
                                        (["--count", "--group-by", "area,bounce", "--value", "1,2,3"], "or two as a,b"),
                                        (["--count", "--length=8", "--group-by", "area,bounce", "--value", "1,7"],
                                         "0 to 6 by area and 0 to 6 by bounce at length 8"),
                                        (["--count", "--length", "34", "--group-by", "bounce,dinv"],
                                         "lengths 2 to 32; area with bounce or dinv goes up to 64"),
                                        (["--list", "--length=34", "--group-by", "dinv"], "dinv takes lengths 2 to 32"),
                                        (["--format", "svg"], ": --format is an option of mountain-ranges-export ("),
                                        (["--paper", "a4"], ": --paper is an option of mountain-ranges-export ("),
                                        (["--poster"], ": --poster is an option of mountain-ranges-export (")]
                                       if program == PROGRAM else
                                       [(["--format", "gif"], "svg, pdf or tikz"), (["--format"], "svg, pdf or tikz"),
                                        (["--group-by", "area,bounce"], "takes one grouping"),
                                        (["--font", ""], "TrueType font"), (["a", "b"], "more than one"),
                                        (["--fo", "x"], "option --fo is ambiguous (--font, --format) "),
                                        (["--browse"], ": --browse is an option of mountain-ranges ("),
                                        (["--paper", "a4"], "--paper goes with --format pdf, not png "),
                                        (["--paper=a4", "--format=tikz"], "with --format pdf, not tikz "),
                                        (["--format", "pdf", "--paper", "a44"], "--paper takes system, a4, letter, "),
                                        (["--format", "pdf", "--paper"], "--paper takes system, a4, letter, "),
                                        (["--poster"], "--poster goes with --format svg or pdf, not png "),
                                        (["--poster", "--format=tikz"], "--poster goes with --format svg or pdf, not tikz "),
                                        (["--poster", "--format", "svg", "--length", "22"], "--poster holds lengths 2 to 20,"),
                                        (["--format", "svg", "--poster", "--paper", "letter"], "with --format pdf, not svg ")]):
                with self.subTest(program=os.path.basename(program), args=args), \
                        tempfile.TemporaryDirectory() as folder:
                    result = run([program, *args], cwd=folder)
                    self.assertEqual((result.returncode, result.stdout), (2, ""), result.stderr)
                    self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                    self.assertIn(says, result.stderr)
                    self.assertEqual(os.listdir(folder), [], "wrote a file")


if __name__ == "__main__":
    unittest.main()
