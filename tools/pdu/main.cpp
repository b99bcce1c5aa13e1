// parlowen-pdu: decode and encode SMS PDUs from the command line.
#include "LineReader.h"
#include "PduJson.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <random>
#include <string>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

const char* const usageText =
    "Usage:\n"
    "  parlowen-pdu decode [--status-report] HEX\n"
    "  parlowen-pdu decode [--status-report] [--count] -\n"
    "  parlowen-pdu encode --number NUM [--smsc NUM] [--report] [--flash] [--reference R] TEXT\n"
    "  parlowen-pdu --help\n"
    "\n"
    "decode   Decodes an SMS PDU given as hex text (SMS-DELIVER, SMS-SUBMIT or\n"
    "         SMS-STATUS-REPORT, with the service-centre address in front) and prints one\n"
    "         line of JSON with the fields ok, error, smsc, number, international,\n"
    "         numberType, date, time, alphabet, flash, udhPresent, udhType, udhData,\n"
    "         multipart, reference, partsTotal, partNumber, reportRequest, statusReport,\n"
    "         messageId and text. The JSON is printed whether or not the PDU decodes.\n"
    "         --status-report  decode as a delivery report, with or without a\n"
    "                          service-centre address in front\n"
    "         -                read one PDU per line from standard input, one JSON line each\n"
    "         --count          with -: print only a last line \"decoded N, failed M\"\n"
    "\n"
    "encode   Splits TEXT into SMS parts as the send pipeline does (UCS2 when any\n"
    "         character is outside the GSM alphabet) and prints one JSON line per part with\n"
    "         part, partsTotal, reference, alphabet, pdu and tpduLength.\n"
    "         --number NUM     recipient, digits with an optional leading +\n"
    "         --smsc NUM       service-centre number to put in front (default: none, 00)\n"
    "         --report         request a status report\n"
    "         --flash          send as a flash (class 0) message\n"
    "         --reference R    concatenation reference 1 to 255 (default: random 1 to 254)\n"
    "\n"
    "Exit status: 0 success, 1 a PDU did not decode or the text could not be encoded,\n"
    "2 bad usage.\n";

int usageError(const QString& message)
{
    std::fprintf(stderr, "parlowen-pdu: %s\nTry 'parlowen-pdu --help'.\n", message.toLocal8Bit().constData());
    return ExitUsage;
}

void printLine(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
}

// Decodes one PDU and, with out given, appends its JSON line there.
bool decodeOne(std::string_view hex, bool statusReport, std::string* out)
{
    PDU pdu{hex};
    const bool ok = statusReport ? pdu.DecodeStatusReport() : pdu.Decode();
    if (out) {
        AppendDecodedPduJson(*out, pdu, ok);
        out->push_back('\n');
    }
    return ok;
}

void writeOut(const std::string& out)
{
    std::fwrite(out.data(), 1, out.size(), stdout);
}

int runDecode(const QStringList& args)
{
    bool statusReport = false, count = false;
    QStringList positional;
    for (const QString& a : args) {
        if (a == "--status-report")
            statusReport = true;
        else if (a == "--count")
            count = true;
        else if (a.startsWith("--"))
            return usageError("unknown option for decode: " + a);
        else
            positional << a;
    }
    if (positional.size() != 1)
        return usageError("decode takes one PDU in hex, or - to read lines from standard input");
    if (positional[0] != "-") {
        if (count)
            return usageError("--count goes with - (standard input)");
        std::string out;
        const bool ok = decodeOne(positional[0].toStdString(), statusReport, &out);
        writeOut(out);
        return ok ? ExitOk : ExitFailed;
    }

    // Standard input in large blocks and the output gathered likewise: per-line stream calls
    // would cost more than the decoding.
    constexpr std::size_t flushAt = 1 << 20;
    std::string out;
    out.reserve(flushAt + 4096);
    long decoded = 0, failed = 0;
    LineReader reader(0);
    std::string_view line;
    while (reader.Next(line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        (decodeOne(line, statusReport, count ? nullptr : &out) ? decoded : failed)++;
        if (out.size() >= flushAt) {
            writeOut(out);
            out.clear();
        }
    }
    writeOut(out);
    if (count)
        std::printf("decoded %ld, failed %ld\n", decoded, failed);
    return failed == 0 ? ExitOk : ExitFailed;
}

int runEncode(const QStringList& args)
{
    MessageToEncode message;
    bool haveNumber = false, haveReference = false;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        QString v;
        if (a == "--number") {
            if (!value(v))
                return usageError("--number needs a value");
            message.number = v.toStdString();
            haveNumber = true;
        } else if (a == "--smsc") {
            if (!value(v))
                return usageError("--smsc needs a value");
            message.smsc = v.toStdString();
        } else if (a == "--reference") {
            if (!value(v))
                return usageError("--reference needs a value");
            bool ok = false;
            const uint r = v.toUInt(&ok);
            if (!ok || r < 1 || r > 255)
                return usageError("--reference takes a number from 1 to 255");
            message.reference = r;
            haveReference = true;
        } else if (a == "--report") {
            message.reportRequest = true;
        } else if (a == "--flash") {
            message.flash = true;
        } else if (a == "--") {
            positional += args.mid(i + 1);
            break;
        } else if (a.startsWith("--")) {
            return usageError("unknown option for encode: " + a);
        } else {
            positional << a;
        }
    }
    if (!haveNumber)
        return usageError("encode needs --number");
    if (positional.size() != 1)
        return usageError("encode takes one TEXT argument (quote it)");
    if (!haveReference) {
        std::random_device seed;
        message.reference = std::uniform_int_distribution<unsigned>(1, 254)(seed);
    }
    message.text = positional[0].toStdU16String();

    const EncodeResult result = EncodeMessage(message);
    if (!result.ok) {
        std::fprintf(stderr, "parlowen-pdu: %s\n", result.error.c_str());
        return ExitFailed;
    }
    for (const EncodedPart& part : result.parts)
        printLine(EncodedPartJson(part));
    return ExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usageError("a command is needed: decode or encode");
    if (args.contains("--help") || args.contains("-h")) {
        std::fputs(usageText, stdout);
        return ExitOk;
    }
    const QString command = args.takeFirst();
    if (command == "decode")
        return runDecode(args);
    if (command == "encode")
        return runEncode(args);
    return usageError("unknown command: " + command);
}
