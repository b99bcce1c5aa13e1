// Messages written in the composer go out exactly once or stay visibly failed, while the modem
// refuses sends, loses completions, is unplugged and the program is closed and started again.
#include "ProgramRig.h"
#include "controller/DeviceState.h"
#include "controller/SendPipeline.h"
#include "support/TestMain.h"
#include "windows/MainStatusBar.h"

#include <QApplication>

#include <map>
#include <mutex>
#include <random>

using rig::Program;

namespace {

struct Submissions
{
    std::mutex lock;
    std::map<std::string, int> perNumber; // submissions the modem took, by recipient
    int dropped = 0;

    void Line(const std::string& line)
    {
        std::lock_guard guard(lock);
        // "SMS <reference> to <number>[ with status report]"
        if (line.rfind("SMS ", 0) == 0) {
            const size_t to = line.find(" to ");
            if (to != std::string::npos) {
                std::string number = line.substr(to + 4);
                number = number.substr(0, number.find(' '));
                ++perNumber[number];
            }
        }
        if (line.find("send completion dropped") != std::string::npos)
            ++dropped;
    }
    int Of(const QString& number)
    {
        std::lock_guard guard(lock);
        return perNumber[number.toStdString()];
    }
    int Dropped()
    {
        std::lock_guard guard(lock);
        return dropped;
    }
};

// Every Outbox entry has no part waiting or in flight, except parts whose completion was dropped.
bool Settled(Program& p, int inFlightAllowed)
{
    FolderModel& outbox = p.Folder(Folder::Outbox);
    for (int i = 0; i < outbox.Count(); ++i)
        for (const SmsUnit& unit : outbox.At(i)->Units)
            if (unit.Status == SmsUnitWaiting)
                return false;
    return p.window->Pipeline().SendingCount() <= inFlightAllowed && !p.window->Pipeline().SendTimer().isActive();
}

} // namespace

TEST(SendSoak, EveryMessageIsSentOnceOrStaysFailedUntilRetried)
{
    const unsigned seed = std::random_device{}();
    std::printf("send soak seed %u\n", seed);
    std::mt19937 rng(seed);
    Program p;
    Submissions seen;
    p.modem->setLog([&](const std::string& line) { seen.Line(line); });

    std::map<QString, int> parts;   // recipient -> parts of its message
    std::map<QString, int> retried; // recipient -> parts reset by an explicit Retry
    int refused = 0, unplugs = 0, restarts = 0, droppedBefore = 0;
    int n = 0;
    for (int round = 0; round < 3; ++round) {
        p.Start();
        ASSERT_TRUE(p.window);
        for (int i = 0; i < 6; ++i) {
            const QString number = QStringLiteral("+1777%1").arg(++n, 7, 10, QLatin1Char('0'));
            QString text = QStringLiteral("send soak %1 ").arg(n);
            const int length = std::uniform_int_distribution<int>(0, 2)(rng) == 0 ? 400 : 40;
            while (text.size() < length)
                text += QStringLiteral("lorem ipsum ");
            switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
            case 0:
                p.modem->failNextSend(2);
                ++refused;
                break;
            case 1: p.modem->dropNextSendCompletion(); break;
            default: break;
            }
            p.Compose(number, text);
            FolderModel& outbox = p.Folder(Folder::Outbox);
            ASSERT_GT(outbox.Count(), 0);
            parts[number] = outbox.At(outbox.Count() - 1)->Count;
            ASSERT_TRUE(WaitFor([&] { return Settled(p, seen.Dropped() - droppedBefore); }));
        }
        // Lost completions hold their slots until the interface goes: then they are failed.
        if (p.window->Pipeline().SendingCount() > 0 || round == 1) {
            p.modem->unplug();
            ++unplugs;
            ASSERT_TRUE(WaitFor([&] { return p.window->Pipeline().SendingCount() == 0; }));
            std::string error;
            ASSERT_TRUE(p.modem->replug(&error)) << error;
            // A replugged device is found by polling its path and opened again: slow on a busy machine.
            ASSERT_TRUE(WaitFor([&] { return p.window->Broadband().GetState() == 3; }, 30000))
                << p.window->StatusPanels().Text(5).toStdString() << " / " << p.window->Device().Panel(5).toStdString()
                << " / " << p.window->StatusPanels().Text(0).toStdString();
        }
        droppedBefore = seen.Dropped();
        FolderModel& outbox = p.Folder(Folder::Outbox);
        EXPECT_EQ(p.window->Pipeline().SendingCount(), 0);
        for (int i = 0; i < outbox.Count(); ++i) {
            SmsData* m = outbox.At(i);
            EXPECT_TRUE(m->AnyFailed()) << "what is left is visibly failed";
            EXPECT_EQ(outbox.Image(m), ImageError);
            for (const SmsUnit& unit : m->Units)
                retried[m->GetNumber()] += unit.Status == SmsUnitFailed || unit.Status == SmsUnitUnknown;
            // Parts whose fate is unknown go again only after the user said so.
            if (m->AnyUnknown())
                p.prompts.answers.push_back(true);
            p.window->Pipeline().Retry(m);
        }
        ASSERT_TRUE(WaitFor([&] { return outbox.Count() == 0; }, 20000)) << "retried messages go out";
        EXPECT_EQ(p.window->Pipeline().SendingCount(), 0);
        p.Stop();
        ++restarts;
    }

    // A new start on the same database: each message is one Sent entry with all its parts.
    ASSERT_NO_FATAL_FAILURE(p.Start());
    FolderModel& sent = p.Folder(Folder::Sent);
    ASSERT_TRUE(WaitFor([&] { return sent.Count() >= static_cast<int>(parts.size()); }));
    std::map<QString, int> sentParts;
    for (int i = 0; i < sent.Count(); ++i)
        sentParts[sent.At(i)->GetNumber()] += sent.At(i)->Count;
    int twice = 0;
    for (const auto& [number, count] : parts) {
        EXPECT_EQ(sentParts[number], count) << number.toStdString();
        const int submitted = seen.Of(number);
        EXPECT_GE(submitted, count) << number.toStdString();
        // A part goes to the modem again only after the user asked for it.
        EXPECT_LE(submitted, count + retried[number]) << number.toStdString();
        twice += submitted - count;
    }
    EXPECT_EQ(p.Folder(Folder::Outbox).Count(), 0);
    EXPECT_EQ(p.window->Pipeline().SendingCount(), 0);
    std::printf("send soak: %zu messages, %d refusals, %d lost completions, %d unplugs, %d restarts, "
                "%d parts sent again after Retry\n",
                parts.size(), refused, seen.Dropped(), unplugs, restarts, twice);
    p.modem->setLog({});
}
