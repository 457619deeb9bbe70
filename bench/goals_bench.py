#!/usr/bin/env python3
"""The export's speed and memory goals, each figure beside its reference
measured in the same round (the two run one after the other, rounds repeated,
medians taken), with the load average of each round.

Usage: bench/goals_bench.py [--base DIR] [--bin DIR] [--rounds N] [--only G,...]

--base holds the folders of bench/export_bench.sh (limit/ is made with that
script when missing), --bin the release programs (adoxport, adoxport-classic,
record-check, dataset_bench, window_bench, adox-gen, ZipDll). The goals:
  1 current edition, AIE, limit school: wall <= 0.6x and CPU <= 1.2x expat's
    bare parse of the packets it reads on one thread (dataset_bench --bare);
  2 earlier edition, AIE, limit school: wall <= 0.8x the bare parse of its packets;
  3 current edition, ANARPE, limit school: wall <= 1.0x the bare parse; the
    archive no larger than `zip -6` makes of the same files, and valid for
    unzip -t, Python's zipfile and 7z t (when installed);
  4 peak memory of the limit AIE export <= 70 MiB;
  5 the demo school's unattended AIE export <= 2.0x an empty Qt window shown
    and closed (window_bench --empty);
  6 the window of the limit school painted <= 5x the empty Qt window painted,
    both from the process's start to the end of the first paint; beside it,
    with no target of its own, the moment the first page is ready (start-up
    ended, the page filled and painted), against the same reference;
  7 record-check of the limit AIE files <= 0.1x a plain Python reader
    printing the same records (bench/read_records.py).
Every round's ratio is printed, so a slow round shows. Exit status 0 when the
medians meet every goal measured.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from program_env import ROOT, program_env

CURRENT_PACKETS = ["Body014.xml", "Body622.xml", "Body815.xml", "Body815E.xml", "COD_SPECSPER.xml"]
CLASSIC_PACKETS = ["Body014.xml", "Body622.xml", "Body698.xml", "Body815.xml"]
AIE_FILES = ["File014.txt", "File622.txt", "File815.txt", "File815E.txt"]
ANARPE_FILES = ["Adoz001.txt", "Adoz002.txt", "Adoz003.txt", "Adoz004.txt"]
MIB = 1024 * 1024


def load_average():
    return os.getloadavg()[0]


def timed(argv, env=None, stdout=subprocess.DEVNULL):
    """Wall and CPU seconds, peak memory (bytes) and exit status of one process."""
    start = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=stdout, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    return {"wall": wall, "cpu": usage.ru_utime + usage.ru_stime, "peak": usage.ru_maxrss * 1024,
            "status": proc.returncode}


def window_run(argv, env):
    """timed(), plus the seconds from the start to the first paint and to the
    first page ready, as window_bench prints them (None when it printed none)."""
    start = time.monotonic()
    proc = subprocess.Popen(argv, env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    out = proc.stdout.read().decode(errors="replace")
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.monotonic() - start
    moments = dict(line.split(None, 1) for line in out.splitlines() if " " in line)
    since = lambda key: float(moments[key]) - start if key in moments else None
    return {"wall": wall, "cpu": usage.ru_utime + usage.ru_stime, "status": os.waitstatus_to_exitcode(status),
            "paint": since("first-paint"), "ready": since("page-ready")}


def bare_parse(bench, data, packets):
    return timed([bench, "--bare"] + [os.path.join(data, p) for p in packets])


class Setup:
    """A private installation folder, registry file and HOME for the programs."""

    def __init__(self, base):
        self.base = base
        self.env, self.home = program_env(base)

    def export(self, program, data, target, outputs):
        for f in outputs:
            if os.path.exists(os.path.join(data, f)):
                os.remove(os.path.join(data, f))
        shutil.rmtree(os.path.join(self.home, "rozadiver"), ignore_errors=True)
        r = timed([program, data, target, "1", "--unattended", "--protocol", "BENCH/2021"], env=self.env)
        r["delivery"] = os.path.join(self.home, "rozadiver", "datrex", target)
        return r


def archive_checks(archive, members_dir, names, work):
    """The archive's size against `zip -6` of the same files, and the tools' tests."""
    plain = os.path.join(work, "zip6.zip")
    if os.path.exists(plain):
        os.remove(plain)
    subprocess.run(["zip", "-q", "-6", "-j", plain] + [os.path.join(members_dir, n) for n in names],
                   check=True)
    tests = {
        "unzip -t": ["unzip", "-tq", archive],
        "python zipfile": [sys.executable, "-m", "zipfile", "-t", archive],
    }
    if shutil.which("7z"):
        tests["7z t"] = ["7z", "t", archive]
    results = {k: subprocess.run(v, capture_output=True).returncode == 0 for k, v in tests.items()}
    return os.path.getsize(archive), os.path.getsize(plain), results


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--base", default=os.path.join(ROOT, "build", "export-bench"))
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "release", "bin"))
    ap.add_argument("--rounds", type=int, default=5)
    ap.add_argument("--only", default="1,2,3,4,5,6,7")
    args = ap.parse_args()
    only = {int(g) for g in args.only.split(",")}
    base = os.path.abspath(args.base)
    tool = lambda name: os.path.join(args.bin, name)
    for name in ("adoxport", "adoxport-classic", "record-check", "dataset_bench", "window_bench"):
        if not os.access(tool(name), os.X_OK):
            sys.exit("missing %s (cmake --build --preset release --target %s)" % (tool(name), name))
    limit = os.path.join(base, "limit")
    if not os.path.isfile(os.path.join(limit, "Body815.xml")):
        subprocess.run(["bash", os.path.join(ROOT, "bench", "export_bench.sh"), base, tool("adox-gen")],
                       check=True)
    work = tempfile.mkdtemp(prefix="goals-", dir=base)
    setup = Setup(work)
    demo = os.path.join(work, "demo")
    shutil.copytree(os.path.join(ROOT, "demo", "data"), demo)
    # The limit folder is shared with export_bench.py; the runs write into a copy.
    data = os.path.join(work, "limit")
    os.makedirs(data)
    for p in sorted(set(CURRENT_PACKETS + CLASSIC_PACKETS)):
        try:
            os.link(os.path.join(limit, p), os.path.join(data, p))
        except OSError:
            shutil.copyfile(os.path.join(limit, p), os.path.join(data, p))
    reader = os.path.join(ROOT, "bench", "read_records.py")

    rows = {}  # goal -> list of (figure, reference) per round

    def add(goal, figure, reference):
        rows.setdefault(goal, []).append((figure, reference))

    checks = []
    print("round  load   goal  figure      reference   ratio")
    for rnd in range(1, args.rounds + 1):
        def show(goal, what, figure, reference, unit="s"):
            print("%5d %5.2f   %-5s %8.3f%s  %8.3f%s  %6.2fx  %s"
                  % (rnd, load_average(), goal, figure, unit, reference, unit, figure / reference, what))

        if only & {1, 4}:
            bare = bare_parse(tool("dataset_bench"), data, CURRENT_PACKETS)
            r = setup.export(tool("adoxport"), data, "aie", AIE_FILES)
            checks.append(("1: AIE export finished", r["status"] == 0))
            add("1 wall", r["wall"], bare["wall"])
            add("1 cpu", r["cpu"], bare["cpu"])
            add("4 MiB", r["peak"] / MIB, 70.0)
            show("1", "AIE export wall / bare parse wall", r["wall"], bare["wall"])
            show("1", "AIE export CPU / bare parse CPU", r["cpu"], bare["cpu"])
            show("4", "AIE export peak memory / 70 MiB", r["peak"] / MIB, 70.0, "M")
        if 7 in only:
            files = [os.path.join(data, f) for f in AIE_FILES]
            # The files of the current edition's AIE export (goal 1 leaves them).
            if 1 not in only and 4 not in only:
                setup.export(tool("adoxport"), data, "aie", AIE_FILES)
            py = timed([sys.executable, reader] + files)
            r = timed([tool("record-check")] + files)
            checks.append(("7: record-check finds the files clean", r["status"] == 0 and py["status"] == 0))
            add("7 wall", r["wall"], py["wall"])
            show("7", "record-check / Python reader", r["wall"], py["wall"])

        if 2 in only:
            bare = bare_parse(tool("dataset_bench"), data, CLASSIC_PACKETS)
            r = setup.export(tool("adoxport-classic"), data, "aie", AIE_FILES + ["File698.txt"])
            checks.append(("2: classic AIE export finished", r["status"] == 0))
            add("2 wall", r["wall"], bare["wall"])
            show("2", "classic AIE export wall / bare parse wall", r["wall"], bare["wall"])
        if 3 in only:
            bare = bare_parse(tool("dataset_bench"), data, CURRENT_PACKETS)
            r = setup.export(tool("adoxport"), data, "anarpe", ANARPE_FILES)
            checks.append(("3: ANARPE export finished", r["status"] == 0))
            add("3 wall", r["wall"], bare["wall"])
            show("3", "ANARPE export wall / bare parse wall", r["wall"], bare["wall"])
            if rnd == 1:
                archive = os.path.join(r["delivery"], "Anarpe.zip")
                size, plain, results = archive_checks(archive, data, ANARPE_FILES, work)
                print("           archive %d bytes, zip -6 of the same files %d bytes (%.4fx); %s"
                      % (size, plain, size / plain,
                         ", ".join("%s %s" % (k, "ok" if v else "FAILED") for k, v in results.items())))
                checks.append(("3: archive no larger than zip -6", size <= plain))
                checks.extend(("3: archive passes " + k, v) for k, v in results.items())
        if 5 in only or 6 in only:
            empty = window_run([tool("window_bench"), "--empty"], setup.env)
        if 5 in only:
            r = setup.export(tool("adoxport"), demo, "aie", AIE_FILES)
            checks.append(("5: demo export finished", r["status"] == 0))
            add("5 wall", r["wall"], empty["wall"])
            show("5", "demo unattended export / empty Qt window", r["wall"], empty["wall"])
        if 6 in only:
            r = window_run([tool("window_bench"), data, "aie", "1"], setup.env)
            done = r["status"] == 0 and r["paint"] is not None and r["ready"] is not None
            checks.append(("6: window painted and first page ready", done and empty["paint"] is not None))
            if done and empty["paint"] is not None:
                add("6 paint", r["paint"], empty["paint"])
                add("6 ready", r["ready"], empty["paint"])
                show("6", "limit school's window painted / empty Qt window painted", r["paint"], empty["paint"])
                show("6", "limit school's first page ready / empty Qt window painted", r["ready"],
                     empty["paint"])
    # "6 ready" has no target: it shows the filled page beside the first paint.
    goals = {"1 wall": 0.6, "1 cpu": 1.2, "2 wall": 0.8, "3 wall": 1.0, "4 MiB": 1.0, "5 wall": 2.0,
             "6 paint": 5.0, "6 ready": None, "7 wall": 0.1}
    print("\nmedians of %d rounds (final load %.2f):" % (args.rounds, load_average()))
    ok = True
    for key, pairs in rows.items():
        figure = statistics.median(p[0] for p in pairs)
        reference = statistics.median(p[1] for p in pairs)
        ratio = statistics.median(p[0] / p[1] for p in pairs)
        if goals[key] is None:
            print("  goal %-7s figure %8.3f  reference %8.3f  ratio %6.2fx  (no target of its own)"
                  % (key, figure, reference, ratio))
            continue
        met = ratio <= goals[key]
        ok = ok and met
        print("  goal %-7s figure %8.3f  reference %8.3f  ratio %6.2fx  (goal <= %.2fx) %s"
              % (key, figure, reference, ratio, goals[key], "ok" if met else "MISSED"))
    for what, good in checks:
        if not good:
            ok = False
            print("  FAILED: " + what)
    shutil.rmtree(work, ignore_errors=True)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
