// Line commands that drive a running simulator (standard input of parlowen-modemsim).
#pragma once

#include <string>

namespace sim {

class ModemSimulator;

struct CommandResult
{
    std::string output; // lines to print, each ending in a newline
    bool quit = false;
};

CommandResult runCommand(ModemSimulator& modem, const std::string& line);

// The commands with their arguments, for --help.
extern const char* const CommandHelp;

} // namespace sim
