// The USSD window's dialogue without a window: event sequences as the engine hands them over, and
// what the window is told to show after each (transcript, panels, busy or idle, enabled controls,
// whether it may close); typing, templates and the byte order.

#include "ussd/Dialogue.h"

#include "app/Messages.h"
#include "device/service/UssdService.h"
#include "support/Fakes.h"
#include "ussd/Engine.h"
#include "ussd/Templates.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Session = UssdDialogue::Session;

struct Event
{
    std::uintptr_t code;
    const char* text = nullptr; // null: an event without a text
};

// One request: what is typed, whether the engine makes its thread, what it hands over, and where
// the dialogue stands afterwards.
struct Exchange
{
    const char* typed;
    bool started;
    std::vector<Event> events;
    Session session;
    const char* result; // status panel 3
};

struct DialogueCase
{
    const char* name;
    std::vector<Exchange> exchanges;
    QStringList transcript;
    std::size_t sounds;
};

void PrintTo(const DialogueCase& c, std::ostream* os)
{
    *os << c.name;
}

// The events of one request that ends without a reply.
std::vector<Event> Unanswered(const char* error, bool opened = true)
{
    std::vector<Event> events = {{USSD_EVENT_STARTED}};
    if (opened)
        events.push_back({USSD_EVENT_SESSION_OPEN});
    events.insert(events.end(), {{USSD_EVENT_ERROR, error},
                                 {USSD_EVENT_SESSION_FINISHED},
                                 {USSD_EVENT_RESULT, "Request uncompleted"},
                                 {USSD_EVENT_FINISHED}});
    return events;
}

class DialogueTest : public testing::Test
{
protected:
    DialogueTest()
    {
        QObject::connect(&dialogue, &UssdDialogue::Appended, [this](const QString& e) { shown << e; });
        QObject::connect(&dialogue, &UssdDialogue::RequestDone, [this] { ++done; });
    }

    void Feed(const Event& e)
    {
        if (e.text != nullptr)
            dialogue.EventTarget().SendRecord(WM_USSD_EVENT, e.code, QString::fromUtf8(e.text));
        else
            dialogue.EventTarget().Send(WM_USSD_EVENT, e.code, 0);
    }

    QObject logContext;
    QStringList log;
    MessageFunctionTarget logTarget{&logContext, [this](const Message& m) -> std::intptr_t {
                                        if (const auto* line = m.Record<QString>())
                                            log << *line;
                                        return 0;
                                    }};
    testsupport::RecordingSounds sounds;
    QStringList started;
    bool startResult = true;
    UssdDialogue dialogue{&logTarget, sounds, [this](const QString& request) {
                              started << request;
                              return startResult;
                          }};
    QStringList shown;
    int done = 0;
};

class DialogueSequenceTest : public DialogueTest, public testing::WithParamInterface<DialogueCase>
{ };

TEST_P(DialogueSequenceTest, EventSequence)
{
    const DialogueCase& c = GetParam();
    int requests = 0;
    for (const Exchange& x : c.exchanges) {
        SCOPED_TRACE(x.typed);
        startResult = x.started;
        dialogue.TextChanged(QString::fromUtf8(x.typed));
        EXPECT_TRUE(dialogue.SendEnabled());
        dialogue.Send(QString::fromUtf8(x.typed));
        ASSERT_EQ(started.size(), ++requests);
        for (const Event& e : x.events) {
            // Until the thread's last event nothing takes input and the window stays.
            EXPECT_TRUE(dialogue.Busy()) << e.code;
            EXPECT_FALSE(dialogue.CanClose()) << e.code;
            EXPECT_FALSE(dialogue.InputEnabled()) << e.code;
            EXPECT_FALSE(dialogue.SendEnabled()) << e.code;
            Feed(e);
        }
        EXPECT_FALSE(dialogue.Busy());
        EXPECT_TRUE(dialogue.CanClose());
        EXPECT_TRUE(dialogue.InputEnabled());
        EXPECT_EQ(done, requests);
        EXPECT_EQ(dialogue.SessionState(), x.session);
        EXPECT_EQ(dialogue.Panel(3), QString::fromUtf8(x.result));
        // The emptied box shows neither its class nor its length.
        EXPECT_EQ(dialogue.Panel(0), QString());
        EXPECT_EQ(dialogue.Panel(1), QString());
    }
    EXPECT_EQ(dialogue.Transcript(), c.transcript);
    EXPECT_EQ(shown, c.transcript);
    EXPECT_EQ(sounds.played, std::vector<QString>(c.sounds, QStringLiteral("Notification.SMS")));
}

