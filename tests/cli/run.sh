#!/usr/bin/env bash
# End-to-end tests of the corvane command-line front end.
# usage: tests/cli/run.sh CORVANE_BINARY TESTS_CLI_FOLDER
set -u
corvane=$(realpath "${1:?usage: run.sh CORVANE_BINARY TESTS_CLI_FOLDER}")
work=$(mktemp -d)
trap 'umount "$work/small" 2>/dev/null; rm -rf "$work"' EXIT
failures=0
runner=(env)  # what runs corvane in check

# check NAME EXPECTED_STATUS EXPECTED_STDOUT_FILE -- ARGS...
check() {
  local name=$1 want_status=$2 want_out=$3
  shift 4
  local status=0
  (cd "$work" && "${runner[@]}" "$corvane" "$@") >"$work/out" 2>"$work/err" || status=$?
  if [[ $status -ne $want_status ]]; then
    echo "FAIL $name: exit status $status, expected $want_status"
    cat "$work/out" "$work/err"
    failures=$((failures + 1))
    return
  fi
  if [[ -n $want_out ]] && ! diff -u "$want_out" "$work/out"; then
    echo "FAIL $name: output differs"
    failures=$((failures + 1))
    return
  fi
  echo "ok   $name"
}

# expect_file NAME PATH CONTENTS
expect_file() {
  if ! diff -u <(printf '%s' "$3") "$2"; then
    echo "FAIL $1: $2 differs"
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

cd "$work"
printf 'S1131000000102030405060708090A0B0C0D0E0F64\nS9030000FC\n' >low.s19
printf 'S1131010101112131415161718191A1B1C1D1E1F54\r\nS2073F8000AABBCC08\r\nS804000000FB\r\n' >high.s19
printf 'S1050100AABB94\nS1050200CCDD50\nS1050300EEFF0A\nS9030000FC\n' >badsum.s19
printf 'S1050100AABB94\nS4050300AABB92\nS1050300EEFF0A\n' >unsupported.s19

# The lines of one successful load.
loaded() { printf "COMMAND: Load to buffer\nLoaded file '%s'\nCOMMAND DONE\n" "$1"; }

# convert: both inputs in order into one buffer, saved as one file.
{ loaded low.s19; loaded high.s19; } >expected
cat >>expected <<OUT
COMMAND: Save buffer
COMMAND DONE
OUT
check convert 0 expected -- convert low.s19 high.s19 -o out.s19
expect_file convert-output out.s19 'S1131000000102030405060708090A0B0C0D0E0F64
S1131010101112131415161718191A1B1C1D1E1F54
S2073F8000AABBCC08
S9030000FC
'

# info: contiguous ranges with byte counts.
{ loaded low.s19; loaded high.s19; } >expected
cat >>expected <<OUT
001000-00101F 32 bytes
3F8000-3F8002 3 bytes
35 bytes in 2 ranges
OUT
check info 0 expected -- info low.s19 high.s19

# A bad checksum: reported, good lines stay, no COMMAND DONE, exit 1, no output written.
cat >expected <<OUT
COMMAND: Load to buffer
Checksum error in line 2
Errors in file 'badsum.s19'
000100-000101 2 bytes
000300-000301 2 bytes
4 bytes in 2 ranges
OUT
check info-badsum 1 expected -- info badsum.s19
rm -f out2.s19
check convert-badsum 1 "" -- convert low.s19 badsum.s19 -o out2.s19
if [[ -e out2.s19 ]]; then echo "FAIL convert-badsum wrote its output"; failures=$((failures + 1)); fi

# An unsupported record stops the load; the lines before it stay.
cat >expected <<OUT
COMMAND: Load to buffer
Unsupported record in line 2
Errors in file 'unsupported.s19'
000100-000101 2 bytes
2 bytes in 1 range
OUT
check info-unsupported 1 expected -- info unsupported.s19

cat >expected <<OUT
COMMAND: Load to buffer
Cannot open 'missing.s19'
Buffer is empty
OUT
check info-missing 1 expected -- info missing.s19

# Saving into a folder that does not exist.
cat >expected <<OUT
COMMAND: Load to buffer
Loaded file 'low.s19'
COMMAND DONE
COMMAND: Save buffer
Cannot open 'no/such/folder.s19'
OUT
check convert-cannot-create 1 expected -- convert low.s19 -o no/such/folder.s19

# An empty (but readable) input loads nothing; saving the empty buffer fails.
: >empty.s19
cat >expected <<OUT
COMMAND: Load to buffer
Loaded file 'empty.s19'
COMMAND DONE
COMMAND: Save buffer
Buffer is empty
OUT
check convert-empty 1 expected -- convert empty.s19 -o out3.s19

# A full disk: the old output stays whole and no temporary file is left beside it. Needs a
# small tmpfs (mounting needs root); skipped where it cannot be mounted.
mkdir small
if mount -t tmpfs -o size=64k tmpfs small 2>/dev/null; then
  # 8192 records of 16 bytes: 128 KiB of data, far more than the free space.
  awk 'BEGIN {
    for (a = 0; a < 8192 * 16; a += 16) {
      addr = 65536 + a; s = 20 + int(addr / 65536) + int(addr / 256) % 256 + addr % 256
      line = sprintf("S214%06X", addr)
      for (i = 0; i < 16; i++) { b = (a + i) % 256; s += b; line = line sprintf("%02X", b) }
      printf "%s%02X\n", line, 255 - s % 256
    }
    print "S804000000FB"
  }' >big.s19
  head -c 30000 /dev/urandom >small/old.s19
  cp small/old.s19 old-copy
  cat >expected <<OUT
