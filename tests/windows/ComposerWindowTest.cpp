// The composer window's keys and text size, in the real main window, offscreen.
#include "ProgramRig.h"
#include "windows/ContactWindow.h"
#include "windows/LargeDisplay.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using rig::Program;

TEST(ComposerWindow, TabMovesTheFocusInsteadOfTypingATab)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    bool ran = false;
    p.window->Runners().composer = [&](TMessageWindow& composer) {
        ran = true;
        QPlainTextEdit* text = composer.MessageText();
        QTest::keyClicks(text, QStringLiteral("Hi"));
        QTest::keyClick(text, Qt::Key_Tab);
        // A tab would make the message UCS2, 70 characters a part.
        EXPECT_EQ(text->toPlainText(), QStringLiteral("Hi"));
        EXPECT_EQ(composer.Text(), QStringLiteral("Hi"));
    };
    p.window->OpenComposer(QStringLiteral("New message"), QStringLiteral("+15550100790"), QString());
    EXPECT_TRUE(ran);
}

namespace {

struct NumberCase
{
    const char* name;
    const char* before;
    const char* typed;
    bool paste;
    const char* after;
};

class ComposerNumber : public ::testing::TestWithParam<NumberCase>
{ };

// Keys arrive at the combo box, not at its line edit; both typing and pasting are filtered.
TEST_P(ComposerNumber, TakesDigitsAndOneLeadingPlusOnly)
{
    const NumberCase& c = GetParam();
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    bool ran = false;
    p.window->Runners().composer = [&](TMessageWindow& composer) {
        ran = true;
        QComboBox* box = composer.NumberBox();
        box->setEditText(QString::fromUtf8(c.before));
        box->lineEdit()->end(false);
        if (c.paste) {
            QApplication::clipboard()->setText(QString::fromUtf8(c.typed));
            box->lineEdit()->paste();
        } else {
            box->setFocus();
            QTest::keyClicks(box, QString::fromUtf8(c.typed));
        }
        EXPECT_EQ(box->currentText(), QString::fromUtf8(c.after));
    };
    p.window->OpenComposer(QStringLiteral("New message"), QString(), QString());
    EXPECT_TRUE(ran);
}

INSTANTIATE_TEST_SUITE_P(Cases, ComposerNumber,
                         ::testing::Values(NumberCase{"Typed", "", "+12a 3+4", false, "+1234"},
                                           NumberCase{"TypedAfterDigits", "55", "+5-5", false, "5555"},
                                           NumberCase{"Pasted", "", "+12a 3+4", true, "+1234"},
                                           NumberCase{"PastedAfterDigits", "12", "+34 (5)", true, "12345"},
                                           NumberCase{"PastedLetters", "", "call me", true, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST(ComposerWindow, LargeTextReachesTheComposerAndTheContactEditor)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/LargeText"), 1);
    p.settings->setValue(QStringLiteral("Settings/LargeFont"), 14);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    const int large = p.window->Large().TextSize();
    ASSERT_GT(large, 0);
    bool composed = false;
    p.window->Runners().composer = [&](TMessageWindow& composer) {
        composed = true;
        EXPECT_EQ(composer.NumberBox()->font().pointSize(), large);
        EXPECT_EQ(composer.MessageText()->font().pointSize(), large);
        EXPECT_EQ(composer.ContactBox()->font().pointSize(), large);
    };
    p.window->OpenComposer(QStringLiteral("New message"), QString(), QString());
    EXPECT_TRUE(composed);

    bool edited = false;
    p.window->Runners().contactEditor = [&](TContactWindow& editor) {
        edited = true;
        EXPECT_EQ(editor.FieldEdit(ContactField::Name)->font().pointSize(), large);
    };
    p.window->Act(MainAction::ContactsNewAction)->trigger();
    EXPECT_TRUE(edited);
}
