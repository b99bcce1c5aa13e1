// Keeps the SIM between runs: messages, phonebook, PIN, numbers. The file is JSON,
// written atomically; a file that does not parse or holds impossible values is refused.
#pragma once

#include "SimCard.h"

#include <string>

namespace sim {

// A missing file is not an error: `existed` tells whether one was read.
bool loadState(const std::string& path, SimCard& sim, bool& existed, std::string& error);
bool saveState(const std::string& path, const SimCard& sim, std::string& error);

} // namespace sim
