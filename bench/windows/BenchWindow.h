#pragma once
// What the benches give the real main window: no device, sounds recorded, nothing asked of anyone
// (a question is answered No, a box closed at once), and a replay the bench starts itself.

#include "app/Clock.h"
#include "device/service/BroadbandService.h"
#include "support/Fakes.h"
#include "windows/MainWindow.h"

#include <QSettings>

class BenchWindowServices
{
public:
    BenchWindowServices(const QString& databasePath, QSettings& settings) : service_(NoDevices())
    {
        service_.Start();
        options.service = &service_;
        options.databasePath = databasePath;
        options.prompts = &prompts_;
        options.sounds = &sounds;
        options.clock = &clock_;
        options.settings = &settings;
        options.startDelayMs = 24 * 3600 * 1000; // the replay is started by the bench
    }

    testsupport::RecordingSounds sounds;
    TMainWindow::Options options;

private:
    static BroadbandService::Options NoDevices()
    {
        BroadbandService::Options none;
        none.scanSysfs = false;
        none.watchUdev = false;
        return none;
    }

    BroadbandService service_;
    testsupport::ScriptedPrompts prompts_;
    SystemClock clock_;
};
