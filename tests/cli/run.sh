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
Security byte set to unsecured (0xFE)
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
Security byte set to unsecured (0xFE)
COMMAND DONE
OUT
} >expected
BDXSIM_FAIL=bdx_TargetReset@2,bdx_TargetReset@3 check erase-all-failing-resets 0 expected -- erase --all

# program --verify: the file's regions, then the same bytes read back.
{ loaded image.s19; connected; cat <<OUT
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
{ loaded image.s19; connected; cat <<OUT
COMMAND: Verify target
2 bytes outside the selected regions not verified
Verified 33 bytes
COMMAND DONE
OUT
} >expected
check verify-later 0 expected -- verify image.s19 --regions flash,eeprom

# Programming over programmed flash fails where a bit would have to go back to 1, with no
# COMMAND DONE after the failure.
printf 'S105C000EFEE5D\nS9030000FC\n' >other.s19
{ loaded other.s19; connected; cat <<OUT
Scanning for selected Flash...
Flash not erased at 0xC000
Flash block at: C000
Failed programming Flash
OUT
} >expected
check program-unerased 1 expected -- program other.s19

# Erasing page 0x3C only, then the difference shows.
{ connected; cat <<OUT
COMMAND: Erase Regions
Flash page 0x3C erased
Block 3C erased
COMMAND DONE
OUT
} >expected
check erase-page 0 expected -- erase --regions 3C
{ loaded image.s19; connected; cat <<OUT
COMMAND: Verify target
2 bytes outside the selected regions not verified
Verify failed at 0x3C8000: read 0xFF, expected 0xAA
3 of 33 bytes differ
OUT
} >expected
check verify-differs 1 expected -- verify image.s19 --regions 30-3F,eeprom
# The exit status is the verify's result: comparing nothing is no success, although no line
# says "failed".
check verify-nothing 1 "" -- verify image.s19 --regions 31

# Bytes on the part outside the selected regions only warn; a file of which nothing was
# programmed fails.
check erase-for-pages 0 "" -- erase --all
printf 'S2073C8000AABBCC0B\nS2073D8000AABBCC0A\nS9030000FC\n' >two-pages.s19
check program-one-of-two-pages 0 "" -- program two-pages.s19 --regions 3C
[[ $(tail -n1 "$work/out") == "3 bytes lie outside the selected regions, first at 0x3D8000" ]] ||
  { echo "FAIL program-one-of-two-pages: line"; cat "$work/out"; failures=$((failures + 1)); }
check program-none-of-two-pages 1 "" -- program two-pages.s19 --regions eeprom
[[ $(tail -n1 "$work/out") == "Nothing of 'two-pages.s19' was programmed" ]] ||
  { echo "FAIL program-none-of-two-pages: line"; cat "$work/out"; failures=$((failures + 1)); }
# --erase pages erases the flash pages the file touches, and only those: page 0x3D and the
# EEPROM keep what they hold.
check program-other-page 0 "" -- program two-pages.s19 --regions 3D
printf 'S2073C8000112233D6\nS105040044555D\nS9030000FC\n' >page3c.s19
check program-erase-pages 0 "" -- program page3c.s19 --erase pages
grep -qx "Block 3C erased" "$work/out" && [[ $(grep -c "erased" "$work/out") -eq 2 ]] ||
  { echo "FAIL program-erase-pages: erased"; cat "$work/out"; failures=$((failures + 1)); }
check erase-pages-kept-3d 0 "" -- verify two-pages.s19 --regions 3D
check erase-pages-programmed 0 "" -- verify page3c.s19
# Without the erase, other data over page 0x3C fails where a bit would have to go back to 1.
printf 'S2073C8000EEDDCCA5\nS9030000FC\n' >page3c-other.s19
check program-erase-none 1 "" -- program page3c-other.s19 --erase none --regions 3C

# A file that ends in a matching count record, as srec_cat writes it without a start address,
# is complete.
printf 'S1051000AABB85\nS5030001FB\n' >counted.s19
check info-count-ends-file 0 "" -- info counted.s19
! grep -q "No end record" "$work/out" || { echo "FAIL info-count-ends-file"; failures=$((failures + 1)); }

# A damaged file never reaches the flash: its good first record is not programmed either.
check erase-all-again 0 "" -- erase --all
# It is read before anything is connected.
cat >expected <<OUT
COMMAND: Load to buffer
Checksum error in line 2
Errors in file 'damaged.s19'
OUT
check program-damaged 1 expected -- program damaged.s19
{ loaded first.s19; connected; cat <<OUT
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
Simulated failure of bdx_GetMemoryByte (call 2)
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
printf 'S106C000112233D3\nS106C004112233B1\n' >wfbad.s19
check write-file-damaged 1 "" -- write-file wfbad.s19
if ! grep -q "FAILED programming the device at: 0x00C004" "$work/out"; then
  echo "FAIL write-file-damaged: output"; cat "$work/out"; failures=$((failures + 1))
fi
# An endless stream is no S-record file: it is refused before anything is connected. The time
# it may take is bounded here, not by the tool.
if [[ -r /dev/zero ]]; then
  runner=(timeout 60)
  check write-file-endless 1 "" -- write-file /dev/zero
  runner=(env)
  if [[ $(tail -n1 "$work/out") != "No data in '/dev/zero'" ]]; then
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
{ loaded linear.s19; cat <<OUT
COMMAND: Convert linear addresses to banked
Moved 12 bytes to banked addresses
COMMAND DONE
OUT
connected; cat <<OUT
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
{ loaded paged.s19; connected; cat <<OUT
COMMAND: Verify target
Verified 12 bytes
COMMAND DONE
OUT
} >expected
check verify-banked-twin 0 expected -- verify paged.s19
check convert-bad-form 2 "" -- convert paged.s19 --to sideways -o x.s19

# dump: keywords of the map, any number of ranges, a one-byte range, ranges across pages (read
# window by window), linear ranges, and erased runs left out.
check dump-flash 0 "" -- dump flash -o flash.s19
pages=()
for ((page = 0x30; page <= 0x3F; page++)); do pages+=("$(printf '%X8000-%XBFFF' $page $page)"); done
check dump-pages 0 "" -- dump "${pages[@]}" -o pages.s19
cmp -s flash.s19 pages.s19 || { echo "FAIL dump-flash: differs from the pages"; failures=$((failures + 1)); }
check dump-one-byte 0 "" -- dump 30-30 -o one.s19
expect_file dump-one-byte-output one.s19 'S1040030309B
S9030000FC
'
check dump-across-pages 0 "" -- dump 3CBF00-3D80FF --skip-erased -o across.s19
expect_file dump-across-pages-output across.s19 'S2063CBFFE0102FD
S2063D8000030435
S9030000FC
'
check dump-linear 0 "" -- dump 0F3FFE-0F4001 --addresses linear -o linear-dump.s19
expect_file dump-linear-output linear-dump.s19 'S2060F3FFE0102AA
S2060F40000304A3
S9030000FC
'

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
# Registers read back: a write the part did not take fails the command.
BDXSIM_FAIL=bdx_RegisterSet check regs-not-taken 1 "" -- regs PC=3000
grep -qx "PC is 2010 after writing 3000" "$work/out" ||
  { echo "FAIL regs-not-taken: line"; cat "$work/out"; failures=$((failures + 1)); }

# Reading never changes the part: a paged peek puts PPAGE back, and 8000 reads through the page
# in force. Rows are labelled with the address asked for, page included; a one-byte range is a
# range; bytes that cannot be read fail the peek.
check poke-ppage 0 "" -- poke 30 30
{ connected; echo "3C8000 FF FF"; } >expected
check peek-other-page 0 expected -- peek 3C8000-3C8001
{ connected; echo "008000 AA BB CC DD"; } >expected
check peek-window 0 expected -- peek 8000+4
{ connected; echo "000030 30"; } >expected
check peek-ppage-kept 0 expected -- peek 30-30
check peek-unreadable 1 "" -- peek 3D7FFE+4
grep -qx "3D7FFE xx xx 03 04" "$work/out" && grep -qx "2 bytes could not be read" "$work/out" ||
  { echo "FAIL peek-unreadable: lines"; cat "$work/out"; failures=$((failures + 1)); }

# poke: EEPROM through the EEPROM calls, read back; flash refused; a write that stops part-way
# says how far it got.
check poke-eeprom 0 "" -- poke 402 12 34 56
{ connected; echo "000400 FF FF 12 34 56 FF FF FF"; } >expected
check peek-eeprom 0 expected -- peek 400+8
check poke-flash 1 "" -- poke BFFF 1
[[ $(tail -n1 "$work/out") == "0xBFFF is flash: use program" ]] ||
  { echo "FAIL poke-flash: line"; cat "$work/out"; failures=$((failures + 1)); }
BDXSIM_FAIL=bdx_SetByte@2 check poke-part-way 1 "" -- poke 2100 1 2 3
[[ $(tail -n1 "$work/out") == "Cannot write memory at 0x2101: 1 of 3 bytes written" ]] ||
  { echo "FAIL poke-part-way: line"; cat "$work/out"; failures=$((failures + 1)); }
check poke-not-held 1 "" -- poke 1A 1
[[ $(tail -n1 "$work/out") == "Memory at 0x1A reads 0x00 after writing 0x01" ]] ||
  { echo "FAIL poke-not-held: line"; cat "$work/out"; failures=$((failures + 1)); }

# --target names the part; a part that identifies as another gets a warning naming both.
check target-contradicts 0 "" -- peek 30 --target XDP
grep -qx "Warning: the part identifies as 'MC9S12DG256' (PARTID 0x0012), not as 'XDP' named with --target" "$work/out" ||
  { echo "FAIL target-contradicts: line"; cat "$work/out"; failures=$((failures + 1)); }

# A state file of the older layout (flash and EEPROM only, made by the older library) is still
# read: its flash is there, and the part starts as after a reset. Its image left the security
# byte 0xFF0F erased, so that reset secured it: what shows the flash was loaded is that the
# part is secured (an erased one passes the blank check) and its register block still answers.
cp "$tests_folder/../fixtures/bdxsim-state-v1-uf32.bin" "$work/old-state.bin"
BDXSIM_STATE=$work/old-state.bin BDXSIM_DERIVATIVE=MC9S12UF32 check old-layout 1 "" -- peek C000+4
grep -q "^Target is secured (FSEC 0xFF): " "$work/out" && grep -qx "00C000 xx xx xx xx" "$work/out" ||
  { echo "FAIL old-layout: line"; cat "$work/out"; failures=$((failures + 1)); }
{ printf "Connected to R41 on COM1\nTarget is secured (FSEC 0xFF): memory cannot be read or debugged. Erase All (corvane unsecure) unsecures it and erases flash and EEPROM.\nTarget MPU: 'MC9S12UF32'\n"; echo "000101 FF"; } >expected
BDXSIM_STATE=$work/old-state.bin BDXSIM_DERIVATIVE=MC9S12UF32 check old-layout-fsec 0 expected -- peek 101

# test: the example program. It ends when the part halts (BGND), well within the limit, and
# erases the pages it programs, so the same test passes again.
example=$(realpath "$tests_folder/../../examples/checksum.s19")
for run in 1 2; do
  started=$(date +%s%N)
  check "test-passes-$run" 0 "" -- test "$example" --run-ms 5000 --expect D=0210 --expect-mem 1000=0210
  took_ms=$(( ($(date +%s%N) - started) / 1000000 ))
  grep -q "^PC=C01E SP=3F00 X=C03E Y=0000 D=0210 CCR=D0$" "$work/out" && grep -q "^1000=0210$" "$work/out" &&
    [[ $(tail -n1 "$work/out") =~ ^halted\ at\ PC=C01E\ after\ [0-9]+\ ms$ ]] && ((took_ms < 5000)) ||
    { echo "FAIL test-passes-$run: lines, or $took_ms ms"; cat "$work/out"; failures=$((failures + 1)); }
done
check test-fails-memory 1 "" -- test "$example" --expect D=0210 --expect-mem 1000=0211
grep -q "^Memory at 1000 is 0210, expected 0211$" "$work/out" && ! grep -q "^D is" "$work/out" ||
  { echo "FAIL test-fails-memory: lines"; cat "$work/out"; failures=$((failures + 1)); }
check test-fails-register 1 "" -- test "$example" --expect D=0211
grep -q "^D is 0210, expected 0211$" "$work/out" ||
  { echo "FAIL test-fails-register: line"; cat "$work/out"; failures=$((failures + 1)); }
# A program that never halts: halted at the limit. run --until-halt leaves it running then.
printf 'S105C00020FE1C\nS105FFFEC0003D\nS9030000FC\n' >loop.s19
check test-loops 0 "" -- test loop.s19 --run-ms 100
[[ $(tail -n1 "$work/out") == "still running after 100 ms: halted" ]] ||
  { echo "FAIL test-loops: line"; cat "$work/out"; failures=$((failures + 1)); }
check run-until-halt-loops 1 "" -- run --until-halt --timeout-ms 50
[[ $(tail -n1 "$work/out") == "still running after 50 ms" ]] ||
  { echo "FAIL run-until-halt-loops: line"; cat "$work/out"; failures=$((failures + 1)); }
check halt-loop 0 "" -- halt
check program-example 0 "" -- program "$example" --erase pages
check reset-example 0 "" -- reset
check run-until-halt 0 "" -- run --until-halt
[[ $(tail -n1 "$work/out") =~ ^halted\ at\ PC=C01E\ after\ [0-9]+\ ms$ ]] ||
  { echo "FAIL run-until-halt: line"; cat "$work/out"; failures=$((failures + 1)); }

# Refusals: the exit status and the line that says why, for each command alike. "before" marks
# those refused before anything is connected (no "Connected" line).
mkdir -p folder
: >empty.s19
printf 'S00600004844521B\n' >header.s19
printf 'S00300\nS105C000AABBD5\nS9030000FC\n' >cut-header.s19
printf 'S2077F8000AABBCCC8\nS9030000FC\n' >far.s19
while IFS='|' read -r status when line args; do
  read -r -a words <<<"$args"
  check "refused: $args" "$status" "" -- "${words[@]}"
  if ! grep -qxF -- "$line" "$work/out" "$work/err" ||
     { [[ $when == before ]] && grep -q "^Connected" "$work/out"; }; then
    echo "FAIL refused: $args: no line '$line' (or connected)"; cat "$work/out" "$work/err"
    failures=$((failures + 1))
  fi
done <<'CASES'
1|before|Cannot open 'nofile.s19'|program nofile.s19
1|before|Cannot open 'nofile.s19'|test nofile.s19 --expect D=0210
1|before|Cannot open 'nofile.s19'|verify nofile.s19
1|before|Cannot open 'nofile.s19'|write-file nofile.s19
1|before|Cannot open 'folder'|program folder
1|before|No data in 'empty.s19'|program empty.s19
1|before|No data in 'empty.s19'|test empty.s19 --expect D=0210
1|before|No data in 'header.s19'|verify header.s19
1|before|No data in 'header.s19'|write-file header.s19
1|before|Cannot read address in line 1|program cut-header.s19
1|after|3 bytes lie where MC9S12DG256 has no memory, first at 0x7F8000: is this file in linear form? try --addresses linear|program far.s19
2|after|corvane: MC9S12DG256 has no flash page 00 (its pages are 30-3F)|erase --regions 00
2|before|corvane: MC9S12DG256 has no flash page 2F (its pages are 30-3F)|erase --regions 2F --target mc9s12dg256
2|after|corvane: MC9S12DG256 has no flash page 2F (its pages are 30-3F)|program image.s19 --regions 3C,2F-30
2|before|corvane: bad value for PC (16 bits, hexadecimal) 'PC=12345'|regs PC=12345
2|before|corvane: bad value for CCR (8 bits, hexadecimal) 'CCR=1FF'|regs CCR=1FF
2|before|corvane: bad value for PC (16 bits, hexadecimal) 'PC=XYZ'|regs PC=XYZ
2|before|corvane: bad value for D (16 bits, hexadecimal) 'D='|regs D=
2|before|corvane: register named twice 'pc=2'|regs PC=1 pc=2
2|before|corvane: register named twice 'D=2'|test image.s19 --expect D=1 --expect D=2
2|before|corvane: bad run time (milliseconds, 0 to 3600000) '+5'|test image.s19 --run-ms +5
2|before|corvane: bad number of steps (1 to 1000000) '0x2'|step 0x2
CASES

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
# A new part, blank: an image without a security byte leaves it unsecured after a reset.
check security-program 0 "" -- program app.s19
has security-program "Security byte set to unsecured (0xFE)"
check security-reset 0 "" -- reset
hasnt security-reset "Target is secured"
check security-readable 0 "" -- peek FF0F
has security-readable "00FF0F FE"
check security-erase-all 0 "" -- erase --all
has security-erase-all "Security byte set to unsecured (0xFE)"
check security-erased-byte 0 "" -- peek FF0F
has security-erased-byte "00FF0F FE"
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
# The library's file calls get the same rule, through a copy of the file.
check security-write-file 0 "" -- write-file lock.s19
has security-write-file "Security byte 0xFF0F: image 0x00 written as 0x02; use --security image to program it as it stands"
has security-write-file "FLASH Verified OK!"
check security-write-file-byte 0 "" -- peek FF0F
has security-write-file-byte "00FF0F 02"
check security-secure 0 "" -- secure
check security-secure-reset 0 "" -- reset
has security-secure-reset "$secured_line"   # 0x02 with SEC = 00
check security-unsecure-again 0 "" -- unsecure
check security-backdoor 0 "" -- secure --backdoor "0123 4567 89AB CDEF"
has security-backdoor "Security byte 0xFF0F programmed to 0xBC (backdoor key enabled): the part is secured from its next reset on"
check security-backdoor-status 0 "" -- status
grep -q "FSEC 0xBC: secured, backdoor key enabled (SEC=00, KEYEN=10)" "$work/out" ||
  { echo "FAIL security-backdoor-status"; cat "$work/out"; failures=$((failures + 1)); }
check security-unsecure-third 0 "" -- unsecure
check security-protect 0 "" -- program protect.s19
check security-protected 1 "" -- program upper.s19
has security-protected "0xF800 is protected by FPROT 0xC7; Erase All lifts the protection"
# A recovery or a status that cannot be made fails.
BDXSIM_FAIL=bdx_FlashEraseAll check security-unsecure-fails 1 "" -- unsecure
hasnt security-unsecure-fails "Target is unsecured"
BDXSIM_FAIL=bdx_GetByte check security-status-fails 1 "" -- status
BDXSIM_FAIL=bdx_FlashProgramBlock check security-secure-fails 1 "" -- secure
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

# Symbols where addresses are taken: the ELF file of test, or --symbols FILE for the others.
# app.elf: start at C000 (LDS, LDD counter), loop at C006 (a branch to itself), counter at 1000,
# greeting at 1002, far_work at 3C8000.
check poke-symbol 0 "" -- poke counter 12 34 --symbols app.elf
{ connected; echo "001000 12 34 00"; } >expected
check peek-symbol-range 0 expected -- peek counter-greeting --symbols app.elf
{ connected; echo "001001 34 00"; } >expected
check peek-symbol-count 0 expected -- peek counter+1+2 --symbols app.elf
check peek-unknown-symbol 2 "" -- peek nothing+2 --symbols app.elf
grep -qx "corvane: 'nothing' is neither a hexadecimal address nor a symbol" "$work/err" ||
  { echo "FAIL peek-unknown-symbol: line"; cat "$work/err"; failures=$((failures + 1)); }
check peek-symbol-without-symbols 2 "" -- peek counter
check poke-bad-symbols-file 2 "" -- poke counter 1 --symbols low.s19

# --until: the part stops where PC reaches the symbol, by the breakpoint module or by stepping,
# as the last line says; not reaching it within the limit halts the part and fails.
until_line() { grep -Eqx "stopped at $1 by (the breakpoint module|stepping) after [0-9]+ ms" <(tail -n1 "$work/out"); }
check test-until 0 "" -- test app.elf --until loop --expect PC=C006 --expect D=1234 --expect-mem counter=1234
until_line "0xC006 \(loop\)" && grep -qx "counter=1234" "$work/out" ||
  { echo "FAIL test-until: lines"; cat "$work/out"; failures=$((failures + 1)); }
check run-until-again 0 "" -- run --until loop --symbols app.elf   # round the loop once
until_line "0xC006 \(loop\)" && grep -q "^PC=C006 " "$work/out" ||
  { echo "FAIL run-until-again: lines"; cat "$work/out"; failures=$((failures + 1)); }
check run-until-number 0 "" -- run --until C006
until_line 0xC006 || { echo "FAIL run-until-number: line"; cat "$work/out"; failures=$((failures + 1)); }
check run-until-never 1 "" -- run --until far_work --symbols app.elf --timeout-ms 100
grep -Eqx "did not reach 0x3C8000 \(far_work\) by (the breakpoint module|stepping) within 100 ms: halted at PC=C006" <(tail -n1 "$work/out") ||
  { echo "FAIL run-until-never: line"; cat "$work/out"; failures=$((failures + 1)); }
check test-until-never 1 "" -- test app.elf --until far_work --run-ms 100 --quiet
[[ $(wc -l <"$work/out") -eq 1 ]] && grep -q "^did not reach 0x3C8000 (far_work)" "$work/out" ||
  { echo "FAIL test-until-never: quiet line"; cat "$work/out"; failures=$((failures + 1)); }
check test-symbol-fails 1 "" -- test app.elf --until loop --expect-mem counter=1235
grep -qx "Memory at counter (1000) is 1234, expected 1235" "$work/out" ||
  { echo "FAIL test-symbol-fails: line"; cat "$work/out"; failures=$((failures + 1)); }
check run-until-unknown 2 "" -- run --until nowhere --symbols app.elf
check run-until-both 2 "" -- run --until C006 --until-halt
check test-until-no-symbol 2 "" -- test image.s19 --until loop

# JUnit reports: one test case per run, a failure per expectation that fails (with the line),
# an error for a run that could not be made, and the printed lines; any name makes a
# well-formed file. --quiet keeps the console to one line.
if command -v python3 >/dev/null; then
  name=$'fw <1> & "two" \x01\xff'
  check junit-failing 1 "" -- test app.elf --until loop --expect D=1234 --expect-mem counter=1235 \
    --expect X=1 --junit report.xml --name "$name" --quiet
  [[ $(wc -l <"$work/out") -eq 1 ]] ||
    { echo "FAIL junit-failing: quiet output"; cat "$work/out"; failures=$((failures + 1)); }
  check junit-passing 0 "" -- test app.elf --until loop --expect D=1234 --junit passing.xml
  check junit-error 1 "" -- test nofile.elf --junit error.xml
  python3 - <<'PY' || failures=$((failures + 1))
import sys, xml.etree.ElementTree as ET
def case(path):
    suite = ET.parse(path).getroot()
    assert suite.tag == "testsuite" and suite.get("tests") == "1", path
    cases = suite.findall("testcase")
    assert len(cases) == 1 and cases[0].get("classname") == "corvane", path
    assert float(cases[0].get("time")) >= 0, path
    return suite, cases[0]
try:
    suite, c = case("report.xml")
    assert c.get("name") == 'fw <1> & "two" \ufffd\ufffd', c.get("name")
    got = [(f.get("message"), f.text) for f in c.findall("failure")]
    assert got == [("X is 0000, expected 1", "--expect X=1"),
                   ("Memory at counter (1000) is 1234, expected 1235", "--expect-mem counter=1235")], got
    assert suite.get("failures") == "1" and not c.findall("error"), "counts"
    assert "counter=1234" in c.find("system-out").text.splitlines(), "system-out"
    suite, c = case("passing.xml")
    assert c.get("name") == "app.elf" and not list(c.iter("failure")) and suite.get("failures") == "0"
    assert c.find("system-out").text.splitlines()[-1].startswith("stopped at 0xC006 (loop)")
    suite, c = case("error.xml")
    errors = c.findall("error")
    assert len(errors) == 1 and errors[0].get("message") == "Cannot load the file", errors
    assert errors[0].text == "Cannot open 'nofile.elf'" and suite.get("errors") == "1"
    print("ok   junit-reports")
except (AssertionError, ET.ParseError) as e:
    print("FAIL junit-reports:", e)
    sys.exit(1)
PY
  check junit-unwritable 1 "" -- test app.elf --until loop --junit no/such/folder.xml
  grep -qx "Cannot write the JUnit report 'no/such/folder.xml'" "$work/out" ||
    { echo "FAIL junit-unwritable: line"; cat "$work/out"; failures=$((failures + 1)); }
else
  echo "skip junit-reports: python3 is not installed"
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

# Command-line manners: a wrong command line is its line and where to look, not the whole help;
# help for one command; the version; --quiet prints only failures and the final result.
check usage-short 2 "" -- peek 1 2
[[ $(wc -l <"$work/err") -eq 2 && $(tail -n1 "$work/err") == "see: corvane help peek" ]] ||
  { echo "FAIL usage-short"; cat "$work/err"; failures=$((failures + 1)); }
check help-command 0 "" -- help poke
grep -q "^usage: corvane poke ADDRESS BYTE" "$work/out" && ! grep -q "convert INPUT" "$work/out" ||
  { echo "FAIL help-command"; cat "$work/out"; failures=$((failures + 1)); }
check help-unknown 2 "" -- help frobnicate
check version 0 "" -- --version
grep -Eqx "corvane [0-9]+\.[0-9]+\.[0-9]+ \((release|sanitizer) build\)" "$work/out" ||
  { echo "FAIL version"; cat "$work/out"; failures=$((failures + 1)); }
check quiet-test 0 "" -- test "$example" --quiet --expect D=0210
[[ $(wc -l <"$work/out") -eq 1 ]] && grep -Eqx "halted at PC=C01E after [0-9]+ ms" "$work/out" ||
  { echo "FAIL quiet-test"; cat "$work/out"; failures=$((failures + 1)); }
check quiet-test-fails 1 "" -- --quiet test "$example" --expect D=0211
grep -qx "D is 0210, expected 0211" "$work/out" && ! grep -q "Connected" "$work/out" ||
  { echo "FAIL quiet-test-fails"; cat "$work/out"; failures=$((failures + 1)); }
{ echo "000030 30"; } >expected
check quiet-peek 0 expected -- peek 30 --quiet

if [[ $failures -ne 0 ]]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all cli tests passed"
