#!/usr/bin/env bash
# "Typed -> diagnostic shown" in the editors, with docs/editors.md's set-ups
# as written: Neovim (0.7 or later, headless) and Emacs (28 or later with
# eglot, on a terminal `script` gives it). Each opens the example pair and,
# ROUNDS times, plants a clash (a second speed board on the first one's
# cell) and removes it, timing each from the change of the buffer to the
# diagnostics shown (editor_latency.lua and editor_latency.el say exactly
# what is timed). Prints the best, the median and the worst of each.
#
# usage: bench/editor_latency.sh BINARIO [ROUNDS [EDITORS]]
#   EDITORS: "neovim emacs" (the default), or either alone.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
repo="$(cd "$here/.." && pwd)"
binario="$(realpath "${1:?usage: bench/editor_latency.sh BINARIO [ROUNDS [EDITORS]]}")"
rounds="${2:-20}"
editors="${3:-neovim emacs}"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# The set-up of `section` exactly as docs/editors.md gives it, from the
# first code block of `fence` in it.
setup() {
  local section=$1 fence=$2
  awk -v section="$section" -v fence="$fence" '
    $0 ~ "^## " section { in_section = 1 }
    in_section && $0 == "```" fence { in_block = 1; next }
    in_block && /^```/ { exit }
    in_block { print }' "$repo/docs/editors.md"
}

summary() {
  local editor=$1 file=$2
  for what in shown cleared; do
    sort -n -k2 "$file" | awk -v editor="$editor" -v what="$what" '
      $1 == what { t[n++] = $2 }
      END {
        if (n == 0) exit 1
        median = n % 2 ? t[(n - 1) / 2] : (t[n / 2 - 1] + t[n / 2]) / 2
        printf "%s, diagnostic %s: best %.1f ms, median %.1f ms, worst %.1f ms (%d times)\n",
               editor, what, t[0], median, t[n - 1], n
      }'
  done
}

for editor in $editors; do
  pair="$scratch/$editor"
  mkdir -p "$pair/home/.emacs.d"
  cp "$repo/examples/Valdoria_linea.txt" "$repo/examples/Valdoria_42-.txt" "$pair/"
  times="$pair/times"
  : > "$times"
  case "$editor" in
    neovim)
      setup Neovim lua | sed "s|cmd = { 'binario', 'lsp' }|cmd = { '$binario', 'lsp' }|" \
        > "$pair/init.lua"
      grep -qF "'$binario'" "$pair/init.lua" || { echo "no Neovim set-up in docs/editors.md" >&2; exit 1; }
      (cd "$pair" && HOME="$pair/home" XDG_CONFIG_HOME="$pair/config" XDG_DATA_HOME="$pair/data" \
        XDG_STATE_HOME="$pair/state" BINARIO_LATENCY_OUT="$times" BINARIO_LATENCY_ROUNDS="$rounds" \
        timeout --kill-after=5 600 nvim --headless -n -i NONE -u "$pair/init.lua" \
        Valdoria_linea.txt -c "luafile $here/editor_latency.lua")
      ;;
    emacs)
      setup Emacs elisp | sed "s|(\"binario\" \"lsp\")|(\"$binario\" \"lsp\")|" \
        > "$pair/home/.emacs.d/init.el"
      grep -qF "\"$binario\"" "$pair/home/.emacs.d/init.el" || {
        echo "no Emacs set-up in docs/editors.md" >&2
        exit 1
      }
      (cd "$pair" && HOME="$pair/home" XDG_CONFIG_HOME="$pair/config" TERM=xterm \
        BINARIO_LATENCY_FILE="$pair/Valdoria_linea.txt" BINARIO_LATENCY_OUT="$times" \
        BINARIO_LATENCY_ROUNDS="$rounds" timeout --kill-after=5 600 \
        script -q -e -c "emacs -nw -u '' Valdoria_linea.txt -l '$here/editor_latency.el'" \
        /dev/null < /dev/null > "$pair/screen" 2>&1) || { cat "$times"; exit 1; }
      ;;
    *)
      echo "unknown editor $editor (neovim, emacs)" >&2
      exit 1
      ;;
  esac
  summary "$editor" "$times" || { cat "$times"; echo "$editor: nothing timed" >&2; exit 1; }
done
