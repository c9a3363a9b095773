#!/bin/sh
# Builds the HID report-descriptor fuzzer with clang in build/fuzz and runs it for the given
# number of seconds (default 60) over a scratch copy of the committed seed corpus. Prints the
# executions and the crashes; fails when the fuzzer finds a crash, a leak or undefined
# behaviour. New crashing inputs are left in build/fuzz/run/artifacts/.
#   scripts/fuzz.sh [seconds]
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/stderr.sh

seconds=${1:-60}
build=build/fuzz
fuzzer=$build/tests/fuzz/norvessa_hid_descriptor_fuzzer
work=$build/run

echo "=== fuzz: configure and build"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DNORVESSA_FUZZ=ON -DNORVESSA_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --target norvessa_hid_descriptor_fuzzer -j2

rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
cp tests/fuzz/corpus/hid_descriptor/* "$work/corpus/"

echo "=== fuzz: $seconds s"
set +e
# One worker: the machine is shared. Inputs a little over the parser's 4096-byte bound
# exercise its refusal too.
"$fuzzer" -max_total_time="$seconds" -max_len=4200 -timeout=10 -print_final_stats=1 \
    -dict=tests/fuzz/hid_descriptor.dict -artifact_prefix="$work/artifacts/" \
    "$work/corpus" >"$work/log" 2>&1
status=$?
set -e

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
crashes=$(find "$work/artifacts" -type f | wc -l)
echo "fuzz: ${executions:-0} executions in $seconds s, $crashes crashes, exit status $status"
if [ "$status" -ne 0 ] || [ "$crashes" -ne 0 ]; then
    # The findings' first lines (a report's stack can push them out of the tail), then the tail.
    grep -E '^(==[0-9]+==ERROR|SUMMARY|invariant broken|.*runtime error)' "$work/log" || true
    norvessa_stderr_tail "$work/log" "the fuzzer"
    find "$work/artifacts" -type f
    exit 1
fi
