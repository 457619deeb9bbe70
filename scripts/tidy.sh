#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over the project's own
# sources, as compiled in the debug build (build/debug/compile_commands.json);
# generated sources under build/ are left out. Any finding fails the run.
#   scripts/tidy.sh          the programs, the plugin and the libraries
#   scripts/tidy.sh --all    also tests, benchmarks and fuzz targets
set -euo pipefail
cd "$(dirname "$0")/.."
dirs="app|platform|support|dataset|forms|zip|zipdll|export|export-classic"
if [ "${1:-}" = "--all" ]; then dirs="$dirs|tests|bench|fuzz"; fi
# The build makes the generated headers the sources include.
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$(nproc)" >/dev/null
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
run-clang-tidy -p build/debug -j "$(nproc)" -quiet -header-filter="^$(pwd)/($dirs)/" "^$(pwd)/($dirs)/" \
  >"$log" 2>&1 || status=$?
if [ "$status" -ne 0 ] || grep -q "warning:\|error:" "$log"; then
  sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -A4 "warning:\|error:" >&2 || cat "$log" >&2
  echo "clang-tidy: findings above" >&2
  exit 1
fi
echo "clang-tidy: clean ($(grep -c '^clang-tidy' "$log") files)"
