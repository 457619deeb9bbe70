#!/usr/bin/env bash
# Generates the data folders of the export benchmark:
#   limit/  99,997 adoptions (the record files' limit), each with its extension row,
#           4,000 classes under 999 schools;
#   10k/    10,000 adoptions with extension rows, 400 classes under 100 schools;
#   1m/     1,000,000 adoptions with extension rows, 40,000 classes under 999 schools
#           (more records than the format holds).
# Usage: bench/export_bench.sh [OUT_BASE] [ADOX_GEN]
# With RUN set, times "$RUN <folder>" on each folder (GNU time when present).
set -euo pipefail
cd "$(dirname "$0")/.."
base="${1:-build/export-bench}"
gen="${2:-}"
if [ -z "$gen" ]; then
  for candidate in build/release/bin/adox-gen build/*/bin/adox-gen; do
    if [ -x "$candidate" ]; then gen="$candidate"; break; fi
  done
fi
if [ -z "$gen" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target adox-gen -j 2
  gen=build/release/bin/adox-gen
fi

mkdir -p "$base"
make_folder() {
  local name="$1"; shift
  rm -rf "${base:?}/$name"
  "$gen" "$base/$name" --seed 2021 --ext-ratio 1 "$@"
}
make_folder limit --schools 999 --classes 4000 --adoptions 99997
make_folder 10k --schools 100 --classes 400 --adoptions 10000
make_folder 1m --schools 999 --classes 40000 --adoptions 1000000
du -sh "$base"/limit "$base"/10k "$base"/1m

if [ -n "${RUN:-}" ]; then
  for name in 10k limit 1m; do
    echo "== $name"
    if [ -x /usr/bin/time ]; then
      /usr/bin/time -f "%e s, peak %M KiB" $RUN "$base/$name" || echo "exit status $?"
    else
      time $RUN "$base/$name" || echo "exit status $?"
    fi
  done
fi
