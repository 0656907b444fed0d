#!/usr/bin/env bash
# scripts/run on a fresh machine: an empty Wine prefix folder, no display. It must print the
# path of a screenshot that shows the main window, exit 0, and leave no process of its own.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d "$here/build/run-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL run_fresh_prefix: $*"; exit 1; }

status=0
CORVANE_WINEPREFIX=$prefix env -u DISPLAY "$here/scripts/run" >"$work/out" 2>"$work/err" || status=$?
[ "$status" -eq 0 ] || { cat "$work/out" "$work/err"; fail "exit status $status"; }
shot=$(tail -n 1 "$work/out")
[ -f "$shot" ] || fail "no screenshot at '$shot'"
[ "$(head -c 8 "$shot" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "'$shot' is not a PNG"
# The main window with its caption, menu bar and toolbar: many colours, not an empty desktop.
colours=$(convert "$shot" -format %k info:)
[ "$colours" -gt 8 ] || fail "the screenshot shows no window ($colours colours)"
# The prefix sees Wine's own fonts (the views' "Courier" and the pane's "MS Sans Serif").
for font in coure.fon ms_sans_serif.ttf; do
  [ -s "$prefix/drive_c/windows/Fonts/$font" ] || fail "the prefix has no $font"
done
# No process is left with this prefix (or its per-display copy) in its environment.
left=""
for env in /proc/[0-9]*/environ; do
  if { tr "\0" "\n" <"$env"; } 2>/dev/null | grep -q "^WINEPREFIX=$prefix"; then
    pid=${env#/proc/}; pid=${pid%/environ}
    left="$left $pid($(tr '\0' ' ' </proc/$pid/cmdline 2>/dev/null | cut -c1-60))"
  fi
done
[ -z "$left" ] || fail "processes left running:$left"
echo "ok   run_fresh_prefix ($shot, $colours colours)"
