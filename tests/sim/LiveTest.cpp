// The simulator on a real pseudo-terminal: mbimcli (a client this project did not write)
// and libmbim's MbimDevice against it, and the parlowen-modemsim program itself.
#include "sim/ModemSimulator.h"

#include <libmbim-glib.h>

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

struct CliRun
{
    int status = -1;
    std::string output;
};

CliRun mbimcli(const std::string& path, const std::string& args)
{
    CliRun r;
    std::string command = "mbimcli -d " + path + " " + args + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        r.output.append(buffer, n);
    r.status = pclose(p);
    return r;
}

sim::ModemSimulator::Options fastOptions()
{
    sim::ModemSimulator::Options o;
    o.modem.scanDelayMs = 200;
    o.modem.statusReportDelayMs = 200;
    o.modem.loopbackDelayMs = 100;
    return o;
}

struct Step
{
    const char* args;
    std::vector<const char*> expected;
};

} // namespace

TEST(SimLive, MbimcliUnderstandsTheModem)
{
    sim::ModemSimulator modem(fastOptions());
    std::string error;
    ASSERT_TRUE(modem.start(&error)) << error;
    const std::string path = modem.devicePath();
    const Step steps[] = {
        {"--query-device-caps",
         {"Device ID: '356938035643809'", "SMS caps: 'pdu-receive, pdu-send'", "Max sessions: '1'"}},
        {"--query-subscriber-ready-status", {"Ready state: 'initialized'", "Telephone numbers: (1) '+15550100123'"}},
        {"--set-radio-state=off", {"Software radio state: 'off'"}},
        {"--query-registration-state", {"Register state: 'deregistered'"}},
        {"--set-radio-state=on", {"Software radio state: 'on'"}},
        {"--query-radio-state", {"Hardware radio state: 'on'", "Software radio state: 'on'"}},
        {"--query-pin-state", {"PIN state: 'unlocked'"}},
        {"--query-pin-list", {"Mode: 'disabled'", "Format: 'numeric'"}},
        {"--query-home-provider", {"Provider ID: '00101'", "Provider name: 'Simnet'"}},
        {"--query-preferred-providers", {"Preferred providers (2)", "'Parlo Mobile'"}},
        {"--query-visible-providers", {"Visible providers (3)", "'Closed Cell'", "State: 'forbidden, visible'"}},
        {"--register-automatic", {"Register state: 'home'", "Provider ID: '00101'"}},
        {"--query-registration-state",
         {"Register mode: 'automatic'", "Available data classes: 'gprs, edge, umts, hsdpa, hsupa, lte'"}},
        {"--query-signal-state", {"RSSI [0-31,99]: '20'", "Error rate [0-7,99]: '0'"}},
        {"--query-packet-service-state", {"Packet service state: 'attached'", "Downlink speed: '150000000 bps'"}},
        {"--query-device-services", {"Services: (4)", "Service: 'phonebook'", "message-store-status (5)", "ussd (1)"}},
        {"--phonebook-query-configuration",
         {"Phonebook state: initialized", "Number of entries: 50", "used entries: 5"}},
        {"--phonebook-write=Zoe,+15550100999", {"successfully written"}},
        {"--phonebook-read-all", {"entries (6)", "Number: +15550100999", "Name: Zoe"}},
        {"--phonebook-delete=6", {"successfully deleted"}},
        {"--phonebook-read-all", {"entries (5)"}},
    };
    for (const auto& step : steps) {
        CliRun r = mbimcli(path, step.args);
        EXPECT_EQ(r.status, 0) << step.args << "\n" << r.output;
        for (const char* text : step.expected)
            EXPECT_NE(r.output.find(text), std::string::npos) << step.args << ": no \"" << text << "\" in\n"
                                                              << r.output;
    }
    modem.setSignal(9, 1);
    CliRun r = mbimcli(path, "--query-signal-state");
    EXPECT_NE(r.output.find("RSSI [0-31,99]: '9'"), std::string::npos) << r.output;
}

