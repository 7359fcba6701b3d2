#!/usr/bin/env bash
# Runs the Linux build and the Windows build (under Wine) through the same
# work and compares every file they write, byte for byte: the default run
# into an empty folder, a second run over its files, `compile` of the
# examples, `plot` of the built-in folder, and the run, `sources`, `compile`
# and `plot` with non-ASCII folder and file names. A difference fails loudly with the file's name.
#
# usage: .ci/compare-windows.sh [LINUX_BUILD [WINDOWS_BUILD]]
set -euo pipefail
cd "$(dirname "$0")/.."

linux_exe="$(realpath "${1:-build}")/binario"
windows_exe="$(realpath "${2:-build-windows}")/binario.exe"
for exe in "$linux_exe" "$windows_exe"; do
  [ -x "$exe" ] || [ -f "$exe" ] || { echo "compare-windows: $exe is missing" >&2; exit 1; }
done
examples="$(realpath examples)"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
# Wine reads the arguments' bytes in the locale's encoding: UTF-8, so that a
# name such as "città" reaches binario.exe as the characters it spells.
export LC_ALL=C.UTF-8
wineserver -p || true  # a server already running serves as well
wineboot -i

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The same binario command for each system; `@/` in an argument stands for
# that system's output folder (Wine sees the machine's root as drive Z:).
on_linux() {
  local args=()
  for a in "$@"; do args+=("${a//@\//$work/linux/}"); done
  "$linux_exe" "${args[@]}"
}
on_windows() {
  local args=()
  for a in "$@"; do args+=("${a//@\//Z:$work/windows/}"); done
  wine "$windows_exe" "${args[@]}"
}
both() {
  local status_linux=0 status_windows=0
  on_linux "$@" > "$work/out-linux" 2>&1 || status_linux=$?
  on_windows "$@" > "$work/out-windows" 2>&1 || status_windows=$?
  if [ "$status_linux" -ne 0 ] || [ "$status_windows" -ne 0 ]; then
    echo "compare-windows: 'binario $*' exited $status_linux on Linux, $status_windows on Windows" >&2
    cat "$work/out-linux" "$work/out-windows" >&2
    exit 1
  fi
}

mkdir -p "$work/linux/examples" "$work/windows/examples"
cp "$examples"/* "$work/linux/examples/"
cp "$examples"/* "$work/windows/examples/"

both -C @/run --no-window
both -C @/run --no-window  # a second run over the first run's files
both compile @/examples/Valdoria_linea.txt @/examples/Valdoria_42-.txt -o @/compiled
both plot @/run -o @/run.svg
# Non-ASCII folder and file names: a run, the descriptions written back,
# compiled and drawn.
both -C @/città --no-window
both sources -C @/Ελλάδα
both compile @/Ελλάδα/Zorvane_Pelk_linea.txt @/Ελλάδα/Zorvane_Pelk_728-.txt -o @/Ελλάδα/città
both plot @/città -o @/Ελλάδα/città.svg

# Every file, byte for byte, and the same names on both sides.
(cd "$work/linux" && find . -type f | LC_ALL=C sort) > "$work/names-linux"
(cd "$work/windows" && find . -type f | LC_ALL=C sort) > "$work/names-windows"
if ! diff -u "$work/names-linux" "$work/names-windows" >&2; then
  echo "compare-windows: the two builds wrote different files (above: - Linux, + Windows)" >&2
  exit 1
fi
count=0
while IFS= read -r name; do
  if ! cmp "$work/linux/$name" "$work/windows/$name" >&2; then
    echo "compare-windows: ${name#./} differs between the Linux and the Windows build" >&2
    exit 1
  fi
  count=$((count + 1))
done < "$work/names-linux"
echo "compare-windows: $count files byte-identical on Linux and Windows"
