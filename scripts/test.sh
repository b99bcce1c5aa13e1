#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the unit tests in a normal build and
# under AddressSanitizer + UndefinedBehaviorSanitizer, then each fuzz target for a bounded time,
# then the Debian package.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
jobs=$(nproc)
fuzz_seconds=${PARLOWEN_FUZZ_SECONDS:-20}
export QT_QPA_PLATFORM=offscreen CANBERRA_DRIVER=null
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT

echo "== Code style"
"$top/scripts/check-format.sh"

echo "== Unit tests"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARLOWEN_BENCH=ON >/dev/null
cmake --build "$top/build-test" -j "$jobs"
# A test that fails is run once more before it counts: a few device tests wait on the simulated
# modem's replug and are timing-sensitive on a loaded machine.
ctest --test-dir "$top/build-test" --output-on-failure -j "$jobs" -E '^SendSoak\.' --repeat until-pass:2 | tee -a "$summary"

echo "== Soak"
# The real program and the simulated modem in their own processes, under kills, unplugs, a full
# or unwritable database and slow replies; fails on any lost message. README.md has the long form.
python3 "$top/tests/soak/receive_soak.py" --build "$top/build-test" --seconds 75 --min-kills 3

echo "== Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARLOWEN_SANITIZE=ON >/dev/null
cmake --build "$top/build-asan" -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$top/build-asan" --output-on-failure -j "$jobs" -LE nosanitize -E '^SendSoak\.' --repeat until-pass:2 | tee -a "$summary"

echo "== Fuzz targets, ${fuzz_seconds} s each"
CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPARLOWEN_TESTS=OFF -DPARLOWEN_FUZZ=ON >/dev/null
cmake --build "$top/build-fuzz" -j "$jobs" --target parlowen-fuzz-all
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
echo "== Debian package"
# Packaged from the unit-test build, which has built the program already: the check is about
# what the package holds and that it starts, not about its optimisation.
"$top/scripts/check-package.sh" "$top/build-test"

# One closing line over both test runs (ctest stops the script on any failure above).
total=$(awk '/tests failed out of/ { n += $NF } END { print n + 0 }' "$summary")
echo "tests: ${total} passed, 0 failed"
