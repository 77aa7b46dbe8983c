"""Both command lines without a display: the listing and the counts against
brute force and exact formulas, and the refusals of bad input."""
import collections
import math
import os
import subprocess
import tempfile
import unittest

PROGRAM = os.environ["MR_PROGRAM"]
EXPORT = os.environ["MR_EXPORT"]
GROUPINGS = ("mountains", "peaks", "height", "area")


def run(args, **kwargs):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "SDL_VIDEODRIVER")}
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
    """The range's number of mountains, of peaks, its height and its area; None for a word that is no range."""
    level = mountains = height = area = 0
    for stroke in word:
        area += level if stroke == "U" else 0
        level += 1 if stroke == "U" else -1
        if level < 0:
            return None
        mountains += level == 0
        height = max(height, level)
    return (mountains, word.count("UD"), height, area) if level == 0 else None


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
            self.assertEqual(len(found), math.comb(2 * n, n) // (n + 1), length)  # every range, once
            self.assertNotIn(None, found.values())
            for g, grouping in enumerate(GROUPINGS):
                flattest_first = 1 if grouping in ("height", "area") else -1
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

    def test_a_listing_of_28_takes_no_more_memory_than_one_of_2(self):
        def peak_resident_kb(length, grouping):
            with open(os.devnull, "w") as null:
                listing = subprocess.Popen([PROGRAM, "--list", "--length", str(length), "--group-by", grouping],
                                           stdout=null)
            _, status, usage = os.wait4(listing.pid, 0)
            self.assertEqual(status, 0)
            return usage.ru_maxrss
        for grouping in GROUPINGS:
            self.assertLess(peak_resident_kb(28, grouping) - peak_resident_kb(2, grouping), 8 * 1024, grouping)

    def test_a_reader_that_stops_early_ends_it_quietly(self):
        listing = subprocess.Popen([PROGRAM, "--list", "--length", "64"], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        self.assertEqual(listing.stdout.readline(), "32 " + "UD" * 32 + "\n")
        listing.stdout.close()
        self.assertEqual(listing.stderr.read(), "")
        self.assertIn(listing.wait(60), (-13, 0))  # SIGPIPE
        listing.stderr.close()

    def test_a_failed_write_is_status_1(self):
        for program, args in ((PROGRAM, "--list"), (PROGRAM, "--help"), (EXPORT, "--version")):
            with open("/dev/full", "w") as full:
                result = run([program, args], stdout=full)
            self.assertEqual((result.returncode, len(result.stderr.splitlines())), (1, 1), result.stderr)


class Counts(unittest.TestCase):

    def test_counts_equal_brute_force_up_to_20(self):
        for length in range(2, 22, 2):
            found = [collections.Counter(values(word)[g] for word in dyck_words(length)) for g in range(4)]
            for g, grouping in enumerate(GROUPINGS):
                self.assertEqual({int(v): int(n) for v, n in output("--count", "--length", str(length), "--group-by",
                                                                   grouping)}, found[g], (length, grouping))

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
                      (["--length", "18"], "lengths 2 to " + pages), (["--group-by", "size"], "mountains, peaks, height or area"),
                      (["--bogus"], "unknown option --bogus "), (["--length=4", "-xy"], "unknown option -x "),
                      (["--help=3"], "option --help takes no value"), (["--value", "3"], "--value")]
            self.assertRegex(run([program, "--help"]).stdout,
                             f"(?s)^usage: {name} .*--group-by G +mountains .*peaks.*height.*area" +
                             (".*--poster +with --format svg or pdf," if program == EXPORT else ""))
            self.assertRegex(run([program, "--version"]).stdout, f"^{name} " + r"\d+\.\d+\.\d+\n$")
            for args, says in cases + ([(["--list", "--count"], "cannot go together"), (["page"], "\"page\""),
                                        (["--list", "--value", "9", "--group-by", "peaks"], "1 to 8 by peaks at length 16"),
                                        (["--count", "--length=4", "--value=2", "--group-by=area"], "0 to 1 by area"),
                                        (["--count", "--value", "-1"], "in digits"), (["--list", "--value"], "in digits"),
                                        (["--count", "--browse"], "--browse cannot go with"),
                                        (["--format", "svg"], ": --format is an option of mountain-ranges-export ("),
                                        (["--paper", "a4"], ": --paper is an option of mountain-ranges-export ("),
                                        (["--poster"], ": --poster is an option of mountain-ranges-export (")]
                                       if program == PROGRAM else
                                       [(["--format", "gif"], "svg, pdf or tikz"), (["--format"], "svg, pdf or tikz"),
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
