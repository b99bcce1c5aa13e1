// The delivery state of sent messages through the real main window and the simulated modem,
// whose status reports quote the reference its send answer gave.
#include "ProgramRig.h"

#include "controller/DeliveryStates.h"
#include "controller/SendPipeline.h"

#include <algorithm>
#include <set>

using namespace rig;

namespace {

SmsData* SentWith(FolderModel& sent, const QString& text)
{
    for (int i = 0; i < sent.rowCount(); ++i)
        if (sent.At(i)->ListText() == text)
            return sent.At(i);
    return nullptr;
}

int ImageOf(FolderModel& sent, const QString& text)
{
    SmsData* data = SentWith(sent, text);
    return data ? sent.Image(data) : -1;
}

QString OwnNumber(Program& p)
{
    std::string number;
    p.modem->withCore([&](sim::ModemCore& core) { number = core.sim().ownNumber; });
    return QString::fromStdString(number);
}

std::vector<DATABASE_DELIVERY_DATA> DeliveryRows(Program& p)
{
    QDatabase probe(nullptr);
    EXPECT_TRUE(probe.Open(p.dir.filePath(QStringLiteral("parlowen.db"))));
    return probe.LoadDelivery();
}

struct Case
{
    const char* text;
    std::uint8_t status; // of the report the modem sends
    int image;
    DeliveryState state;
};

const Case kCases[] = {
    {"Reaches you", 0x00, ImageDelivered, DeliveryDelivered},
    {"Never arrives", 0x46, ImageDeliveryFailed, DeliveryFailed},      // validity period expired
    {"Still on its way", 0x21, ImageDeliveryPending, DeliveryPending}, // recipient busy, still trying
};

} // namespace

TEST(Delivery, SentToTheOwnNumberShowsWhatItsReportSaysAndARestartKeepsIt)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    const QString own = OwnNumber(p);
    FolderModel& sent = p.Folder(Folder::Sent);
    for (const Case& c : kCases) {
        p.modem->reportNextWith(c.status);
        p.Compose(own, QString::fromLatin1(c.text));
        ASSERT_TRUE(WaitFor([&] { return SentWith(sent, QString::fromLatin1(c.text)) != nullptr; })) << c.text;
    }
    const auto shown = [&] {
        for (const Case& c : kCases)
            if (ImageOf(sent, QString::fromLatin1(c.text)) != c.image)
                return false;
        return true;
    };
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Reports).Count() == 3 && shown() && p.OnSim() == 0; }))
        << ImageOf(sent, QStringLiteral("Reaches you")) << " " << ImageOf(sent, QStringLiteral("Never arrives")) << " "
        << ImageOf(sent, QStringLiteral("Still on its way"));
    // The messages also come back to their sender.
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 3 && p.OnSim() == 0; }));
    const QModelIndex first = sent.index(sent.RowOf(SentWith(sent, QStringLiteral("Reaches you"))), 0);
    EXPECT_EQ(sent.data(first, Qt::ToolTipRole).toString(), "Delivered");

    // Each part keeps the reference the network gave it, which is the one its report quotes.
    std::set<QString> quoted;
    FolderModel& reports = p.Folder(Folder::Reports);
    for (int i = 0; i < reports.rowCount(); ++i)
        quoted.insert(reports.At(i)->Ids);
    const auto rows = DeliveryRows(p);
    ASSERT_EQ(rows.size(), 3u);
    std::set<QString> kept;
    for (const auto& row : rows) {
        kept.insert(QString::number(row.Reference));
        EXPECT_EQ(row.Number, own);
        EXPECT_NE(row.Report, 0) << "the stored report that set the state";
    }
    EXPECT_EQ(kept, quoted);

    p.Stop();
    ASSERT_NO_FATAL_FAILURE(p.Start());
    FolderModel& replayed = p.Folder(Folder::Sent);
    ASSERT_EQ(replayed.Count(), 3);
    for (const Case& c : kCases)
        EXPECT_EQ(ImageOf(replayed, QString::fromLatin1(c.text)), c.image) << c.text;
    for (const auto& row : DeliveryRows(p)) {
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.ID == row.ID; });
        ASSERT_NE(it, rows.end());
        EXPECT_EQ(row.State, it->State) << "the replayed reports changed nothing";
    }
}

TEST(Delivery, APartWithoutAReportRequestShowsNoState)
{
    Program p;
    p.settings->setValue(QStringLiteral("SMS/DeliveryReport"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.Compose(OwnNumber(p), QStringLiteral("No report wanted"));
    FolderModel& sent = p.Folder(Folder::Sent);
    ASSERT_TRUE(WaitFor([&] { return sent.Count() == 1 && p.Folder(Folder::Inbox).Count() == 1 && p.OnSim() == 0; }));
    EXPECT_EQ(sent.Image(sent.At(0)), ImageRead);
    EXPECT_TRUE(DeliveryRows(p).empty());
    EXPECT_EQ(p.Folder(Folder::Reports).Count(), 0);
}

TEST(Delivery, AMessageOfTwoPartsIsDeliveredWhenBothPartsAre)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QString text;
    for (int i = 0; i < 15; ++i)
        text += QStringLiteral("Two parts, please. ");
    p.Compose(OwnNumber(p), text);
    FolderModel& sent = p.Folder(Folder::Sent);
    ASSERT_TRUE(WaitFor([&] { return sent.Count() == 1 && sent.At(0)->Units.size() == 2; }));
    ASSERT_TRUE(WaitFor([&] {
        return p.Folder(Folder::Reports).Count() == 2 && sent.Image(sent.At(0)) == ImageDelivered;
    })) << sent.Image(sent.At(0));
    const auto rows = DeliveryRows(p);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Part + rows[1].Part, 3) << "parts 1 and 2";
    EXPECT_NE(rows[0].Reference, rows[1].Reference);
}

TEST(Delivery, AReportThatOvertakesItsSendCompletionStillCounts)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    // The send's answer comes late; the report 200 ms after the send.
    p.modem->delayNextSendCompletion(2000);
    p.modem->reportNextWith(0x41); // incompatible destination
    p.Compose(OwnNumber(p), QStringLiteral("Overtaken"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Reports).Count() == 1; }));
    FolderModel& sent = p.Folder(Folder::Sent);
    EXPECT_EQ(sent.Count(), 0) << "the report came first";
    ASSERT_TRUE(WaitFor([&] { return sent.Count() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return sent.Image(sent.At(0)) == ImageDeliveryFailed; })) << sent.Image(sent.At(0));
    const auto rows = DeliveryRows(p);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].State, DeliveryFailed);
    EXPECT_LT(rows[0].Report, rows[0].ID) << "the report was stored first";

    p.Stop();
    ASSERT_NO_FATAL_FAILURE(p.Start());
    ASSERT_EQ(p.Folder(Folder::Sent).Count(), 1);
    EXPECT_EQ(p.Folder(Folder::Sent).Image(p.Folder(Folder::Sent).At(0)), ImageDeliveryFailed);
}
