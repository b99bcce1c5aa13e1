#include "app/Settings.h"

#include <QRect>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace {

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    // A store on a fresh file, reopened so that values read back as a later run sees them.
    std::unique_ptr<QSettings> Store()
    {
        return std::make_unique<QSettings>(dir.filePath(QStringLiteral("Parlowen.conf")), QSettings::IniFormat);
    }
    void Write(const QString& key, const QVariant& value)
    {
        auto s = Store();
        s->setValue(key, value);
        s->sync();
    }
    SettingsStore Load()
    {
        SettingsStore settings;
        auto s = Store();
        settings.Load(*s, [&](const QString& line) { log << line; });
        return settings;
    }

    QTemporaryDir dir;
    QStringList log;
};

const QStringList kDefaultSmsLines = {
    "Settings -> SMS -> SaveSent = 1",
    "Settings -> SMS -> MaxSendCount = 5",
    "Settings -> SMS -> MessageIndex = 0",
};

TEST_F(SettingsTest, FreshStoreHasTheDefaultsAndLogsTheSmsValues)
{
    const SettingsStore s = Load();
    const SettingsStore defaults;
    EXPECT_EQ(log, kDefaultSmsLines);
    EXPECT_TRUE(s.SaveOnDisk);
    EXPECT_TRUE(s.HideWhenMinimized && s.HideWhenClosing && s.Contacts && s.CloseConfirmation);
    EXPECT_FALSE(s.AlwaysOnTop || s.LargeRows || s.ShowLabels || s.ShowStatusLog || s.ShowSmsID);
    // Both actions start checked; the one flip at window creation leaves small buttons and text.
    EXPECT_TRUE(s.LargeButtonsChecked);
    EXPECT_TRUE(s.LargeTextChecked);
    EXPECT_EQ(s.LargeFont, 10);
    EXPECT_EQ(s.MaxSendCount, 5);
    EXPECT_EQ(s.MessageIndex, 0u);
    EXPECT_FALSE(s.ReceiveTimerEnabled);
    EXPECT_EQ(s.ReceiveTimerInterval, 60);
    EXPECT_EQ(s.CsvDelimiterChar(), QLatin1Char(';'));
    EXPECT_FALSE(s.ApplicationTop.has_value());
    EXPECT_FALSE(s.ApplicationLeft.has_value());
    EXPECT_EQ(s.ApplicationWidth, 800);
    EXPECT_EQ(s.ApplicationHeight, 600);
    EXPECT_EQ(s.ApplicationMessage, 250);
    EXPECT_EQ(s.ApplicationStatusBar, 19);
    EXPECT_EQ(s.ApplicationFolders, 120);
    EXPECT_TRUE(s.ApplicationHeader);
    EXPECT_FALSE(s.RestoreMaximized);
    EXPECT_TRUE(s.FolderSentItems && s.FolderReports);
    EXPECT_FALSE(s.ShowUssd);
    EXPECT_TRUE(SettingsStore(true).ShowUssd);
    EXPECT_TRUE(Store()->allKeys().isEmpty()); // loading writes nothing
}

TEST_F(SettingsTest, LoadLogsInTableOrderWithTheRaisedInterval)
{
    Write("Settings/ShowBalloonNotification", 0);
    Write("Settings/ShowToastNotification", 7);
    Write("Settings/SaveOnDisk", 0);
    Write("SMS/ReceiveTimerInterval", 5);
    Write("SMS/ReceiveTimerEnabled", 1);
    Write("SMS/MessageIndex", 3);
    Write("SMS/MaxSendCount", 2);
    Write("SMS/SaveSent", 0);
    const SettingsStore s = Load();
    EXPECT_EQ(log, (QStringList{
                       "Settings -> SaveOnDisk = 0",
                       "Settings -> Toast Notification = 1",
                       "Settings -> Balloon Notification = 0",
                       "Settings -> SMS -> SaveSent = 0",
                       "Settings -> SMS -> MaxSendCount = 2",
                       "Settings -> SMS -> MessageIndex = 3",
                       "Settings -> SMS -> ReceiveTimerEnabled = 1",
                       "Settings -> SMS -> ReceiveTimerInterval = 15",
                   }));
    EXPECT_EQ(s.ReceiveTimerInterval, 15);
    EXPECT_EQ(s.ReceiveTimerIntervalMs(), 15000);
}

