#include "controller/WizardPages.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// A wizard whose pages may each keep Next or Back from being used, and that remembers the pages
// it arrived on.
class Walk : public WizardPages
{
public:
    Walk(int count, std::vector<int> nextLocked = {}, std::vector<int> backLocked = {})
        : WizardPages(count), nextLocked_(std::move(nextLocked)), backLocked_(std::move(backLocked))
    { }
    // S start, N next, B back, L both buttons locked, U both unlocked (as a running request does).
    void Play(const std::string& script)
    {
        for (char step : script) {
            switch (step) {
            case 'S': Start(); break;
            case 'N': Next(); break;
            case 'B': Back(); break;
            case 'L':
                SetBackEnabled(false);
                SetNextEnabled(false);
                break;
            case 'U':
                SetBackEnabled(true);
                SetNextEnabled(true);
                break;
            default: FAIL() << "unknown step " << step;
            }
        }
    }
    std::vector<int> shown;

private:
    void PageShown(int index) override
    {
        shown.push_back(index);
        for (int page : nextLocked_)
            if (page == index)
                SetNextEnabled(false);
        for (int page : backLocked_)
            if (page == index)
                SetBackEnabled(false);
    }
    std::vector<int> nextLocked_;
    std::vector<int> backLocked_;
};

struct WalkCase
{
    const char* name;
    int count;
    std::vector<int> nextLocked;
    std::vector<int> backLocked;
    const char* script;
    int page;
    bool back;
    bool next;
    std::vector<int> shown;
};

class WizardPagesWalk : public ::testing::TestWithParam<WalkCase>
{ };

} // namespace

TEST_P(WizardPagesWalk, EndsOnThePageWithItsButtons)
{
    const WalkCase& c = GetParam();
    Walk walk(c.count, c.nextLocked, c.backLocked);
    walk.Play(c.script);
    EXPECT_EQ(walk.PageIndex(), c.page);
    EXPECT_EQ(walk.BackEnabled(), c.back);
    EXPECT_EQ(walk.NextEnabled(), c.next);
    EXPECT_EQ(walk.shown, c.shown);
    EXPECT_TRUE(walk.CloseEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, WizardPagesWalk,
    ::testing::Values(WalkCase{"FirstPageHasNoBack", 5, {}, {}, "S", 0, false, true, {0}},
                      WalkCase{"MiddlePageHasBoth", 5, {}, {}, "SNN", 2, true, true, {0, 1, 2}},
                      WalkCase{"LastPageHasNoNext", 3, {}, {}, "SNN", 2, true, false, {0, 1, 2}},
                      WalkCase{"NextOnTheLastPageStays", 3, {}, {}, "SNNN", 2, true, false, {0, 1, 2}},
                      WalkCase{"BackReturnsAPage", 5, {}, {}, "SNNB", 1, true, true, {0, 1, 2, 1}},
                      WalkCase{"BackOnTheFirstPageStays", 5, {}, {}, "SB", 0, false, true, {0}},
                      WalkCase{"UnlockedFirstPageStillHasNoPageBefore", 5, {}, {}, "SUB", 0, true, true, {0}},
                      WalkCase{"UnlockedLastPageStillHasNoPageAfter", 2, {}, {}, "SNUN", 1, true, true, {0, 1}},
                      WalkCase{"PageThatLocksNextKeepsTheWizardThere", 5, {1}, {}, "SNNN", 1, true, false, {0, 1}},
                      WalkCase{"PageThatLocksBackKeepsTheWizardThere", 5, {}, {2}, "SNNBB", 2, false, true, {0, 1, 2}},
                      WalkCase{"LockedPageGoesOnOnceUnlocked", 5, {1}, {}, "SNUN", 2, true, true, {0, 1, 2}},
                      WalkCase{"LockStopsBothWays", 5, {}, {}, "SNLNB", 1, false, false, {0, 1}},
                      WalkCase{"ArrivingAgainClearsALock", 5, {}, {}, "SNNLUBN", 2, true, true, {0, 1, 2, 1, 2}},
                      WalkCase{"StartAgainReturnsToTheFirstPage", 5, {}, {}, "SNNS", 0, false, true, {0, 1, 2, 0}},
                      WalkCase{"SinglePageHasNeitherButton", 1, {}, {}, "SNB", 0, false, false, {0}},
                      WalkCase{"NoPagesCountAsOne", 0, {}, {}, "SN", 0, false, false, {0}},
                      WalkCase{"NothingUsableBeforeStart", 5, {}, {}, "NB", 0, false, false, {}}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });
