#include "app/desktop/StartGuard.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace {

struct GuardCase
{
    const char* name;
    std::function<int()> body;
    int result;
    const char* told; // null: nothing told
};

class StartGuard : public ::testing::TestWithParam<GuardCase>
{ };

TEST_P(StartGuard, AnEscapingExceptionIsToldAndEndsWithOne)
{
    const GuardCase& c = GetParam();
    QStringList told;
    EXPECT_EQ(RunTellingExceptions(c.body, [&](const QString& text) { told << text; }), c.result);
    if (c.told)
        EXPECT_EQ(told, QStringList{QString::fromUtf8(c.told)});
    else
        EXPECT_TRUE(told.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartGuard,
    ::testing::Values(GuardCase{"Runs", [] { return 0; }, 0, nullptr},
                      GuardCase{"KeepsTheExitCode", [] { return 2; }, 2, nullptr},
                      GuardCase{"StandardException",
                                []() -> int { throw std::runtime_error("The database could not be read"); }, 1,
                                "The database could not be read"},
                      GuardCase{"OutOfMemory", []() -> int { throw std::bad_alloc(); }, 1, "std::bad_alloc"},
                      GuardCase{"AnythingElse", []() -> int { throw 42; }, 1, "Unknown error"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