TEST_F(SettingsTest, TimerLinesOnlyWhenTheTimerIsOn)
{
    Write("SMS/ReceiveTimerInterval", 30);
    const SettingsStore s = Load();
    EXPECT_EQ(log, kDefaultSmsLines);
    EXPECT_EQ(s.ReceiveTimerInterval, 30);
}

TEST_F(SettingsTest, StoredValuesAreReadAndWrongTypesKeepDefaults)
{
    struct Case
    {
        const char* key;
        QVariant stored;
        std::function<bool(const SettingsStore&)> holds;
    };
    const std::vector<Case> cases = {
        {"Settings/LargeButtons", 1, [](auto& s) { return !s.LargeButtonsChecked; }},
        {"Settings/LargeButtons", 0, [](auto& s) { return s.LargeButtonsChecked; }},
        {"Settings/LargeText", 1, [](auto& s) { return !s.LargeTextChecked; }},
        {"Settings/AlwaysOnTop", 2, [](auto& s) { return s.AlwaysOnTop; }},
        {"Settings/AlwaysOnTop", -1, [](auto& s) { return s.AlwaysOnTop; }},
        {"Settings/AlwaysOnTop", "1", [](auto& s) { return s.AlwaysOnTop; }},
        {"Settings/AlwaysOnTop", " 1 ", [](auto& s) { return s.AlwaysOnTop; }},
        {"Settings/CsvDelimiter", 0, [](auto& s) { return s.CsvDelimiterChar() == ';'; }},
        {"Settings/CsvDelimiter", 1, [](auto& s) { return s.CsvDelimiterChar() == ','; }},
        {"Settings/CsvDelimiter", 2, [](auto& s) { return s.CsvDelimiterChar() == '\t'; }},
        {"Settings/CsvDelimiter", 3, [](auto& s) { return s.CsvDelimiterChar() == ' '; }},
        {"Settings/CsvDelimiter", 7, [](auto& s) { return s.CsvDelimiterChar() == ';'; }},
        {"Settings/CsvDelimiter", -1, [](auto& s) { return s.CsvDelimiterChar() == ';'; }},
        {"SMS/ReceiveTimerInterval", -100, [](auto& s) { return s.ReceiveTimerInterval == 15; }},
        // A huge interval would overflow the timer's milliseconds.
        {"SMS/ReceiveTimerInterval", 4000000, [](auto& s) { return s.ReceiveTimerIntervalMs() > 0; }},
        {"SMS/MessageIndex", "4294967295", [](auto& s) { return s.MessageIndex == 4294967295u; }},
        {"SMS/MessageIndex", -1, [](auto& s) { return s.MessageIndex == 4294967295u; }},
        {"Layout/Application.State", 2, [](auto& s) { return s.RestoreMaximized && s.ApplicationState == 2; }},
        {"Layout/Application.State", 1, [](auto& s) { return !s.RestoreMaximized && s.ApplicationState == 1; }},
        {"Layout/Application.Top", -20, [](auto& s) { return s.ApplicationTop == -20; }},
        {"Layout/Application.Header", 0, [](auto& s) { return !s.ApplicationHeader; }},
        {"Folders/Sent Items", 0, [](auto& s) { return !s.FolderSentItems && s.FolderInbox; }},
        // Not 32-bit integers: the default stays.
        {"Settings/SaveOnDisk", "abc", [](auto& s) { return s.SaveOnDisk; }},
        {"Settings/SaveOnDisk", "false", [](auto& s) { return s.SaveOnDisk; }},
        {"Settings/SaveOnDisk", false, [](auto& s) { return s.SaveOnDisk; }},
        {"Settings/SaveOnDisk", "", [](auto& s) { return s.SaveOnDisk; }},
        {"SMS/MaxSendCount", "1.5", [](auto& s) { return s.MaxSendCount == 5; }},
        {"SMS/MaxSendCount", "0x10", [](auto& s) { return s.MaxSendCount == 5; }},
        {"SMS/MaxSendCount", QStringList{"1", "2"}, [](auto& s) { return s.MaxSendCount == 5; }},
        {"SMS/MaxSendCount", "99999999999", [](auto& s) { return s.MaxSendCount == 5; }},
        {"Layout/Application.Width", "-3000000000", [](auto& s) { return s.ApplicationWidth == 800; }},
        {"Layout/Application.Top", "top", [](auto& s) { return !s.ApplicationTop.has_value(); }},
    };
    for (const Case& c : cases) {
        Store()->clear();
        Write(QString::fromLatin1(c.key), c.stored);
        log.clear();
        EXPECT_TRUE(c.holds(Load())) << c.key << " = " << c.stored.toString().toStdString();
    }
    // A wrong type is not logged as if it had been read.
    Store()->clear();
    Write("Settings/SaveOnDisk", "abc");
    log.clear();
    Load();
    EXPECT_EQ(log, kDefaultSmsLines);
}

// One row per stored value: its group and name as a later run and an installer write them, what
// a fresh store leaves in the field, a stored value other than that, and the field it sets.
struct Row
{
    enum Default { Number, Unset, UssdAvailability };
    const char* group;
    const char* name;
    Default kind;
    qint64 def;    // when kind is Number
    qint64 stored; // differs from the default; read back unchanged
    std::function<std::optional<qint64>(const SettingsStore&)> field;

    QString Key() const { return QString::fromLatin1(group) + QLatin1Char('/') + QString::fromLatin1(name); }
    std::optional<qint64> Expected(bool ussdAvailable) const
    {
        if (kind == Unset)
            return std::nullopt;
        if (kind == UssdAvailability)
            return qint64(ussdAvailable);
        return def;
    }
};

#define FIELD(expr) [](const SettingsStore& s) -> std::optional<qint64> { return expr; }
#define OPTIONAL_FIELD(member)                                             \
    [](const SettingsStore& s) -> std::optional<qint64> {                  \
        return s.member ? std::optional<qint64>(*s.member) : std::nullopt; \
    }

const std::vector<Row>& Rows()
{
    static const std::vector<Row> rows = {
        {"Settings", "SaveOnDisk", Row::Number, 1, 0, FIELD(s.SaveOnDisk)},
        {"Settings", "ApplicationIcon", Row::Number, 0, 3, FIELD(s.ApplicationIcon)},
        {"Settings", "EventIcon", Row::Number, 0, 2, FIELD(s.EventIcon)},
        {"Settings", "HideWhenMinimized", Row::Number, 1, 0, FIELD(s.HideWhenMinimized)},
        {"Settings", "HideWhenClosing", Row::Number, 1, 0, FIELD(s.HideWhenClosing)},
        {"Settings", "AlwaysOnTop", Row::Number, 0, 1, FIELD(s.AlwaysOnTop)},
        {"Settings", "Contacts", Row::Number, 1, 0, FIELD(s.Contacts)},
        // The loader leaves these two inverted for the one flip at window creation; the rows hold
        // the choice that is in effect after it.
        {"Settings", "LargeButtons", Row::Number, 0, 1, FIELD(!s.LargeButtonsChecked)},
        {"Settings", "LargeText", Row::Number, 0, 1, FIELD(!s.LargeTextChecked)},
        {"Settings", "LargeFont", Row::Number, 10, 14, FIELD(s.LargeFont)},
        {"Settings", "LargeRows", Row::Number, 0, 1, FIELD(s.LargeRows)},
        {"Settings", "CloseConfirmation", Row::Number, 1, 0, FIELD(s.CloseConfirmation)},
        {"Settings", "ShowLabels", Row::Number, 0, 1, FIELD(s.ShowLabels)},
        {"Settings", "ShowStatusLog", Row::Number, 0, 1, FIELD(s.ShowStatusLog)},
        {"Settings", "ShowToastNotification", Row::Number, 1, 0, FIELD(s.ShowToastNotification)},
        {"Settings", "ShowBalloonNotification", Row::Number, 1, 0, FIELD(s.ShowBalloonNotification)},
        {"Settings", "ShowSmsID", Row::Number, 0, 1, FIELD(s.ShowSmsID)},
        {"Settings", "ShowTrayIcon", Row::Number, 1, 0, FIELD(s.ShowTrayIcon)},
        {"Settings", "ShowDataClassIcon", Row::Number, 0, 1, FIELD(s.ShowDataClassIcon)},
        {"Settings", "ShowDataClassIconBalloon", Row::Number, 1, 0, FIELD(s.ShowDataClassIconBalloon)},
        {"Settings", "ShowDataClassNotification", Row::Number, 0, 1, FIELD(s.ShowDataClassNotification)},
        {"Settings", "ShowNetworkRegistration", Row::Number, 1, 0, FIELD(s.ShowNetworkRegistration)},
        {"Settings", "ShowProgressBar", Row::Number, 1, 0, FIELD(s.ShowProgressBar)},
        // Stored 1 differs from the default of a store built without USSD, the one the rows load into.
        {"Settings", "ShowUssd", Row::UssdAvailability, 0, 1, FIELD(s.ShowUssd)},
        {"Settings", "ShowMenu", Row::Number, 1, 0, FIELD(s.ShowMenu)},
        {"Settings", "ShowToolBar", Row::Number, 1, 0, FIELD(s.ShowToolBar)},
        {"Settings", "ShowStatusBar", Row::Number, 1, 0, FIELD(s.ShowStatusBar)},
        {"Settings", "ShowMessageInfo", Row::Number, 1, 0, FIELD(s.ShowMessageInfo)},
        {"Settings", "ShowBusyNotification", Row::Number, 1, 0, FIELD(s.ShowBusyNotification)},
        {"Settings", "ShowSignalStrength", Row::Number, 0, 1, FIELD(s.ShowSignalStrength)},
        {"Settings", "ShowDataClass", Row::Number, 1, 0, FIELD(s.ShowDataClass)},
        {"Settings", "CsvDelimiter", Row::Number, 0, 2, FIELD(s.CsvDelimiter)},
        {"SMS", "DeliveryReport", Row::Number, 1, 0, FIELD(s.DeliveryReport)},
        {"SMS", "ConfirmationToSend", Row::Number, 1, 0, FIELD(s.ConfirmationToSend)},
        {"SMS", "SaveSent", Row::Number, 1, 0, FIELD(s.SaveSent)},
        {"SMS", "MaxSendCount", Row::Number, 5, 9, FIELD(s.MaxSendCount)},
        {"SMS", "MessageIndex", Row::Number, 0, 4000000000LL, FIELD(s.MessageIndex)},
        {"SMS", "ReceiveTimerEnabled", Row::Number, 0, 1, FIELD(s.ReceiveTimerEnabled)},
        {"SMS", "ReceiveTimerInterval", Row::Number, 60, 90, FIELD(s.ReceiveTimerInterval)},
        {"Folders", "Inbox", Row::Number, 1, 0, FIELD(s.FolderInbox)},
        {"Folders", "Sent Items", Row::Number, 1, 0, FIELD(s.FolderSentItems)},
        {"Folders", "Outbox", Row::Number, 1, 0, FIELD(s.FolderOutbox)},
        {"Folders", "Drafts", Row::Number, 1, 0, FIELD(s.FolderDrafts)},
        {"Folders", "Templates", Row::Number, 1, 0, FIELD(s.FolderTemplates)},
        {"Folders", "Reports", Row::Number, 1, 0, FIELD(s.FolderReports)},
        {"Layout", "Application.Top", Row::Unset, 0, -20, OPTIONAL_FIELD(ApplicationTop)},
        {"Layout", "Application.Left", Row::Unset, 0, 35, OPTIONAL_FIELD(ApplicationLeft)},
        {"Layout", "Application.Height", Row::Number, 600, 480, FIELD(s.ApplicationHeight)},
        {"Layout", "Application.Width", Row::Number, 800, 1000, FIELD(s.ApplicationWidth)},
        {"Layout", "Application.State", Row::Number, 0, 1, FIELD(s.ApplicationState)},
        {"Layout", "Application.Message", Row::Number, 250, 300, FIELD(s.ApplicationMessage)},
        {"Layout", "Application.StatusBar", Row::Number, 19, 23, FIELD(s.ApplicationStatusBar)},
        {"Layout", "Application.Folders", Row::Number, 120, 150, FIELD(s.ApplicationFolders)},
        {"Layout", "Application.Header", Row::Number, 1, 0, FIELD(s.ApplicationHeader)},
    };
    return rows;
}

