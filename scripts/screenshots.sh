#!/usr/bin/env bash
# Saves pictures of the main window's states: the real window under Xvfb on the simulated modem,
# with a database of its own; once without an icon theme (DIR/no-theme) and once with each of the
# two common desktop themes (DIR/adwaita, DIR/breeze).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: scripts/screenshots.sh DIR}
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPARLOWEN_BENCH=ON >/dev/null
cmake --build "$top/build-test" --target parlowen-screenshots
export CANBERRA_DRIVER=null XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
unset QT_QPA_PLATFORM

# One run into DIR/NAME; the rest of the arguments are the run's environment.
shoot() {
  local out="$dir/$1"
  shift
  mkdir -p "$out"
  # A session bus of its own with no desktop's server on it: the run's notification server answers.
  env "$@" PARLOWEN_TEST_BUS=1 dbus-run-session --config-file="$top/tests/notify/session.conf" -- \
    xvfb-run -a -s "-screen 0 1280x900x24" "$top/build-test/tests/windows/parlowen-screenshots" "$out"
  # The first page of the printout as a picture beside the others.
  if [ -f "$out/printout.pdf" ]; then
    pdftoppm -png -r 100 -f 1 -l 1 -singlefile "$out/printout.pdf" "$out/printout"
    echo "$out/printout.png"
  fi
}

# No desktop at all: no icon theme, so every picture is one the program draws.
shoot no-theme -u XDG_CURRENT_DESKTOP -u KDE_SESSION_VERSION
# A desktop that names its icon theme, the way Plasma keeps it (kdeglobals), which Qt reads: GNOME's
# Adwaita and Plasma's Breeze (Breeze needs Qt's SVG support, libqt6svg6).
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
for theme in Adwaita breeze; do
  mkdir -p "$config/$theme"
  printf '[Icons]\nTheme=%s\n' "$theme" >"$config/$theme/kdeglobals"
  shoot "$(echo "$theme" | tr '[:upper:]' '[:lower:]')" XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5 \
    XDG_CONFIG_HOME="$config/$theme"
done
