#!/usr/bin/env bash
# Measures what the benchmark program cannot see from inside one process:
#  - the peak resident memory of `binario compile` on the large pair;
#  - the built-in run as a whole process against `cp` of the six files it
#    leaves, both into a folder that already holds them, each run started on
#    a settled disk.
#
# usage: bench/measure.sh BUILD_DIR [WORK_DIR]
# Needs /usr/bin/time (Debian package "time") and hyperfine.
set -euo pipefail

build=$(cd "${1:?usage: bench/measure.sh BUILD_DIR [WORK_DIR]}" && pwd)
work=${2:-$(mktemp -d)}
mkdir -p "$work"
work=$(cd "$work" && pwd)
binario="$build/binario"

echo "== peak memory of binario compile on the large pair"
"$build/bench/binario_make_large_pair" "$work/pair" >/dev/null
peak_kb=0
for _ in 1 2 3; do
  /usr/bin/time -v "$binario" compile "$work/pair/Grande_linea.txt" "$work/pair/Grande_1-.txt" \
    2>"$work/time.txt"
  kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  ((kb > peak_kb)) && peak_kb=$kb
done
echo "maximum resident set size: $peak_kb kB ($((peak_kb / 1024)) MiB), highest of 3 runs"

echo "== the built-in run as a process against cp of its six files"
mkdir -p "$work/run" "$work/six" "$work/copy"
"$binario" -C "$work/run"
files=()
for f in "$work/run"/*; do
  cp "$f" "$work/six/"
  files+=("$work/six/$(basename "$f")")
done
[ ${#files[@]} -eq 6 ] || { echo "expected six files, found ${#files[@]}" >&2; exit 1; }
cp "${files[@]}" "$work/copy/"
# Each run starts on a settled disk (sync, not timed), like the benchmarks:
# both replace files that an earlier run left and the disk has committed.
hyperfine -N --warmup 10 --runs "${RUNS:-200}" --prepare sync --export-markdown "$work/run.md" \
  -n "binario -C DIR" "$binario -C $work/run" \
  -n "cp (six files)" "cp ${files[*]} $work/copy/"
cat "$work/run.md"
echo "(files in $work)"
