#!/usr/bin/env bash
# Installs what is missing, builds Parlowen and runs it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARLOWEN_TESTS=OFF >/dev/null
cmake --build "$top/build"
# Until the main window exists: decode a few sample PDUs and encode a message.
pdu="$top/build/tools/pdu/parlowen-pdu"
"$pdu" decode 07915155109999F9040B915155100000F000001210706153200005E8329BFD06
"$pdu" decode 07915155109999F9440B915155100000F0000812218081230200400500032A0201041F04400438043204350442002C0020044D0442043E00200434043B0438043D043D043E043500200441043E043E043104490435043D04380435
"$pdu" encode --number +15550100000 --report "Hello from Parlowen: this text is long enough to need two parts, so the tool prints one line for each part, with its reference and the PDU to send."
