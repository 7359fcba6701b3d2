#!/usr/bin/env bash
# Tests the VS Code package and packs it into editors/vscode/build/ as a .vsix
# (nothing is published). Installs the npm packages from the lock file only
# when they are missing or older than it.
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

# Each test has its own timeout; the outer one ends a runner that something
# else keeps alive, so the step fails with the tests' report instead of hanging.
timeout --kill-after=10 300 node --test test/

rm -rf build
mkdir -p build
npm run --silent package
ls build/*.vsix
