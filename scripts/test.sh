#!/bin/sh
# Installs what is missing, then builds and runs every test suite: native Linux and its .deb, the
# AddressSanitizer + UndefinedBehaviorSanitizer build, the ThreadSanitizer build of the portable
# and link tests, a brief fuzzing run, the idle CPU of the Linux calibration window, and the
# Windows build under Wine with its .zip and its calibration window's idle CPU.
set -eu
cd "$(dirname "$0")/.."
. scripts/lib/xvfb.sh

./scripts/setup-deps.sh

total_passed=0
total_failed=0
summary=""
presets_run=""

# Runs one preset's configure, build and tests, and adds its counts to the totals.
run_suite() {
    preset=$1
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "=== $preset: tests"
    log=build/$preset-ctest.log
    presets_run="$presets_run $preset"
    set +e
    ctest --preset "$preset" -j2 2>&1 | tee "$log"
    set -e
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    failed=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
    count=$(echo "$line" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
    if [ -z "$line" ]; then
        failed=1
        count=1
    fi
    total_passed=$((total_passed + count - failed))
    total_failed=$((total_failed + failed))
    summary="$summary
$preset: $((count - failed)) passed, $failed failed"
}

# The tree's formatting, before anything is built.
if ./scripts/check-format.sh; then format_failed=0; else format_failed=1; fi
total_passed=$((total_passed + 1 - format_failed))
total_failed=$((total_failed + format_failed))
summary="$summary
format: $((1 - format_failed)) passed, $format_failed failed"
run_suite linux
# The .deb built from the linux tree, unpacked and checked as a packager would.
if ./scripts/check-packages.sh linux; then deb_failed=0; else deb_failed=1; fi
total_passed=$((total_passed + 1 - deb_failed))
total_failed=$((total_failed + deb_failed))
summary="$summary
Linux packages: $((1 - deb_failed)) passed, $deb_failed failed"
run_suite asan
# Data races in the threads of the controller link and the simulated controller (no Qt: its
# libraries are not instrumented).
run_suite tsan
# A brief run of the HID descriptor-parser fuzzer: any crash, leak or UB fails the run.
if ./scripts/fuzz.sh 30; then fuzz_failed=0; else fuzz_failed=1; fi
total_passed=$((total_passed + 1 - fuzz_failed))
total_failed=$((total_failed + fuzz_failed))
summary="$summary
fuzz: $((1 - fuzz_failed)) passed, $fuzz_failed failed"
# The Linux demo's calibration window waits for a touch without spinning: its CPU use over 5 s.
if ./scripts/measure-idle-cpu.sh build/linux; then idle_failed=0; else idle_failed=1; fi
total_passed=$((total_passed + 1 - idle_failed))
total_failed=$((total_failed + idle_failed))
summary="$summary
idle CPU: $((1 - idle_failed)) passed, $idle_failed failed"
norvessa_start_xvfb
run_suite windows
# Wine runs one CTest entry per executable: show the GoogleTest counts inside them too.
grep -hE '^\[  (PASSED|FAILED)  \] [0-9]+ tests?' build/windows/Testing/Temporary/LastTest.log || true
# The .zip with the stripped norvessa.exe.
if ./scripts/check-packages.sh windows; then zip_failed=0; else zip_failed=1; fi
total_passed=$((total_passed + 1 - zip_failed))
total_failed=$((total_failed + zip_failed))
summary="$summary
Windows package: $((1 - zip_failed)) passed, $zip_failed failed"
# The Windows calibration window waits without spinning too: its CPU use over 5 s, under Wine.
if ./scripts/wine-measure-idle-cpu.sh build/windows; then win_idle_failed=0; else win_idle_failed=1; fi
total_passed=$((total_passed + 1 - win_idle_failed))
total_failed=$((total_failed + win_idle_failed))
summary="$summary
Windows idle CPU: $((1 - win_idle_failed)) passed, $win_idle_failed failed"

# The failed tests by name, from the last "The following tests FAILED:" block of each preset's
# log: in a long run, the counts alone do not say which test to look at.
for preset in $presets_run; do
    names=$(awk '/^The following tests FAILED:/ { block = ""; listing = 1; next }
                 listing && /^[ \t]/ { block = block $0 "\n"; next }
                 { listing = 0 }
                 END { printf "%s", block }' "build/$preset-ctest.log")
    if [ -n "$names" ]; then
        echo "=== $preset: failed tests"
        echo "$names"
    fi
done
# Under Wine a CTest entry is a whole executable: name the GoogleTest cases that failed in it.
if [ -f build/windows/Testing/Temporary/LastTest.log ]; then
    grep -hE '^\[  FAILED  \] [A-Za-z_]' build/windows/Testing/Temporary/LastTest.log | sort -u || true
fi
echo "$summary"
echo "Total: $total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ]
