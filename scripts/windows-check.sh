#!/usr/bin/env bash
# Builds the Windows core with MinGW-w64 and runs its tests under wine: every
# source that needs neither Qt, expat nor libzip (the windows-core preset),
# GoogleTest from Debian's sources, and the test program of those layers with
# the Windows-only tests. Then checks that no other product source would
# compile for Windows: a new file that needs none of the three libraries
# cannot stay out of this build.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "windows: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

start=$(date +%s)
build=build/windows-core
rm -rf "$build"
mkdir -p build
cmake --preset windows-core >"$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build --preset windows-core -j2

# wine in a prefix of its own, without a display and without its debug noise;
# wineboot prepares the prefix once so the test run does not wait for it.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
timeout 300 /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
timeout 600 ctest --preset windows-core --output-on-failure

# The count, and the check that nothing that compiles for Windows is left out.
mapfile -t built < <(python3 - "$build/compile_commands.json" <<'PY'
import json, os, sys
root = os.getcwd()
for e in json.load(open(sys.argv[1])):
    f = os.path.relpath(os.path.normpath(os.path.join(e["directory"], e["file"])), root)
    if not f.startswith(("tests/", "../")) and "googletest" not in f:
        print(f)
PY
)
mapfile -t product < <(git ls-files '*.cpp' | grep -vE '^(tests|bench|fuzz)/')
cxx=x86_64-w64-mingw32-g++-posix
flags=(-std=c++20 -fsyntax-only -I.
  -DADOX_VERSION=\"0\" -DADOX_ZIPDLL_NAME=\"ZipDll\" -DADOX_MODULE_SUFFIX=\".dll\")
needing=0
posix=0
escaped=()
for src in "${product[@]}"; do
  printf '%s\n' "${built[@]}" | grep -qxF "$src" && continue
  if [[ $src == platform/posix/* ]]; then
    posix=$((posix + 1))
  elif "$cxx" "${flags[@]}" "$src" >/dev/null 2>&1; then
    escaped+=("$src")
  else
    needing=$((needing + 1))
  fi
done
echo "windows: ${#built[@]} of ${#product[@]} product sources compiled for Windows;" \
  "$needing need Qt, expat or libzip; $posix are the Linux side of the platform layer"
echo "windows: check took $(($(date +%s) - start)) s"
if [ ${#escaped[@]} -gt 0 ]; then
  echo "windows: these compile without Qt, expat and libzip but are not in the windows-core build:" >&2
  printf '  %s\n' "${escaped[@]}" >&2
  exit 1
fi
