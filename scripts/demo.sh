#!/usr/bin/env bash
# Builds the programs and runs an export on a copy of the bundled demo school.
# Usage: scripts/demo.sh [aie|anarpe] [1|2] [--classic]
# With a display the wizard opens; without one the export runs unattended and
# prints its log and where the files went.
set -euo pipefail
cd "$(dirname "$0")/.."
target="${1:-aie}"
path="${2:-1}"
program=adoxport
[ "${3:-}" = "--classic" ] && program=adoxport-classic

bash scripts/install-packages.sh
cmake --preset release >/dev/null
cmake --build --preset release --target adoxport adoxport-classic ZipDll -j "$(nproc)"

run="$PWD/build/release/demo-run"
rm -rf "$run"
mkdir -p "$run"
cp -r demo/data demo/install "$run/"
# Git keeps no file times; the parameter file's date is a header field.
touch -d "2021-09-01 10:00:00" "$run"/install/ETC/datrex/*.ufp
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n"MainDir"="%s/install/"\r\n' "$run" \
  >"$run/hklm.reg"
export ADOXPORT_HKLM="$run/hklm.reg"
# Qt wants a private runtime folder; a root shell often has none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$run/runtime"
  mkdir -m 700 -p "$XDG_RUNTIME_DIR"
fi

bin="$PWD/build/release/bin/$program"
echo "Data folder: $run/data"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$bin" "$run/data" "$target" "$path"
fi
echo "No display: running unattended."
status=0
sites=()
# On path 2 the demo's first site of the liceo and the middle school's only
# site are the official descriptions.
[ "$path" = "2" ] && sites=(--sites 1,3)
"$bin" "$run/data" "$target" "$path" --unattended --protocol "DEMO/2021" "${sites[@]}" || status=$?
echo
echo "Output files in $run/data:"
ls -l "$run/data"/*.txt 2>/dev/null || true
echo "Delivery folder: $HOME/rozadiver/datrex/$target"
ls -l "$HOME/rozadiver/datrex/$target" 2>/dev/null || true
exit $status
