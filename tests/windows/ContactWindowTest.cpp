// The contact window offscreen over a real database file, typed into as a person would.
#include "windows/ContactWindow.h"
#include "controller/ContactPicture.h"
#include "storage/Database.h"
#include "support/Fakes.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

namespace {

using testsupport::ScriptedPrompts;

class ContactWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(db.Open(dir.filePath(QStringLiteral("contacts.db"))));
        DATABASE_CONTACTS_DATA bob;
        bob.Contact = QStringLiteral("Bob");
        bob.Number = QStringLiteral("+15550100");
        ASSERT_TRUE(db.InsertContact(bob, &bobId));
    }

    std::unique_ptr<TContactWindow> Window()
    {
        auto window = std::make_unique<TContactWindow>(db, prompts, layout, 0);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return window;
    }

    QString PictureFile()
    {
        ContactPicture::Image image;
        image.width = 126;
        image.height = 84;
        image.rgb.assign(static_cast<std::size_t>(image.width) * image.height * 3, 40);
        std::vector<std::uint8_t> jpeg;
        std::string error;
        EXPECT_TRUE(ContactPicture::Encode(image, 90, jpeg, error));
        const QString path = dir.filePath(QStringLiteral("face.jpg"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<qint64>(jpeg.size()));
        return path;
    }

    QTemporaryDir dir;
    QDatabase db{nullptr};
    ScriptedPrompts prompts;
    QSettings layout{dir.filePath(QStringLiteral("layout.ini")), QSettings::IniFormat};
    std::int64_t bobId = 0;
};

