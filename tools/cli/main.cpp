// parlowen-cli: the device layer for scripts and servers. Lists devices, reads, sends and
// deletes messages over the same session the main window uses.

#include "Cli.h"

#include "sim/ModemSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>

#include <cstdio>
#include <map>
#include <memory>

using namespace cli;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("parlowen-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads, sends and deletes SMS on an MBIM modem.\n\n"
                       "Commands:\n"
                       "  devices                               list the devices and their interface IDs\n"
                       "  sms-list                              list the messages stored on the device\n"
                       "  sms-send NUMBER TEXT [--report] [--flash]\n"
                       "                                        send TEXT, split into parts as needed\n"
                       "  sms-delete INDEX                      delete the message at INDEX\n"
                       "  info                                  the device's information blocks\n"
                       "  status                                the device status rows\n"
                       "  scan                                  scan for networks and list them\n"
                       "  register auto|PROVIDER_ID [--data-class BITS]\n"
                       "                                        register automatically or with a provider\n"
                       "  radio on|off                          switch the radio\n"
                       "  pin PIN                               enter the SIM's PIN\n"
                       "  ussd CODE [CODE...]                   one USSD dialogue; each further code answers the menu\n"
                       "  phonebook list|write NAME NUMBER|delete INDEX\n"
                       "                                        the SIM phonebook\n\n"
                       "Exit status: 0 when everything asked succeeded, 1 when something failed, 2 bad usage."));
    parser.addHelpOption();
    const QCommandLineOption deviceOption(
        QStringLiteral("device"), QStringLiteral("Use the MBIM device at PATH (repeatable)."), QStringLiteral("PATH"));
    const QCommandLineOption simulatorOption(QStringLiteral("simulator"),
                                             QStringLiteral("Start the simulated modem and use it."));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("One JSON object per line."));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"), QStringLiteral("Device log on standard error."));
    const QCommandLineOption reportOption(QStringLiteral("report"),
                                          QStringLiteral("sms-send: ask for status reports."));
    const QCommandLineOption flashOption(QStringLiteral("flash"),
                                         QStringLiteral("sms-send: send as a flash (class 0) message."));
    const QCommandLineOption timeoutOption(QStringLiteral("timeout"),
                                           QStringLiteral("Seconds to wait for the device (default 30)."),
                                           QStringLiteral("SECONDS"), QStringLiteral("30"));
    const QCommandLineOption dataClassOption(QStringLiteral("data-class"),
                                             QStringLiteral("register: data class flags (default 0, any)."),
                                             QStringLiteral("BITS"), QStringLiteral("0"));
    parser.addOptions({deviceOption, simulatorOption, jsonOption, verboseOption, reportOption, flashOption,
                       timeoutOption, dataClassOption});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("one of the commands above"));
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "parlowen-cli: %s\n", parser.errorText().toUtf8().constData());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(parser.helpText().toUtf8().constData(), stdout);
        return ExitOk;
    }
    jsonOutput = parser.isSet(jsonOption);
    verbose = parser.isSet(verboseOption);
    bool timeoutOk = false;
    const int timeoutMs = parser.value(timeoutOption).toInt(&timeoutOk) * 1000;
    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    // Argument counts including the command, as lowest and highest.
    const std::map<QString, std::pair<int, int>> arity{
        {"devices", {1, 1}}, {"sms-list", {1, 1}}, {"sms-send", {3, 3}}, {"sms-delete", {2, 2}},
        {"info", {1, 1}},    {"status", {1, 1}},   {"scan", {1, 1}},     {"register", {2, 2}},
        {"radio", {2, 2}},   {"pin", {2, 2}},      {"ussd", {2, 1000}},  {"phonebook", {2, 4}}};
    const auto wanted = arity.find(command);
    bool usage = wanted == arity.end() || args.size() < wanted->second.first || args.size() > wanted->second.second ||
                 !timeoutOk || timeoutMs <= 0;
    if (!usage && command == QLatin1String("radio"))
        usage = args[1] != QLatin1String("on") && args[1] != QLatin1String("off");
    if (!usage && command == QLatin1String("phonebook")) {
        const QString& what = args[1];
        usage = !((what == QLatin1String("list") && args.size() == 2) ||
                  (what == QLatin1String("write") && args.size() == 4) ||
                  (what == QLatin1String("delete") && args.size() == 3));
        bool ok = true;
        if (!usage && what == QLatin1String("delete"))
            usage = args[2].toUInt(&ok) == 0 || !ok;
    }
    bool dataClassOk = false;
    const std::uint32_t dataClass = parser.value(dataClassOption).toUInt(&dataClassOk, 0);
    usage = usage || !dataClassOk;
    if (usage) {
        std::fprintf(stderr, "parlowen-cli: bad usage; see --help\n");
        return ExitUsage;
    }
    std::uint32_t deleteIndex = 0;
    if (command == QLatin1String("sms-delete")) {
        bool ok = false;
        deleteIndex = args[1].toUInt(&ok);
        if (!ok) {
            std::fprintf(stderr, "parlowen-cli: not an index: %s\n", args[1].toUtf8().constData());
            return ExitUsage;
        }
    }
    BroadbandService::Options options;
    for (const QString& path : parser.values(deviceOption))
        options.paths.push_back(path.toStdString());
    std::unique_ptr<sim::ModemSimulator> simulator;
    if (parser.isSet(simulatorOption)) {
        simulator = std::make_unique<sim::ModemSimulator>();
        if (verbose)
            simulator->setLog([](const std::string& line) { std::fprintf(stderr, "modem: %s\n", line.c_str()); });
        std::string error;
        if (!simulator->start(&error)) {
            PrintError(QStringLiteral("The simulated modem did not start: %1").arg(QString::fromStdString(error)));
            return ExitFailed;
        }
        options.paths.push_back(simulator->devicePath());
    }
    // A device named on the command line is the one meant; otherwise every modem found.
    options.scanSysfs = options.paths.empty();
    options.watchUdev = false;

    int result = ExitFailed;
    {
        BroadbandService service(options);
        service.Start();
        service.WaitUntilSettled(timeoutMs);

        Collector collector;
        QObject context;
        MessageFunctionTarget target(&context, [&collector](const Message& m) { return collector.Handle(m); });
        MobileBroadband session(&target, &service);

        if (command == QLatin1String("devices")) {
            result = Devices(service);
        } else if (!session.Connect()) {
            PrintError(session.GetState() != 0 ? QStringLiteral("Device not found")
                                               : QStringLiteral("Interface not found"));
        } else if (command == QLatin1String("sms-list")) {
            result = SmsList(service, session, collector, timeoutMs);
        } else if (command == QLatin1String("info")) {
            result = Info(session, collector);
        } else if (command == QLatin1String("status")) {
            result = Status(session, collector);
        } else if (command == QLatin1String("scan")) {
            result = Scan(session, collector, timeoutMs);
        } else if (command == QLatin1String("register")) {
            result = Register(session, collector, args[1], dataClass, timeoutMs);
        } else if (command == QLatin1String("radio")) {
            result = Radio(service, session, args[1] == QLatin1String("on"), timeoutMs);
        } else if (command == QLatin1String("pin")) {
            result = Pin(session, collector, args[1], timeoutMs);
        } else if (command == QLatin1String("ussd")) {
            result = Ussd(context, service, session.GetInterfaceID(), args.mid(1), timeoutMs);
        } else if (command == QLatin1String("phonebook")) {
            result = Phonebook(session, collector, args, timeoutMs);
        } else if (command == QLatin1String("sms-send")) {
            result = SmsSend(session, collector, args[1], args[2], parser.isSet(reportOption),
                             parser.isSet(flashOption), timeoutMs);
        } else {
            result = SmsDelete(session, collector, deleteIndex, timeoutMs);
        }
        session.Disconnect();
    }
    // Let the devices' closing finish before the process goes.
    QEventLoop().processEvents(QEventLoop::AllEvents, 50);
    return result;
}
