#!/usr/bin/python3
"""Runs the end-to-end tests of mountain-ranges.

  run_e2e.py --program build/mountain-ranges --export build/mountain-ranges-export \\
             --font build/times.ttf [options] [TEST ...]

TEST names a module, class or test as unittest does (test_page_walk,
test_page_walk.KeyWalkTest, ...); without any, every test_*.py here runs.
Options left out fall back to the MR_* environment variables described in
harness.py.

--memcheck runs the program under valgrind's memcheck (default tests: the
walk through all pages and the failure cases), writes one log per program
run, and sums up the errors and leaks found. A definite leak or any memory
error fails the run; the suppressions in valgrind.supp cover only what the
system libraries (SDL, X11, FreeType, ...) keep or leak.
"""

import argparse
import glob
import os
import re
import shlex
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
MEMCHECK_TESTS = ["test_page_walk.KeyWalkTest.test_each_key_shows_the_next_page_and_the_last_ends_the_program",
                  "test_page_walk.CloseRequestTest.test_close_request_on_every_page_ends_the_program_after_the_last",
                  "test_failures"]


def parse_arguments():
    parser = argparse.ArgumentParser(description="End-to-end tests of mountain-ranges.")
    parser.add_argument("--program", help="the mountain-ranges binary (MR_PROGRAM)")
    parser.add_argument("--export", help="the mountain-ranges-export binary (MR_EXPORT)")
    parser.add_argument("--pages-dir", help="exported pages to use instead of running --export")
    parser.add_argument("--font", help="the font each run gets as times.ttf (MR_FONT)")
    parser.add_argument("--wrapper", help="command prefix for the program (MR_WRAPPER)")
    parser.add_argument("--ld-library-path",
                        help="put in front of the program's LD_LIBRARY_PATH (MR_LD_LIBRARY_PATH)")
    parser.add_argument("--timeout-scale", type=float, help="multiplies all timeouts (MR_TIMEOUT_SCALE)")
    parser.add_argument("--artifacts", help="where mismatching screenshots go (MR_ARTIFACTS)")
    parser.add_argument("--memcheck", action="store_true", help="run the program under valgrind memcheck")
    parser.add_argument("--memcheck-logs",
                        help="folder for the valgrind logs, emptied of old ones first (default: a new temporary one)")
    parser.add_argument("--gen-suppressions", action="store_true",
                        help="with --memcheck: print a suppression for every error in the logs")
    parser.add_argument("-q", "--quiet", action="store_true", help="less unittest output")
    parser.add_argument("tests", nargs="*", help="unittest names; default: all")
    return parser.parse_args()


def export_settings(args):
    for option, name in (("program", "MR_PROGRAM"), ("export", "MR_EXPORT"),
                         ("pages_dir", "MR_PAGES_DIR"), ("font", "MR_FONT"),
                         ("wrapper", "MR_WRAPPER"), ("ld_library_path", "MR_LD_LIBRARY_PATH"),
                         ("timeout_scale", "MR_TIMEOUT_SCALE"), ("artifacts", "MR_ARTIFACTS")):
        value = getattr(args, option)
        if value is not None:
            if option in ("program", "export", "pages_dir", "font", "artifacts"):
                value = os.path.abspath(value)
            os.environ[name] = str(value)


def memcheck_wrapper(log_dir, gen_suppressions):
    valgrind = shutil.which("valgrind") or shutil.which("valgrind", path="/usr/bin")
    if not valgrind:
        sys.exit("run_e2e.py: valgrind is not installed (Debian: apt-get install valgrind)")
    command = [valgrind, "--tool=memcheck", "--leak-check=full",
               "--errors-for-leak-kinds=definite", "--error-exitcode=99",
               "--track-origins=yes", "--num-callers=40",
               # Keeps symbols of libraries unloaded before exit (sdl12-compat
               # dlcloses SDL 2), so leak reports name their functions.
               "--keep-debuginfo=yes",
               # No gdb attaches here; a run the test kills would leave its
               # vgdb FIFOs in /tmp.
               "--vgdb=no",
               "--suppressions=" + os.path.join(HERE, "valgrind.supp"),
               "--log-file=" + os.path.join(log_dir, "memcheck.%p.log")]
    if gen_suppressions:
        command.append("--gen-suppressions=all")
    return shlex.join(command)


