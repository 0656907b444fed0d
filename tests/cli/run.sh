#!/usr/bin/env bash
# End-to-end tests of the corvane command-line front end.
# usage: tests/cli/run.sh CORVANE_BINARY TESTS_CLI_FOLDER
set -u
corvane=$(realpath "${1:?usage: run.sh CORVANE_BINARY TESTS_CLI_FOLDER}")
tests_folder=$(realpath "${2:?usage: run.sh CORVANE_BINARY TESTS_CLI_FOLDER}")
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

# An empty (but readable) input loads nothing, and has no end record either; saving the empty
# buffer fails.
: >empty.s19
cat >expected <<OUT
COMMAND: Load to buffer
Loaded file 'empty.s19'
No end record in 'empty.s19': the file may be cut short
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

# --- target commands, over the simulated part (an MC9S12DG256 on COM1 at 8 MHz) ---
# The whole part (flash, EEPROM, RAM, registers, run state) is kept in a state file of this
# test between the runs, as a powered board keeps it.
export BDXSIM_STATE=$work/state.bin
unset BDXSIM_DERIVATIVE BDXSIM_FAIL BDXSIM_PORT BDXSIM_CLOCK_KHZ
# Flash through each window and in paged form, EEPROM bytes and a sector, RAM, a reset vector.
cat >image.s19 <<'S19'
S113C000101112131415161718191A1B1C1D1E1FB4
S105FFFEC0003D
S1064001010203B2
S1058000303119
S2073C8000AABBCC0B
S10A040101020304050607D4
S105100055662F
S9030000FC
S19
# A good record, then one with a bad checksum.
printf 'S113C000101112131415161718191A1B1C1D1E1FB4\nS105C010010200\nS9030000FC\n' >damaged.s19
printf 'S113C000101112131415161718191A1B1C1D1E1FB4\nS9030000FC\n' >first.s19
connected() { printf "Connected to R41 on COM1\nTarget MPU: 'MC9S12DG256'\n"; }
blank() { for p in "$@"; do printf 'Block 0x%s is blank\n' "$p"; done; }

{ connected; cat <<OUT
COMMAND: Mass Erase Device
Erasing Flash...
Flash erased (pages 0x30-0x3F)
Erasing Eprom...
EEPROM erased
COMMAND DONE
OUT
} >expected
check erase-all 0 expected -- erase --all
# A reset that fails is named, but the erase goes on and is done.
{ connected; cat <<OUT
COMMAND: Mass Erase Device
Simulated failure of bdx_TargetReset (call 2)
Cannot reset target
Erasing Flash...
Flash erased (pages 0x30-0x3F)
Erasing Eprom...
EEPROM erased
Simulated failure of bdx_TargetReset (call 3)
Cannot reset target
COMMAND DONE
OUT
} >expected
BDXSIM_FAIL=bdx_TargetReset@2,bdx_TargetReset@3 check erase-all-failing-resets 0 expected -- erase --all

# program --verify: the file's regions, then the same bytes read back.
{ connected; loaded image.s19; cat <<OUT
Scanning for selected Flash...
Block 0x3F programmed
Block 0x3E programmed
Block 0x30 programmed
OUT
blank 3F 3E 3D; echo "Block 0x3C programmed"; blank 3B 3A 39 38 37 36 35 34 33 32 31 30
cat <<OUT
Programming Eeprom...
Downloading (volatile)...
COMMAND DONE
COMMAND: Clear buffer
COMMAND DONE
COMMAND: Programmed/Downloaded memory regions from file
COMMAND DONE
OUT
loaded image.s19; cat <<OUT
COMMAND: Verify target
Verified 35 bytes
COMMAND DONE
OUT
} >expected
check program-verify 0 expected -- program image.s19 --verify

# A later run reads the flash and EEPROM back (RAM does not outlive the part's power).
{ connected; loaded image.s19; cat <<OUT
COMMAND: Verify target
2 bytes outside the selected regions not verified
Verified 33 bytes
COMMAND DONE
OUT
} >expected
check verify-later 0 expected -- verify image.s19 --regions flash,eeprom

# Programming over programmed flash fails, with no COMMAND DONE after the failure.
{ connected; loaded image.s19; cat <<OUT
Scanning for selected Flash...
Flash not erased at 0xC000
Flash block at: C000
Failed programming Flash
OUT
} >expected
check program-unerased 1 expected -- program image.s19