#undef FIELD
#undef OPTIONAL_FIELD

const Row* RowOf(const QString& key)
{
    for (const Row& r : Rows())
        if (r.Key() == key)
            return &r;
    return nullptr;
}

// Every field holds its stored value when its key is in `stored`, and its default otherwise.
void ExpectFields(const SettingsStore& s, const QStringList& stored, const std::string& context)
{
    for (const Row& r : Rows()) {
        const auto expected = stored.contains(r.Key()) ? std::optional<qint64>(r.stored) : r.Expected(false);
        EXPECT_EQ(r.field(s), expected) << context << ": field of " << r.Key().toStdString();
    }
}

QStringList Sorted(QStringList keys)
{
    keys.sort();
    return keys;
}

TEST_F(SettingsTest, EveryValueNameHasItsDefaultAndSetsItsField)
{
    for (const bool ussd : {false, true}) {
        SettingsStore fresh(ussd);
        auto s = Store();
        fresh.Load(*s);
        for (const Row& r : Rows())
            EXPECT_EQ(r.field(fresh), r.Expected(ussd)) << "default of " << r.Key().toStdString();
    }
    for (const Row& r : Rows()) {
        ASSERT_NE(r.Expected(false), std::optional<qint64>(r.stored)) << r.Key().toStdString();
        Store()->clear();
        Write(r.Key(), r.stored);
        // Only this field moves: a name read into the wrong field shows on both.
        ExpectFields(Load(), {r.Key()}, "only " + r.Key().toStdString() + " stored");
    }
}