TEST_F(ContactWindowTest, ANewContactTypedAndSavedIsShownWhenOpenedAgain)
{
    auto w = Window();
    w->OpenNew();
    EXPECT_EQ(w->TitleLabel()->text(), "New contact");
    QPushButton* save = w->ButtonOf(ContactButton::Save);
    EXPECT_TRUE(save->isVisible());
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(w->ButtonOf(ContactButton::Edit)->isVisible());
    EXPECT_FALSE(w->ButtonOf(ContactButton::Delete)->isVisible());
    EXPECT_FALSE(w->ButtonOf(ContactButton::Close)->isEnabled());

    QTest::keyClicks(w->FieldEdit(ContactField::Name), QStringLiteral("Carol"));
    EXPECT_FALSE(save->isEnabled()) << "no number yet";
    QLineEdit* number = w->FieldEdit(ContactField::Number);
    number->setFocus();
    QTest::keyClicks(number, QStringLiteral("+1a55+5 x"));
    EXPECT_EQ(number->text(), "+1555") << "letters, blanks and a second plus are refused";
    number->setCursorPosition(0);
    QTest::keyClick(number, Qt::Key_7);
    EXPECT_EQ(number->text(), "+1555") << "nothing in front of the plus";
    QTest::keyClicks(w->FieldEdit(ContactField::Group), QStringLiteral("Family"));
    QTest::keyClicks(w->NotesEdit(), QStringLiteral("Sister"));
    ASSERT_TRUE(save->isEnabled());

    prompts.files.push_back(PictureFile());
    w->ImageLoadAction()->trigger();
    ASSERT_FALSE(w->PictureLabel()->pixmap().isNull());
    EXPECT_EQ(w->PictureLabel()->pixmap().size(), QSize(63, 84));
    EXPECT_TRUE(w->ImageClearAction()->isEnabled());

    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_TRUE(w->Changed());
    EXPECT_EQ(w->TitleLabel()->text(), "Contact");
    EXPECT_TRUE(w->FieldEdit(ContactField::Name)->isReadOnly());
    EXPECT_FALSE(w->Page()->isEnabled());
    EXPECT_TRUE(w->ButtonOf(ContactButton::Edit)->isVisible());
    EXPECT_FALSE(save->isVisible());
    const std::int64_t id = w->Editor().Id();
    ASSERT_GT(id, bobId);
    QTest::mouseClick(w->ButtonOf(ContactButton::Close), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(prompts.shown.size(), 1u) << "only the file dialog";

    auto again = Window();
    again->OpenContact(id);
    EXPECT_FALSE(again->Changed());
    EXPECT_EQ(again->FieldEdit(ContactField::Name)->text(), "Carol");
    EXPECT_EQ(again->FieldEdit(ContactField::Number)->text(), "+1555");
    EXPECT_EQ(again->FieldEdit(ContactField::Group)->text(), "Family");
    EXPECT_EQ(again->NotesEdit()->toPlainText(), "Sister");
    EXPECT_FALSE(again->PictureLabel()->pixmap().isNull());
    EXPECT_TRUE(again->ImageSaveAction()->isEnabled());
    EXPECT_EQ(again->IdLabel()->text(), QString::number(id));
    EXPECT_FALSE(again->IdLabel()->isVisible());
    QTest::mouseDClick(again->TitleLabel(), Qt::LeftButton);
    EXPECT_TRUE(again->IdLabel()->isVisible());
    EXPECT_FALSE(again->Page()->isEnabled());
    QTest::mouseDClick(again->Header(), Qt::LeftButton);
    EXPECT_TRUE(again->Page()->isEnabled()) << "to select and copy";
    EXPECT_TRUE(again->FieldEdit(ContactField::Name)->isReadOnly());
    EXPECT_TRUE(again->FieldEdit(ContactField::Name)->hasFocus());
    EXPECT_EQ(again->FieldEdit(ContactField::Name)->cursorPosition(), 5);
}

TEST_F(ContactWindowTest, LeavingADuplicateNameMarksItAndTellsOnce)
{
    auto w = Window();
    w->OpenNumber(QStringLiteral("+15550199"));
    EXPECT_EQ(w->TitleLabel()->text(), "New contact");
    EXPECT_EQ(w->FieldEdit(ContactField::Number)->text(), "+15550199");
    QLineEdit* name = w->FieldEdit(ContactField::Name);
    const QColor normal = name->palette().color(QPalette::Base);
    name->setFocus();
    QTest::keyClicks(name, QStringLiteral("Bob"));
    EXPECT_TRUE(w->ButtonOf(ContactButton::Save)->isEnabled());
    w->FieldEdit(ContactField::FirstName)->setFocus();
    EXPECT_FALSE(w->ButtonOf(ContactButton::Save)->isEnabled());
    EXPECT_EQ(name->palette().color(QPalette::Base), QColor(0xff, 0xa0, 0xa0));
    name->setFocus();
    w->FieldEdit(ContactField::Group)->setFocus();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Contact with this name already exists.");

    name->setFocus();
    QTest::keyClicks(name, QStringLiteral("by"));
    w->FieldEdit(ContactField::Group)->setFocus();
    EXPECT_EQ(name->palette().color(QPalette::Base), normal);
    EXPECT_TRUE(w->ButtonOf(ContactButton::Save)->isEnabled());
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(ContactWindowTest, EscapeAndClosingFollowTheEditorAndKeepThePlace)
{
    layout.setValue(QStringLiteral("Layout/Contact.Header"), 0);
    auto w = Window();
    EXPECT_FALSE(w->Header()->isVisible()) << "the stored choice";
    w->OpenContact(bobId);
    QTest::mouseClick(w->ButtonOf(ContactButton::Edit), Qt::LeftButton);
    QLineEdit* name = w->FieldEdit(ContactField::Name);
    name->setFocus();
    QTest::keyClicks(name, QStringLiteral("by"));
    prompts.choices.push_back(PromptChoice::Cancel);
    w->close();
    EXPECT_TRUE(w->isVisible()) << "Cancel in the question keeps it open";
    EXPECT_EQ(prompts.shown.back().text, "Save changes?");

    QTest::keyClick(name, Qt::Key_Escape);
    EXPECT_TRUE(w->isVisible()) << "Escape while editing cancels";
    EXPECT_EQ(name->text(), "Bob");
    QTest::keyClick(w.get(), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Changed());
    layout.sync();
    for (const char* key : {"Top", "Left", "Width", "Height"})
        EXPECT_TRUE(layout.contains(QStringLiteral("Layout/Contact.") + QLatin1String(key))) << key;
    EXPECT_EQ(layout.value(QStringLiteral("Layout/Contact.Width")).toInt(), w->frameGeometry().width());
}

TEST_F(ContactWindowTest, DeleteClosesTheWindow)
{
    auto w = Window();
    w->OpenContact(bobId);
    QTest::mouseClick(w->ButtonOf(ContactButton::Edit), Qt::LeftButton);
    ASSERT_TRUE(w->ButtonOf(ContactButton::Delete)->isVisible());
    prompts.answers.push_back(true);
    QTest::mouseClick(w->ButtonOf(ContactButton::Delete), Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->Changed());
    DATABASE_CONTACTS_DATA gone;
    EXPECT_FALSE(db.GetContact(bobId, gone));
    EXPECT_EQ(prompts.shown.size(), 1u) << "no save question after deleting";
}

// The database refuses the statement, as a full disk or a locked file would.
void Refuse(QDatabase& db, const char* statement)
{
    const std::string sql = std::string("CREATE TEMP TRIGGER Refuse BEFORE ") + statement +
                            " ON [Contacts] BEGIN SELECT RAISE(ABORT, 'refused'); END;";
    ASSERT_TRUE(db.Execute(sql.c_str()));
}

TEST_F(ContactWindowTest, AFailedUpdateKeepsTheWindowAndWhatWasTyped)
{
    auto w = Window();
    w->OpenContact(bobId);
    QTest::mouseClick(w->ButtonOf(ContactButton::Edit), Qt::LeftButton);
    QLineEdit* name = w->FieldEdit(ContactField::Name);
    name->setFocus();
    name->end(false);
    QTest::keyClicks(name, QStringLiteral("by"));
    w->NotesEdit()->setFocus();
    QTest::keyClicks(w->NotesEdit(), QStringLiteral("one"));
    QTest::keyClick(w->NotesEdit(), Qt::Key_Return);
    QTest::keyClicks(w->NotesEdit(), QStringLiteral("two"));
    Refuse(db, "UPDATE");

    QPushButton* save = w->ButtonOf(ContactButton::Save);
    QTest::mouseClick(save, Qt::LeftButton);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Unable to update contract information.");
    EXPECT_EQ(name->text(), "Bobby");
    EXPECT_FALSE(name->isReadOnly());
    EXPECT_EQ(w->NotesEdit()->toPlainText(), "one\ntwo");
    EXPECT_TRUE(save->isVisible() && save->isEnabled()) << "to try again";
    EXPECT_EQ(w->TitleLabel()->text(), "Contact editing");

    prompts.choices.push_back(PromptChoice::Yes);
    w->close();
    EXPECT_TRUE(w->isVisible()) << "Yes to saving, but the save failed";
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[1].text, "Save changes?");
    EXPECT_EQ(prompts.shown[2].text, "Unable to update contract information.");
    EXPECT_EQ(name->text(), "Bobby");
    EXPECT_FALSE(w->Changed());

    ASSERT_TRUE(db.Execute("DROP TRIGGER Refuse;"));
    prompts.choices.push_back(PromptChoice::Yes);
    w->close();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->Changed());
    DATABASE_CONTACTS_DATA stored;
    ASSERT_TRUE(db.GetContact(bobId, stored));
    EXPECT_EQ(stored.Contact, "Bobby");
    EXPECT_EQ(stored.Notes, "one\ntwo");
}

