#include "controller/ShellIntegration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

namespace shell {

namespace {

// A value may not hold line breaks.
QString OneLine(QString value)
{
    value.replace(u'\n', u' ').replace(u'\r', u' ');
    return value;
}

} // namespace

QString ExecProgram(const QString& program)
{
    // Inside double quotes, a backslash before ", `, $ and \.
    QString quoted;
    for (const QChar c : program) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        else if (c == u'%') // field codes start with it
            quoted += u'%';
        quoted += c;
    }
    // The desktop entry's own escape rule doubles backslashes once more.
    quoted.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    return OneLine(u'"' + quoted + u'"');
}

bool SaveFile(const QString& path, const QByteArray& contents)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(contents);
    return file.commit();
}

QString DataHome(const QString& dataHome)
{
    return dataHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) : dataHome;
}

QString DesktopEntryPath(const QString& dataHome)
{
    return DataHome(dataHome) + QStringLiteral("/applications/parlowen.desktop");
}

QString IconFile(int index, const QString& dataHome)
{
    if (index < 0 || index > 5)
        index = 0;
    const QString source = QStringLiteral(":/icons/app-%1-256.png").arg(index);
    const QString target = DataHome(dataHome) + QStringLiteral("/Parlowen/icons/parlowen-%1.png").arg(index);
    if (QFileInfo::exists(target))
        return target;
    QFile picture(source);
    if (picture.open(QIODevice::ReadOnly) && SaveFile(target, picture.readAll()))
        return target;
    return QStringLiteral("parlowen"); // the installed theme icon
}

bool WriteDesktopEntry(const QString& path, const QString& program, const QString& iconFile)
{
    const QStringList lines = {
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Name=Parlowen"),
        QStringLiteral("GenericName=SMS over a Mobile Broadband Modem"),
        QStringLiteral("Comment=Send and receive SMS, run USSD and manage SIM contacts through an MBIM modem"),
        QStringLiteral("Exec=") + ExecProgram(program),
        QStringLiteral("Icon=") + OneLine(iconFile),
        QStringLiteral("Terminal=false"),
        QStringLiteral("Categories=Network;Telephony;Qt;"),
        QStringLiteral("StartupNotify=true"),
        QStringLiteral("X-GNOME-UsesNotifications=true"),
    };
    return SaveFile(path, (lines.join(u'\n') + u'\n').toUtf8());
}

bool EnsureDesktopEntry(const QString& path, const QString& program, const QString& iconFile)
{
    if (QFileInfo::exists(path))
        return true;
    return WriteDesktopEntry(path, program, iconFile);
}

bool UpdateDesktopEntryIcon(const QString& path, const QString& iconFile)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    file.close();
    bool inMain = false, changed = false;
    for (QString& line : lines) {
        if (line.startsWith(u'['))
            inMain = line == QLatin1String("[Desktop Entry]");
        else if (inMain && line.startsWith(QLatin1String("Icon="))) {
            line = QStringLiteral("Icon=") + OneLine(iconFile);
            changed = true;
        }
    }
    return changed && SaveFile(path, lines.join(u'\n').toUtf8());
}

unsigned LanguageId(const QLocale& locale)
{
    struct Row
    {
        QLocale::Language language;
        QLocale::Territory territory; // AnyTerritory: any other
        unsigned id;
    };
    static const Row rows[] = {
        {QLocale::English, QLocale::UnitedKingdom, 2057},  {QLocale::English, QLocale::AnyTerritory, 1033},
        {QLocale::German, QLocale::AnyTerritory, 1031},    {QLocale::French, QLocale::AnyTerritory, 1036},
        {QLocale::Spanish, QLocale::AnyTerritory, 3082},   {QLocale::Italian, QLocale::AnyTerritory, 1040},
        {QLocale::Portuguese, QLocale::Brazil, 1046},      {QLocale::Portuguese, QLocale::AnyTerritory, 2070},
        {QLocale::Dutch, QLocale::AnyTerritory, 1043},     {QLocale::Polish, QLocale::AnyTerritory, 1045},
        {QLocale::Czech, QLocale::AnyTerritory, 1029},     {QLocale::Russian, QLocale::AnyTerritory, 1049},
        {QLocale::Ukrainian, QLocale::AnyTerritory, 1058}, {QLocale::Japanese, QLocale::AnyTerritory, 1041},
        {QLocale::Chinese, QLocale::AnyTerritory, 2052},
    };
    for (const Row& row : rows)
        if (row.language == locale.language() &&
            (row.territory == QLocale::AnyTerritory || row.territory == locale.territory()))
            return row.id;
    return 1033;
}

QUrl WebLink(const QString& name, const QLocale& locale)
{
    struct Link
    {
        const char* name;
        const char* id;
    };
    static const Link links[] = {
        {"HomePage", "6A1F3C52-8D47-4E0B-A93C-2F5D71B0E846"}, {"Help", "0C8E2B71-5F3A-4D96-B1E4-7A2C93D5F018"},
        {"Support", "D4B7193E-2A6C-4F85-9E30-C1857A6B42DF"},  {"License", "93E5A2C8-1B4D-4A7F-8C62-5E0F3D9B71A4"},
        {"Faq", "2F8C6D41-7E3B-4B5A-A09D-6C1E85F2B739"},      {"Download", "B81D5E27-4C9A-4E63-BF12-9A3D7C60E5F8"},
    };
    static const char* const KeyId = "5D2B9C71-3E08-4A6F-9C45-B17E0D83F2A6";
    for (const Link& link : links) {
        if (name != QLatin1String(link.name))
            continue;
        QUrl url(QStringLiteral("https://parlowen.github.io/fwlink/"));
        url.setQuery(QStringLiteral("LinkID=%1&KeyID=%2&LocaleID=%3")
                         .arg(QLatin1String(link.id), QLatin1String(KeyId))
                         .arg(LanguageId(locale)));
        return url;
    }
    return QUrl();
}

} // namespace shell
