// Which channel announces what, and the program's menu entry and web links.
#include "app/Settings.h"
#include "controller/Announcer.h"
#include "controller/ShellIntegration.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Said
{
    QString channel; // "balloon:app", "balloon:dataclass" or "toast"
    QString title;
    QString text;
    int timeoutMs = 0;
    bool operator==(const Said&) const = default;
};

void PrintTo(const Said& s, std::ostream* os)
{
    *os << s.channel.toStdString() << " [" << s.title.toStdString() << "] " << s.text.toStdString() << " "
        << s.timeoutMs;
}

class RecordingChannels : public AnnounceChannels
{
public:
    bool applicationIcon = true;
    bool dataClassIcon = true;
    std::vector<Said> said;

    bool Balloon(TrayIconId icon, const QString& title, const QString& text, int timeoutMs) override
    {
        const bool app = icon == TrayIconId::Application;
        if (!(app ? applicationIcon : dataClassIcon))
            return false;
        said.push_back(
            {app ? QStringLiteral("balloon:app") : QStringLiteral("balloon:dataclass"), title, text, timeoutMs});
        return true;
    }
    bool Toast(const QString& title, const QString& text) override
    {
        said.push_back({QStringLiteral("toast"), title, text, 0});
        return true;
    }
};

struct Options
{
    bool balloon, toast, dataClassNotification, trayIcon, dataClassIcon;
};

struct AnnounceCase
{
    const char* name;
    Options options;
    std::vector<Said> notify;    // for Notify("Parlowen", "You have a new SMS message")
    std::vector<Said> dataClass; // for DataClass("LTE")
};

class AnnouncerTest : public ::testing::TestWithParam<AnnounceCase>
{ };

const QString Caption = QStringLiteral("Parlowen");
const QString NewSms = QStringLiteral("You have a new SMS message");
const QString Broadband = QStringLiteral("Mobile Broadband");
const QString Lte = QStringLiteral("LTE");

TEST_P(AnnouncerTest, EachEventTakesTheChannelsItsOptionsGive)
{
    const AnnounceCase& c = GetParam();
    SettingsStore settings;
    settings.ShowBalloonNotification = c.options.balloon;
    settings.ShowToastNotification = c.options.toast;
    settings.ShowDataClassNotification = c.options.dataClassNotification;
    settings.ShowTrayIcon = c.options.trayIcon;
    settings.ShowDataClassIcon = c.options.dataClassIcon;
    RecordingChannels channels;
    Announcer announcer(settings, channels);

    announcer.Notify(Caption, NewSms);
    EXPECT_EQ(channels.said, c.notify);
    channels.said.clear();
    announcer.DataClass(Lte);
    EXPECT_EQ(channels.said, c.dataClass);
    channels.said.clear();
    announcer.DataClass(QString());
    EXPECT_TRUE(channels.said.empty()) << "an empty data class says nothing";
}

const Said AppBalloon{QStringLiteral("balloon:app"), Caption, NewSms, 5000};
const Said Toast{QStringLiteral("toast"), Caption, NewSms, 0};
const Said DataClassOnItsIcon{QStringLiteral("balloon:dataclass"), Broadband, Lte, 2000};
const Said DataClassOnAppIcon{QStringLiteral("balloon:app"), Broadband, Lte, 2000};
const Said DataClassToast{QStringLiteral("toast"), Broadband, Lte, 0};

