// The composer window's keys, in the real main window, offscreen.
#include "ProgramRig.h"

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
