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
GROUPINGS = ("mountains", "peaks", "height")


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
    """The range's number of mountains, of peaks, and its height."""
    levels = [word[:i + 1].count("U") * 2 - i - 1 for i in range(len(word))]
    return levels.count(0), word.count("UD"), max(levels)


def output(*args):
    result = run([PROGRAM, *args])
    assert (result.returncode, result.stderr) == (0, ""), result.stderr
    return [line.split(" ") for line in result.stdout.splitlines()]


class Listing(unittest.TestCase):

    def test_every_range_once_in_its_group_flattest_first(self):
        for length in range(2, 14, 2):
            words = list(dyck_words(length))
            for g, grouping in enumerate(GROUPINGS):
                lines = output("--list", "--length", str(length), "--group-by", grouping)
                self.assertEqual(sorted(word for _, word in lines), sorted(words), (length, grouping))
                self.assertTrue(all(int(v) == values(word)[g] for v, word in lines), (length, grouping))
                order = [int(v) for v, _ in lines]
                self.assertEqual(order, sorted(order, reverse=grouping != "height"), (length, grouping))
        lines = output("--list")
        self.assertEqual((len(lines), lines[0], lines[-1]), (1430, ["8", "UD" * 8], ["1", "U" * 8 + "D" * 8]))
        self.assertEqual(output("--list", "--length=10"), output("--list", "--length", "10"))

    def test_the_listing_at_24_has_the_counts(self):
        counts = collections.Counter(v for v, _ in output("--list", "--length", "24"))
        self.assertEqual([[v, str(n)] for v, n in counts.items()], output("--count", "--length", "24"))

    def test_a_listing_of_28_takes_no_more_memory_than_one_of_2(self):
        def peak_resident_kb(length):
            with open(os.devnull, "w") as null:
                listing = subprocess.Popen([PROGRAM, "--list", "--length", str(length)], stdout=null)
            _, status, usage = os.wait4(listing.pid, 0)
            self.assertEqual(status, 0)
            return usage.ru_maxrss
        self.assertLess(peak_resident_kb(28) - peak_resident_kb(2), 8 * 1024)

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
            found = [collections.Counter(values(word)[g] for word in dyck_words(length)) for g in range(3)]
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
            heights = output("--count", "--length", str(length), "--group-by", "height")
            self.assertEqual([int(h) for h, _ in heights], list(range(1, n + 1)))
            self.assertEqual(sum(int(c) for _, c in heights), math.comb(2 * n, n) // (n + 1))


class CommandLines(unittest.TestCase):

    def test_help_version_and_bad_input_refused_with_one_line_naming_what_is_allowed(self):
        cases = [(["--length", bad], "even number from 2 to 64")
                 for bad in ("3", "0", "66", "064", "-2", "1e1", "abc", "", " 4", "+4", "04x")]
        cases += [(["--length"], "even number from 2 to 64"), (["--length=7"], "even number"),
                  (["--length", "18"], "lengths 2 to 16; "), (["--group-by", "size"], "mountains, peaks, height or area"),
                  (["--bogus"], "--bogus"), (["-x"], "-x")]
        for program in (PROGRAM, EXPORT):
            name = os.path.basename(program)
            self.assertRegex(run([program, "--help"]).stdout, f"(?s)^usage: {name} .*--group-by G +mountains .*peaks.*height")
            self.assertRegex(run([program, "--version"]).stdout, f"^{name} " + r"\d+\.\d+\.\d+\n$")
            for args, says in cases + ([(["--list", "--count"], "cannot go together"), (["page"], "\"page\"")]
                                       if program == PROGRAM else
                                       [(["--format", "gif"], "png or svg"), (["--format"], "png or svg"),
                                        (["--font", ""], "TrueType font"), (["a", "b"], "more than one")]):
                with self.subTest(program=os.path.basename(program), args=args), \
                        tempfile.TemporaryDirectory() as folder:
                    result = run([program, *args], cwd=folder)
                    self.assertEqual((result.returncode, result.stdout), (2, ""), result.stderr)
                    self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                    self.assertIn(says, result.stderr)
                    self.assertEqual(os.listdir(folder), [], "wrote a file")


if __name__ == "__main__":
    unittest.main()
