// The real main window, offscreen, against the simulated modem in the same process.
#include "ProgramRig.h"
#include "controller/IncomingMessages.h"
#include "controller/SendPipeline.h"
#include "device/Texts.h"
#include "support/TestMain.h"
#include "windows/DesktopShell.h"
#include "windows/MainStatusBar.h"
#include "windows/MessagesPage.h"
#include "windows/TrayIcon.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <atomic>

using rig::Program;
using rig::Sms;

TEST(MainWindow, ADeliveredMessageIsStoredDeletedFromTheSimAndAnnouncedOnce)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100777", u"Hello there"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1 && p.OnSim() == 0; }));
    SmsData* m = p.Folder(Folder::Inbox).At(0);
    EXPECT_EQ(m->ListText(), "Hello there");
    EXPECT_EQ(m->GetNumber(), "+15550100777");
    EXPECT_EQ(p.Folder(Folder::Inbox).Image(m), ImageUnread);
    EXPECT_EQ(p.Stored(0), 1);
    EXPECT_EQ(p.Sounds(QStringLiteral("Notification.SMS")), 1);
    ASSERT_EQ(p.notifier.notices.size(), 1u);
    EXPECT_EQ(p.notifier.notices[0].text, "You have a new SMS message");
    EXPECT_EQ(p.window->Folders().NodeText(Folder::Inbox), "Inbox (1)");
    EXPECT_EQ(p.window->StatusPanels().Text(5), "You have 1 unread message");
    EXPECT_TRUE(p.window->Incoming().PendingDeletes().empty());
    EXPECT_EQ(p.window->LogLines().LineAt(0).mid(21), "Application started");
    EXPECT_EQ(p.window->LogLines().LineAt(1).mid(21), "Version: 2.4.0.0, Build: 2.4.1.7");
}

TEST(MainWindow, PartsDeliveredOutOfOrderMakeOneEntryInPartOrder)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    std::u16string text;
    for (int i = 0; i < 40; ++i)
        text += u"Part text ";
    sim::DeliverRequest request = Sms("+15550100778", text);
    request.order = {2, 3, 1};
    ASSERT_EQ(p.modem->deliverSms(request), 3u);
    ASSERT_TRUE(WaitFor([&] {
        return p.Folder(Folder::Inbox).Count() == 1 && p.Folder(Folder::Inbox).At(0)->Count == 3 && p.OnSim() == 0;
    }));
    SmsData* m = p.Folder(Folder::Inbox).At(0);
    EXPECT_EQ(m->ListText(), QString::fromStdU16String(text));
    const QStringList ids = m->Ids.split(QLatin1Char('/'));
    ASSERT_EQ(ids.size(), 3);
    EXPECT_LT(ids[0].toInt(), ids[1].toInt()) << "IDs in arrival order";
    EXPECT_EQ(p.Sounds(QStringLiteral("Notification.SMS")), 1);
}

TEST(MainWindow, FlashMessageIsShownNotStoredAndReportsAreFiledByType)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    sim::DeliverRequest flash = Sms("+15550100779", u"Flash!");
    flash.class0 = true;
    p.modem->deliverSms(flash);
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1; }));
    EXPECT_EQ(p.Folder(Folder::Inbox).At(0)->ListText(), "Flash!");
    EXPECT_EQ(p.Stored(0), 0);
    EXPECT_TRUE(p.Folder(Folder::Reports).Count() == 0);
}

TEST(MainWindow, SaveOnDiskOffListsDeviceIndexesAndDeletesNothing)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/SaveOnDisk"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100780", u"Kept on the SIM"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1; }));
    EXPECT_EQ(p.OnSim(), 1u);
    const auto deviceLines = [&] {
        int n = 0;
        for (int i = 0; i < p.window->LogLines().LineCount(); ++i)
            n += p.window->LogLines().LineAt(i).contains(QLatin1String("SMS -> Device ID = "));
        return n;
    };
    const int before = deviceLines();
    p.window->Incoming().ReadDevice();
    ASSERT_TRUE(WaitFor([&] { return deviceLines() > before; })) << "the second read is handled";
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 1);
    EXPECT_EQ(p.Stored(0), 0);
}

TEST(MainWindow, TwoPartTextGoesFromOutboxToSentWithItsReport)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QString text;
    for (int i = 0; i < 20; ++i)
        text += QStringLiteral("Twelve chars");
    p.Compose(QStringLiteral("+15550100781"), text);
    FolderModel& outbox = p.Folder(Folder::Outbox);
    ASSERT_EQ(outbox.Count(), 1);
    EXPECT_EQ(outbox.At(0)->Count, 2);
    ASSERT_TRUE(WaitFor([&] { return outbox.Count() == 0 && p.Folder(Folder::Sent).Count() == 1; }));
    EXPECT_EQ(p.Folder(Folder::Sent).At(0)->ListText(), text);
    EXPECT_EQ(p.window->Pipeline().SendingCount(), 0);
    EXPECT_EQ(p.Stored(3), 2);
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Reports).Count() >= 2 && p.OnSim() == 0; }));
    EXPECT_EQ(p.window->Pipeline().RecentNumbers().value(0), "+15550100781");
    const int reports = p.Folder(Folder::Reports).Count();
    EXPECT_EQ(p.Folder(Folder::Inbox).Count(), 0) << "reports are not messages";

    // Stored reports come back into Reports, the sent parts as one Sent entry.
    p.Stop();
    ASSERT_NO_FATAL_FAILURE(p.Start());
    EXPECT_EQ(p.Folder(Folder::Reports).Count(), reports);
    ASSERT_EQ(p.Folder(Folder::Sent).Count(), 1);
    EXPECT_EQ(p.Folder(Folder::Sent).At(0)->ListText(), text);
}