# Erasing page 0x3C only, then the difference shows.
{ connected; cat <<OUT
COMMAND: Erase Regions
Flash page 0x3C erased
Block 3C erased
COMMAND DONE
OUT
} >expected
check erase-page 0 expected -- erase --regions 3C
{ connected; loaded image.s19; cat <<OUT
COMMAND: Verify target
2 bytes outside the selected regions not verified
Verify failed at 0x3C8000: read 0xFF, expected 0xAA
3 of 33 bytes differ
OUT
} >expected
check verify-differs 1 expected -- verify image.s19 --regions 30-3F,eeprom
# The exit status is the verify's result: comparing nothing is no success, although no line
# says "failed".
check verify-nothing 1 "" -- verify image.s19 --regions 00

# A damaged file never reaches the flash: its good first record is not programmed either.
check erase-all-again 0 "" -- erase --all
{ connected; cat <<OUT
COMMAND: Load to buffer
Checksum error in line 2
Errors in file 'damaged.s19'
OUT
} >expected
check program-damaged 1 expected -- program damaged.s19
{ connected; loaded first.s19; cat <<OUT
COMMAND: Verify target
Verify failed at 0xC000: read 0xFF, expected 0x10
16 of 16 bytes differ
OUT
} >expected
check damaged-left-flash-blank 1 expected -- verify first.s19

# Identification: a part that cannot be identified is an error unless it is named.
cat >expected <<OUT
Connected to R41 on COM1
Simulated failure of bdx_GetMemoryByte (call 1)
Cannot identify the target MPU: name it with --target NAME
OUT
BDXSIM_FAIL=bdx_GetMemoryByte check unidentified 1 expected -- erase --all
BDXSIM_FAIL=bdx_GetMemoryByte check named-target 0 "" -- erase --all --target mc9s12dg256
check unknown-target-name 2 "" -- erase --target MC9S99
cat >expected <<OUT
Connected to R41 on COM1
No memory map for 'MC9S12A32', please choose another target
OUT
check target-without-map 1 expected -- erase --target MC9S12A32

# Adapter options: the R41 on another port, the R42 on USB.
cat >expected <<OUT
R41: no answer on COM2
Failed connection
OUT
check wrong-port 1 expected -- erase --all --port COM2
BDXSIM_PORT=3 check other-port 0 "" -- erase --all --port 3 --clock 8000
check r42 0 "" -- program first.s19 --adapter R42 --regions 3F
# A failing erase call ends the command without COMMAND DONE.
BDXSIM_FAIL=bdx_FlashEraseBlock@2 check erase-page-fails 1 "" -- erase --regions 30-31
if [[ $(tail -n1 "$work/out") != "FAILED erasing block 31" ]]; then
  echo "FAIL erase-page-fails: output"; cat "$work/out"; failures=$((failures + 1))
fi

# dump: the regions as the dialog takes them, saved as "Save buffer as File" does.
check erase-before-dump 0 "" -- erase --all
cat >expected <<OUT
Connected to R41 on COM1
Target MPU: 'MC9S12DG256'
COMMAND: Dump to buffer
Region 0x1A-0x1D
Region 0xC000-0xC003
COMMAND DONE
COMMAND: Save buffer
COMMAND DONE
OUT
check dump 0 expected -- dump "0x1A-0x1D 0XC000-0XC003" -o dumped.s19
expect_file dump-output dumped.s19 'S107001A0012258126
S107C000FFFFFFFF3C
S9030000FC
'
check dump-syntax 2 "" -- dump "0x100- 0x200" -o x.s19
check dump-no-output 2 "" -- dump "0-F"
BDXSIM_FAIL=bdx_GetBlock check dump-read-fails 1 "" -- dump "0-F" -o x.s19

# write-file: the programmer run over the library's file calls; percentages on standard error
# when it is not a terminal.
cat >expected <<OUT
Connected to R41 on COM1
Target MPU: 'MC9S12DG256'
Programming FLASH
Programmed 3 bytes from 'wf.s19'
FLASH Programmed
Verifying FLASH
Verified 3 bytes
FLASH Verified OK!
OUT
printf 'S106C000112233D3\nS9030000FC\n' >wf.s19
check write-file 0 expected -- write-file wf.s19
if [[ $(tail -n1 "$work/err") != "100%" ]]; then
  echo "FAIL write-file: progress"; cat "$work/err"; failures=$((failures + 1))
