#include "Commands.h"

#include "ModemSimulator.h"

#include <sstream>
#include <vector>

namespace sim {

const char* const CommandHelp =
    "  sms [--ucs2] [--class0] [--order N,N,...] SENDER TEXT\n"
    "                          deliver a message; long texts arrive in parts, --order gives\n"
    "                          the order of the parts (1-based); \\n in TEXT is a new line\n"
    "  report RECIPIENT REFERENCE [STATUS]\n"
    "                          deliver a status report (TP-Status, default 0: received)\n"
    "  signal RSSI [ERROR]     signal strength 0-31 (99 unknown) and error rate 0-7\n"
    "  radio on|off            switch the radio\n"
    "  register STATE [ID]     home, roaming, partner, searching, denied or deregistered;\n"
    "                          without ID home is the SIM's home network, roaming the roaming one\n"
    "  dataclass CLASS         gprs, edge, umts, hsdpa, hsupa or lte\n"
    "  fail-send STATUS        fail the next send with an MBIM status (number or name:\n"
    "                          failure, busy, not-registered, network-timeout, unknown-smsc)\n"
    "  drop-send               send the next message but never complete the request\n"
    "  delay MS                delay every reply by MS milliseconds (0: none)\n"
    "  unplug                  close the terminal as a removed device\n"
    "  replug                  open a new terminal and print its path\n"
    "  storage                 print the SIM's messages, phonebook and PIN state\n"
    "  help                    this list\n"
    "  quit                    stop (end of input does the same)\n";

namespace {

std::vector<std::string> words(const std::string& line, size_t limit, std::string& rest)
{
    std::vector<std::string> out;
    size_t pos = 0;
    while (out.size() < limit) {
        pos = line.find_first_not_of(" \t", pos);
        if (pos == std::string::npos)
            break;
        size_t end = line.find_first_of(" \t", pos);
        out.push_back(line.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        pos = end == std::string::npos ? line.size() : end;
    }
    pos = line.find_first_not_of(" \t", pos);
    rest = pos == std::string::npos ? std::string() : line.substr(pos);
    return out;
}

bool number(const std::string& s, uint32_t& value)
{
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = uint32_t(std::stoul(s));
    return true;
}

std::string unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out.push_back('\n');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

CommandResult fail(const std::string& why)
{
    return {"error: " + why + "\n", false};
}
CommandResult ok(const std::string& what = {})
{
    return {what.empty() ? "ok\n" : "ok " + what + "\n", false};
}

CommandResult sms(ModemSimulator& modem, const std::string& args)
{
    DeliverRequest request;
    std::string rest = args;
    for (;;) {
        std::string tail;
        auto w = words(rest, 1, tail);
        if (w.empty())
            return fail("usage: sms [--ucs2] [--class0] [--order N,N,...] SENDER TEXT");
        if (w[0] == "--ucs2") {
            request.ucs2 = true;
        } else if (w[0] == "--class0") {
            request.class0 = true;
        } else if (w[0] == "--order") {
            auto o = words(tail, 1, tail);
            if (o.empty())
                return fail("--order needs a list such as 2,1");
            std::stringstream list(o[0]);
            std::string item;
            while (std::getline(list, item, ',')) {
                uint32_t n;
                if (!number(item, n) || n == 0)
                    return fail("bad part number in --order: " + item);
                request.order.push_back(n);
            }
        } else {
            request.sender = w[0];
            request.text = utf16(unescape(tail));
            break;
        }
        rest = tail;
    }
    if (request.text.empty())
        return fail("no text");
    size_t parts = modem.deliverSms(request);
    if (parts == 0)
        return fail("SIM storage full, message lost");
    return ok(std::to_string(parts) + (parts == 1 ? " part" : " parts"));
}

} // namespace

CommandResult runCommand(ModemSimulator& modem, const std::string& line)
{
    std::string rest;
    auto w = words(line, 1, rest);
    if (w.empty())
        return {};
    const std::string& cmd = w[0];
    std::string tail;
    auto args = words(rest, 3, tail);
    if (cmd == "quit" || cmd == "exit")
        return {"", true};
    if (cmd == "help")
        return {CommandHelp, false};
    if (cmd == "sms")
        return sms(modem, rest);
    if (cmd == "report") {
        uint32_t reference = 0, status = 0;
        if (args.size() < 2 || !number(args[1], reference) || reference > 255 ||
            (args.size() > 2 && (!number(args[2], status) || status > 255)))
            return fail("usage: report RECIPIENT REFERENCE(0-255) [STATUS(0-255)]");
        if (!modem.deliverStatusReport(args[0], uint8_t(reference), uint8_t(status)))
            return fail("SIM storage full, report lost");
        return ok("1 part");
    }
    if (cmd == "signal") {
        uint32_t rssi = 0, error = 0;
        if (args.empty() || !number(args[0], rssi) || (rssi > 31 && rssi != 99) ||
            (args.size() > 1 && (!number(args[1], error) || (error > 7 && error != 99))))
            return fail("usage: signal RSSI(0-31|99) [ERROR(0-7|99)]");
        modem.setSignal(rssi, error);
        return ok();
    }
    if (cmd == "radio") {
        if (args.size() != 1 || (args[0] != "on" && args[0] != "off"))
            return fail("usage: radio on|off");
        modem.setRadio(args[0] == "on");
        return ok();
    }
    if (cmd == "register") {
        static const std::pair<const char*, uint32_t> States[] = {
            {"deregistered", RegDeregistered}, {"searching", RegSearching}, {"home", RegHome},
            {"roaming", RegRoaming},           {"partner", RegPartner},     {"denied", RegDenied}};
        for (auto [name, state] : States)
            if (!args.empty() && args[0] == name) {
                modem.setRegistration(state, args.size() > 1 ? args[1] : std::string());
                return ok();
            }
        return fail("usage: register home|roaming|partner|searching|denied|deregistered [PROVIDER]");
    }
    if (cmd == "dataclass") {
        static const std::pair<const char*, uint32_t> Classes[] = {{"gprs", DataGprs},   {"edge", DataEdge},
                                                                   {"umts", DataUmts},   {"hsdpa", DataHsdpa},
                                                                   {"hsupa", DataHsupa}, {"lte", DataLte}};
        for (auto [name, value] : Classes)
            if (args.size() == 1 && args[0] == name) {
                modem.setDataClass(value);
                return ok();
            }
        return fail("usage: dataclass gprs|edge|umts|hsdpa|hsupa|lte");
    }
    if (cmd == "fail-send") {
        static const std::pair<const char*, uint32_t> Names[] = {{"failure", mbim::Failure},
                                                                 {"busy", mbim::Busy},
                                                                 {"not-registered", mbim::NotRegistered},
                                                                 {"network-timeout", mbim::SmsNetworkTimeout},
                                                                 {"unknown-smsc", mbim::SmsUnknownSmscAddress}};
        uint32_t status = 0;
        bool found = !args.empty() && number(args[0], status) && status != 0;
        for (auto [name, value] : Names)
            if (!args.empty() && args[0] == name) {
                status = value;
                found = true;
            }
        if (!found)
            return fail("usage: fail-send STATUS (a non-zero number or a name)");
        modem.failNextSend(status);
        return ok();
    }
    if (cmd == "drop-send") {
        modem.dropNextSendCompletion();
        return ok();
    }
    if (cmd == "delay") {
        uint32_t ms = 0;
        if (args.size() != 1 || !number(args[0], ms) || ms > 600000)
            return fail("usage: delay MS (0-600000)");
        modem.setReplyDelay(ms);
        return ok();
    }
    if (cmd == "unplug") {
        modem.unplug();
        return ok();
    }
    if (cmd == "replug") {
        std::string error;
        if (!modem.replug(&error))
            return fail(error);
        return {modem.devicePath() + "\n", false};
    }
    if (cmd == "storage")
        return {modem.describeStorage(), false};
    return fail("unknown command '" + cmd + "' (try help)");
}

} // namespace sim
