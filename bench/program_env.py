"""A private installation for the benchmarks' runs of the programs.

The demo's parameter files, dated as the format's year expects, a registry file
pointing at them, and a HOME and runtime folder of their own, so a benchmark
never reads or writes the user's settings or delivery folders.
"""

import os
import shutil
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def program_env(base):
    """Returns (environment, home) for running the programs under base."""
    install = os.path.join(base, "install")
    datrex = os.path.join(install, "ETC", "datrex")
    os.makedirs(datrex, exist_ok=True)
    stamp = time.mktime((2021, 9, 1, 12, 0, 0, 0, 0, -1))
    for name in ("aie.ufp", "anarpe.ufp"):
        target = os.path.join(datrex, name)
        shutil.copyfile(os.path.join(ROOT, "demo", "install", "ETC", "datrex", name), target)
        os.utime(target, (stamp, stamp))
    reg = os.path.join(base, "hklm.reg")
    with open(reg, "wb") as f:
        f.write(b'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"MainDir"="'
                + os.path.abspath(install).encode() + b'/"\r\n')
    home = os.path.join(base, "home")
    runtime = os.path.join(base, "runtime")
    os.makedirs(home, exist_ok=True)
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = dict(os.environ, HOME=os.path.abspath(home), ADOXPORT_HKLM=os.path.abspath(reg),
               QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=os.path.abspath(runtime))
    return env, home
