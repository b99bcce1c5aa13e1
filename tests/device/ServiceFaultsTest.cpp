// Faults of the service and the session that once escaped: a completion posted for a service that
// is gone, a replacement device that appeared before its predecessor's removal was handled, and
// the text of a failed device-services lookup.

#include "support/DeviceHarness.h"

#include "device/service/Phonebook.h"

#include <QEventLoop>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace harness;

namespace {

class ServiceFaultsTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    std::string Link(const char* name) { return (dir.path() + "/" + name).toStdString(); }
    QTemporaryDir dir;
};

// The session posts the command-session completions; the service may be destroyed before they run.
TEST_F(ServiceFaultsTest, CommandSessionCompletionsOutliveTheirService)
{
    for (const bool open : {true, false}) {
        SCOPED_TRACE(open ? "open" : "close");
        Rig rig(Link(open ? "open" : "close"));
        ASSERT_TRUE(rig.connected);
        MobileBroadband& s = *rig.session;
        ASSERT_TRUE(s.DeviceServicesConnect());
        ASSERT_TRUE(s.DeviceServiceOpen(PhonebookServiceID));
        if (!open) {
            ASSERT_TRUE(s.CommandSessionOpen());
            ASSERT_TRUE(WaitFor([&] { return !rig.window.Events(EV_OPEN_COMMAND_SESSION_COMPLETE).empty(); }));
        }
        rig.window.Clear();
        ASSERT_TRUE(open ? s.CommandSessionOpen() : s.CommandSessionClose());
        rig.service.reset();
        QEventLoop().processEvents(QEventLoop::AllEvents, 50);
        EXPECT_TRUE(rig.window.Events(EV_OPEN_COMMAND_SESSION_COMPLETE).empty());
        EXPECT_TRUE(rig.window.Events(EV_CLOSE_COMMAND_SESSION_COMPLETE).empty());
    }
}

// A replug that closes the old terminal and opens its replacement at once: the old device's
// removal is handled when the new node already stands at the path.
TEST_F(ServiceFaultsTest, ReplacementPresentAtRemovalArrives)
{
    Rig rig(Link("modem"));
    ASSERT_TRUE(rig.connected);
    const std::string id = rig.session->GetInterfaceID();
    rig.window.Clear();
    ASSERT_TRUE(rig.simulator->replug());
    ASSERT_TRUE(WaitFor([&] { return !rig.window.Events(EV_INTERFACE_REMOVAL).empty(); }));
    ASSERT_TRUE(WaitFor([&] { return !rig.window.Events(EV_INTERFACE_ARRIVAL).empty(); }));
    EXPECT_EQ(rig.window.Events(EV_INTERFACE_ARRIVAL).front().text, id);
    rig.session->ClearInterface(EV_INTERFACE_REMOVAL);
    EXPECT_TRUE(rig.session->RefreshInterfaces());
    EXPECT_EQ(rig.session->GetInterfaceID(), id);
}

struct LookupCase
{
    const char* name;
    bool (*call)(MobileBroadband&);
    const char* line;
};

void PrintTo(const LookupCase& c, std::ostream* os)
{
    *os << c.name;
}

class DeviceServicesWithoutInterface : public ServiceFaultsTest, public testing::WithParamInterface<LookupCase>
{ };

TEST_P(DeviceServicesWithoutInterface, LogTheLookupFailureAsText)
{
    Rig rig(Link("modem"));
    ASSERT_TRUE(rig.connected);
    MobileBroadband& s = *rig.session;
    if (std::string(GetParam().name) == "open") {
        ASSERT_TRUE(s.DeviceServicesConnect());
    }
    s.ClearInterface(EV_INTERFACE_REMOVAL);
    rig.window.Clear();
    EXPECT_FALSE(GetParam().call(s));
    EXPECT_TRUE(rig.window.Logged(GetParam().line)) << testing::PrintToString(rig.window.Log());
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, DeviceServicesWithoutInterface,
    testing::Values(LookupCase{"connect", [](MobileBroadband& s) { return s.DeviceServicesConnect(); },
                               "DeviceServicesManager -> GetDeviceServicesContext() -> Failed: Element not found."},
                    LookupCase{"open", [](MobileBroadband& s) { return s.DeviceServiceOpen(PhonebookServiceID); },
                               "DeviceServicesManager -> GetDeviceServicesContext() -> Failed: Element not found."}),
    [](const testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

} // namespace
