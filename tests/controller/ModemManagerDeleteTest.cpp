// Messages taken off the SIM through ModemManager (a fake one on the test's session bus): its
// answer comes over the bus, the device's reads over the device, so a read the device answered
// before the deletion can be handled after it; and it lists a multipart message before the
// parts' texts are joined.

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

// The program's controllers on the simulated modem beside the fake ModemManager, sharing it.
class SharedModem
{
public:
    SharedModem() : rig(EmptySim()) { }

    void Start()
    {
        ASSERT_NO_FATAL_FAILURE(rig.Start());
        // ModemManager names the port the link resolves to.
        const QString port =
            QFileInfo(QFileInfo(QString::fromStdString(rig.modem->devicePath())).canonicalFilePath()).fileName();
        mm = std::make_unique<FakeModemManager>(port);
        ASSERT_TRUE(mm->Start());
        mm->onDelete = [this](const QString&) {
            rig.modem->withCore([](sim::ModemCore& core) { core.sim().sms.clear(); });
        };
        link = std::make_unique<ModemManagerLink>(QDBusConnection::sessionBus(),
                                                  [this](const QString& line) { linkLog << line; });
        rig.incoming->SetModemManager(link.get());
        rig.incoming->DeviceConnected();
        ASSERT_TRUE(ControllerRig::WaitFor([&] { return link->Manages(); })) << Log();
    }
    std::string Log() const { return linkLog.join(u'\n').toStdString(); }

    ControllerRig rig;
    std::unique_ptr<FakeModemManager> mm;
    std::unique_ptr<ModemManagerLink> link;
    QStringList linkLog;

private:
    static sim::ModemConfig EmptySim()
    {
        sim::ModemConfig config;
        config.demoContents = false;
        return config;
    }
};

class ModemManagerDelete : public ::testing::TestWithParam<AfterTheDeletion>
{ };

TEST_P(ModemManagerDelete, StoresEachMessageOnce)
{
    if (!HasTestBus())
        GTEST_SKIP() << "needs a session bus of its own (the ctest runs it under dbus-run-session)";
    SharedModem shared;
    ASSERT_NO_FATAL_FAILURE(shared.Start());
    ControllerRig& rig = shared.rig;
    FakeModemManager& mm = *shared.mm;

    rig.modem->deliverSms(Plain("+15550100231", u"Taken through ModemManager"));
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return Stored(rig) == 1 && shared.link->Waiting() == 1; }))
        << "the message was not stored and held for ModemManager";
    const std::string pdu = StoredPdu(rig, 1);
    ASSERT_FALSE(pdu.empty()) << rig.Storage();

    mm.List(FakeModemManager::Root + QStringLiteral("/SMS/1"), QStringLiteral("+15550100231"), Taken);
    ASSERT_TRUE(ControllerRig::WaitFor([&] {
        return mm.deleted.size() == 1 && rig.incoming->PendingDeletes().empty();
    })) << "not deleted through ModemManager\n"
        << shared.Log();
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

// With the messages kept on the SIM, the user's delete goes through ModemManager too; a read made
// before ModemManager lists the message does not bring the row back, and a new message at the
// freed index is listed.
TEST(ModemManagerDelete, TheUsersDeleteOfAMessageKeptOnTheSim)
{
    if (!HasTestBus())
        GTEST_SKIP() << "needs a session bus of its own (the ctest runs it under dbus-run-session)";
    SharedModem shared;
    shared.rig.settings.SaveOnDisk = false;
    ASSERT_NO_FATAL_FAILURE(shared.Start());
    ControllerRig& rig = shared.rig;
    FakeModemManager& mm = *shared.mm;
    FolderModel& inbox = rig.Folder(Folder::Inbox);

    const QString kept = QStringLiteral("Kept on the SIM");
    rig.modem->deliverSms(Plain("+15550100234", u"Kept on the SIM"));
    ASSERT_TRUE(ControllerRig::WaitFor([&] { return inbox.rowCount() == 1; }));
    SmsData* row = inbox.At(0);
    ASSERT_EQ(row->Units.front().Place, SmsPlace::Device);
    ASSERT_TRUE(rig.actions->Delete(Folder::Inbox, row, false));
    EXPECT_EQ(inbox.rowCount(), 0);

    rig.incoming->ReadDevice();
    ControllerRig::Settle(300);
    EXPECT_EQ(inbox.rowCount(), 0) << "the deleted message came back with a read";
    EXPECT_FALSE(StoredPdu(rig, 1).empty()) << "deleted behind ModemManager's back";
    EXPECT_TRUE(mm.deleted.isEmpty());

    mm.List(FakeModemManager::Root + QStringLiteral("/SMS/1"), QStringLiteral("+15550100234"), kept);
    ASSERT_TRUE(ControllerRig::WaitFor([&] {
        return mm.deleted.size() == 1 && rig.incoming->PendingDeletes().empty();
    })) << "not deleted through ModemManager\n"
        << shared.Log();
    EXPECT_TRUE(StoredPdu(rig, 1).empty());

    rig.modem->deliverSms(Plain("+15550100235", u"At the freed index"));
    EXPECT_TRUE(ControllerRig::WaitFor([&] { return InboxTexts(rig) == Freed.toStdString(); })) << InboxTexts(rig);
}

} // namespace

namespace {

struct Listing
{
    const char* name;
    const char16_t* text;
    int parts;
};

void PrintTo(const Listing& listing, std::ostream* os)
{
    *os << listing.name;
}

class ModemManagerListing : public ::testing::TestWithParam<Listing>
{ };

// ModemManager lists a multipart message with an empty text and joins the parts' texts a moment
// later: the message it lists is still the one the program stored, and is deleted there.
TEST_P(ModemManagerListing, TextJoinedAfterTheListingStillMatches)
{
    if (!HasTestBus())
        GTEST_SKIP() << "needs a session bus of its own (the ctest runs it under dbus-run-session)";
    SharedModem shared;
    ASSERT_NO_FATAL_FAILURE(shared.Start());
    ControllerRig& rig = shared.rig;
    FakeModemManager& mm = *shared.mm;
    const Listing& listing = GetParam();

    rig.modem->deliverSms(Plain("+15550100233", listing.text));
    ASSERT_TRUE(ControllerRig::WaitFor([&] {
        return Stored(rig) == listing.parts && shared.link->Waiting() == listing.parts;
    })) << "the parts were not stored and held for ModemManager";

    const QString path = FakeModemManager::Root + QStringLiteral("/SMS/7");
    mm.List(path, QStringLiteral("+15550100233"), QString());
    ControllerRig::Settle(300);
    EXPECT_TRUE(mm.deleted.isEmpty()) << "a message of another text was deleted";

    mm.Complete(path, QString::fromStdU16String(listing.text));
    EXPECT_TRUE(ControllerRig::WaitFor([&] { return mm.deleted == QStringList{path}; }))
        << "the message was not deleted through ModemManager once its text was joined\n"
        << shared.Log();
    EXPECT_TRUE(ControllerRig::WaitFor([&] { return rig.incoming->PendingDeletes().empty(); }));
    EXPECT_EQ(shared.link->Waiting(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModemManagerListing,
    ::testing::Values(Listing{"Single", u"Listed before its text was there", 1},
                      Listing{
                          "TwoParts",
                          u"A message long enough for two parts, which ModemManager lists at once and whose text it "
                          u"joins a moment later, after it has announced the message on the bus: the program must "
                          u"still find it there and delete it through ModemManager.",
                          2}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
