// parlowen-modemsim: a simulated MBIM modem on a pseudo-terminal. Prints the device path
// as its first line, then takes line commands on standard input.
#include "sim/Commands.h"
#include "sim/ModemSimulator.h"

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

void usage(std::ostream& out)
{
    out << "Usage: parlowen-modemsim [options]\n"
           "\n"
           "Serves a simulated MBIM modem on a pseudo-terminal. The first line printed is the\n"
           "device path to give libmbim (for example mbimcli -d PATH); then the simulator\n"
           "serves until 'quit' or the end of standard input.\n"
           "\n"
           "Options:\n"
           "  --state FILE         keep SIM messages, phonebook and PIN in FILE between runs\n"
           "  --link PATH          keep a symbolic link PATH pointing at the terminal\n"
           "  --locked             the SIM asks for its PIN (1234; PUK 12345678)\n"
           "  --empty              start without the demonstration messages and contacts\n"
           "  --max-transfer N     fragment replies to at most N bytes (64-4096)\n"
           "  --scan-delay MS      duration of a full provider scan (default 3000)\n"
           "  --report-delay MS    delay of status reports (default 1500)\n"
           "  --verbose            log requests on standard error\n"
           "  --help               this text\n"
           "\n"
           "Commands on standard input:\n"
        << sim::CommandHelp
        << "\n"
           "USSD codes: "
        << sim::UssdMenu::Codes << ".\n";
}

bool milliseconds(const char* text, uint32_t& out, uint32_t max)
{
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 10);
    if (!*text || *end || v > max)
        return false;
    out = uint32_t(v);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    sim::ModemSimulator::Options options;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::cerr << "parlowen-modemsim: " << name << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            usage(std::cout);
            return 0;
        } else if (arg == "--state") {
            options.statePath = value("--state");
        } else if (arg == "--link") {
            options.linkPath = value("--link");
        } else if (arg == "--locked") {
            options.modem.simLocked = true;
        } else if (arg == "--empty") {
            options.modem.demoContents = false;
        } else if (arg == "--verbose") {
            verbose = true;
        } else if (arg == "--max-transfer" || arg == "--scan-delay" || arg == "--report-delay") {
            const char* v = value(arg.c_str());
            uint32_t n = 0;
            bool ok = milliseconds(v, n, arg == "--max-transfer" ? 4096 : 600000);
            if (arg == "--max-transfer") {
                ok = ok && n >= 64;
                options.modem.maxTransfer = n;
            } else if (arg == "--scan-delay") {
                options.modem.scanDelayMs = n;
            } else {
                options.modem.statusReportDelayMs = n;
            }
            if (!ok) {
                std::cerr << "parlowen-modemsim: bad value for " << arg << ": " << v << "\n";
                return 2;
            }
        } else {
            std::cerr << "parlowen-modemsim: unknown option " << arg << " (see --help)\n";
            return 2;
        }
    }

    sim::ModemSimulator modem(options);
    if (verbose)
        modem.setLog([](const std::string& line) { std::cerr << "modemsim: " << line << std::endl; });
    std::string error;
    if (!modem.start(&error)) {
        std::cerr << "parlowen-modemsim: " << error << "\n";
        return 1;
    }
    std::cout << modem.devicePath() << std::endl;

    std::string line;
    while (std::getline(std::cin, line)) {
        auto result = sim::runCommand(modem, line);
        std::cout << result.output << std::flush;
        if (result.quit)
            break;
    }
    modem.stop();
    if (!options.linkPath.empty())
        ::unlink(options.linkPath.c_str());
    return 0;
}
