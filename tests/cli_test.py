"""Both programs' command lines: --help, --version, the text listing, and the
refusal of bad input, all without a display."""
import itertools
import os
import re
import signal
import subprocess
import tempfile
import unittest

PROGRAM = os.environ["MR_PROGRAM"]
EXPORT = os.environ["MR_EXPORT"]


def run(args, cwd=None, **kwargs):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "SDL_VIDEODRIVER")}
    options = dict(stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=60)
    options.update(kwargs)
    return subprocess.run(args, cwd=cwd, env=env, **options)


def returns_of(word):
    """The returns to the ground of a word of U and D, or None if it is no range."""
    height, returns = 0, 0
    for stroke in word:
        height += 1 if stroke == "U" else -1
        if height < 0:
            return None
        returns += height == 0
    return returns if height == 0 else None


def mountain_ranges(length):
    """Every range of `length` strokes by brute force over all words, with its
    number of returns to the ground: the oracle for the listing."""
    words = ("".join(strokes) for strokes in itertools.product("UD", repeat=length))
    return {word: returns_of(word) for word in words if returns_of(word) is not None}


class Listing(unittest.TestCase):

    def listing(self, *args):
        result = run([PROGRAM, "--list", *args])
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        return [line.split(" ") for line in result.stdout.splitlines()]

    def test_every_range_once_in_groups_from_the_most_mountains_down(self):
        for length in range(2, 14, 2):
            lines = self.listing("--length", str(length))
            self.assertEqual({word: int(m) for m, word in lines}, mountain_ranges(length), length)
            self.assertEqual(len(lines), len(mountain_ranges(length)), f"{length}: a range twice")
            groups = [int(m) for m, _ in lines]
            self.assertEqual(groups, sorted(groups, reverse=True), length)

    def test_length_16_is_the_default(self):
        lines = self.listing()
        self.assertEqual(len(lines), 1430)
        self.assertEqual(lines[0], ["8", "UDUDUDUDUDUDUDUD"])
        self.assertEqual(lines[-1], ["1", "UUUUUUUUDDDDDDDD"])
        self.assertEqual(lines, self.listing("--length", "16"))
        self.assertEqual(self.listing("--length=10"), self.listing("--length", "10"))

    def test_length_64_streams_ranges_from_the_first_line(self):
        # Far too many to hold: the first thousands of lines come at once.
        process = subprocess.Popen([PROGRAM, "--list", "--length", "64"], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        lines = [process.stdout.readline().split(" ") for _ in range(5000)]
        process.stdout.close()
        self.assertEqual(process.stderr.read(), "")
        self.assertIn(process.wait(60), (-signal.SIGPIPE, 0))
        process.stderr.close()
        self.assertEqual(lines[0], ["32", "UD" * 32 + "\n"])
        for m, word in lines:
            self.assertEqual((len(word), returns_of(word[:-1])), (65, int(m)), word)
        self.assertEqual(len({word for _, word in lines}), len(lines), "a range twice")
        groups = [int(m) for m, _ in lines]
        self.assertEqual(groups, sorted(groups, reverse=True))
        result = run([PROGRAM, "--list", "--length", "66"])
        self.assertEqual(result.returncode, 2)
        self.assertIn("even number from 2 to 64", result.stderr)

    def test_a_reader_that_stops_early_ends_it_quietly(self):
        process = subprocess.Popen([PROGRAM, "--list"], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.assertEqual(process.stdout.readline(), b"8 UDUDUDUDUDUDUDUD\n")
        process.stdout.close()
        self.assertEqual(process.stderr.read(), b"")
        self.assertIn(process.wait(60), (-signal.SIGPIPE, 0))
        process.stderr.close()

    def test_a_failed_write_is_status_1(self):
        for program, args in ((PROGRAM, "--list"), (PROGRAM, "--help"), (EXPORT, "--version")):
            with open("/dev/full", "w") as full:
                result = run([program, args], stdout=full, stderr=subprocess.PIPE)
            self.assertEqual(result.returncode, 1, args)
            self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)


class CommandLines(unittest.TestCase):

    def test_help_and_version(self):
        for program in (PROGRAM, EXPORT):
            name = os.path.basename(program)
            result = run([program, "--help"])
            self.assertEqual(result.returncode, 0, name)
            self.assertIn("--length", result.stdout)
            self.assertTrue(result.stdout.startswith("usage: " + name), result.stdout)
            result = run([program, "--version"])
            self.assertEqual(result.returncode, 0, name)
            self.assertRegex(result.stdout, r"^" + re.escape(name) + r" \d+\.\d+\.\d+\n$")

    def test_bad_input_is_refused_with_one_line_naming_what_is_allowed(self):
        cases = [(["--length", bad], "even number from 2 to")
                 for bad in ("3", "0", "66", "-2", "1e1", "abc", "", " 4", "+4", "04x")]
        cases += [(["--length"], "even number from 2 to"), (["--length=7"], "even number"),
                  (["--length", "18"], "lengths 2 to 16"), (["--bogus"], "--bogus"), (["-x"], "-x")]
        for program in (PROGRAM, EXPORT):
            for args, says in cases:
                with self.subTest(program=os.path.basename(program), args=args), \
                        tempfile.TemporaryDirectory() as folder:
                    result = run([program, *args], cwd=folder)
                    self.assertEqual(result.returncode, 2, result.stderr)
                    self.assertEqual(result.stdout, "")
                    self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                    self.assertIn(says, result.stderr)
                    self.assertEqual(os.listdir(folder), [], "wrote a file")


if __name__ == "__main__":
    unittest.main()
