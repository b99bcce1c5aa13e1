#include "app/desktop/DesktopSound.h"
#include "app/desktop/SoundThrottle.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <ostream>
#include <vector>

namespace {

struct Call
{
    qint64 at;
    const char* name;
    bool allowed;
};

struct ThrottleCase
{
    const char* title;
    int intervalMs;
    std::vector<Call> calls;
};

void PrintTo(const ThrottleCase& c, std::ostream* os)
{
    *os << c.title;
}

class SoundThrottleTest : public ::testing::TestWithParam<ThrottleCase>
{ };

TEST_P(SoundThrottleTest, Sequence)
{
    const ThrottleCase& c = GetParam();
    qint64 now = 0;
    SoundThrottle throttle(c.intervalMs, [&] { return now; });
    for (std::size_t i = 0; i < c.calls.size(); ++i) {
        now = c.calls[i].at;
        EXPECT_EQ(throttle.Allow(c.calls[i].name), c.calls[i].allowed)
            << "call " << i << " at " << c.calls[i].at << " of " << c.calls[i].name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoundThrottleTest,
    ::testing::Values(
        ThrottleCase{"FloodPlaysOncePerInterval",
                     500,
                     {{1000, "Notification.SMS", true},
                      {1000, "Notification.SMS", false},
                      {1001, "Notification.SMS", false},
                      {1499, "Notification.SMS", false},
                      {1500, "Notification.SMS", true},
                      {1600, "Notification.SMS", false}}},
        ThrottleCase{"RefusedCallsDoNotExtendTheQuietTime",
                     500,
                     {{0, "a", true}, {300, "a", false}, {450, "a", false}, {500, "a", true}}},
        ThrottleCase{"NamesAreIndependent",
                     500,
                     {{0, "Notification.SMS", true},
                      {10, "DeviceConnect", true},
                      {20, "DeviceDisconnect", true},
                      {30, "DeviceConnect", false},
                      {510, "DeviceConnect", true},
                      {515, "Notification.SMS", true}}},
        ThrottleCase{"ClockGoingBackDoesNotSilence", 500, {{10000, "a", true}, {2000, "a", true}, {2100, "a", false}}},
        ThrottleCase{"ZeroIntervalPlaysEverything", 0, {{0, "a", true}, {0, "a", true}, {1, "a", true}}}),
    [](const ::testing::TestParamInfo<ThrottleCase>& info) { return info.param.title; });

TEST(DesktopSound, NamesMapToThemeEventsOrWavFiles)
{
    using R = DesktopSound::Request;
    const QString here = QDir::currentPath();
    const std::vector<std::pair<QString, std::optional<R>>> cases = {
        {"Notification.SMS", R{"message-new-instant", {}}},
        {"DeviceConnect", R{"device-added", {}}},
        {"DeviceDisconnect", R{"device-removed", {}}},
        {"notification.sms", R{"message-new-instant", {}}}, // the historic aliases ignore case
        {"/usr/share/parlowen/keypad.wav", R{{}, "/usr/share/parlowen/keypad.wav"}},
        {"sounds/Click.WAV", R{{}, QFile::encodeName(here + "/sounds/Click.WAV")}},
        {"SystemAsterisk", std::nullopt},
        {"", std::nullopt},
        {".wav", std::nullopt},
        {"keypad.wav.txt", std::nullopt},
        {"Notification.SMS ", std::nullopt},
    };
    for (const auto& [name, want] : cases) {
        const std::optional<R> got = DesktopSound::Resolve(name);
        ASSERT_EQ(got.has_value(), want.has_value()) << name.toStdString();
        if (want) {
            EXPECT_EQ(got->eventId, want->eventId) << name.toStdString();
            EXPECT_EQ(got->file, want->file) << name.toStdString();
        }
    }
}

// The player asks libcanberra once per allowed sound, from its own thread, and never blocks the
// caller; with the null driver (or none) every call fails silently.
TEST(DesktopSound, PlaysThrottledWithoutBlockingTheCaller)
{
    qputenv("CANBERRA_DRIVER", "null");
    std::atomic<qint64> now{0};
    auto sound = std::make_unique<DesktopSound>([&] { return now.load(); });
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < 5000; ++i)
        sound->Play("Notification.SMS");
    sound->Play("DeviceConnect");
    sound->Play("SystemAsterisk");
    sound->Play("/nonexistent/keypad.wav");
    EXPECT_LT(t.elapsed(), 200);
    ASSERT_TRUE(testsupport::WaitFor([&] { return sound->Dispatched() >= 3; }, 10000));
    now = 499;
    sound->Play("Notification.SMS");
    now = 500;
    sound->Play("Notification.SMS");
    ASSERT_TRUE(testsupport::WaitFor([&] { return sound->Dispatched() >= 4; }, 10000));
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 200)
        QCoreApplication::processEvents();
    EXPECT_EQ(sound->Dispatched(), 4);

    t.restart();
    sound.reset();
    EXPECT_LT(t.elapsed(), 2000);
}

} // namespace