class SettingsSaveTest : public SettingsTest
{
protected:
    // The value of one key loaded as its stored non-default, as the main window holds it after
    // its creation (which flips the two large-display actions back to the stored choice).
    SettingsStore Changed(const QString& key)
    {
        Store()->clear();
        Write(key, RowOf(key)->stored);
        SettingsStore settings = Load();
        settings.LargeButtonsChecked = !settings.LargeButtonsChecked;
        settings.LargeTextChecked = !settings.LargeTextChecked;
        Store()->clear();
        return settings;
    }
    // For each key, one at a time changed: `save` into an empty store writes exactly `keys`, and a
    // later run reads that one back changed and every other field as its default (except `fixed`,
    // whose values come from elsewhere and read back as their rows' stored values).
    void ExpectSave(const std::function<bool(const SettingsStore&, QSettings&)>& save, const QStringList& keys,
                    const QStringList& fixed, const char* what)
    {
        for (const QString& key : keys)
            ASSERT_NE(RowOf(key), nullptr) << what << ": " << key.toStdString();
        for (const QString& key : keys) {
            if (fixed.contains(key))
                continue;
            const std::string context = std::string(what) + ", " + key.toStdString() + " changed";
            ASSERT_TRUE(save(Changed(key), *Store())) << context;
            EXPECT_EQ(Sorted(Store()->allKeys()), Sorted(keys)) << context;
            ExpectFields(Load(), fixed + QStringList{key}, context);
        }
    }
};

