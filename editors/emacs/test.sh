#!/usr/bin/env bash
# Runs docs/editors.md's Emacs (eglot) set-up in an Emacs on a terminal (`script`
# gives it one) against a built binario: see test.el for what it checks.
# Needs Emacs 28 or later with eglot (Debian's emacs-nox and elpa-eglot).
#
# Usage: editors/emacs/test.sh path/to/binario
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
binario="$(realpath "${1:?usage: test.sh path/to/binario}")"
for tool in emacs script; do
  command -v "$tool" > /dev/null || {
    echo "test.sh: $tool is needed (Debian's emacs-nox and elpa-eglot; script is in bsdutils)" >&2
    exit 1
  }
done

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home/.emacs.d" "$scratch/pair" "$scratch/expected"
# The example pair named in upper case, as a Windows folder may hold it: the
# set-up must know both names, and the server must pair them.
cp "$repo/examples/Valdoria_linea.txt" "$scratch/pair/VALDORIA_LINEA.TXT"
cp "$repo/examples/Valdoria_42-.txt" "$scratch/pair/VALDORIA_42-.TXT"

# What formatting must give: the line description as `binario format` lays it
# out. The example is not laid out, so formatting has something to change.
cp "$scratch/pair/"* "$scratch/expected/"
"$binario" format "$scratch/expected/VALDORIA_LINEA.TXT"
if cmp -s "$scratch/pair/VALDORIA_LINEA.TXT" "$scratch/expected/VALDORIA_LINEA.TXT"; then
  echo "test.sh: the example line description is laid out already; formatting would show nothing" >&2
  exit 1
fi

# The set-up exactly as docs/editors.md gives it, with the build's path for
# "binario".
init="$scratch/home/.emacs.d/init.el"
awk '/^## Emacs/ { in_section = 1 } in_section && /^```elisp/ { in_block = 1; next }
     in_block && /^```/ { exit } in_block { print }' "$repo/docs/editors.md" > "$init"
grep -qF '("binario" "lsp")' "$init" || {
  echo "test.sh: docs/editors.md's Emacs set-up was not found" >&2
  exit 1
}
sed -i "s|(\"binario\" \"lsp\")|(\"$binario\" \"lsp\")|" "$init"

# Emacs reads init.el from HOME as for a user (-u '' names HOME's, whatever
# the login name); the terminal is `script`'s, its screen output discarded.
cd "$scratch/pair"
log="$scratch/log"
: > "$log"
status=0
HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" TERM=xterm \
  BINARIO_TEST_FILE="$scratch/pair/VALDORIA_LINEA.TXT" \
  BINARIO_TEST_EXPECTED="$scratch/expected/VALDORIA_LINEA.TXT" BINARIO_TEST_LOG="$log" \
  timeout --kill-after=5 60 script -q -e -c "emacs -nw -u '' VALDORIA_LINEA.TXT -l '$here/test.el'" \
  /dev/null < /dev/null > "$scratch/screen" 2>&1 || status=$?
cat "$log"
if [ "$status" -ne 0 ]; then
  [ "$status" -eq 124 ] && echo "emacs test: Emacs did not end within 60 s" >&2
  echo "emacs test failed" >&2
  exit 1
fi
grep -qx "emacs test: ok" "$log" || { echo "emacs test did not run to its end" >&2; exit 1; }
