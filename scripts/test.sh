#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the unit tests in a normal build and
# under AddressSanitizer + UndefinedBehaviorSanitizer, then each fuzz target for a bounded time,
# then the Debian package.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
jobs=$(nproc)
# The tests spend most of their time waiting on the simulated modem's timers: twice as many at
# once as there are cores nearly halves the plain run (87 s to 45 s here).
test_jobs=$((jobs * 2))
fuzz_seconds=${PARLOWEN_FUZZ_SECONDS:-10}
# Test builds carry line tables only (enough for a sanitizer's or a crash's backtrace) and link
# with lld: with full debug information and the default linker each build took a quarter longer.
quick=(-DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld
       -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld)
export QT_QPA_PLATFORM=offscreen CANBERRA_DRIVER=null
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
# Each section says how long the one before it took, so CI's time can be read off its log.
section() {
  [ -n "${section_name:-}" ] && echo "   (${section_name}: $((SECONDS - section_start)) s)"
  section_name=$1 section_start=$SECONDS
  echo "== $1"
}

section "Code style"
"$top/scripts/check-format.sh"

section "Unit tests: build"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARLOWEN_BENCH=ON "${quick[@]}" >/dev/null
cmake --build "$top/build-test" -j "$jobs"
section "Unit tests"
# A test that fails is run once more before it counts: the window and device tests wait on the
# simulated modem's timers, which a loaded machine can stretch past a test's limit.
ctest --test-dir "$top/build-test" --output-on-failure -j "$test_jobs" --repeat until-pass:2 | tee -a "$summary"

section "Soak"
# The real program and the simulated modem in their own processes, under kills, unplugs, a full
# or unwritable database and slow replies; fails on any lost message. README.md has the long form.
python3 "$top/tests/soak/receive_soak.py" --build "$top/build-test" --seconds 75 --min-kills 3

section "Build under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARLOWEN_SANITIZE=ON "${quick[@]}" >/dev/null
cmake --build "$top/build-asan" -j "$jobs"
section "Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$top/build-asan" --output-on-failure -j "$test_jobs" -LE nosanitize --repeat until-pass:2 | tee -a "$summary"

section "Fuzz targets: build"
CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DPARLOWEN_TESTS=OFF -DPARLOWEN_FUZZ=ON >/dev/null
cmake --build "$top/build-fuzz" -j "$jobs" --target parlowen-fuzz-all
section "Fuzz targets, ${fuzz_seconds} s each"
for f in "$top"/build-fuzz/fuzz/*/fuzz-*; do
  [ -f "$f" ] && [ -x "$f" ] || continue
  name=$(basename "$f")
  seeds="$top/fuzz/corpus/${name#fuzz-}"
  work=$(mktemp -d)
  echo "-- $name"
  dirs=("$work")
  [ -d "$seeds" ] && dirs+=("$seeds")
  "$f" -max_total_time="$fuzz_seconds" -print_final_stats=0 "${dirs[@]}" 2>&1 | tail -n 3
  rm -rf "$work"
done
section "Debian package"
# Packaged from the unit-test build, which has built the program already: the check is about
# what the package holds and that it starts, not about its optimisation.
"$top/scripts/check-package.sh" "$top/build-test"

section "Done"

# One closing line over both test runs (ctest stops the script on any failure above).
total=$(awk '/tests failed out of/ { n += $NF } END { print n + 0 }' "$summary")
echo "tests: ${total} passed, 0 failed"
