// The Conversations page on the real main window's controllers and the simulated modem.
#include "ProgramRig.h"

#include "controller/ConversationIndex.h"
#include "controller/ConversationThread.h"
#include "controller/IncomingMessages.h"
#include "controller/SendPipeline.h"
#include "sim/SmsPdu.h"
#include "windows/BubbleDelegate.h"
#include "windows/ConversationsPage.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <QToolBar>

using namespace rig;

namespace {

// The page over the window's own controllers, shown beside it.
struct PageRig
{
    explicit PageRig(Program& p)
        : page(ConversationsPage::Services{*p.window, p.window->Settings(), p.window->Database(), p.window->Broadband(),
                                           p.window->Folders(), p.window->Incoming(), p.window->Pipeline(),
                                           p.window->Printer(), [this](const QString& text) { forwarded << text; },
                                           [this](const QString& number) { contacts << number; }})
    {
        page.resize(900, 600);
        page.show();
    }
    QStringList Rows()
    {
        QStringList rows;
        for (int i = 0; i < page.Index().rowCount(); ++i)
            rows << page.Index().index(i).data().toString();
        return rows;
    }
    int RowOfText(const QString& text)
    {
        for (int i = 0; i < page.Thread().rowCount(); ++i)
            if (page.Thread().index(i).data().toString() == text)
                return i;
        return -1;
    }
    void SelectText(const QString& text)
    {
        const int row = RowOfText(text);
        ASSERT_GE(row, 0) << text.toStdString();
        page.SelectMessage(page.Thread().DataAt(row));
    }

    QStringList forwarded;
    QStringList contacts;
    ConversationsPage page;
};

const QString kAnn = QStringLiteral("+15550100801");

TEST(ConversationsPage, AReceivedMessageAndTheReplyMakeOneThreadAndOpeningItMarksItRead)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    PageRig r(p);
    p.modem->deliverSms(Sms(kAnn.toStdString(), u"Are you coming?"));
    p.modem->deliverSms(Sms("+15550100802", u"Other party"));
    FolderModel& inbox = p.Folder(Folder::Inbox);
    ASSERT_TRUE(WaitFor([&] { return inbox.Count() == 2 && r.page.Index().Count() == 2; }));
    const QString key = ConversationKey(kAnn);
    EXPECT_EQ(r.page.Index().Find(key)->Unread, 1);
    // Nothing open yet: the header counts the conversations as they come.
    EXPECT_EQ(r.page.Subtitle()->text(), QStringLiteral("2 conversations"));

    r.page.Open(key);
    EXPECT_EQ(r.page.Title()->text(), kAnn);
    EXPECT_EQ(r.page.Index().Find(key)->Unread, 0);
    EXPECT_EQ(inbox.UnreadCount(), 1); // the other party's stays unread
    ASSERT_TRUE(WaitFor([&] { return p.Stored(int(SmsStatus::New)) == 1; }));

    // The reply: the preview follows the text, Ctrl+Enter asks as the composer does and sends.
    p.window->Settings().ConfirmationToSend = true;
    p.clock.Set(QDateTime::currentDateTime().addSecs(60)); // the sent copy's time
    r.page.ReplyBox()->setPlainText(QStringLiteral("Yes, \u00e7a va"));
    EXPECT_EQ(r.page.PreviewLabel()->text(), QStringLiteral("GSM  \u00B7  10  \u00B7  1"));
    r.page.ReplyBox()->setPlainText(QStringLiteral("Yes, \u4f60\u597d"));
    EXPECT_TRUE(r.page.PreviewLabel()->text().startsWith(QStringLiteral("UCS2")));
    p.prompts.answers = {false, true};
    QKeyEvent ctrlEnter(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
    QCoreApplication::sendEvent(r.page.ReplyBox(), &ctrlEnter);
    EXPECT_EQ(p.Folder(Folder::Outbox).Count(), 0); // refused
    EXPECT_EQ(r.page.ReplyBox()->toPlainText(), QStringLiteral("Yes, \u4f60\u597d"));
    QCoreApplication::sendEvent(r.page.ReplyBox(), &ctrlEnter);
    ASSERT_EQ(p.prompts.shown.size(), 2u);
    EXPECT_EQ(p.prompts.shown[1].caption, "Messages");
    EXPECT_EQ(p.prompts.shown[1].text, "Do you want to send message to " + kAnn + "?");
    EXPECT_TRUE(r.page.ReplyBox()->toPlainText().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Sent).Count() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return r.page.Thread().Messages() == 2; }));
    const int sent = r.RowOfText(QStringLiteral("Yes, \u4f60\u597d"));
    ASSERT_GE(sent, 0);
    EXPECT_EQ(r.page.Thread().KindAt(sent), ConversationThread::SentKind);
    EXPECT_EQ(r.Rows().first(), kAnn); // the newest activity
}

