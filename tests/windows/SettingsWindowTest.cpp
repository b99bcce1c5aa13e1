// The settings window offscreen, clicked and typed into as a person would, over a settings file
// and a main window that records what is asked of it.
#include "windows/SettingsWindow.h"
#include "support/RecordingSettingsHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Box = SettingsForm::Box;

class SettingsWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<TSettingsWindow> Window()
    {
        auto window = std::make_unique<TSettingsWindow>(host, store);
        window->SetAutostartFolder(dir.filePath(QStringLiteral("autostart")));
        window->SetProgramPath(QStringLiteral("/usr/bin/parlowen"));
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return window;
    }

    QByteArray StoredFile()
    {
        store.sync();
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    template <class T> static T* Child(QWidget* window, const char* name)
    {
        T* child = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // Shows the page of a navigation entry and clicks a control on it.
    static void Click(TSettingsWindow& w, const char* entry, QAbstractButton* button)
    {
        const auto items = w.NavigationTree()->findItems(QString::fromLatin1(entry), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << entry;
        w.NavigationTree()->setCurrentItem(items.first());
        ASSERT_TRUE(button->isVisible()) << button->objectName().toStdString();
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("settings.ini"));
    QSettings store{path, QSettings::IniFormat};
    testsupport::RecordingSettingsHost host;
};

struct Control
{
    const char* name;
    const char* caption; // a button's text; null for the icon buttons
};

// In the order the window shows them, with their captions as written.
const Control controls[] = {
    {"AppLargeButtons", "Large buttons"},
    {"AppAlwaysOnTop", "Always on top"},
    {"AppHideWhenMin", "Hide when minimized"},
    {"AppHideWhenClosing", "Hide when closing"},
    {"AppAutoStart", "Start on login"},
    {"AppLargeText", "Large text"},
    {"AppLargeRows", "Expand rows height "},
    {"AppCloseConfirmation", "Application close confirmation"},
    {"SmsDeliveryReport", "Delivery report"},
    {"SmsSaveSent", "Save copy of sent SMS"},
    {"SmsConfirmationToSend", "Confirmation to send"},
    {"UssdBigEndian", "Big-Endian"},
    {"UssdLittleEndian", "Little-Endian"},
    {"UssdEditButton", "Edit templates"},
    {"UssdKeyboard", "Show virtual keyboard"},
    {"AppContacts", "Enable contacts"},
    {"NetShowDataClassIcon", "Data class icon in system tray"},
    {"NetShowDataClassNotification", "Notification of data class changes"},
    {"NetShowSignalStrength", "Show signal strength"},
    {"NetShowNetworkRegistration", "Network registration button in toolbar"},
    {"BalloonNotification", "Balloon notifications"},
    {"ToastNotification", "Toast notification"},
    {"SmsReceiveTimer", "Timer to receive (*)"},
    {"OkButton", "Ok"},
    {"ApplyButton", "Apply"},
    {"CancelButton", "Cancel"},
    {"AppIcon0", nullptr},
    {"AppIcon5", nullptr},
    {"EventIcon0", nullptr},
    {"EventIcon5", nullptr},
};

TEST_F(SettingsWindowTest, EveryControlIsThereUnderItsNameWithItsWholeCaption)
{
    auto w = Window();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Settings"));
    EXPECT_EQ(Child<QLabel>(w.get(), "Title")->text(), QStringLiteral("Application settings"));
    for (const Control& c : controls) {
        auto* button = Child<QAbstractButton>(w.get(), c.name);
        if (!button)
            continue;
        // Its page shown, so that its layout has placed it.
        for (QWidget* page = button; page; page = page->parentWidget())
            if (page->parentWidget() == w->Pages())
                w->Pages()->setCurrentWidget(page);
        QCoreApplication::sendPostedEvents();
        if (c.caption) {
            EXPECT_EQ(button->text(), QString::fromLatin1(c.caption)) << c.name;
            // No caption is cut: the button is as wide as its text needs.
            EXPECT_GE(button->width(), button->sizeHint().width()) << c.name;
        } else {
            EXPECT_FALSE(button->icon().isNull()) << c.name;
        }
    }
    const QStringList delimiters = {QStringLiteral("Semicolon"), QStringLiteral("Comma"), QStringLiteral("Tab"),
                                    QStringLiteral("Space")};
    auto* list = Child<QComboBox>(w.get(), "AppCsvDelimiter");
    ASSERT_EQ(list->count(), delimiters.size());
    for (int i = 0; i < list->count(); ++i)
        EXPECT_EQ(list->itemText(i), delimiters[i]);
}

TEST_F(SettingsWindowTest, EachEntryOfTheTreeShowsItsPageWithItsHeading)
{
    auto w = Window();
    QTreeWidget* tree = w->NavigationTree();
    const QStringList entries = {"General", "SMS",           "USSD",       "Contacts",
                                 "Network", "Notifications", "Appearance", "Miscellaneous"};
    ASSERT_EQ(tree->topLevelItemCount(), entries.size());
    EXPECT_EQ(w->Pages()->currentWidget()->objectName(), QStringLiteral("A1")); // General at first
    EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("General"));
    const int pages[] = {1, 2, 4, 7, 5, 3, 6, 8};
    for (int i = 0; i < entries.size(); ++i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        EXPECT_EQ(item->text(0), entries[i]);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
        QWidget* page = w->Pages()->currentWidget();
        EXPECT_EQ(page->objectName(), QStringLiteral("A%1").arg(pages[i]));
        EXPECT_EQ(page->findChild<QLabel*>(QStringLiteral("HeadingA%1").arg(pages[i]))->text(), entries[i]);
    }
}

TEST_F(SettingsWindowTest, StoredIconAndLiveStatesAreShownAndApplyWaitsForAChange)
{
    store.setValue(QStringLiteral("Settings/ApplicationIcon"), 5);
    store.setValue(QStringLiteral("Settings/EventIcon"), 9);
    store.setValue(QStringLiteral("Settings/CsvDelimiter"), 2);
    store.setValue(QStringLiteral("USSD/SwapBytes"), 0);
    host.checked[QStringLiteral("LargeTextAction")] = true;
    auto w = Window();
    EXPECT_TRUE(w->AppIconButton(5)->isChecked());
    for (int n = 0; n < SettingsForm::IconCount; ++n)
        EXPECT_FALSE(w->EventIconButton(n)->isChecked()) << n;
    EXPECT_EQ(w->CsvDelimiterList()->currentIndex(), 2);
    EXPECT_TRUE(w->LittleEndianButton()->isChecked());
    EXPECT_FALSE(w->BigEndianButton()->isChecked());
    EXPECT_TRUE(w->CheckBox(Box::LargeText)->isChecked());
    EXPECT_FALSE(w->ApplyButton()->isEnabled());

    Click(*w, "Appearance", w->AppIconButton(2));
    EXPECT_TRUE(w->ApplyButton()->isEnabled());
    QTest::mouseClick(w->ApplyButton(), Qt::LeftButton);
    EXPECT_FALSE(w->ApplyButton()->isEnabled());
    EXPECT_EQ(store.value(QStringLiteral("Settings/ApplicationIcon")).toInt(), 2);
    EXPECT_EQ(host.calls.last(), QStringLiteral("icons 2 0"));
}

TEST_F(SettingsWindowTest, UncheckingLargeButtonsDisablesTheRowsBoxAtOnceAndApplyShrinksTheTreeRows)
{
    host.checked[QStringLiteral("LargeButtonsAction")] = true;
    auto w = Window();
    EXPECT_EQ(w->TreeRowHeight(), 24);
    QCheckBox* rows = w->CheckBox(Box::LargeRows);
    EXPECT_TRUE(rows->isEnabled());
    Click(*w, "General", w->CheckBox(Box::LargeButtons));
    EXPECT_FALSE(rows->isEnabled());
    EXPECT_TRUE(w->ApplyButton()->isEnabled());
    EXPECT_EQ(w->TreeRowHeight(), 24); // until applied
    QTest::mouseClick(w->ApplyButton(), Qt::LeftButton);
    EXPECT_LT(w->TreeRowHeight(), 24);
    EXPECT_TRUE(host.calls.contains(QStringLiteral("execute LargeButtonsAction")));
}

TEST_F(SettingsWindowTest, WithoutANotificationServiceTheToastBoxIsOffAndDisabled)
{
    host.toasts = false;
    store.setValue(QStringLiteral("Settings/ShowToastNotification"), 1);
    auto w = Window();
    QCheckBox* toast = w->CheckBox(Box::ToastNotification);
    EXPECT_FALSE(toast->isChecked());
    EXPECT_FALSE(toast->isEnabled());
    EXPECT_FALSE(w->ApplyButton()->isEnabled());
}

TEST_F(SettingsWindowTest, OkAppliesAndRaisesTheMainWindow)
{
    auto w = Window();
    Click(*w, "General", w->CheckBox(Box::AlwaysOnTop));
    Click(*w, "Miscellaneous", w->CheckBox(Box::ReceiveTimer));
    QTest::mouseClick(w->OkButton(), Qt::LeftButton);
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(store.value(QStringLiteral("Settings/AlwaysOnTop")).toInt(), 1);
    EXPECT_EQ(store.value(QStringLiteral("SMS/ReceiveTimerEnabled")).toInt(), 1);
    EXPECT_EQ(host.calls.last(), QStringLiteral("execute AlwaysOnTopAction"));
}

TEST_F(SettingsWindowTest, EscapeInTheTreeIsSwallowedElsewhereItCancelsAndNothingIsWritten)
{
    store.setValue(QStringLiteral("Settings/Contacts"), 1);
    const QByteArray before = StoredFile();
    auto w = Window();
    Click(*w, "Contacts", w->CheckBox(Box::Contacts));
    Click(*w, "General", w->CheckBox(Box::AutoStart));
    w->NavigationTree()->setFocus();
    QTest::keyClick(w->NavigationTree(), Qt::Key_Escape);
    EXPECT_TRUE(w->isVisible());

    w->CheckBox(Box::AutoStart)->setFocus();
    QTest::keyClick(w->CheckBox(Box::AutoStart), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_EQ(StoredFile(), before);
    EXPECT_TRUE(host.calls.isEmpty()) << host.calls.join(u',').toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("autostart/parlowen.desktop"))));
}

TEST_F(SettingsWindowTest, EditTemplatesAsksTheMainWindowAndChangesNothing)
{
    auto w = Window();
    Click(*w, "USSD", Child<QPushButton>(w.get(), "UssdEditButton"));
    EXPECT_EQ(host.calls, QStringList{QStringLiteral("edittemplates")});
    EXPECT_FALSE(w->ApplyButton()->isEnabled());
}

} // namespace
