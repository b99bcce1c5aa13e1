// Messages taken off the SIM through ModemManager (a fake one on the test's session bus) while
// the device is read as well: ModemManager's answer comes over the bus, the device's reads over
// the device, so a read the device answered before the deletion can be handled after it.

#include "FakeModemManager.h"
#include "controller/ModemManagerLink.h"
#include "support/ControllerRig.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {

using testsupport::ControllerRig;
using testsupport::FakeModemManager;

bool HasTestBus()
{
    return qEnvironmentVariableIsSet("PARLOWEN_TEST_BUS") && qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
}

sim::DeliverRequest Plain(const char* sender, const char16_t* text)
{
    sim::DeliverRequest request;
    request.sender = sender;
    request.text = text;
    return request;
}

// The PDU the SIM holds at `index`, as the device hands it over; empty when there is none.
std::string StoredPdu(ControllerRig& rig, std::uint32_t index)
{
    const QRegularExpression line(QStringLiteral("^  %1 \\w+ ([0-9A-F]+)$").arg(index),
                                  QRegularExpression::MultilineOption);
    const auto match = line.match(QString::fromStdString(rig.Storage()));
    return match.hasMatch() ? match.captured(1).toStdString() : std::string();
}

int Stored(const ControllerRig& rig)
{
    int n = 0;
    for (const QString& text : rig.host.log)
        n += text.startsWith(QLatin1String("SMS -> Storage ID = "));
    return n;
}

// The Inbox's texts in order, one a line.
std::string InboxTexts(ControllerRig& rig)
{
    QStringList texts;
    FolderModel& inbox = rig.Folder(Folder::Inbox);
    for (int i = 0; i < inbox.rowCount(); ++i)
        texts << inbox.At(i)->ListText();
    texts.sort();
    return texts.join(u'\n').toStdString();
}

const QString Taken = QStringLiteral("Taken through ModemManager");
const QString Freed = QStringLiteral("At the freed index");

struct AfterTheDeletion
{
    const char* name;
    bool staleRead;  // the device's answer to a read made before the deletion, handled after it
    bool newMessage; // a new message stored at the freed index
};

void PrintTo(const AfterTheDeletion& after, std::ostream* os)
{
    *os << after.name;
}

class ModemManagerDelete : public ::testing::TestWithParam<AfterTheDeletion>
{ };

TEST_P(ModemManagerDelete, StoresEachMessageOnce)
{
    if (!HasTestBus())
        GTEST_SKIP() << "needs a session bus of its own (the ctest runs it under dbus-run-session)";
    sim::ModemConfig config;
    config.demoContents = false;
    ControllerRig rig(config);
    ASSERT_NO_FATAL_FAILURE(rig.Start());
    // ModemManager names the port the link resolves to.
    const QString port =
        QFileInfo(QFileInfo(QString::fromStdString(rig.modem->devicePath())).canonicalFilePath()).fileName();
    FakeModemManager mm(port);
    ASSERT_TRUE(mm.Start());
    mm.onDelete = [&](const QString&) { rig.modem->withCore([](sim::ModemCore& core) { core.sim().sms.erase(1); }); };
    QStringList linkLog;
    ModemManagerLink link(QDBusConnection::sessionBus(), [&](const QString& line) { linkLog << line; });
    rig.incoming->SetModemManager(&link);
    rig.incoming->DeviceConnected();
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return link.Manages(); })) << linkLog.join(u'\n').toStdString();

    rig.modem->deliverSms(Plain("+15550100231", u"Taken through ModemManager"));
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return Stored(rig) == 1 && link.Waiting() == 1; }))
        << "the message was not stored and held for ModemManager";
    const std::string pdu = StoredPdu(rig, 1);
    ASSERT_FALSE(pdu.empty()) << rig.Storage();

    mm.List(FakeModemManager::Root + QStringLiteral("/SMS/1"), QStringLiteral("+15550100231"), Taken);
    ASSERT_TRUE(ControllerRig::WaitFor([&] {
        return mm.deleted.size() == 1 && rig.incoming->PendingDeletes().empty();
    })) << "not deleted through ModemManager\n"
        << linkLog.join(u'\n').toStdString();
    ASSERT_TRUE(StoredPdu(rig, 1).empty());

    const AfterTheDeletion& after = GetParam();
    if (after.staleRead) {
        BROADBAND_SMS_DATA stale;
        stale.Index = 1;
        stale.Status = 1;
        stale.Pdu = pdu;
        rig.incoming->HandleDeviceSms(1, stale);
    }
    QStringList expected{Taken};
    if (after.newMessage) {
        rig.modem->deliverSms(Plain("+15550100232", u"At the freed index"));
        EXPECT_FALSE(StoredPdu(rig, 1).empty()) << "the simulator stored the new message elsewhere";
        expected << Freed;
        ControllerRig::WaitFor([&] { return InboxTexts(rig).find(Freed.toStdString()) != std::string::npos; });
    }
    ControllerRig::Settle(300);
    // Each message once, the new one too: a part stored again would also hold its index as
    // pending, so that the new message there is never read.
    expected.sort();
    EXPECT_EQ(InboxTexts(rig), expected.join(u'\n').toStdString());
    EXPECT_EQ(Stored(rig), expected.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, ModemManagerDelete,
                         ::testing::Values(AfterTheDeletion{"StaleRead", true, false},
                                           AfterTheDeletion{"NewMessageAtTheFreedIndex", false, true},
                                           AfterTheDeletion{"StaleReadThenNewMessage", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
