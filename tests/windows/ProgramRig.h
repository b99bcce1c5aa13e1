#pragma once
// One run of the program for tests and screenshots: its settings file and database in a
// temporary folder, the simulated modem, the fakes and the real main window.

#include "app/Log.h"
#include "app/Settings.h"
#include "controller/LogModel.h"
#include "controller/MessageFolders.h"
#include "device/Broadband.h"
#include "device/service/BroadbandService.h"
#include "sim/ModemSimulator.h"
#include "storage/Database.h"
#include "support/Fakes.h"
#include "support/Wait.h"
#include "windows/MainWindow.h"
#include "windows/MessageWindow.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

using testsupport::WaitFor;

namespace rig {

// One run of the program: its settings file, its database, the modem and the window.
class Program
{
public:
    explicit Program(bool demoContents = false, bool simLocked = false)
    {
        sim::ModemSimulator::Options options;
        options.modem.demoContents = demoContents;
        options.modem.simLocked = simLocked;
        options.modem.statusReportDelayMs = 200;
        options.modem.scanDelayMs = 300;
        // A fixed path for the program: a replugged terminal may get another number while the
        // program still holds the old one, and a freed number may go to another test's modem.
        options.linkPath = dir.filePath(QStringLiteral("modem")).toStdString();
        modem = std::make_unique<sim::ModemSimulator>(options);
        std::string error;
        EXPECT_TRUE(modem->start(&error)) << error;
        settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        settings->setValue(QStringLiteral("SMS/ConfirmationToSend"), 0);
        settings->setValue(QStringLiteral("Settings/CloseConfirmation"), 0);
    }
    ~Program()
    {
        Stop();
        modem->stop();
    }

    void Start()
    {
        BroadbandService::Options options;
        options.paths.push_back(modem->devicePath());
        options.scanSysfs = false;
        options.watchUdev = false;
        service = std::make_unique<BroadbandService>(options);
        service->Start();
        ASSERT_TRUE(service->WaitUntilSettled(15000));
        TMainWindow::Options windowOptions;
        windowOptions.service = service.get();
        windowOptions.databasePath = dir.filePath(QStringLiteral("parlowen.db"));
        windowOptions.prompts = &prompts;
        windowOptions.sounds = &sounds;
        windowOptions.clock = &clock;
        windowOptions.notifier = desktopNotifications ? nullptr : &notifier;
        windowOptions.settings = settings.get();
        windowOptions.startDelayMs = 0;
        // The menu entry, its picture and the tray override files stay inside the test's folder.
        windowOptions.dataHome = dir.filePath(QStringLiteral("data"));
        windowOptions.trayImageFolder = dir.filePath(QStringLiteral("tray"));
        windowOptions.hidden = hidden;
        windowOptions.trayArea = trayArea;
        window = std::make_unique<TMainWindow>(windowOptions);
        window->ShowAtStart();
        ASSERT_TRUE(WaitFor([&] { return window->Broadband().GetState() == 3; }));
        ASSERT_TRUE(WaitFor([&] { return !window->Database().IsLoading(); }));
    }
    void Stop()
    {
        window.reset();
        service.reset();
    }

    FolderModel& Folder(::Folder f) { return window->Folders().Model(f); }
    size_t OnSim()
    {
        size_t n = 0;
        modem->withCore([&](sim::ModemCore& core) { n = core.sim().sms.size(); });
        return n;
    }
    int Stored(int status)
    {
        int n = 0;
        QDatabase probe(nullptr);
        EXPECT_TRUE(probe.Open(window ? window->Database().Path() : dir.filePath(QStringLiteral("parlowen.db"))));
        // Counted through the loader's own records.
        QObject context;
        bool ended = false;
        MessageFunctionTarget target(&context, [&](const Message& m) -> std::intptr_t {
            if (m.Number == WM_DATABASE_SMS)
                for (const DATABASE_SMS_ROW& row : **m.Record<DATABASE_SMS_BATCH>())
                    n += static_cast<int>(row.Data.Status) == status;
            if (m.Number == WM_DATABASE_LOAD && m.WParam == DATABASE_LOAD_END)
                ended = true;
            return 0;
        });
        QDatabase reader(&target);
        EXPECT_TRUE(reader.Open(probe.Path()));
        reader.LoadMessages();
        EXPECT_TRUE(WaitFor([&] { return ended; }));
        return n;
    }
    // Writes a message in a composer and sends it.
    void Compose(const QString& number, const QString& text, bool flash = false)
    {
        window->Runners().composer = [&](TMessageWindow& composer) {
            composer.NumberBox()->setEditText(number);
            composer.MessageText()->setPlainText(text);
            if (flash)
                composer.ToggleFlash();
            composer.SendButtonClick();
            return composer.result() == QDialog::Accepted;
        };
        window->Act(MainAction::SmsNewAction)->trigger();
    }
    int Sounds(const QString& name) const
    {
        return static_cast<int>(std::count(sounds.played.begin(), sounds.played.end(), name));
    }

    QTemporaryDir dir;
    std::unique_ptr<sim::ModemSimulator> modem;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<BroadbandService> service;
    testsupport::ScriptedPrompts prompts;
    testsupport::RecordingSounds sounds;
    testsupport::ManualClock clock;
    testsupport::RecordingNotifier notifier;
    bool desktopNotifications = false; // true: the window's own channels instead of the recorder
    bool hidden = false;               // "/hidden"
    std::optional<bool> trayArea;      // whether the desktop has a notification area; empty: ask it
    std::unique_ptr<TMainWindow> window;
};

inline sim::DeliverRequest Sms(const std::string& sender, const std::u16string& text)
{
    sim::DeliverRequest request;
    request.sender = sender;
    request.text = text;
    return request;
}

// The log file beside the test program, so that logging is on for this run: made when missing and
// removed again afterwards. This run's lines are what it holds past Before().
class LogFileOn
{
public:
    LogFileOn()
        : file_(QString::fromStdString(
              TApplicationLog::PathForExecutable(QCoreApplication::applicationFilePath().toStdString())))
    {
        existed_ = file_.exists();
        made_ = file_.open(QIODevice::Append);
        before_ = file_.size();
        file_.close();
    }
    ~LogFileOn()
    {
        if (!existed_)
            file_.remove();
    }
    LogFileOn(const LogFileOn&) = delete;
    LogFileOn& operator=(const LogFileOn&) = delete;

    bool Made() const { return made_; }
    // What this run wrote into it.
    QByteArray RunLines()
    {
        if (!file_.open(QIODevice::ReadOnly))
            return {};
        const QByteArray run = file_.readAll().mid(before_);
        file_.close();
        return run;
    }

private:
    QFile file_;
    bool existed_ = false;
    bool made_ = false;
    qint64 before_ = 0;
};

} // namespace rig