TEST(ConversationsPage, ReceivedOnTheLeftSentOnTheRightAndOnlyBubblesInSightMeasured)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    PageRig r(p);
    p.modem->deliverSms(Sms(kAnn.toStdString(), u"left"));
    ASSERT_TRUE(WaitFor([&] { return r.page.Index().Count() == 1; }));
    // Filed as sent copies are, without the round trip of each send.
    for (int i = 0; i < 200; ++i) {
        auto data = std::make_unique<SmsData>();
        data->AddUnit(1000 + i, kAnn, 0, 0, 0, QString(), QStringLiteral("10:%1:00").arg(i % 60, 2, 10, QChar('0')),
                      QDate::currentDate().addDays(1 + i / 60).toString("dd.MM.yyyy"),
                      QStringLiteral("right %1").arg(i));
        p.Folder(Folder::Sent).Add(std::move(data), ImageRead, QString(), true);
    }
    r.page.Open(ConversationKey(kAnn));
    QCoreApplication::processEvents();
    QListView* view = r.page.ThreadView();
    const int middle = view->viewport()->width() / 2;

    struct Case
    {
        QString text;
        bool left;
    };
    for (const Case& c : {Case{"left", true}, Case{"right 0", false}, Case{"right 199", false}}) {
        const QModelIndex at = r.page.Thread().index(r.RowOfText(c.text));
        view->scrollTo(at);
        QCoreApplication::processEvents();
        QStyleOptionViewItem option;
        option.initFrom(view);
        option.rect = view->visualRect(at);
        const QRect bubble = r.page.Bubbles().Layout(option, at).Bubble;
        EXPECT_EQ(bubble.center().x() < middle, c.left) << c.text.toStdString();
        EXPECT_LT(bubble.width(), view->viewport()->width()) << c.text.toStdString();
    }
    // Drawing measured what was in sight, not the whole thread.
    EXPECT_GT(r.page.Bubbles().Measured(), 0);
    EXPECT_LT(r.page.Bubbles().Measured(), 100);
}

TEST(ConversationsPage, DeletingAskesFirstAndTakesTheStoredMessages)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    PageRig r(p);
    for (const char16_t* text : {u"one", u"two", u"three"})
        p.modem->deliverSms(Sms(kAnn.toStdString(), text));
    p.modem->deliverSms(Sms("+15550100803", u"keep"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 4 && p.OnSim() == 0; }));
    r.page.Open(ConversationKey(kAnn));

    struct Step
    {
        std::function<void()> act;
        bool answer;
        const char* question;
        int inbox;
    };
    const Step steps[] = {
        {[&] {
             r.SelectText("two");
             r.page.Action(ConversationsPage::Act::Delete)->trigger();
         },
         false, "Do you want to delete message?", 4},
        {[&] {
             r.SelectText("two");
             r.page.Action(ConversationsPage::Act::Delete)->trigger();
         },
         true, "Do you want to delete message?", 3},
        {[&] { r.page.Action(ConversationsPage::Act::DeleteConversation)->trigger(); }, false,
         "Do you want to delete all messages of +15550100801?", 3},
        {[&] { r.page.Action(ConversationsPage::Act::DeleteConversation)->trigger(); }, true,
         "Do you want to delete all messages of +15550100801?", 1},
    };
    for (const Step& step : steps) {
        p.prompts.answers = {step.answer};
        p.prompts.shown.clear();
        step.act();
        ASSERT_EQ(p.prompts.shown.size(), 1u) << step.question;
        EXPECT_EQ(p.prompts.shown[0].caption, "Messages");
        EXPECT_EQ(p.prompts.shown[0].text, step.question);
        EXPECT_EQ(p.prompts.shown[0].kind, testsupport::ScriptedPrompts::Kind::Ask);
        EXPECT_EQ(p.Folder(Folder::Inbox).Count(), step.inbox) << step.question;
        EXPECT_EQ(p.Stored(int(SmsStatus::Read)) + p.Stored(int(SmsStatus::New)), step.inbox) << step.question;
    }
    EXPECT_EQ(r.Rows(), QStringList({"+15550100803"}));
    EXPECT_TRUE(r.page.Current().isEmpty());
    EXPECT_EQ(r.page.Thread().rowCount(), 0);
    // The other conversation was not opened, so it stays unread.
    EXPECT_EQ(p.Folder(Folder::Inbox).UnreadCount(), 1);
}

