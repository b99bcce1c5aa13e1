// Feeds arbitrary bytes to the modem as a host would write them. The first byte picks
// how the stream is cut into writes, so that reassembly across reads is exercised too.
#include "sim/ModemCore.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const uint8_t open[] = {1, 0, 0, 0, 16, 0, 0, 0, 1, 0, 0, 0, 0, 16, 0, 0};
    if (size == 0)
        return 0;
    sim::ModemConfig config;
    config.maxTransfer = 64 + data[0];
    sim::ModemCore core(config);
    core.wallClock = [] { return std::time_t(1700000000); };
    core.receive(open);
    size_t chunk = 1 + data[0] % 61;
    for (size_t pos = 1; pos < size; pos += chunk) {
        core.receive(std::span<const uint8_t>(data + pos, std::min(chunk, size - pos)));
        core.takeOutput();
    }
    core.advance(10000); // let delayed answers, reports and loopbacks run
    core.advance(20000);
    core.takeOutput();
    return 0;
}