fi
check write-file-verify-only 0 "" -- write-file wf.s19 --no-program
check write-file-nothing 0 "" -- write-file missing.s19 --no-program --no-verify
printf 'S106C000112233D3\nS106C004112233B1\n' >wfbad.s19
check write-file-damaged 1 "" -- write-file wfbad.s19
if ! grep -q "FAILED programming the device at: 0x00C004" "$work/out"; then
  echo "FAIL write-file-damaged: output"; cat "$work/out"; failures=$((failures + 1))
fi
# An endless stream is no S-record file: the line count ends the run with a status. The time
# it may take is bounded here, not by the tool.
if [[ -r /dev/zero ]]; then
  runner=(timeout 60)
  check write-file-endless 1 "" -- write-file /dev/zero
  runner=(env)
  if [[ $(tail -n1 "$work/out") != "Can't read '/dev/zero'" ]]; then
    echo "FAIL write-file-endless: output"; cat "$work/out"; failures=$((failures + 1))
  fi
fi

# Linear addresses: a linear file made page by page from a banked one (srec_cat's offsets, or
# corvane's own conversion where srecord is missing) programs the part, which then verifies
# against the banked file. Page 0x3C's last bytes and page 0x3D's first are one linear record.
printf 'S208308000AABBCCDD39\nS2063CBFFE0102FD\nS2063D8000030435\nS2083FBFFC1122334453\nS9030000FC\n' >paged.s19
if command -v srec_cat >/dev/null; then
  pages=()
  for ((page = 0x30; page <= 0x3F; page++)); do
    pages+=(paged.s19 -crop $(((page << 16) + 0x8000)) $(((page << 16) + 0xC000))
            -offset -$((page * 0xC000 + 0x8000)))
  done
  srec_cat "${pages[@]}" -o linear.s19 2>/dev/null
  echo S9030000FC >>linear.s19  # srec_cat ends a file without a start address with no S9
else
  "$corvane" convert paged.s19 --to linear -o linear.s19 >/dev/null
fi
check info-linear 0 "" -- info linear.s19
if ! grep -q "^The addresses look linear (data at 0x0C0000" "$work/out"; then
  echo "FAIL info-linear: no hint"; cat "$work/out"; failures=$((failures + 1))
fi
check erase-before-linear 0 "" -- erase --all
{ connected; loaded linear.s19; cat <<OUT
COMMAND: Convert linear addresses to banked
Moved 12 bytes to banked addresses
COMMAND DONE
Scanning for selected Flash...
Block 0x3F programmed
Block 0x3E is blank
Block 0x30 programmed
Block 0x3F programmed
OUT
blank 3E; echo "Block 0x3D programmed"; echo "Block 0x3C programmed"
blank 3B 3A 39 38 37 36 35 34 33 32 31; cat <<OUT
Block 0x30 programmed
COMMAND DONE
COMMAND: Clear buffer
COMMAND DONE
COMMAND: Programmed/Downloaded memory regions from file
COMMAND DONE
OUT
} >expected
check program-linear 0 expected -- program linear.s19 --addresses linear --regions flash
{ connected; loaded paged.s19; cat <<OUT
COMMAND: Verify target
Verified 12 bytes
COMMAND DONE
OUT
} >expected
check verify-banked-twin 0 expected -- verify paged.s19
check convert-bad-form 2 "" -- convert paged.s19 --to sideways -o x.s19

check program-no-file 2 "" -- program
check program-bad-option 2 "" -- program image.s19 --all
check bad-regions 2 "" -- erase --regions 3C-30
check bad-clock 2 "" -- erase --clock fast
check bad-adapter 2 "" -- erase --adapter R43