TEST(SimLive, MbimcliEntersThePin)
{
    auto options = fastOptions();
    options.modem.simLocked = true;
    sim::ModemSimulator modem(options);
    ASSERT_TRUE(modem.start());
    CliRun r = mbimcli(modem.devicePath(), "--query-pin-state");
    EXPECT_NE(r.output.find("PIN state: 'locked'"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Remaining attempts: '3'"), std::string::npos) << r.output;
    r = mbimcli(modem.devicePath(), "--enter-pin=1234");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("PIN state: 'unlocked'"), std::string::npos) << r.output;
    r = mbimcli(modem.devicePath(), "--query-subscriber-ready-status");
    EXPECT_NE(r.output.find("Ready state: 'initialized'"), std::string::npos) << r.output;
}

// libmbim's own device object over the terminal, with replies fragmented to 64 bytes.
namespace {

struct Loop
{
    GMainContext* context = g_main_context_new();
    Loop() { g_main_context_push_thread_default(context); }
    ~Loop()
    {
        g_main_context_pop_thread_default(context);
        g_main_context_unref(context);
    }
    // Iterates until `done` holds; the deadline only guards against a hang.
    template <class F> bool until(F done, int seconds = 20)
    {
        gint64 end = g_get_monotonic_time() + gint64(seconds) * G_USEC_PER_SEC;
        while (!done() && g_get_monotonic_time() < end)
            if (!g_main_context_iteration(context, FALSE))
                g_usleep(1000);
        return done();
    }
};

struct Device
{
    MbimDevice* device = nullptr;
    std::vector<MbimMessage*> indications;
    bool removed = false;

    ~Device()
    {
        for (auto* m : indications)
            mbim_message_unref(m);
        if (device)
            g_object_unref(device);
    }

    static void onIndication(MbimDevice*, MbimMessage* m, Device* self)
    {
        self->indications.push_back(mbim_message_ref(m));
    }
    static void onRemoved(MbimDevice*, Device* self) { self->removed = true; }

    MbimMessage* command(Loop& loop, MbimMessage* request)
    {
        struct Result
        {
            MbimMessage* reply = nullptr;
            bool done = false;
        } result;
        mbim_device_command(
            device, request, 10, nullptr,
            [](GObject* source, GAsyncResult* res, gpointer data) {
                auto* r = static_cast<Result*>(data);
                r->reply = mbim_device_command_finish(MBIM_DEVICE(source), res, nullptr);
                r->done = true;
            },
            &result);
        mbim_message_unref(request);
        loop.until([&] { return result.done; });
        return result.reply;
    }
};

} // namespace

TEST(SimLive, LibmbimDeviceSendsToItselfAndSeesRemoval)
{
    auto options = fastOptions();
    options.modem.maxTransfer = 64;
    options.modem.demoContents = false;
    sim::ModemSimulator modem(options);
    ASSERT_TRUE(modem.start());
    Loop loop;
    Device d;
    GFile* file = g_file_new_for_path(modem.devicePath().c_str());
    mbim_device_new(
        file, nullptr,
        [](GObject*, GAsyncResult* res, gpointer data) {
            auto* dev = static_cast<Device*>(data);
            dev->device = mbim_device_new_finish(res, nullptr);
        },
        &d);
    g_object_unref(file);
    ASSERT_TRUE(loop.until([&] { return d.device != nullptr; }));
    g_signal_connect(d.device, MBIM_DEVICE_SIGNAL_INDICATE_STATUS, G_CALLBACK(Device::onIndication), &d);
    g_signal_connect(d.device, MBIM_DEVICE_SIGNAL_REMOVED, G_CALLBACK(Device::onRemoved), &d);
    bool opened = false;
    mbim_device_open_full(
        d.device, MBIM_DEVICE_OPEN_FLAGS_NONE, 10, nullptr,
        [](GObject* source, GAsyncResult* res, gpointer data) {
            *static_cast<bool*>(data) = mbim_device_open_full_finish(MBIM_DEVICE(source), res, nullptr);
        },
        &opened);
    ASSERT_TRUE(loop.until([&] { return opened; }));

    // Fragmented reply: the device capabilities do not fit 64 bytes.
    MbimMessage* caps = d.command(loop, mbim_message_device_caps_query_new(nullptr));
    ASSERT_TRUE(caps);
    gchar* hardware = nullptr;
    EXPECT_TRUE(mbim_message_device_caps_response_parse(caps, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                        nullptr, nullptr, nullptr, nullptr, nullptr, &hardware,
                                                        nullptr));
    EXPECT_STREQ(hardware, "Parlowen simulated modem");
    g_free(hardware);
    mbim_message_unref(caps);

    // SMS-SUBMIT to the own number, 7-bit "hellohello".
    guint8 pdu[] = {0x00, 0x01, 0x00, 0x0B, 0x91, 0x51, 0x55, 0x10, 0x00, 0x21, 0xF3, 0x00,
                    0x00, 0x0A, 0xE8, 0x32, 0x9B, 0xFD, 0x46, 0x97, 0xD9, 0xEC, 0x37};
    MbimSmsPduSendRecord record;
    record.pdu_data = pdu;
    record.pdu_data_size = sizeof pdu;
    MbimMessage* sent = d.command(loop, mbim_message_sms_send_set_new(MBIM_SMS_FORMAT_PDU, &record, nullptr, nullptr));
    ASSERT_TRUE(sent);
    EXPECT_TRUE(mbim_message_sms_send_response_parse(sent, nullptr, nullptr));
    mbim_message_unref(sent);
    ASSERT_TRUE(loop.until([&] {
        for (auto* m : d.indications)
            if (mbim_message_indicate_status_get_service(m) == MBIM_SERVICE_SMS &&
                mbim_message_indicate_status_get_cid(m) == MBIM_CID_SMS_MESSAGE_STORE_STATUS)
                return true;
        return false;
    }));
    MbimMessage* read =
        d.command(loop, mbim_message_sms_read_query_new(MBIM_SMS_FORMAT_PDU, MBIM_SMS_FLAG_NEW, 0, nullptr));
    ASSERT_TRUE(read);
    guint32 count = 0;
    MbimSmsPduReadRecord** records = nullptr;
    ASSERT_TRUE(mbim_message_sms_read_response_parse(read, nullptr, &count, &records, nullptr, nullptr));
    ASSERT_EQ(count, 1u);
    // The delivered copy carries the same user data as the submitted one.
    ASSERT_GE(records[0]->pdu_data_size, 11u);
    EXPECT_EQ(0, memcmp(records[0]->pdu_data + records[0]->pdu_data_size - 11, pdu + sizeof pdu - 11, 11));
    mbim_sms_pdu_read_record_array_free(records);
    mbim_message_unref(read);

    modem.unplug();
    EXPECT_TRUE(loop.until([&] { return d.removed; }));
}

TEST(SimLive, ProgramServesCommandsAndKeepsState)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString state = dir.filePath("sim.json"), link = dir.filePath("cdc-wdm-sim");
    auto start = [&](QProcess& p) {
        p.start(PARLOWEN_MODEMSIM, {"--state", state, "--link", link, "--scan-delay", "100"});
        EXPECT_TRUE(p.waitForStarted(10000));
        EXPECT_TRUE(p.waitForReadyRead(10000));
        return p.readLine().trimmed().toStdString();
    };
    auto say = [](QProcess& p, const std::string& line) {
        p.write(line.c_str());
        p.write("\n");
        while (!p.canReadLine() && p.waitForReadyRead(10000)) { }
        return p.readLine().trimmed().toStdString();
    };
    {
        QProcess p;
        std::string path = start(p);
        EXPECT_EQ(path, link.toStdString());
        CliRun r = mbimcli(path, "--phonebook-write=Kept,+15550100888,20");
        EXPECT_EQ(r.status, 0) << r.output;
        EXPECT_EQ(say(p, "sms --ucs2 +15550100300 Привет"), "ok 1 part");
        EXPECT_EQ(say(p, "sms --order 2,1 +15550100300 " + std::string(200, 'x')), "ok 2 parts");
        EXPECT_EQ(say(p, "signal 40"), "error: usage: signal RSSI(0-31|99) [ERROR(0-7|99)]");
        EXPECT_EQ(say(p, "frobnicate"), "error: unknown command 'frobnicate' (try help)");
        std::string fresh = say(p, "replug");
        EXPECT_EQ(fresh, link.toStdString());
        r = mbimcli(fresh, "--query-device-caps");
        EXPECT_EQ(r.status, 0) << r.output;
        p.write("quit\n");
        EXPECT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0);
    }
    {
        QProcess p;
        std::string path = start(p);
        CliRun r = mbimcli(path, "--phonebook-read=20");
        EXPECT_NE(r.output.find("Name: Kept"), std::string::npos) << r.output;
        p.closeWriteChannel(); // end of input stops it as well
        EXPECT_TRUE(p.waitForFinished(10000));
    }
    // A damaged state file is refused with a clear message.
    {
        std::ofstream(state.toStdString()) << "{\"version\": 1, \"ownNumber\": \"x\"}";
        QProcess p;
        p.start(PARLOWEN_MODEMSIM, {"--state", state});
        EXPECT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 1);
        EXPECT_TRUE(p.readAllStandardError().contains("bad ownNumber"));
    }
}
