#!/usr/bin/env bash
# Tests the VS Code package and packs it into editors/vscode/build/ as a .vsix
# (nothing is published). Installs the npm packages from the lock file only
# when they are missing or older than it.
#
# `ci.sh --install-only` installs the npm packages and stops (CI does that
# beside a build).
#
# BINARIO=path/to/binario adds the built-in descriptions, written by
# `binario sources`, to the grammar test; without it the test reads examples/.
set -euo pipefail
caller_dir="$PWD"
cd "$(dirname "$0")"

for tool in node npm; do
  command -v "$tool" > /dev/null || { echo "ci.sh: $tool is needed (Node.js 20 or later)" >&2; exit 1; }
done

if [ -n "${BINARIO:-}" ]; then
  BINARIO="$(cd "$caller_dir" && realpath "$BINARIO")"
  export BINARIO
fi

if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  npm ci --no-audit --no-fund --loglevel=error
fi
[ "${1:-}" = "--install-only" ] && exit 0

# Each test has its own timeout; the outer one ends a runner that something
# else keeps alive, so the step fails with the tests' report instead of hanging.
timeout --kill-after=10 300 node --test test/

# The packages carry binario's licence; the platform packages carry the
# program too, in server/, which the extension starts when binario.path is
# not set: BINARIO_SERVER_LINUX_X64=build/binario (its window module beside
# it goes along) and BINARIO_SERVER_WIN32_X64=build-windows/binario.exe.
# Without them only the package for every platform is made, which runs
# binario from PATH.
rm -rf build server
mkdir -p build
cp ../../LICENSE LICENSE
trap 'rm -rf server LICENSE' EXIT
npm run --silent package
version="$(node -p "require('./package.json').version")"
platform_package() {
  local target=$1 program=$2
  program="$(cd "$caller_dir" && realpath "$program")"
  rm -rf server
  mkdir server
  cp "$program" server/
  [ -f "$(dirname "$program")/binario_window.so" ] && cp "$(dirname "$program")/binario_window.so" server/
  # A build with debug information carries it no further than here.
  if [ "$target" = linux-x64 ] && command -v strip > /dev/null; then
    strip server/*
  fi
  npx vsce package --allow-missing-repository --target "$target" --out "build/binario-$target-$version.vsix"
  # The package holds its own program, where the extension looks for it.
  grep -qxF "extension/server/$(basename "$program")" <<< "$(unzip -Z1 "build/binario-$target-$version.vsix")" || {
    echo "ci.sh: build/binario-$target-$version.vsix lacks its program" >&2
    exit 1
  }
}
[ -n "${BINARIO_SERVER_LINUX_X64:-}" ] && platform_package linux-x64 "$BINARIO_SERVER_LINUX_X64"
[ -n "${BINARIO_SERVER_WIN32_X64:-}" ] && platform_package win32-x64 "$BINARIO_SERVER_WIN32_X64"
ls build/*.vsix