TEST(MainWindow, SelectingAnUnreadMessageMarksItReadAndStoresThat)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/ShowSmsID"), 1);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100786", u"Read me"));
    p.modem->deliverSms(Sms("+15550100787", u"And me"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 2 && p.OnSim() == 0; }));
    EXPECT_EQ(p.window->StatusPanels().Text(5), "You have 2 unread messages");
    SmsData* first = p.Folder(Folder::Inbox).At(0);
    EXPECT_EQ(p.Folder(Folder::Inbox).Caption(first), first->Ids) << "IDs shown";
    p.window->Messages().SelectRow(Folder::Inbox, first);
    EXPECT_EQ(p.Folder(Folder::Inbox).Image(first), ImageRead);
    EXPECT_EQ(p.window->Messages().InfoText(0), first->GetNumber());
    EXPECT_EQ(p.window->Folders().NodeText(Folder::Inbox), "Inbox (1)");
    EXPECT_EQ(p.window->StatusPanels().Text(5), "You have 1 unread message");
    EXPECT_EQ(p.Stored(1), 1);
    EXPECT_EQ(p.Stored(0), 1);
}

TEST(MainWindow, RefusedPartIsMarkedAndRetrySendsOnlyIt)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->failNextSend(2); // busy
    p.Compose(QStringLiteral("+15550100782"), QStringLiteral("Will fail once"));
    FolderModel& outbox = p.Folder(Folder::Outbox);
    ASSERT_TRUE(WaitFor([&] { return outbox.Count() == 1 && outbox.At(0)->AnyFailed(); }));
    SmsData* m = outbox.At(0);
    EXPECT_EQ(outbox.Image(m), ImageError);
    EXPECT_TRUE(outbox.Status(m).startsWith(QLatin1String("Error: "))) << outbox.Status(m).toStdString();
    EXPECT_EQ(p.window->Pipeline().SendingCount(), 0);
    p.window->Pipeline().Retry(m);
    EXPECT_EQ(outbox.Status(m), "Retry...");
    ASSERT_TRUE(WaitFor([&] { return outbox.Count() == 0 && p.Folder(Folder::Sent).Count() == 1; }));
}

TEST(MainWindow, MaxSendCountOneSubmitsOnePartAtATime)
{
    Program p;
    p.settings->setValue(QStringLiteral("SMS/MaxSendCount"), 1);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("0123456789");
    p.Compose(QStringLiteral("+15550100783"), text);
    FolderModel& outbox = p.Folder(Folder::Outbox);
    ASSERT_EQ(outbox.At(0)->Count, 3);
    int most = 0;
    ASSERT_TRUE(WaitFor([&] {
        most = std::max(most, p.window->Pipeline().SendingCount());
        return outbox.Count() == 0;
    }));
    EXPECT_EQ(most, 1);
    EXPECT_EQ(p.Folder(Folder::Sent).At(0)->Count, 3);
}

TEST(MainWindow, UnplugWithPartsInFlightFailsThemAndRetryAfterReplugSends)
{
    Program p;
    // No report could tell that the part went out after all.
    p.settings->setValue(QStringLiteral("SMS/DeliveryReport"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    std::atomic<bool> dropped{false};
    p.modem->setLog([&](const std::string& line) {
        if (line.find("send completion dropped") != std::string::npos)
            dropped = true;
    });
    p.modem->dropNextSendCompletion();
    p.Compose(QStringLiteral("+15550100784"), QStringLiteral("Lost in flight"));
    ASSERT_TRUE(WaitFor([&] { return dropped.load(); })) << "the modem took the send and kept its answer";
    ASSERT_EQ(p.window->Pipeline().SendingCount(), 1);
    p.modem->unplug();
    ASSERT_TRUE(WaitFor([&] { return p.window->Pipeline().SendingCount() == 0; }));
    FolderModel& outbox = p.Folder(Folder::Outbox);
    ASSERT_EQ(outbox.Count(), 1);
    EXPECT_TRUE(outbox.At(0)->AnyFailed());
    EXPECT_EQ(outbox.Image(outbox.At(0)), ImageError);
    EXPECT_EQ(p.window->StatusPanels().Text(0), "Device disconnected");
    std::string error;
    ASSERT_TRUE(p.modem->replug(&error)) << error;
    ASSERT_TRUE(WaitFor([&] { return p.window->Broadband().GetState() == 3; }, 30000));
    ASSERT_TRUE(outbox.At(0)->AnyUnknown()) << "in flight at the unplug: it may have gone out";
    p.prompts.answers.push_back(true);
    p.window->Pipeline().Retry(outbox.At(0));
    EXPECT_TRUE(WaitFor([&] { return outbox.Count() == 0 && p.Folder(Folder::Sent).Count() == 1; }));
    p.modem->setLog({});
}

TEST(MainWindow, ARestartOnTheSameDatabaseShowsTheSameFolders)
{
    Program p(true);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    ASSERT_TRUE(WaitFor([&] { return p.OnSim() == 0 && p.Folder(Folder::Inbox).Count() >= 2; }));
    const int inbox = p.Folder(Folder::Inbox).Count();
    QStringList texts;
    for (int i = 0; i < inbox; ++i)
        texts << p.Folder(Folder::Inbox).At(i)->ListText();
    p.Stop();
    ASSERT_NO_FATAL_FAILURE(p.Start());
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == inbox; }));
    QStringList again;
    for (int i = 0; i < inbox; ++i)
        again << p.Folder(Folder::Inbox).At(i)->ListText();
    EXPECT_EQ(again, texts);
}

