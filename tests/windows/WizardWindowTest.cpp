// The shared wizard window offscreen over a small wizard of three pages: the buttons walk the
// pages, Enter's button follows the way on, and closing gives the wizard's result.
#include "windows/WizardWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

// Page 1 keeps Next until its lock is lifted; page 2 offers an action of its own.
class Steps : public WizardPages
{
public:
    Steps() : WizardPages(3) { }
    void Unlock()
    {
        locked_ = false;
        SetNextEnabled(PageIndex() + 1 < PageCount());
    }
    void Act() { done_ = true; }
    bool Done() const { return done_; }

private:
    void PageShown(int index) override
    {
        if (index == 1 && locked_)
            SetNextEnabled(false);
    }
    bool locked_ = true;
    bool done_ = false;
};

class Window : public TWizardWindow
{
public:
    explicit Window(bool accepted) : TWizardWindow(QStringLiteral("Toy"), QStringLiteral("Toy wizard"), nullptr)
    {
        for (int i = 0; i < 3; ++i) {
            QVBoxLayout* layout = nullptr;
            QWidget* page = i == 1 ? NewPage(i, layout)
                                   : NewFramedPage(i, QStringLiteral("Page %1").arg(i), "Picture", "go-home", layout);
            layout->addWidget(AddLabel(page, QStringLiteral("Body%1").arg(i), QStringLiteral("text")));
            if (i == 2) {
                action_ = AddButton("ActionButton", QStringLiteral("Act"), page);
                layout->addWidget(action_);
            }
            Pages()->addWidget(page);
        }
        unlock_ = AddButton("UnlockButton", QStringLiteral("Unlock"));
        Assemble(Band(this, QStringLiteral("Band"), QStringLiteral("Toy"), QString(), "go-home"), {unlock_});
        connect(unlock_, &QPushButton::clicked, this, [this] { Run(&Steps::Unlock); });
        connect(action_, &QPushButton::clicked, this, [this] { Run(&Steps::Act); });
        accepted_ = accepted;
        Run(&Steps::Start);
    }
    Steps& Wizard() override { return steps_; }
    QPushButton* ActionButton() const { return action_; }
    QPushButton* UnlockButton() const { return unlock_; }
    void Wait(bool on) { SetWaitCursor(on); }
    int refreshes = 0;

private:
    void Refresh() override
    {
        ++refreshes;
        ShowPage();
        ChooseDefault(steps_.PageIndex() == 2 && !steps_.Done() ? action_ : nullptr);
    }
    bool Accepted() const override { return accepted_; }

    Steps steps_;
    QPushButton* action_ = nullptr;
    QPushButton* unlock_ = nullptr;
    bool accepted_ = false;
};

QString DefaultButton(const Window& w)
{
    for (QPushButton* button : w.findChildren<QPushButton*>())
        if (button->isDefault())
            return button->objectName();
    return QStringLiteral("none");
}

struct ClickCase
{
    const char* name;
    // N next, B back, U unlock, A the page's action, C close, E Escape
    const char* clicks;
    bool accepted;
    int page;
    bool back;
    bool next;
    const char* defaultButton;
    int finished; // the result the window closed with, -1 while open
};

class WizardWindowClicks : public ::testing::TestWithParam<ClickCase>
{ };

void PrintTo(const ClickCase& c, std::ostream* os)
{
    *os << c.name;
}

} // namespace