TEST(ConversationsPage, AFailedMessageWaitsInTheThreadUntilRetried)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    PageRig r(p);
    p.modem->failNextSend(2);
    p.window->Pipeline().QueueMessage(kAnn, QStringLiteral("try me"), false);
    FolderModel& outbox = p.Folder(Folder::Outbox);
    ASSERT_TRUE(WaitFor([&] { return outbox.Count() == 1 && outbox.Image(outbox.At(0)) == ImageError; }));
    r.page.Open(ConversationKey(kAnn));
    const int row = r.RowOfText(QStringLiteral("try me"));
    ASSERT_GE(row, 0);
    const QModelIndex at = r.page.Thread().index(row);
    EXPECT_EQ(r.page.Thread().KindAt(row), ConversationThread::OutboxKind);
    EXPECT_TRUE(at.data(ThreadRetryRole).toBool());
    EXPECT_TRUE(at.data(ThreadStateRole).toString().startsWith("Error: "));
    r.SelectText(QStringLiteral("try me"));
    ASSERT_TRUE(r.page.Action(ConversationsPage::Act::Retry)->isEnabled());
    r.page.Action(ConversationsPage::Act::Retry)->trigger();
    ASSERT_TRUE(WaitFor([&] { return outbox.Count() == 0 && p.Folder(Folder::Sent).Count() == 1; }));
    ASSERT_EQ(r.page.Thread().Messages(), 1);
    EXPECT_EQ(r.page.Thread().KindAt(r.RowOfText(QStringLiteral("try me"))), ConversationThread::SentKind);
}