TEST(MainWindow, CloseWarnsAboutTheOutboxAndAsksWhenConfigured)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/CloseConfirmation"), 1);
    p.settings->setValue(QStringLiteral("Settings/HideWhenClosing"), 0);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->unplug();
    ASSERT_TRUE(WaitFor([&] { return p.window->Broadband().GetState() != 3; }));
    p.Compose(QStringLiteral("+15550100785"), QStringLiteral("Stays"));
    p.prompts.shown.clear();
    p.prompts.answers = {false};
    EXPECT_FALSE(p.window->close());
    ASSERT_EQ(p.prompts.shown.size(), 2u);
    EXPECT_EQ(p.prompts.shown[0].text,
              "There are 1 unsent messages in your Outbox.\r\nTo send messages application must remain running.");
    EXPECT_EQ(p.prompts.shown[1].text, "Do you want to close application?");
    p.prompts.answers = {true};
    EXPECT_TRUE(p.window->close());
}

TEST(MainWindow, DebugPageRegistersWithTheCheckedDataClasses)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    QAction* debugView = p.window->Act(MainAction::ShowDebugAction);
    EXPECT_EQ(debugView->shortcut(), QKeySequence(QStringLiteral("Ctrl+D")));
    debugView->trigger();
    EXPECT_TRUE(debugView->isChecked());
    for (const char* name : {"CHK_DATA_CLASS_GPRS", "CHK_DATA_CLASS_LTE", "CHK_DATA_CLASS_NONE"})
        p.window->findChild<QCheckBox*>(QString::fromLatin1(name))->setChecked(true);
    auto* manual = p.window->findChild<QRadioButton*>(QStringLiteral("REG_MANUAL"));
    auto* provider = p.window->findChild<QLineEdit*>(QStringLiteral("PROVIDER_ID"));
    QAction* registration = p.window->Act(MainAction::RegisterManual2Action);
    manual->setChecked(true);
    EXPECT_FALSE(registration->isEnabled()) << "manual mode needs a provider ID";
    provider->setText(QStringLiteral("  00101 "));
    EXPECT_TRUE(registration->isEnabled());
    const int before = p.window->LogLines().LineCount();
    registration->trigger();
    QStringList lines;
    for (int i = before; i < p.window->LogLines().LineCount(); ++i)
        lines << p.window->LogLines().LineAt(i).mid(21);
    EXPECT_TRUE(
        lines.contains(QStringLiteral(" - Minimal data class: ") + QString::fromStdString(DataClassSymbol(0x21))))
        << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral(" - Registration mode: Manual")));
    EXPECT_TRUE(lines.contains(QStringLiteral(" - Provider ID: 00101")));
    p.window->findChild<QRadioButton*>(QStringLiteral("REG_AUTOMATIC"))->setChecked(true);
    EXPECT_TRUE(provider->text().isEmpty());
    EXPECT_TRUE(registration->isEnabled());
}

TEST(MainWindow, TrayImageFollowsTheUnreadCountAndItsMenuHidesAndOpens)
{
    Program p;
    p.trayArea = true;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    EXPECT_EQ(p.window->Shell().Tray().Image(), 0);
    p.modem->deliverSms(Sms("+15550100790", u"Unread"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1; }));
    EXPECT_EQ(p.window->Shell().Tray().Image(), 1) << "something waits";
    p.window->Messages().SelectRow(Folder::Inbox, p.Folder(Folder::Inbox).At(0));
    EXPECT_EQ(p.window->Shell().Tray().Image(), 0);

    p.window->Act(MainAction::AppHideAction)->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(p.window->isVisible());
    p.window->Act(MainAction::AppOpenAction)->trigger();
    EXPECT_TRUE(p.window->isVisible());
}