# The bench commands, each in its own process as a user runs them: the simulated part keeps its
# RAM, registers and run state between them, as a powered board does.
{ connected; echo "308000 AA BB CC DD"; } >expected
check peek-paged 0 expected -- peek 308000+4
check reset 0 "" -- reset
check reset-vector 0 "" -- regs   # PC from 0xFFFE, which paged.s19 holds at 0x3FBFFE
grep -q "^PC=3344 " "$work/out" || { echo "FAIL reset-vector"; cat "$work/out"; failures=$((failures + 1)); }
# NOPs at 0x2000, then a branch to itself at 0x2010.
check poke 0 "" -- poke 2000 A7 A7 A7 A7 A7 A7 A7 A7 A7 A7 A7 A7 A7 A7 A7 A7 20 FE
{ connected; echo "00200E A7 A7 20 FE"; } >expected
check peek-poked 0 expected -- peek 200E-2011
{ connected; echo "PC=2000 SP=3F00 X=0000 Y=0000 D=1234 CCR=D0"; } >expected
check regs-write 0 expected -- regs pc=2000 SP=3F00 X=0 Y=0 D=1234 CCR=D0
check regs-read 0 expected -- regs
{ connected; echo "PC=2001 SP=3F00 X=0000 Y=0000 D=1234 CCR=D0"; } >expected
check step 0 expected -- step
{ connected; echo "PC=2003 SP=3F00 X=0000 Y=0000 D=1234 CCR=D0"; } >expected
check step-2 0 expected -- step 2
check run 0 "" -- run
sleep 0.2
{ connected; echo "PC=2010 SP=3F00 X=0000 Y=0000 D=1234 CCR=D0"; } >expected
check halt 0 expected -- halt   # the NOPs ran while no corvane was running
{ connected; echo "Simulated failure of bdx_TargetStep (call 1)"; echo "Cannot step target"; } >expected
BDXSIM_FAIL=bdx_TargetStep check step-fails 1 expected -- step
check regs-bad-value 1 "" -- regs PC=XYZ
grep -q "^No reasonable value for PC$" "$work/out" ||
  { echo "FAIL regs-bad-value: line"; cat "$work/out"; failures=$((failures + 1)); }

# A state file of the older layout (flash and EEPROM only, made by the older library) is still
# read: its flash is there, and the part starts as after a reset.
cp "$tests_folder/../fixtures/bdxsim-state-v1-uf32.bin" "$work/old-state.bin"
{ printf "Connected to R41 on COM1\nTarget MPU: 'MC9S12UF32'\n"; echo "00C000 CE 12 34 00"; } >expected
BDXSIM_STATE=$work/old-state.bin BDXSIM_DERIVATIVE=MC9S12UF32 check old-layout 0 expected -- peek C000+4
BDXSIM_STATE=$work/old-state.bin BDXSIM_DERIVATIVE=MC9S12UF32 check old-layout-regs 0 "" -- regs
grep -q "^PC=C000 " "$work/out" || { echo "FAIL old-layout-regs"; cat "$work/out"; failures=$((failures + 1)); }

# test: the example program, passing and failing on one expectation.
example=$(realpath "$tests_folder/../../examples/checksum.s19")
check erase-for-test 0 "" -- erase --all
check test-passes 0 "" -- test "$example" --run-ms 50 --expect D=0210 --expect-mem 1000=0210
grep -q "^PC=C01E SP=3F00 X=C03E Y=0000 D=0210 CCR=D0$" "$work/out" && grep -q "^1000=0210$" "$work/out" ||
  { echo "FAIL test-passes: registers and memory"; cat "$work/out"; failures=$((failures + 1)); }
check erase-for-test-2 0 "" -- erase --all
check test-fails 1 "" -- test "$example" --run-ms 50 --expect D=0210 --expect-mem 1000=0211
grep -q "^Memory at 1000 is 0210, expected 0211$" "$work/out" && ! grep -q "^D is" "$work/out" ||
  { echo "FAIL test-fails: lines"; cat "$work/out"; failures=$((failures + 1)); }