const QStringList kOnCloseKeys = {
    "Layout/Application.State", "Layout/Application.Message", "Settings/AlwaysOnTop", "Settings/HideWhenMinimized",
    "Settings/LargeButtons",    "Settings/LargeText",         "SMS/DeliveryReport",
};
const QStringList kPlacementKeys = {
    "Layout/Application.Top",
    "Layout/Application.Left",
    "Layout/Application.Width",
    "Layout/Application.Height",
};

TEST_F(SettingsSaveTest, OnCloseWritesItsSetAndThePlacementFromTheNormalRectangle)
{
    // The rectangle carries the rows' stored position and size, so they read back as stored.
    const QRect normal(35, -20, 1000, 480);
    ExpectSave([&](const SettingsStore& s, QSettings& q) { return s.SaveOnClose(q, normal); },
               kOnCloseKeys + kPlacementKeys, kPlacementKeys, "on close with the placement");
    ExpectSave([](const SettingsStore& s, QSettings& q) { return s.SaveOnClose(q, std::nullopt); }, kOnCloseKeys, {},
               "on close without the placement");
}

TEST_F(SettingsSaveTest, OnCloseTakesThePlacementFromTheRectangleNotTheLoadedLayout)
{
    SettingsStore s; // nothing loaded: no position of its own
    s.ApplicationWidth = 1;
    s.ApplicationHeight = 2;
    ASSERT_TRUE(s.SaveOnClose(*Store(), QRect(-5, 7, 640, 350)));
    const SettingsStore back = Load();
    EXPECT_EQ(back.ApplicationLeft, -5);
    EXPECT_EQ(back.ApplicationTop, 7);
    EXPECT_EQ(back.ApplicationWidth, 640);
    EXPECT_EQ(back.ApplicationHeight, 350);
}

TEST_F(SettingsSaveTest, OnDestructionWritesItsSet)
{
    ExpectSave([](const SettingsStore& s, QSettings& q) { return s.SaveOnDestruction(q); },
               {"Settings/HideWhenMinimized", "Settings/AlwaysOnTop", "Settings/LargeButtons", "Settings/ShowLabels",
                "SMS/DeliveryReport"},
               {}, "on destruction");
}

TEST_F(SettingsSaveTest, SettingsWindowWritesItsList)
{
    ExpectSave([](const SettingsStore& s, QSettings& q) { return s.SaveOptions(q); },
               {"Settings/ApplicationIcon",
                "Settings/EventIcon",
                "Settings/HideWhenMinimized",
                "Settings/HideWhenClosing",
                "Settings/AlwaysOnTop",
                "Settings/LargeButtons",
                "Settings/LargeText",
                "Settings/LargeRows",
                "Settings/CloseConfirmation",
                "Settings/Contacts",
                "Settings/ShowToastNotification",
                "Settings/ShowBalloonNotification",
                "Settings/ShowSignalStrength",
                "Settings/ShowDataClassIcon",
                "Settings/ShowDataClassNotification",
                "Settings/ShowNetworkRegistration",
                "Settings/CsvDelimiter",
                "SMS/DeliveryReport",
                "SMS/SaveSent",
                "SMS/ConfirmationToSend",
                "SMS/ReceiveTimerEnabled"},
               {}, "settings window");
}

TEST_F(SettingsSaveTest, StoredLargeChoicesComeBackInvertedForTheFlip)
{
    SettingsStore s;
    s.LargeButtonsChecked = true; // large buttons chosen
    s.LargeTextChecked = false;
    ASSERT_TRUE(s.SaveOptions(*Store()));
    const SettingsStore back = Load();
    EXPECT_FALSE(back.LargeButtonsChecked);
    EXPECT_TRUE(back.LargeTextChecked);
}

TEST(SettingsUserStore, OneFilePerTitleUnderTheOrganisation)
{
    const auto store = SettingsStore::OpenUserStore();
    EXPECT_TRUE(store->fileName().endsWith(QStringLiteral("/Corvaline/Parlowen.conf")))
        << store->fileName().toStdString();
    EXPECT_NE(SettingsStore::OpenUserStore(QStringLiteral("Other"))->fileName(), store->fileName());
}

} // namespace