TEST(ConversationsPage, SearchForwardCopyContactAndExport)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    PageRig r(p);
    p.modem->deliverSms(Sms(kAnn.toStdString(), u"The code is 4711"));
    p.modem->deliverSms(Sms("+15550100804", u"Lunch?\nAt noon"));
    p.modem->deliverSms(Sms("+15550100805", u"Nothing here"));
    ASSERT_TRUE(WaitFor([&] { return r.page.Index().Count() == 3; }));

    struct Search
    {
        const char* text;
        int rows;
    };
    for (const Search& s :
         {Search{"4711", 1}, Search{"lunch", 1}, Search{"555-0100", 3}, Search{"nobody", 0}, Search{"", 3}}) {
        r.page.SearchBox()->setText(QString::fromLatin1(s.text));
        EXPECT_EQ(r.page.Index().rowCount(), s.rows) << s.text;
    }

    r.page.Open(ConversationKey(QStringLiteral("+15550100804")));
    r.SelectText(QStringLiteral("Lunch?\nAt noon"));
    r.page.Action(ConversationsPage::Act::Forward)->trigger();
    EXPECT_EQ(r.forwarded, QStringList({"Lunch?\r\nAt noon"}));
    r.page.Action(ConversationsPage::Act::Copy)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Lunch?\nAt noon");
    // A double click opens the text for selecting a part of it; it cannot be changed.
    const QModelIndex lunch = r.page.Thread().index(r.RowOfText(QStringLiteral("Lunch?\nAt noon")));
    r.page.ThreadView()->edit(lunch);
    auto* text = r.page.ThreadView()->findChild<QPlainTextEdit*>(QStringLiteral("BubbleText"));
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isReadOnly());
    QTextCursor cursor = text->textCursor();
    cursor.setPosition(7);
    cursor.setPosition(9, QTextCursor::KeepAnchor);
    text->setTextCursor(cursor);
    text->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "At");
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(text, &escape);
    EXPECT_EQ(r.page.Thread().index(lunch.row()).data().toString(), "Lunch?\nAt noon");
    r.page.Action(ConversationsPage::Act::Contact)->trigger();
    EXPECT_EQ(r.contacts, QStringList({"+15550100804"}));

    const QString csv = p.dir.filePath(QStringLiteral("thread.csv"));
    const QString txt = p.dir.filePath(QStringLiteral("thread.txt"));
    p.prompts.files = {csv, txt};
    r.page.Action(ConversationsPage::Act::ExportCsv)->trigger();
    r.page.Action(ConversationsPage::Act::SaveText)->trigger();
    QFile csvFile(csv), txtFile(txt);
    ASSERT_TRUE(csvFile.open(QIODevice::ReadOnly));
    ASSERT_TRUE(txtFile.open(QIODevice::ReadOnly));
    const QString csvText = QString::fromUtf8(csvFile.readAll());
    const QString txtText = QString::fromUtf8(txtFile.readAll());
    EXPECT_TRUE(csvText.contains(";In;+15550100804;\"Lunch?\nAt noon\";")) << csvText.toStdString();
    EXPECT_TRUE(txtText.contains("From +15550100804: Lunch?\r\nAt noon\r\n")) << txtText.toStdString();
}

// The window's own page: built during the start's replay, shown by View > Conversations or its
// shortcut, and live as messages come.
TEST(ConversationsPage, TheWindowShowsItsPageByTheViewActionAndItsShortcut)
{
    Program p;
    {
        QDatabase store(nullptr);
        ASSERT_TRUE(store.Open(p.dir.filePath(QStringLiteral("parlowen.db"))));
        for (const auto& part : sim::pdu::deliver({"15550109999", true}, {"15550100806", true},
                                                  u"Stored before the start", {}, 1700000000))
            ASSERT_TRUE(store.InsertMessage(sim::pdu::hex(part), 1));
    }
    ASSERT_NO_FATAL_FAILURE(p.Start());
    TMainWindow& w = *p.window;
    QAction* show = w.Act(MainAction::ShowConversationsAction);
    EXPECT_EQ(show->text(), "Conversations");
    EXPECT_EQ(show->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    show->trigger();
    EXPECT_EQ(w.CurrentPage(), TMainWindow::ConversationsPageIndex);
    EXPECT_TRUE(show->isChecked());
    EXPECT_TRUE(w.Conversations().isVisible());

    // The stored message came with the replay.
    ASSERT_EQ(w.Conversations().Index().rowCount(), 1);
    EXPECT_EQ(w.Conversations().Index().index(0).data(ConversationPreviewRole).toString(), "Stored before the start");
    p.modem->deliverSms(Sms(kAnn.toStdString(), u"Live"));
    ASSERT_TRUE(WaitFor([&] { return w.Conversations().Index().rowCount() == 2; }));
    EXPECT_EQ(w.Conversations().Index().index(0).data().toString(), kAnn);
    w.Conversations().Open(ConversationKey(kAnn));
    EXPECT_EQ(w.Conversations().Thread().Messages(), 1);
    EXPECT_EQ(p.Folder(Folder::Inbox).UnreadCount(), 0);
    w.Act(MainAction::ShowMessagesAction)->trigger();
    EXPECT_EQ(w.CurrentPage(), TMainWindow::MessagesPageIndex);
    EXPECT_FALSE(show->isChecked());

    // The shortcut with the menu bar and the tool bar hidden.
    w.menuBar()->hide();
    for (QToolBar* bar : w.findChildren<QToolBar*>(QStringLiteral("ToolBar")))
        bar->hide();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(w.CurrentPage(), TMainWindow::ConversationsPageIndex);
}

} // namespace
