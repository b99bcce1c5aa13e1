#!/usr/bin/env bash
# Builds the Debian package in a configured build folder (cpack -G DEB) and checks it: the
# program, its desktop entry, icons and AppStream metainfo are in it, the desktop entry and the
# metainfo validate, the entry starts a program and shows an icon that the package installs, and
# the installed program runs.
set -euo pipefail
build=$(cd "${1:?usage: check-package.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/parlowen_*.deb)
echo "-- $(basename "$deb")"
dpkg-deb --contents "$deb" | awk '{ print $NF }' | sed 's|^\./|/|' >"$work/contents"

expected=(/usr/bin/parlowen /usr/share/applications/parlowen.desktop
  /usr/share/metainfo/io.github.parlowen.Parlowen.metainfo.xml
  /usr/share/icons/hicolor/scalable/apps/parlowen.svg)
for size in 16 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/parlowen.png")
done
for n in 0 1 2 3 4 5; do expected+=("/usr/share/parlowen/icons/app-$n.svg"); done
for n in 0 1 2 3 4 5 6 7 8 9; do expected+=("/usr/share/parlowen/icons/tray-$n.svg"); done
expected+=(/usr/share/parlowen/sounds/keyboard.wav)
missing=0
for path in "${expected[@]}"; do
  grep -qxF "$path" "$work/contents" || { echo "missing from the package: $path"; missing=1; }
done
[ "$missing" = 0 ]

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libmbim-glib4 libsqlite3-0 libturbojpeg0 libcanberra0; do
  [[ "$depends" == *"$lib"* ]] || { echo "Depends lacks $lib: $depends"; exit 1; }
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop="$root/usr/share/applications/parlowen.desktop"
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.parlowen.Parlowen.metainfo.xml"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || { echo "the menu entry starts $exec_name, which the package lacks"; exit 1; }
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg" ] ||
  { echo "the menu entry shows icon $icon_name, which the package lacks"; exit 1; }
"$root/usr/bin/$exec_name" --help >/dev/null
# Started as the menu starts it, on the simulated modem in a home of its own: still up after 5 s.
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
status=0
env HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
  XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen CANBERRA_DRIVER=null \
  timeout 5 "$root/usr/bin/$exec_name" --simulator --database "$work/home/messages.db" 2>"$work/run.log" || status=$?
[ "$status" = 124 ] || { echo "the installed program ended with $status"; cat "$work/run.log"; exit 1; }
echo "package: ${#expected[@]} files present, desktop entry and metainfo valid"