LEAK_KINDS = ("definitely lost", "indirectly lost", "possibly lost", "still reachable", "suppressed")


def summarise_memcheck(log_dir):
    """Prints one line per program run and the totals; returns the number of
    errors (leaks of the kinds counted as errors included)."""
    totals = {"errors": 0, "contexts": 0, "suppressed errors": 0, "cut short": 0}
    totals.update({kind: [0, 0] for kind in LEAK_KINDS})
    logs = sorted(glob.glob(os.path.join(log_dir, "memcheck.*.log")))
    print(f"\nmemcheck: {len(logs)} program runs, logs in {log_dir}")
    for log in logs:
        with open(log, errors="replace") as f:
            text = f.read()
        summary = re.search(r"ERROR SUMMARY: ([\d,]+) errors from ([\d,]+) contexts "
                            r"\(suppressed: ([\d,]+) from", text)
        if not summary:
            print(f"  {os.path.basename(log)}: no error summary: the run was killed "
                  "(a test gave up on it), so its leaks are unknown")
            totals["cut short"] += 1
            continue
        errors, contexts, suppressed = (int(g.replace(",", "")) for g in summary.groups())
        totals["errors"] += errors
        totals["contexts"] += contexts
        totals["suppressed errors"] += suppressed
        leaks = {}
        for kind in LEAK_KINDS:
            m = re.search(kind + r": ([\d,]+) bytes in ([\d,]+) blocks", text)
            leaks[kind] = (int(m.group(1).replace(",", "")), int(m.group(2).replace(",", ""))) if m else (0, 0)
            totals[kind][0] += leaks[kind][0]
            totals[kind][1] += leaks[kind][1]
        print(f"  {os.path.basename(log)}: {errors} errors ({suppressed} suppressed); "
              + ", ".join(f"{kind} {b} bytes in {n} blocks" for kind, (b, n) in leaks.items()))
        if errors:
            print("    " + log + " reports:")
            for block in re.findall(r"==\d+== (?:Invalid|Conditional|Use of|Syscall|Mismatched|"
                                    r"Source and|Argument|[\d,]+ bytes in [\d,]+ blocks are definitely).*",
                                    text)[:20]:
                print("      " + block)
    print(f"memcheck total: {totals['errors']} errors from {totals['contexts']} contexts "
          f"({totals['suppressed errors']} suppressed) in {len(logs) - totals['cut short']} "
          f"complete runs, {totals['cut short']} runs killed; "
          + ", ".join(f"{kind} {totals[kind][0]} bytes in {totals[kind][1]} blocks" for kind in LEAK_KINDS))
    return totals["errors"] + totals["cut short"], len(logs)


def main():
    args = parse_arguments()
    sys.dont_write_bytecode = True
    sys.path.insert(0, HERE)
    export_settings(args)

    tests = args.tests
    log_dir = None
    if args.memcheck:
        log_dir = args.memcheck_logs or tempfile.mkdtemp(prefix="mountain-ranges-memcheck-")
        os.makedirs(log_dir, exist_ok=True)
        # A reused folder holds the last run's logs, which the summary would count again.
        for log in glob.glob(os.path.join(log_dir, "memcheck.*.log")):
            os.remove(log)
        os.environ["MR_WRAPPER"] = memcheck_wrapper(log_dir, args.gen_suppressions)
        os.environ.setdefault("MR_TIMEOUT_SCALE", "10")
        tests = tests or MEMCHECK_TESTS

    loader = unittest.TestLoader()
    if tests:
        suite = loader.loadTestsFromNames(tests)
    else:
        suite = loader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)
    result = unittest.TextTestRunner(verbosity=1 if args.quiet else 2).run(suite)
    ok = result.wasSuccessful() and result.testsRun > 0

    if log_dir is not None:
        errors, runs = summarise_memcheck(log_dir)
        ok = ok and errors == 0 and runs > 0
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
