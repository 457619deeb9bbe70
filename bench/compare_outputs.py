#!/usr/bin/env python3
"""Runs two builds of the programs on the same data folder, both editions and
both recipients, unattended, and compares what they leave byte for byte: the
record files in the data folder, the files delivered (an archive's members,
with their names and order), standard output, standard error and the exit
status.

Usage: bench/compare_outputs.py OLD_BIN NEW_BIN [DATA_DIR]   (DATA_DIR: the
benchmark's limit folder by default)
Exit status 0 when everything is the same.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

from program_env import ROOT, program_env


def run(bin_dir, program, source, target, base, env):
    """The run's outcome: exit status, output, and every file it left."""
    data = os.path.join(base, "data")
    home = os.path.join(base, "home")
    shutil.rmtree(data, ignore_errors=True)
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(home)
    shutil.copytree(source, data)
    before = set(os.listdir(data))
    r = subprocess.run([os.path.join(bin_dir, program), data, target, "1", "--unattended",
                        "--protocol", "BENCH/2021"], env=dict(env, HOME=home), capture_output=True)
    files = {}
    for name in sorted(set(os.listdir(data)) - before):
        with open(os.path.join(data, name), "rb") as f:
            files["data/" + name] = f.read()
    delivery = os.path.join(home, "rozadiver", "datrex", target)
    for name in sorted(os.listdir(delivery)) if os.path.isdir(delivery) else []:
        path = os.path.join(delivery, name)
        if name.endswith(".zip"):
            with zipfile.ZipFile(path) as z:
                files["delivered/" + name + ":names"] = "\n".join(z.namelist()).encode()
                for member in z.namelist():
                    files["delivered/" + name + "/" + member] = z.read(member)
        else:
            with open(path, "rb") as f:
                files["delivered/" + name] = f.read()
    # The run's own folders appear in the log: the same in both runs.
    return r.returncode, r.stdout, r.stderr, files


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    old_bin, new_bin = sys.argv[1], sys.argv[2]
    source = sys.argv[3] if len(sys.argv) > 3 else os.path.join(ROOT, "build", "export-bench", "limit")
    work = tempfile.mkdtemp(prefix="compare-")
    env = program_env(work)[0]
    same = True
    for program in ("adoxport", "adoxport-classic"):
        for target in ("aie", "anarpe"):
            old = run(old_bin, program, source, target, os.path.join(work, "run"), env)
            new = run(new_bin, program, source, target, os.path.join(work, "run"), env)
            faults = []
            for what, a, b in (("exit status", old[0], new[0]), ("stdout", old[1], new[1]),
                               ("stderr", old[2], new[2])):
                if a != b:
                    faults.append(what)
            if sorted(old[3]) != sorted(new[3]):
                faults.append("files: %s against %s" % (sorted(old[3]), sorted(new[3])))
            for name in sorted(set(old[3]) & set(new[3])):
                if old[3][name] != new[3][name]:
                    faults.append(name)
            total = sum(len(v) for v in new[3].values())
            print("%-17s %-7s exit %d, %2d files, %10d bytes: %s"
                  % (program, target, new[0], len(new[3]), total,
                     "identical" if not faults else "DIFFERENT: " + ", ".join(faults)))
            same = same and not faults
    shutil.rmtree(work, ignore_errors=True)
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