INSTANTIATE_TEST_SUITE_P(
    Ussd, DialogueSequenceTest,
    testing::Values(
        DialogueCase{"one-shot reply",
                     {{"  *100#\n",
                       true,
                       {{USSD_EVENT_STARTED},
                        {USSD_EVENT_SESSION_OPEN},
                        {USSD_EVENT_DATA, " Balance: 12.50 EUR.\r\n"},
                        {USSD_EVENT_SESSION_FINISHED},
                        {USSD_EVENT_RESULT, "Request completed"},
                        {USSD_EVENT_FINISHED}},
                       Session::Finished,
                       "Request completed"}},
                     {">> *100#", "<< Balance: 12.50 EUR."},
                     1},
        DialogueCase{"two-step menu",
                     {{"*101#",
                       true,
                       {{USSD_EVENT_STARTED},
                        {USSD_EVENT_SESSION_OPEN},
                        {USSD_EVENT_DATA, "Menu:\n1 Balance\r\n2 Exit\r3 More"},
                        {USSD_EVENT_SESSION_ACTIVE},
                        {USSD_EVENT_RESULT, "Request completed"},
                        {USSD_EVENT_FINISHED}},
                       Session::Active,
                       "Request completed"},
                      {"1",
                       true,
                       {{USSD_EVENT_STARTED},
                        {USSD_EVENT_DATA, "Bye"},
                        {USSD_EVENT_SESSION_FINISHED},
                        {USSD_EVENT_RESULT, "Terminated"},
                        {USSD_EVENT_FINISHED}},
                       Session::Finished,
                       "Terminated"}},
                     {">> *101#", "<< Menu:\n<< 1 Balance\n<< 2 Exit\n<< 3 More", ">> 1", "<< Bye"},
                     2},
        DialogueCase{"network timeout",
                     {{"*109#", true, Unanswered("No response, timeout"), Session::Finished, "Request uncompleted"}},
                     {">> *109#", "< Error occurred - No response, timeout"},
                     1},
        DialogueCase{"no session",
                     {{"*100#", true, Unanswered("", false), Session::Finished, "Request uncompleted"}},
                     {">> *100#", "< Error occurred - "},
                     1},
        DialogueCase{"refused beside another program's menu",
                     {{"*100#", true, Unanswered(UssdBusyText), Session::Finished, "Request uncompleted"}},
                     {">> *100#", "< Error occurred - The device is busy: another program has a USSD session open."},
                     1},
        DialogueCase{"stopped while busy",
                     {{"*109#", true, Unanswered("Request cancelled"), Session::Finished, "Request uncompleted"}},
                     {">> *109#", "< Error occurred - Request cancelled"},
                     1},
        DialogueCase{"exception",
                     {{"*100#",
                       true,
                       {{USSD_EVENT_STARTED}, {USSD_EVENT_SESSION_OPEN}, {USSD_EVENT_EXCEPTION}, {USSD_EVENT_FINISHED}},
                       Session::Open,
                       "Error occurred - Exception"}},
                     {">> *100#", "< Error occurred - Exception"},
                     0},
        DialogueCase{"no thread",
                     {{"*100#", false, {}, Session::None, "Request uncompleted"}},
                     {">> *100#", "< Error occurred - Unable to create comminication thread."},
                     0},
        DialogueCase{
            "unknown event ignored",
            {{"*100#",
              true,
              {{USSD_EVENT_STARTED}, {42, "stray"}, {USSD_EVENT_RESULT, "Request completed"}, {USSD_EVENT_FINISHED}},
              Session::None,
              "Request completed"}},
            {">> *100#"},
            0}));

TEST_F(DialogueTest, BusyRefusesAnotherRequestAndKeepsSendOff)
{
    dialogue.TextChanged(QStringLiteral("*100#"));
    dialogue.Send(QStringLiteral("*100#"));
    Feed({USSD_EVENT_STARTED});
    EXPECT_EQ(dialogue.Panel(3), QStringLiteral("Waiting response..."));
    dialogue.TextChanged(QStringLiteral("*101#"));
    EXPECT_FALSE(dialogue.SendEnabled());
    dialogue.Send(QStringLiteral("*101#"));
    EXPECT_EQ(started, QStringList{"*100#"});
    EXPECT_EQ(dialogue.Transcript(), QStringList{">> *100#"});
    EXPECT_FALSE(dialogue.CanClose());
    // Blank requests are not sent either.
    Feed({USSD_EVENT_FINISHED});
    dialogue.Send(QStringLiteral(" \r\n\t"));
    EXPECT_EQ(started.size(), 1);
    for (const char* line : {"USSD -> Session started", "USSD -> Session finished"})
        EXPECT_TRUE(log.contains(QString::fromLatin1(line))) << line;
}