COMMAND: Load to buffer
Loaded file 'big.s19'
COMMAND DONE
COMMAND: Save buffer
Cannot write 'small/old.s19'
OUT
  check convert-disk-full 1 expected -- convert big.s19 -o small/old.s19
  if ! cmp -s old-copy small/old.s19 || [[ $(ls small) != old.s19 ]]; then
    echo "FAIL convert-disk-full: the old file changed or a temporary file was left"
    ls -l small
    failures=$((failures + 1))
  fi
  umount small
else
  echo "skip convert-disk-full: cannot mount a tmpfs here"
fi

# A stream without line ends is read only as far as the longest record: bounded in memory.
if [[ -r /dev/zero ]]; then
  cat >expected <<OUT
COMMAND: Load to buffer
Line too long in line 1
Errors in file '/dev/zero'
Buffer is empty
OUT
  # Before the cap the one line grew to gigabytes; now the run ends at once.
  runner=(timeout 20)
  check info-dev-zero 1 expected -- info /dev/zero
  runner=(env)
fi

# Two files put together: the part after the first end record is reported and not loaded.
cat low.s19 high.s19 >both.s19
cat >expected <<OUT
COMMAND: Load to buffer
Data after the end record in line 3 ignored
Errors in file 'both.s19'
001000-00100F 16 bytes
16 bytes in 1 range
OUT
check info-concatenated 1 expected -- info both.s19

# Lines that cannot be printed fail the run.
if [[ -w /dev/full ]]; then
  status=0
  "$corvane" info low.s19 >/dev/full 2>/dev/null || status=$?
  if [[ $status -ne 1 ]]; then
    echo "FAIL info-stdout-full: exit status $status, expected 1"
    failures=$((failures + 1))
  else
    echo "ok   info-stdout-full"
  fi
fi

# Usage errors.
check no-command 2 "" --
check unknown-command 2 "" -- frobnicate
check convert-no-output 2 "" -- convert low.s19
check convert-no-input 2 "" -- convert -o x.s19
check info-no-input 2 "" -- info
check info-bad-option 2 "" -- info -x low.s19
check help 0 "" -- help
if ! grep -q 'convert INPUT... -o OUTPUT' "$work/out"; then
  echo "FAIL help: no usage text"
  failures=$((failures + 1))
fi

if [[ $failures -ne 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all cli tests passed"
