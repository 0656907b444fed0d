#!/usr/bin/env bash
# Builds tests/x86/thunk_check.cpp for 32-bit x86 with the tool's own call table and thunk, and
# runs it: natively where the kernel executes i386 programs, otherwise under qemu-i386. Skips
# (exit 77) where there is no 32-bit compiler (g++-multilib) or no way to run the result
# (qemu-user).
# usage: tests/x86/run.sh CXX SOURCE_DIR WORK_DIR
set -u
cxx=${1:?usage: run.sh CXX SOURCE_DIR WORK_DIR}
src=${2:?}
work=${3:?}
mkdir -p "$work"
printf '#include <cstdio>\nint main() { return std::puts("") < 0; }\n' >"$work/probe.cpp"
if ! "$cxx" -m32 -static "$work/probe.cpp" -o "$work/probe" 2>/dev/null; then
  echo "SKIP: no 32-bit x86 compiler here (g++-multilib)"
  exit 77
fi
"$cxx" -m32 -O2 -fomit-frame-pointer -std=c++17 -static -I"$src" \
  "$src/tests/x86/thunk_check.cpp" "$src/adapter/bdx.cpp" "$src/adapter/bdx_stubs.cpp" \
  "$src/adapter/bdx_thunk.cpp" "$src/app/message_pane.cpp" "$src/target/catalogue.cpp" \
  "$src/target/catalogue_stubs.cpp" -o "$work/thunk_check" || exit 1
if "$work/probe" >/dev/null 2>&1; then exec "$work/thunk_check"; fi
if command -v qemu-i386 >/dev/null; then exec qemu-i386 "$work/thunk_check"; fi
echo "SKIP: this machine cannot run 32-bit x86 programs (qemu-user would)"
exit 77
