#!/usr/bin/env bash
# Saves pictures of the main window's states into DIR: the real window under Xvfb on the
# simulated modem, with a database of its own.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: scripts/screenshots.sh DIR}
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARLOWEN_BENCH=ON >/dev/null
cmake --build "$top/build-test" --target parlowen-screenshots
mkdir -p "$dir"
export CANBERRA_DRIVER=null XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
unset QT_QPA_PLATFORM
# A session bus of its own with no desktop's server on it: the run's notification server answers.
PARLOWEN_TEST_BUS=1 dbus-run-session --config-file="$top/tests/notify/session.conf" -- \
  xvfb-run -a -s "-screen 0 1280x900x24" "$top/build-test/tests/windows/parlowen-screenshots" "$dir"
# The first page of the printout as a picture beside the others.
if [ -f "$dir/printout.pdf" ]; then
  pdftoppm -png -r 100 -f 1 -l 1 -singlefile "$dir/printout.pdf" "$dir/printout"
  echo "$dir/printout.png"
fi
