#!/usr/bin/env bash
# Installs what is missing, builds Parlowen and runs it: on the MBIM modems found, or on the
# simulated modem when the machine has none.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARLOWEN_TESTS=OFF >/dev/null
cmake --build "$top/build" --target parlowen
args=("$@")
modem=no
for node in /sys/class/usbmisc/*; do
  [ -e "$node/device/driver" ] && [ "$(basename "$(readlink -f "$node/device/driver")")" = cdc_mbim ] && modem=yes
done
if [ "$modem" = no ]; then
  echo "No MBIM modem found: running on the simulated modem."
  args=(--simulator "${args[@]}")
fi
exec "$top/build/parlowen/parlowen" "${args[@]}"
