#include "app/Settings.h"

#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  // A store on a fresh file, reopened so that values read back as a later run sees them.
  std::unique_ptr<QSettings> Store() {
    return std::make_unique<QSettings>(dir.filePath(QStringLiteral("Parlowen.conf")), QSettings::IniFormat);
  }
  void Write(const QString& key, const QVariant& value) {
    auto s = Store();
    s->setValue(key, value);
    s->sync();
  }
  SettingsStore Load() {
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

TEST_F(SettingsTest, FreshStoreHasTheDefaultsAndLogsTheSmsValues) {
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
  EXPECT_TRUE(Store()->allKeys().isEmpty());  // loading writes nothing
}

TEST_F(SettingsTest, LoadLogsInTableOrderWithTheRaisedInterval) {
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

TEST_F(SettingsTest, TimerLinesOnlyWhenTheTimerIsOn) {
  Write("SMS/ReceiveTimerInterval", 30);
  const SettingsStore s = Load();
  EXPECT_EQ(log, kDefaultSmsLines);
  EXPECT_EQ(s.ReceiveTimerInterval, 30);
}

TEST_F(SettingsTest, StoredValuesAreReadAndWrongTypesKeepDefaults) {
  struct Case {
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

TEST_F(SettingsTest, SavesWriteExactlyTheirSetsAndReadBack) {
  SettingsStore s;
  s.ApplicationState = 2;
  s.ApplicationMessage = 333;
  s.ApplicationTop = 10;
  s.ApplicationLeft = 20;
  s.ApplicationWidth = 1024;
  s.ApplicationHeight = 700;
  s.AlwaysOnTop = true;
  s.HideWhenMinimized = false;
  s.LargeButtonsChecked = true;  // the user chose large buttons
  s.LargeTextChecked = false;
  s.DeliveryReport = false;
  s.ShowLabels = true;

  ASSERT_TRUE(s.SaveOnClose(*Store(), false));
  EXPECT_EQ(Store()->allKeys(), (QStringList{"Layout/Application.Message", "Layout/Application.State",
                                             "SMS/DeliveryReport", "Settings/AlwaysOnTop",
                                             "Settings/HideWhenMinimized", "Settings/LargeButtons",
                                             "Settings/LargeText"}));
  ASSERT_TRUE(s.SaveOnClose(*Store(), true));
  EXPECT_EQ(Store()->allKeys().size(), 11);

  Store()->clear();
  ASSERT_TRUE(s.SaveOnDestruction(*Store()));
  EXPECT_EQ(Store()->allKeys(), (QStringList{"SMS/DeliveryReport", "Settings/AlwaysOnTop",
                                             "Settings/HideWhenMinimized", "Settings/LargeButtons",
                                             "Settings/ShowLabels"}));

  ASSERT_TRUE(s.SaveOnClose(*Store(), true));
  const SettingsStore back = Load();
  EXPECT_EQ(back.ApplicationState, 2);
  EXPECT_TRUE(back.RestoreMaximized);
  EXPECT_EQ(back.ApplicationMessage, 333);
  EXPECT_EQ(back.ApplicationTop, 10);
  EXPECT_EQ(back.ApplicationLeft, 20);
  EXPECT_EQ(back.ApplicationWidth, 1024);
  EXPECT_EQ(back.ApplicationHeight, 700);
  EXPECT_TRUE(back.AlwaysOnTop);
  EXPECT_FALSE(back.HideWhenMinimized);
  EXPECT_FALSE(back.DeliveryReport);
  EXPECT_TRUE(back.ShowLabels);
  // Stored choices come back inverted, ready for the flip at window creation.
  EXPECT_FALSE(back.LargeButtonsChecked);
  EXPECT_TRUE(back.LargeTextChecked);
}

TEST_F(SettingsTest, SettingsWindowValuesRoundTrip) {
  SettingsStore s;
  s.ApplicationIcon = 3;
  s.EventIcon = 4;
  s.CsvDelimiter = 2;
  s.ShowDataClassIcon = true;
  s.ReceiveTimerEnabled = true;
  s.SaveSent = false;
  ASSERT_TRUE(s.SaveOptions(*Store()));
  EXPECT_EQ(Store()->allKeys().size(), 21);
  const SettingsStore back = Load();
  EXPECT_EQ(back.ApplicationIcon, 3);
  EXPECT_EQ(back.EventIcon, 4);
  EXPECT_EQ(back.CsvDelimiterChar(), QLatin1Char('\t'));
  EXPECT_TRUE(back.ShowDataClassIcon);
  EXPECT_TRUE(back.ReceiveTimerEnabled);
  EXPECT_FALSE(back.SaveSent);
}

TEST(SettingsUserStore, OneFilePerTitleUnderTheOrganisation) {
  const auto store = SettingsStore::OpenUserStore();
  EXPECT_TRUE(store->fileName().endsWith(QStringLiteral("/Corvaline/Parlowen.conf")))
      << store->fileName().toStdString();
  EXPECT_NE(SettingsStore::OpenUserStore(QStringLiteral("Other"))->fileName(), store->fileName());
}

}  // namespace