TEST_F(ContactWindowTest, AFailedInsertKeepsTheLoadedPicture)
{
    auto w = Window();
    w->OpenNew();
    QTest::keyClicks(w->FieldEdit(ContactField::Name), QStringLiteral("Carol"));
    w->FieldEdit(ContactField::Number)->setFocus();
    QTest::keyClicks(w->FieldEdit(ContactField::Number), QStringLiteral("+1555"));
    prompts.files.push_back(PictureFile());
    w->ImageLoadAction()->trigger();
    const QImage loaded = w->PictureLabel()->pixmap().toImage();
    ASSERT_FALSE(loaded.isNull());
    Refuse(db, "INSERT");

    QTest::mouseClick(w->ButtonOf(ContactButton::Save), Qt::LeftButton);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text, "Unable to save contract information.");
    EXPECT_EQ(w->PictureLabel()->pixmap().toImage(), loaded) << "the picture stays shown";
    EXPECT_TRUE(w->ImageClearAction()->isEnabled());
    EXPECT_EQ(w->TitleLabel()->text(), "New contact");
    EXPECT_EQ(w->FieldEdit(ContactField::Name)->text(), "Carol");
    EXPECT_FALSE(w->Changed());

    ASSERT_TRUE(db.Execute("DROP TRIGGER Refuse;"));
    QTest::mouseClick(w->ButtonOf(ContactButton::Save), Qt::LeftButton);
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_TRUE(w->Changed());
    QByteArray image;
    EXPECT_TRUE(db.GetContactImage(w->Editor().Id(), image)) << "stored with the contact";
}

} // namespace
