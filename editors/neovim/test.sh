#!/usr/bin/env bash
# Runs docs/editors.md's Neovim set-up in a headless Neovim (0.7 or later) against
# a built binario: see test.lua for what it checks.
#
# Usage: editors/neovim/test.sh path/to/binario
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
binario="$(realpath "${1:?usage: test.sh path/to/binario}")"
command -v nvim > /dev/null || { echo "test.sh: nvim is needed (Debian's neovim)" >&2; exit 1; }

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# The example pair named in upper case, as a Windows folder may hold it: the
# set-up must know both names, and the server must pair them.
cp "$repo/examples/Valdoria_linea.txt" "$scratch/VALDORIA_LINEA.TXT"
cp "$repo/examples/Valdoria_42-.txt" "$scratch/VALDORIA_42-.TXT"

# The set-up exactly as docs/editors.md gives it, with the build's path in `cmd`.
awk '/^## Neovim/ { in_section = 1 } in_section && /^```lua/ { in_block = 1; next }
     in_block && /^```/ { exit } in_block { print }' "$repo/docs/editors.md" > "$scratch/init.lua"
grep -q "cmd = { 'binario', 'lsp' }" "$scratch/init.lua" || {
  echo "test.sh: docs/editors.md's Neovim set-up was not found" >&2
  exit 1
}
sed -i "s|cmd = { 'binario', 'lsp' }|cmd = { '$binario', 'lsp' }|" "$scratch/init.lua"

cd "$scratch"
out="$(HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data" \
  XDG_STATE_HOME="$scratch/state" timeout --kill-after=5 60 \
  nvim --headless -n -i NONE -u "$scratch/init.lua" VALDORIA_LINEA.TXT \
  -c "luafile $here/test.lua" 2>&1)" || { echo "$out"; echo "neovim test failed" >&2; exit 1; }
echo "$out"
grep -q "neovim test: ok" <<< "$out" || { echo "neovim test did not run to its end" >&2; exit 1; }