TEST_F(DialogueTest, WhatTheEngineHandsOverAfterDetachIsDropped)
{
    dialogue.Send(QStringLiteral("*100#"));
    dialogue.Detach();
    for (const Event& e : Unanswered("Request cancelled"))
        Feed(e);
    EXPECT_EQ(dialogue.Transcript(), QStringList{">> *100#"});
    EXPECT_TRUE(sounds.played.empty());
}

TEST_F(DialogueTest, TypingShowsTheAlphabetAndLength)
{
    struct Case
    {
        QString box;
        const char* alphabet;
        const char* length;
        bool send;
        bool mayType;
    };
    const Case cases[] = {
        {QString::fromUtf8("*100# Ж"), "UCS2", "7", true, true},
        {QStringLiteral("*100#  \r\n"), "GSM", "5", true, true},
        {QStringLiteral("a\r\nb"), "GSM", "3", true, true},
        {QStringLiteral(" \n"), "GSM", "0", false, true},
        {QString(159, QLatin1Char('1')) + QStringLiteral("  "), "GSM", "159", true, true},
        {QString(160, QLatin1Char('1')), "GSM", "160", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box.toStdString());
        dialogue.TextChanged(c.box);
        EXPECT_EQ(dialogue.Panel(0), QString::fromLatin1(c.alphabet));
        EXPECT_EQ(dialogue.Panel(1), QString::fromLatin1(c.length));
        EXPECT_EQ(dialogue.SendEnabled(), c.send);
        EXPECT_EQ(dialogue.MayType(c.box), c.mayType);
    }
}

TEST_F(DialogueTest, TemplatesAndTheRequestsSent)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("parlowen.ussd"));
    dialogue.LoadTemplates(path);
    EXPECT_TRUE(log.contains(QStringLiteral("USSD -> Templates not found")));
    EXPECT_TRUE(dialogue.Items().isEmpty());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Balance *100#\nNo code\n");
    file.close();
    dialogue.LoadTemplates(path);
    ASSERT_EQ(dialogue.Items(), (QStringList{"Balance *100#", "No code", ussd::RecentItem}));
    EXPECT_EQ(dialogue.TemplateCodeAt(0), QStringLiteral("*100#"));
    for (int index : {-1, 1, 2, 3})
        EXPECT_EQ(dialogue.TemplateCodeAt(index), QString()) << index;

    QStringList added;
    QObject::connect(&dialogue, &UssdDialogue::ItemAdded, [&](const QString& item) { added << item; });
    // Compared regardless of case, with the templates too.
    for (const char* request : {"*101#", "balance *100#", "*101#"}) {
        dialogue.Send(QString::fromLatin1(request));
        Feed({USSD_EVENT_FINISHED});
    }
    EXPECT_EQ(added, QStringList{"*101#"});
    EXPECT_EQ(dialogue.Items().last(), QStringLiteral("*101#"));
}

TEST_F(DialogueTest, EitherMenuItemFlipsTheByteOrder)
{
    std::vector<bool> told;
    QObject::connect(&dialogue, &UssdDialogue::SwapBytesChanged, [&](bool swap) { told.push_back(swap); });
    EXPECT_TRUE(dialogue.SwapBytes());
    dialogue.FlipByteOrder();
    EXPECT_EQ(dialogue.Panel(3), QStringLiteral("UCS2 bytes order: Little-Endian"));
    EXPECT_TRUE(log.contains(QStringLiteral("Settings -> Save -> SwapBytes = 0")));
    dialogue.FlipByteOrder();
    EXPECT_EQ(dialogue.Panel(3), QStringLiteral("UCS2 bytes order: Big-Endian"));
    EXPECT_TRUE(log.contains(QStringLiteral("Settings -> Save -> SwapBytes = 1")));
    EXPECT_EQ(told, (std::vector<bool>{false, true}));
}

} // namespace
