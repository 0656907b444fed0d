#!/usr/bin/env bash
# The installers of scripts/package under Wine, on a fresh prefix and a virtual display of their
# own. For each width this machine can run:
#   - a silent install for all users into the Program Files of its width: the files, the
#     Start-menu shortcut and the Uninstall entry (in the registry view of its width) are there;
#     the installed corvane.exe runs `info`; the installed tool starts, loads the installed
#     simulated bdxdll.dll and connects (caption check); a silent uninstall while the tool runs
#     fails and removes nothing; a silent uninstall then removes the files, the shortcut and the
#     entry, and leaves a planted settings value and state file alone;
#   - a silent install for the current user: into %LOCALAPPDATA%\Programs with an HKCU entry; a
#     second install keeps an adapter library put in place of the simulated one, and the
#     uninstaller leaves it;
#   - a silent install into a folder given with /D.
# Where 32-bit programs cannot run, the x86 installer is built but not run (a note says so).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
run=$here/scripts/wine-run

if [ "${1:-}" != "--inside" ]; then
  work=$(mktemp -d "$here/build/installer-test.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  if ! "$here/scripts/package" >"$work/package.out" 2>&1; then
    cat "$work/package.out"
    echo "FAIL installers: scripts/package failed"
    exit 1
  fi
  # What can be seen without running them: both widths, their version and the README texts.
  version=$(sed -n 's/^ *FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\),.*/\1.\2.\3/p' "$here/resources/app.rc")
  pkg=$here/build/package
  status=0
  # The machine field of the PE header: 014c for i386, 8664 for x86-64.
  machine() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
    [ -n "$pe" ] && od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' '
  }
  for pair in x86=014c x64=8664; do
    exe=$pkg/CorvanesTestBench-$version-${pair%%=*}-setup.exe
    if [ "$(machine "$exe")" != "${pair#*=}" ]; then
      echo "FAIL installers: $exe is not a ${pair%%=*} program"; status=1
    elif ! strings -el "$exe" | grep -qx "$version"; then
      echo "FAIL installers: $exe has no version $version"; status=1
    fi
  done
  grep -q "adapter maker's bdxdll.dll" "$pkg/README-x86.txt" ||
    { echo "FAIL installers: the x86 README does not say how to use the maker's bdxdll.dll"; status=1; }
  grep -q "corvane check-library" "$pkg/README-x86.txt" ||
    { echo "FAIL installers: the x86 README does not say how to check the maker's bdxdll.dll"; status=1; }
  grep -q "install the x86 build" "$pkg/README-x64.txt" ||
    { echo "FAIL installers: the x64 README does not point to the x86 build"; status=1; }
  grep -q "/usr/share/wine/fonts/\*" "$pkg/README-x64.txt" ||
    { echo "FAIL installers: the README does not say how a Wine user gets Wine's fonts"; status=1; }
  [ $status = 0 ] && echo "ok   installers: both widths built, version $version, README texts"

  widths="x86 x64"
  if ! "$run" --can-run-x86; then
    widths="x64"
    echo "NOTE: this machine cannot execute 32-bit programs: the x86 installer is built but not"
    echo "      run here; the x64 installer's run tests the same script."
  fi
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$work" $widths || status=1
  exit $status
fi

# ---- inside the virtual display ----
work=$2
shift 2
failures=0
passed=0
ok() { echo "ok   $*"; passed=$((passed + 1)); }
bad() { echo "FAIL $*"; failures=$((failures + 1)); }
check() {  # check NAME COMMAND...: ok when the command succeeds
  local name=$1
  shift
  if "$@"; then ok "$name"; else bad "$name"; fi
}

export CORVANE_WINEPREFIX=$work/prefix
# No menu entries or file associations in the host desktop for what the installers create.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
WINEPREFIX=$("$run" --prefix)
export WINEPREFIX
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
trap stop_wine EXIT
wineserver -p 60
"$run" cmd /c exit >/dev/null 2>&1 </dev/null
# The prefix sees Wine's own fonts, as the installed README tells a Wine user to arrange.
check "prefix has Wine's Courier and MS Sans Serif" \
  test -s "$WINEPREFIX/drive_c/windows/Fonts/coure.fon" -a -s "$WINEPREFIX/drive_c/windows/Fonts/ms_sans_serif.ttf"

