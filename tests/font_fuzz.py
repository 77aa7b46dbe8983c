"""Damaged copies of the font, made at random from a fixed seed: the exporter
must draw its pages with each, or refuse it with one line on stderr and status
1. It must never die of a signal, hang, or trip a sanitizer.

usage: font_fuzz.py EXPORTER FONT"""
import os
import random
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

COPIES = 300
SEED = 2  # its copies include one that crashed the program in the sanitizer build before fonts were checked
BYTES_CHANGED = (1, 5, 20, 100)  # taken in turn
TIMEOUT = 60  # seconds; a run takes about one in the sanitizer build
SANITIZER_REPORTS = ("ERROR: AddressSanitizer", "runtime error:", "LeakSanitizer")


def damaged_copies(font):
    rng = random.Random(SEED)
    for number in range(COPIES):
        data = bytearray(font)
        for _ in range(BYTES_CHANGED[number % len(BYTES_CHANGED)]):
            data[rng.randrange(len(data))] = rng.randrange(256)
        yield number, bytes(data)


def export(exporter, work, name, data):
    """'drew' or 'refused', or what went wrong."""
    folder = tempfile.mkdtemp(prefix=name + "-", dir=work)
    font = os.path.join(folder, "times.ttf")
    with open(font, "wb") as f:
        f.write(data)
    try:
        run = subprocess.run([exporter, "--font", font, folder], capture_output=True, text=True,
                             errors="replace", timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return f"hung for {TIMEOUT} s"
    report = next((r for r in SANITIZER_REPORTS if r in run.stderr), None)
    if run.returncode < 0:
        return f"killed by signal {-run.returncode}: {run.stderr[-2000:]}"
    if report:
        return f"sanitizer report ({report}): {run.stderr[-2000:]}"
    if run.returncode == 0:
        return "drew"
    if run.returncode == 1 and run.stderr.count("\n") == 1 and run.stderr.endswith("\n"):
        return "refused"
    return f"status {run.returncode} with stderr {run.stderr[-2000:]!r}"


def main():
    exporter, font_path = sys.argv[1:3]
    with open(font_path, "rb") as f:
        font = f.read()
    with tempfile.TemporaryDirectory(prefix="font-fuzz-") as work:
        intact = export(exporter, work, "intact", font)
        if intact != "drew":
            print(f"the intact font: {intact}")
            return 1
        with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
            outcomes = list(pool.map(lambda copy: export(exporter, work, f"copy{copy[0]}", copy[1]),
                                     damaged_copies(font)))
    faults = [(n, o) for n, o in enumerate(outcomes) if o not in ("drew", "refused")]
    print(f"{COPIES} damaged fonts (seed {SEED}): {outcomes.count('drew')} drew, "
          f"{outcomes.count('refused')} refused, {len(faults)} failed")
    for number, outcome in faults:
        print(f"copy {number} ({BYTES_CHANGED[number % len(BYTES_CHANGED)]} bytes changed): {outcome}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