INSTANTIATE_TEST_SUITE_P(
    Options, AnnouncerTest,
    ::testing::Values(AnnounceCase{"Defaults", {true, true, false, true, false}, {AppBalloon, Toast}, {}},
                      AnnounceCase{"BalloonOnly", {true, false, true, true, false}, {AppBalloon}, {DataClassOnAppIcon}},
                      AnnounceCase{"ToastOnly", {false, true, true, true, true}, {Toast}, {DataClassToast}},
                      AnnounceCase{"DataClassIconTakesItsBalloon",
                                   {true, true, true, true, true},
                                   {AppBalloon, Toast},
                                   {DataClassOnItsIcon, DataClassToast}},
                      // Without either icon the balloons have nowhere to go; toasts still do.
                      AnnounceCase{"NoIcons", {true, true, true, false, false}, {Toast}, {DataClassToast}},
                      AnnounceCase{"Nothing", {false, false, true, true, true}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Announcer, AClickOnTheDataClassIconShowsProviderDataClassAndSignal)
{
    SettingsStore settings;
    RecordingChannels channels;
    Announcer announcer(settings, channels);
    settings.ShowDataClassIcon = true;
    settings.ShowDataClassIconBalloon = true;
    announcer.DataClassIconClicked(QStringLiteral("Home Net"), QStringLiteral("UMTS"), QStringLiteral("-81 dBm"));
    ASSERT_EQ(channels.said.size(), 1u);
    EXPECT_EQ(channels.said[0], (Said{QStringLiteral("balloon:dataclass"), QStringLiteral("Home Net"),
                                      QStringLiteral("Data class: UMTS\nSignal level: -81 dBm"), 1000}));

    settings.ShowDataClassIconBalloon = false;
    announcer.DataClassIconClicked(QStringLiteral("Home Net"), QStringLiteral("UMTS"), QString());
    EXPECT_EQ(channels.said.size(), 1u);
}

QString Read(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

QString Key(const QString& entry, const QString& key)
{
    for (const QString& line : entry.split(u'\n'))
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    return QStringLiteral("<missing>");
}

TEST(DesktopEntry, WrittenEnsuredAndItsIconUpdatedInPlace)
{
    QTemporaryDir dir;
    const QString path = shell::DesktopEntryPath(dir.path());
    EXPECT_EQ(path, dir.path() + QStringLiteral("/applications/parlowen.desktop"));

    EXPECT_FALSE(shell::UpdateDesktopEntryIcon(path, QStringLiteral("/x.png"))) << "no entry yet, nothing made";
    EXPECT_FALSE(QFile::exists(path));

    ASSERT_TRUE(
        shell::EnsureDesktopEntry(path, QStringLiteral("/opt/parlowen/bin/parlowen"), QStringLiteral("/a.png")));
    QString entry = Read(path);
    EXPECT_TRUE(entry.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_EQ(Key(entry, QStringLiteral("Exec")), QStringLiteral("\"/opt/parlowen/bin/parlowen\""));
    EXPECT_EQ(Key(entry, QStringLiteral("Icon")), QStringLiteral("/a.png"));
    EXPECT_EQ(Key(entry, QStringLiteral("Type")), QStringLiteral("Application"));

    // Ensure keeps what is there; Write replaces it.
    ASSERT_TRUE(shell::EnsureDesktopEntry(path, QStringLiteral("/other"), QStringLiteral("/b.png")));
    EXPECT_EQ(Key(Read(path), QStringLiteral("Icon")), QStringLiteral("/a.png"));
    ASSERT_TRUE(shell::WriteDesktopEntry(path, QStringLiteral("/other"), QStringLiteral("/b.png")));
    EXPECT_EQ(Key(Read(path), QStringLiteral("Exec")), QStringLiteral("\"/other\""));

    ASSERT_TRUE(shell::UpdateDesktopEntryIcon(path, QStringLiteral("/c.png")));
    entry = Read(path);
    EXPECT_EQ(Key(entry, QStringLiteral("Icon")), QStringLiteral("/c.png"));
    EXPECT_EQ(Key(entry, QStringLiteral("Exec")), QStringLiteral("\"/other\""));
}

TEST(DesktopEntry, ProgramPathsAreQuotedSoTheDesktopRunsThemAsOneWord)
{
    QTemporaryDir dir;
    const QString path = shell::DesktopEntryPath(dir.path());
    // Blanks, quotes, a dollar, a backslash, a percent sign and a line break of a hostile path.
    ASSERT_TRUE(
        shell::WriteDesktopEntry(path, QStringLiteral("/home/a b/\"x\"$y\\z%f\nExec=evil"), QStringLiteral("/p.png")));
    const QString entry = Read(path);
    EXPECT_EQ(Key(entry, QStringLiteral("Exec")),
              QStringLiteral("\"/home/a b/\\\\\"x\\\\\"\\\\$y\\\\\\\\z%%f Exec=evil\""));
    EXPECT_EQ(entry.split(u'\n').filter(QRegularExpression(QStringLiteral("^Exec="))).size(), 1)
        << "the line break does not start a line of its own";
}

TEST(DesktopEntry, IconFileFallsBackToTheThemeNameWithoutCompiledPictures)
{
    QTemporaryDir dir;
    // This test program has no pictures compiled in.
    EXPECT_EQ(shell::IconFile(3, dir.path()), QStringLiteral("parlowen"));
}

TEST(WebLinks, CarryLinkKeyAndLanguage)
{
    const QUrl url = shell::WebLink(QStringLiteral("Support"), QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    EXPECT_EQ(url.path(), QStringLiteral("/fwlink/"));
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("KeyID")), QStringLiteral("5D2B9C71-3E08-4A6F-9C45-B17E0D83F2A6"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("LocaleID")), QStringLiteral("1031"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("LinkID")).size(), 36);

    // Each of the six names has its own link; anything else has none.
    QStringList ids;
    for (const char* name : {"HomePage", "Help", "Support", "License", "Faq", "Download"}) {
        const QUrl link = shell::WebLink(QString::fromLatin1(name), QLocale(QLocale::English, QLocale::UnitedStates));
        ASSERT_TRUE(link.isValid()) << name;
        ids << QUrlQuery(link).queryItemValue(QStringLiteral("LinkID"));
    }
    ids.removeDuplicates();
    EXPECT_EQ(ids.size(), 6);
    EXPECT_FALSE(shell::WebLink(QStringLiteral("Nothing"), QLocale()).isValid());
}

TEST(WebLinks, LanguageIdentifiers)
{
    EXPECT_EQ(shell::LanguageId(QLocale(QLocale::English, QLocale::UnitedStates)), 1033u);
    EXPECT_EQ(shell::LanguageId(QLocale(QLocale::English, QLocale::UnitedKingdom)), 2057u);
    EXPECT_EQ(shell::LanguageId(QLocale(QLocale::Portuguese, QLocale::Brazil)), 1046u);
    EXPECT_EQ(shell::LanguageId(QLocale(QLocale::Portuguese, QLocale::Portugal)), 2070u);
    EXPECT_EQ(shell::LanguageId(QLocale(QLocale::Swahili, QLocale::Kenya)), 1033u) << "unknown: English";
}

} // namespace
