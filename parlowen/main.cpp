// parlowen: the desktop program.
#include "app/DataPaths.h"
#include "app/desktop/SingleInstance.h"
#include "app/desktop/StartGuard.h"
#include "device/service/BroadbandService.h"
#include "sim/ModemSimulator.h"
#include "windows/Images.h"
#include "windows/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool HasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv)
{
    // "/hidden" as an argument of its own starts minimised; the autostart entry passes it. A path
    // that merely contains it ("--database /srv/hidden/p.db") is a path.
    bool hidden = false;
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "/hidden"))
            hidden = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::printf("Usage: parlowen [--device PATH]... [--simulator] [--database FILE] [/hidden]\n"
                        "Sends and receives SMS through an MBIM modem.\n\n"
                        "  --device PATH    an MBIM device node to use (repeatable); default: every MBIM modem\n"
                        "  --simulator      use a simulated modem started inside the program\n"
                        "  --database FILE  the message database (default: beside the program or in the data "
                        "folder)\n"
                        "  /hidden          start minimised\n");
            return 0;
        }
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "parlowen: no display (DISPLAY or WAYLAND_DISPLAY is not set)\n");
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Parlowen"));
    QApplication::setOrganizationName(QStringLiteral("Corvaline"));
    QApplication::setDesktopFileName(QStringLiteral("parlowen"));
    QApplication::setWindowIcon(Images::App(0));

    QCommandLineParser parser;
    const QCommandLineOption deviceOption(QStringLiteral("device"), QStringLiteral("MBIM device node."),
                                          QStringLiteral("PATH"));
    const QCommandLineOption simulatorOption(QStringLiteral("simulator"), QStringLiteral("Simulated modem."));
    const QCommandLineOption databaseOption(QStringLiteral("database"), QStringLiteral("Database file."),
                                            QStringLiteral("FILE"));
    parser.addOptions({deviceOption, simulatorOption, databaseOption});
    QStringList arguments = app.arguments();
    arguments.removeIf([](const QString& a) { return a == QLatin1String("/hidden"); });
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "parlowen: %s\n", qPrintable(parser.errorText()));
        return 2;
    }

    SingleInstance instance;
    if (!instance.Claim())
        return 0; // the running copy was asked to show its window

    BroadbandService::Options options;
    for (const QString& path : parser.values(deviceOption))
        options.paths.push_back(path.toStdString());
    std::unique_ptr<sim::ModemSimulator> simulator;
    if (parser.isSet(simulatorOption)) {
        // Its SIM lives on between runs, as a real one does: the demo messages come once.
        sim::ModemSimulator::Options simOptions;
        const QString state = ProgramDataFile(QCoreApplication::applicationFilePath(), QStringLiteral("modemsim"),
                                              QStringLiteral("Parlowen"));
        simOptions.statePath = state.toStdString();
        simulator = std::make_unique<sim::ModemSimulator>(simOptions);
        std::string error;
        if (!simulator->start(&error)) {
            std::fprintf(stderr, "parlowen: the simulated modem did not start (%s): %s\n", qPrintable(state),
                         error.c_str());
            return 1;
        }
        options.paths.push_back(simulator->devicePath());
    }
    options.scanSysfs = options.paths.empty();
    BroadbandService service(options);
    BroadbandService::SetDefault(&service);
    service.Start();

    const int result = RunTellingExceptions(
        [&] {
            TMainWindow::Options windowOptions;
            windowOptions.service = &service;
            windowOptions.hidden = hidden;
            windowOptions.databasePath = parser.value(databaseOption);
            TMainWindow window(windowOptions);
            QObject::connect(&instance, &SingleInstance::OpenRequested, &window, &TMainWindow::AppOpen);
            window.ShowAtStart();
            return QApplication::exec();
        },
        [](const QString& text) {
            std::fprintf(stderr, "parlowen: %s\n", qPrintable(text));
            QMessageBox::critical(nullptr, QStringLiteral("Parlowen"), text);
        });
    BroadbandService::SetDefault(nullptr);
    return result;
}