win() { "$run" "$@" 2>/dev/null </dev/null; }
# A command line as typed at a Windows prompt: NSIS reads /D= and _?= only unquoted, and Wine
# would quote an argument with spaces.
wincmd() {
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$work/command.bat"
  win cmd /c "$(winpath "$work/command.bat")"
}
winvar() { win cmd /c echo "%$1%" | tr -d '\r'; }
unixpath() { "$run" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
winpath() { "$run" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

version=$(sed -n 's/^ *FILEVERSION *\([0-9]*\), *\([0-9]*\), *\([0-9]*\),.*/\1.\2.\3/p' "$here/resources/app.rc")
localappdata=$(winvar LOCALAPPDATA)
programdata=$(winvar ProgramData)
appdata=$(winvar APPDATA)
common_menu=$(unixpath "$programdata\\Microsoft\\Windows\\Start Menu\\Programs")
user_menu=$(unixpath "$appdata\\Microsoft\\Windows\\Start Menu\\Programs")
settings_key='Software\HLD\QRX 1.0'

# The simulated part's state file, planted before anything is installed; it must come out of
# every install and uninstall unchanged.
state=$(unixpath "$localappdata\\CorvanesTestBench\\bdxsim-state.bin")
mkdir -p "$(dirname "$state")"
echo "planted state file" >"$state"
state_sum=$(md5sum <"$state")

# An S-record file for corvane info.
printf 'S1131000000102030405060708090A0B0C0D0E0F64\nS9030000FC\n' >"$work/low.s19"
srec=$(winpath "$work/low.s19")

value_of() {  # value_of NAME: the data of value NAME in `reg query` output on stdin
  tr -d '\r' | awk -v n="$1" '$1 == n { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print; exit }'
}
reg_value() {  # reg_value KEY VIEW NAME: prints the value's data
  win reg query "$1" /v "$3" "/reg:$2" | value_of "$3"
}
key_exists() { win reg query "$1" "/reg:$2" >/dev/null; }

# Waits for an uninstaller (it runs on from a copy of itself) to remove its entry and, with
# a fourth argument, the folder (it goes last).
wait_uninstalled() {  # wait_uninstalled KEY VIEW FOLDER [folder]
  local deadline=$((SECONDS + 60))
  while [ -e "$3/uninstall.exe" ] || key_exists "$1" "$2" || { [ -n "${4:-}" ] && [ -e "$3" ]; }; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.5
  done
}

installed_files="CorvanesTestBench.exe bdxdll.dll CorvanesTestBench.chm corvane.exe README.txt uninstall.exe"
has_files() { local f; for f in $installed_files; do [ -s "$1/$f" ] || { echo "  missing $1/$f"; return 1; }; done; }
no_files() { local f; for f in $installed_files; do [ ! -e "$1/$f" ] || { echo "  left $1/$f"; return 1; }; done; }

for arch in "$@"; do
  case $arch in
    x86) flavour=win32 view=32 folder="Corvanes Test Bench (x86)" shortcut="Corvane's Test Bench (x86).lnk"
         programfiles=$(winvar 'ProgramFiles(x86)') ;;
    x64) flavour=win64 view=64 folder="Corvanes Test Bench" shortcut="Corvane's Test Bench.lnk"
         programfiles=$(winvar ProgramW6432) ;;
  esac
  setup=$here/build/package/CorvanesTestBench-$version-$arch-setup.exe
  tool=$here/build/$flavour/bin/corvane_window.exe
  [ -x "$tool" ] || "$here/scripts/build" $flavour --target corvane_window >/dev/null
  key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CorvanesTestBench-$arch"
  ukey="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CorvanesTestBench-$arch"
  dir_w="$programfiles\\$folder"
  dir=$(unixpath "$dir_w")

  # ---- all users ----
  check "$arch install /S exits 0" win "$setup" /S
  check "$arch files in $dir_w" has_files "$dir"
  check "$arch README has Windows line ends" grep -q $'\r$' "$dir/README.txt"
  if [ $arch = x86 ]; then
    check "$arch README says how to use the maker's bdxdll.dll" grep -q "adapter maker's bdxdll.dll" "$dir/README.txt"
  fi
  check "$arch Start-menu shortcut for all users" test -s "$common_menu/$shortcut"
  ok_entry=1
  entry=$(win reg query "$key" /reg:$view)
  for pair in "DisplayName=Corvane's Test Bench ($arch)" "DisplayVersion=$version" "Publisher=Corvane" \
      "InstallLocation=$dir_w" "UninstallString=\"$dir_w\\uninstall.exe\"" \
      "QuietUninstallString=\"$dir_w\\uninstall.exe\" /S"; do
    got=$(value_of "${pair%%=*}" <<<"$entry")
    [ "$got" = "${pair#*=}" ] || { echo "  ${pair%%=*} is '$got', not '${pair#*=}'"; ok_entry=0; }
  done
  size=$(value_of EstimatedSize <<<"$entry")
  [[ $size =~ ^0x[0-9a-f]+$ ]] && [ $((size)) -gt 500 ] || { echo "  EstimatedSize '$size'"; ok_entry=0; }
  check "$arch Uninstall entry in HKLM ($view-bit view)" [ $ok_entry = 1 ]
  if [ $arch = x64 ]; then
    check "$arch no Uninstall entry in the 32-bit view" eval '! key_exists "$key" 32'
  fi

  out=$(win "$dir_w\\corvane.exe" info "$srec" | tr -d '\r')
  check "$arch installed corvane.exe info" grep -q '^001000-00100F 16 bytes$' <<<"$out"

  # The installed tool, started from elsewhere: it must find the installed bdxdll.dll.
  (cd "$work" && exec "$run" "$dir_w\\CorvanesTestBench.exe" >/dev/null 2>&1 </dev/null) &
  gui=$!
  if win "$tool" wait CorvaneWindowClass 60; then
    caption=$(win "$tool" caption CorvaneWindowClass | tr -d '\r')
    check "$arch installed tool starts ($caption)" grep -q "Adapter: R41, Not Connected" <<<"$caption"
    caption=$(win "$tool" command CorvaneWindowClass 7015 30 | tr -d '\r')
    check "$arch installed tool connects ($caption)" \
      grep -Eq "Connection: COM1, Target Clock: [0-9]+,[0-9] MHz, Target MPU: 'MC9S12DG256'" <<<"$caption"
    # Removing the program while it runs: refused with exit code 1, nothing removed.
    wincmd "\"$dir_w\\uninstall.exe\" /S _?=$dir_w"
    rc=$?
    check "$arch uninstall while the tool runs fails (exit $rc)" [ $rc = 1 ]
    check "$arch ... and removes nothing" eval 'has_files "$dir" && key_exists "$key" $view'
    win "$tool" close CorvaneWindowClass 20 || kill $gui 2>/dev/null
  else
    bad "$arch installed tool: no main window within 60 s"
    kill $gui 2>/dev/null
  fi
  wait $gui 2>/dev/null

  # Settings the tool would have written (both roots, the tool's registry view).
  win reg add "HKLM\\$settings_key" /v Planted /d keep /f "/reg:$view" >/dev/null
  win reg add "HKCU\\$settings_key" /v Planted /d keep /f "/reg:$view" >/dev/null
  check "$arch uninstall /S exits 0" win "$dir_w\\uninstall.exe" /S
  check "$arch uninstall finishes" wait_uninstalled "$key" $view "$dir" folder
  check "$arch program files removed" no_files "$dir"
  check "$arch install folder removed" test ! -e "$dir"
  check "$arch shortcut removed" test ! -e "$common_menu/$shortcut"
  check "$arch settings kept" eval '[ "$(reg_value "HKLM\\$settings_key" $view Planted)" = keep ] &&
                                   [ "$(reg_value "HKCU\\$settings_key" $view Planted)" = keep ]'
  check "$arch state file kept" eval '[ "$(md5sum <"$state" 2>/dev/null)" = "$state_sum" ]'

  # ---- current user ----
  udir_w="$localappdata\\Programs\\$folder"
  udir=$(unixpath "$udir_w")
  check "$arch install /S /CurrentUser exits 0" win "$setup" /S /CurrentUser
  check "$arch files in $udir_w" has_files "$udir"
  check "$arch Uninstall entry in HKCU, not HKLM" \
    eval '[ "$(reg_value "$ukey" $view InstallLocation)" = "$udir_w" ] && ! key_exists "$key" $view'
  check "$arch Start-menu shortcut for the user" test -s "$user_menu/$shortcut"
  # The adapter maker's library in place of the simulated one survives a new install and the
  # uninstall.
  printf 'MZ the adapter maker library' >"$udir/bdxdll.dll"
  check "$arch second install /S /CurrentUser exits 0" win "$setup" /S /CurrentUser
  check "$arch second install keeps the maker's bdxdll.dll" grep -q 'adapter maker library' "$udir/bdxdll.dll"
  check "$arch uninstall /S (current user) exits 0" win "$udir_w\\uninstall.exe" /S
  check "$arch uninstall (current user) finishes" wait_uninstalled "$ukey" $view "$udir"
  check "$arch current-user files removed, maker's library left" \
    eval 'installed_files="CorvanesTestBench.exe CorvanesTestBench.chm corvane.exe README.txt uninstall.exe" no_files "$udir" &&
          grep -q "adapter maker library" "$udir/bdxdll.dll"'
  check "$arch user shortcut removed" test ! -e "$user_menu/$shortcut"
  rm -rf "$udir"

  # ---- a folder of one's own ----
  ddir_w="C:\\Bench Tools\\$arch"
  ddir=$(unixpath "$ddir_w")
  check "$arch install /S /D=$ddir_w exits 0" wincmd "\"$(winpath "$setup")\" /S /D=$ddir_w"
  check "$arch files in $ddir_w" eval 'has_files "$ddir" && [ "$(reg_value "$key" $view InstallLocation)" = "$ddir_w" ]'
  check "$arch uninstall /S ($ddir_w) exits 0" win "$ddir_w\\uninstall.exe" /S
  check "$arch uninstall ($ddir_w) removes the folder" eval 'wait_uninstalled "$key" $view "$ddir" folder && [ -d "$(dirname "$ddir")" ]'
  check "$arch state file still unchanged" eval '[ "$(md5sum <"$state" 2>/dev/null)" = "$state_sum" ]'
done

stop_wine
echo "installers: $passed passed, $failures failed ($SECONDS s under Wine)"
[ $failures -eq 0 ]