# --- security: no flow of the tool locks a part unless asked to; a locked part is named and
# brought back. A part of its own, so the other tests' flash does not matter.
# has NAME TEXT: the last check's output holds the line TEXT (a fixed string).
has() {
  grep -qxF -- "$2" "$work/out" || { echo "FAIL $1: no line '$2'"; cat "$work/out"; failures=$((failures + 1)); }
}
hasnt() {
  ! grep -qF -- "$2" "$work/out" || { echo "FAIL $1: '$2'"; cat "$work/out"; failures=$((failures + 1)); }
}
secured_line="Target is secured (FSEC 0x00): memory cannot be read or debugged. Erase All (corvane unsecure) unsecures it and erases flash and EEPROM."
shared_state=$BDXSIM_STATE
export BDXSIM_STATE=$work/security.bin
printf 'S107C000CE12340024\nS105FFFEC0003D\nS9030000FC\n' >app.s19        # no security byte
printf 'S105FF0EFF00EE\nS9030000FC\n' >lock.s19                            # 0xFF0F = 0x00
printf 'S105FF0CFFC729\nS9030000FC\n' >protect.s19                         # FPROT block 0: upper 2 KiB
printf 'S105F8001234BC\nS9030000FC\n' >upper.s19
check security-erase-all 0 "" -- erase --all
has security-erase-all "Security byte set to unsecured (0xFE)"
check security-program 0 "" -- program app.s19
check security-reset 0 "" -- reset
hasnt security-reset "Target is secured"
check security-readable 0 "" -- peek FF0F
has security-readable "00FF0F FE"
check security-default-rule 0 "" -- program lock.s19
has security-default-rule "Security byte 0xFF0F: image 0x00 written as 0x02; use --security image to program it as it stands"
check security-image 0 "" -- program lock.s19 --security image
has security-image "The image secures the part: after the next reset it cannot be read or debugged until it is mass-erased"
check security-lock-reset 0 "" -- reset
has security-lock-reset "$secured_line"
check security-locked-peek 1 "" -- peek C000
has security-locked-peek "$secured_line"
check security-status 0 "" -- status
grep -q "SEC=00" "$work/out" && grep -q "SECURED" "$work/out" ||
  { echo "FAIL security-status"; cat "$work/out"; failures=$((failures + 1)); }
check security-unsecure 0 "" -- unsecure
check security-unsecured-peek 0 "" -- peek FF0F
has security-unsecured-peek "00FF0F FE"
hasnt security-unsecured-peek "Target is secured"
check security-secure 0 "" -- secure
check security-secure-reset 0 "" -- reset
has security-secure-reset "Target is secured (FSEC 0xFC): memory cannot be read or debugged. Erase All (corvane unsecure) unsecures it and erases flash and EEPROM."
check security-unsecure-again 0 "" -- unsecure
check security-protect 0 "" -- program protect.s19
check security-protected 1 "" -- program upper.s19
has security-protected "0xF800 is protected by FPROT 0xC7; Erase All lifts the protection"
check security-bad-rule 2 "" -- program app.s19 --security none
check security-bad-key 2 "" -- secure --backdoor 0000111122223333
export BDXSIM_STATE=$shared_state

# Wrong bench command lines.
for args in "step x" "step 0" "step 1 2" "regs Q=1" "regs PC" "peek" "peek 10-5" "peek 0+0" \
            "peek 1 2" "poke 1000" "poke 1000 100" "poke x 1" "test" "test f --run-ms -1" \
            "test f --expect X" "test f --expect D=12345" "test f --expect-mem 1000=123" \
            "halt x" "run --bdm"; do
  read -r -a words <<<"$args"
  check "usage: $args" 2 "" -- "${words[@]}"
done

# ELF files: info of a linked program shows what info of objcopy's S-record of it shows.
cp "$tests_folder/../fixtures/elf/app.elf" app.elf
if m68hc11-objcopy --version >/dev/null 2>&1; then
  m68hc11-objcopy -O srec app.elf app.s19
  "$corvane" info app.s19 | sed 's/app\.s19/app.elf/' >expected
  check info-elf 0 expected -- info app.elf
else
  echo "skip info-elf: m68hc11-objcopy is not installed"
fi

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

# check-library: the native corvane checks the simulated library built into it, calling
# bdx_Init with a callback that prints; it loads no library files.
check check-library 0 "" -- check-library
grep -q '^Checking the simulated adapter library built into this corvane$' "$work/out" &&
  grep -q '^bdx_EpromProgramSector   bdx_EpromProgramSector       called directly$' "$work/out" &&
  grep -q '^26 of 26 functions found: the tool can use this library$' "$work/out" ||
  { echo "FAIL check-library: output"; cat "$work/out"; failures=$((failures + 1)); }
check check-library-path 1 "" -- check-library bdxdll.dll
grep -q "corvane.exe checks 'bdxdll.dll'" "$work/err" ||
  { echo "FAIL check-library-path: no explanation"; failures=$((failures + 1)); }

# Usage errors.
check check-library-two-paths 2 "" -- check-library a.dll b.dll
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
