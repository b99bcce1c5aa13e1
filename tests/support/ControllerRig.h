// The controllers of the message path without a window: the folders, incoming messages, the send
// pipeline and the device state over a temporary database and a session on the simulated modem,
// with a host that records what they log, ask, play and announce.
#pragma once

#include "app/MessageTarget.h"
#include "app/Settings.h"
#include "controller/DeviceState.h"
#include "controller/Host.h"
#include "controller/IncomingMessages.h"
#include "controller/MessageActions.h"
#include "controller/MessageFolders.h"
#include "controller/MessageRouter.h"
#include "controller/SendPipeline.h"
#include "device/Broadband.h"
#include "device/service/BroadbandService.h"
#include "sim/ModemSimulator.h"
#include "storage/Database.h"
#include "support/Fakes.h"
#include "support/RecordingHost.h"
#include "support/Wait.h"

#include <QEventLoop>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace testsupport {

class ControllerRig
{
public:
    static constexpr int waitMs = 15000; // a condition is awaited, never a duration

    // The database lives in dir, or in a folder of its own; settings as a new user has them.
    explicit ControllerRig(sim::ModemConfig config = {}, const QString& dir = QString())
        : target(&context, [this](const Message& m) { return Handle(m); })
    {
        databasePath = (dir.isEmpty() ? ownDir.path() : dir) + QStringLiteral("/parlowen.db");
        sim::ModemSimulator::Options options;
        options.linkPath = ownDir.filePath(QStringLiteral("modem")).toStdString();
        options.modem = config;
        modem = std::make_unique<sim::ModemSimulator>(options);
    }
    ~ControllerRig() { Stop(); }

    // Opens the database and the device as the program's start does: connect, then the replay.
    void Start()
    {
        std::string error;
        if (!modem->running()) {
            ASSERT_TRUE(modem->start(&error)) << error;
        }
        database = std::make_unique<QDatabase>(&target);
        ASSERT_TRUE(database->Open(databasePath));
        BroadbandService::Options serviceOptions;
        serviceOptions.paths.push_back(modem->devicePath());
        serviceOptions.scanSysfs = false;
        serviceOptions.watchUdev = false;
        service = std::make_unique<BroadbandService>(serviceOptions);
        service->Start();
        ASSERT_TRUE(service->WaitUntilSettled(waitMs));
        device = std::make_unique<MobileBroadband>(&target, service.get());
        folders = std::make_unique<MessageFolders>();
        incoming = std::make_unique<IncomingMessages>(host, settings, *database, *device, *folders);
        pipeline = std::make_unique<SendPipeline>(host, settings, *database, *device, *folders, *incoming, clock);
        incoming->SetSendTimerActive([this] { return pipeline->SendTimer().isActive(); });
        state = std::make_unique<DeviceState>(host, settings, *device, *folders, *pipeline, *incoming);
        actions = std::make_unique<MessageActions>(host, settings, *database, *device, *incoming, *folders);
        router = std::make_unique<MessageRouter>(*incoming, *pipeline, *state);
        state->ConnectAction();
        if (settings.SaveOnDisk)
            Replay();
    }
    // The stored messages listed again, as at a start; waits for the end of the replay.
    void Replay()
    {
        const int before = loadsEnded;
        ASSERT_TRUE(database->LoadMessages());
        database->LoadTemplates();
        ASSERT_TRUE(WaitFor([&] { return loadsEnded > before; }));
    }
    // Everything closed in the order the window closes it; the modem keeps running.
    void Stop()
    {
        router.reset();
        actions.reset();
        state.reset();
        pipeline.reset();
        incoming.reset();
        folders.reset();
        device.reset();
        service.reset();
        if (database)
            database->StopLoader();
        database.reset();
        QEventLoop().processEvents(QEventLoop::AllEvents, 20);
    }

    static bool WaitFor(const std::function<bool()>& done, int timeoutMs = waitMs)
    {
        return testsupport::WaitFor(done, timeoutMs);
    }
    // Lets the event loop run for a while: for what must NOT happen.
    static void Settle(int ms)
    {
        testsupport::WaitFor([] { return false; }, ms);
    }

    std::intptr_t Handle(const Message& m)
    {
        if (router)
            router->Route(m);
        if (m.Number == WM_DATABASE_LOAD && m.WParam == DATABASE_LOAD_END)
            ++loadsEnded;
        if (m.Number == WM_BROADBAND_LOG)
            if (const auto* text = m.Record<std::string>())
                deviceLog << QString::fromStdString(*text);
        return 0;
    }

    FolderModel& Folder(::Folder folder) { return folders->Model(folder); }
    // Messages on the modem's SIM.
    std::string Storage() { return modem->describeStorage(); }

    QTemporaryDir ownDir;
    QString databasePath;
    QObject context;
    MessageFunctionTarget target;
    RecordingHost host;
    SettingsStore settings;
    ManualClock clock;
    std::unique_ptr<sim::ModemSimulator> modem;
    std::unique_ptr<QDatabase> database;
    std::unique_ptr<BroadbandService> service;
    std::unique_ptr<MobileBroadband> device;
    std::unique_ptr<MessageFolders> folders;
    std::unique_ptr<IncomingMessages> incoming;
    std::unique_ptr<SendPipeline> pipeline;
    std::unique_ptr<DeviceState> state;
    std::unique_ptr<MessageActions> actions;
    std::unique_ptr<MessageRouter> router;
    int loadsEnded = 0;
    QStringList deviceLog;
};

} // namespace testsupport
