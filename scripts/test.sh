#!/usr/bin/env bash
# Builds everything with the debug preset and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh
cmake --preset debug
cmake --build --preset debug -j "$(nproc)"
ctest --preset debug