TEST_P(WizardWindowClicks, ShowTheWizardsState)
{
    const ClickCase& c = GetParam();
    Window w(c.accepted);
    int finished = -1;
    QObject::connect(&w, &QDialog::finished, &w, [&finished](int result) { finished = result; });
    for (const char* click = c.clicks; *click; ++click) {
        switch (*click) {
        case 'N': w.NextButton()->click(); break;
        case 'B': w.BackButton()->click(); break;
        case 'U': w.UnlockButton()->click(); break;
        case 'A': w.ActionButton()->click(); break;
        case 'C': w.CloseButton()->click(); break;
        case 'E': w.reject(); break;
        default: FAIL() << "unknown click " << *click;
        }
    }
    EXPECT_EQ(w.Pages()->currentIndex(), c.page);
    EXPECT_EQ(w.Wizard().PageIndex(), c.page);
    EXPECT_EQ(w.BackButton()->isEnabled(), c.back);
    EXPECT_EQ(w.NextButton()->isEnabled(), c.next);
    EXPECT_TRUE(w.CloseButton()->isEnabled());
    EXPECT_EQ(DefaultButton(w).toStdString(), c.defaultButton);
    EXPECT_EQ(finished, c.finished);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, WizardWindowClicks,
    ::testing::Values(ClickCase{"FirstPage", "", false, 0, false, true, "NextButton", -1},
                      ClickCase{"LockedPageDefaultsToClose", "N", false, 1, true, false, "CloseButton", -1},
                      ClickCase{"LockedNextGoesNowhere", "NN", false, 1, true, false, "CloseButton", -1},
                      ClickCase{"UnlockedPageGoesOn", "NUN", false, 2, true, false, "ActionButton", -1},
                      ClickCase{"ActionDoneLeavesClose", "NUNA", false, 2, true, false, "CloseButton", -1},
                      ClickCase{"BackReturns", "NUNB", false, 1, true, true, "NextButton", -1},
                      ClickCase{"BackOnFirstPageStays", "B", false, 0, false, true, "NextButton", -1},
                      ClickCase{"CloseRejects", "C", false, 0, false, true, "NextButton", QDialog::Rejected},
                      ClickCase{"CloseAccepts", "NUNAC", true, 2, true, false, "CloseButton", QDialog::Accepted},
                      ClickCase{"EscapeCloses", "NE", true, 1, true, false, "CloseButton", QDialog::Accepted}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

TEST(WizardWindow, BuildsTheFramesByName)
{
    Window w(false);
    // Framed pages carry their own title; the plain one has none, the band above all has its own.
    ASSERT_NE(w.Label(QStringLiteral("TitleA0")), nullptr);
    EXPECT_EQ(w.Label(QStringLiteral("TitleA0"))->text(), QStringLiteral("Page 0"));
    EXPECT_TRUE(w.Label(QStringLiteral("TitleA0"))->font().bold());
    EXPECT_EQ(w.Label(QStringLiteral("TitleA1")), nullptr);
    ASSERT_NE(w.Label(QStringLiteral("TitleA2")), nullptr);
    EXPECT_EQ(w.Label(QStringLiteral("Band"))->text(), QStringLiteral("Toy"));
    EXPECT_EQ(w.Label(QStringLiteral("Missing")), nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(w.Pages()->widget(i)->objectName(), QStringLiteral("A%1").arg(i));
        EXPECT_TRUE(w.Pages()->widget(i)->isAncestorOf(w.Label(QStringLiteral("Body%1").arg(i))));
    }
    EXPECT_FALSE(w.Label(QStringLiteral("Picture"))->pixmap().isNull());
    for (QPushButton* button : w.findChildren<QPushButton*>())
        EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
}

TEST(WizardWindow, TabReachesThePagesBeforeTheButtons)
{
    Window w(false);
    w.Pages()->setCurrentIndex(2);
    int action = -1;
    int back = -1;
    int step = 0;
    for (QWidget* widget = w.nextInFocusChain(); widget != &w && step < 200;
         widget = widget->nextInFocusChain(), ++step) {
        if (widget == w.ActionButton())
            action = step;
        if (widget == w.BackButton())
            back = step;
    }
    ASSERT_GE(action, 0);
    ASSERT_GE(back, 0);
    EXPECT_LT(action, back);
}

TEST(WizardWindow, RestoresTheWaitCursorsLeftOn)
{
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    {
        Window w(false);
        w.Wait(true);
        w.Wait(true);
        w.Wait(false);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        // One more off than on changes nothing outside the window's own.
        w.Wait(false);
        w.Wait(false);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        w.Wait(true);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
