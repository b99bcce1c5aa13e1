#include "ussd/Templates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

namespace {

// mkdir -p with the private mode, as the data-home rules ask.
bool MakeFolder(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    const QString parent = info.absolutePath();
    if (parent != path && !QFileInfo(parent).isDir() && !MakeFolder(parent))
        return false;
    return ::mkdir(QFile::encodeName(path).constData(), 0700) == 0 || errno == EEXIST;
}

QString Utf16(const QByteArray& bytes, qsizetype skip, bool bigEndian)
{
    const qsizetype units = (bytes.size() - skip) / 2; // an odd last byte is dropped
    QString text;
    text.reserve(units);
    for (qsizetype i = 0; i < units; ++i) {
        const auto a = static_cast<std::uint8_t>(bytes[skip + 2 * i]);
        const auto b = static_cast<std::uint8_t>(bytes[skip + 2 * i + 1]);
        text.append(QChar(static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a)));
    }
    return text;
}

} // namespace

QString UssdTemplatesPath(const QString& programPath)
{
    const QFileInfo program(programPath);
    const QString fileName = program.completeBaseName() + QStringLiteral(".ussd");
    const QString beside = program.absolutePath() + QLatin1Char('/') + fileName;
    if (QFileInfo(beside).isFile())
        return beside;

    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    const QString folder = dataHome + QStringLiteral("/Parlowen");
    MakeFolder(folder); // when this fails, reading the file fails and says so
    return folder + QLatin1Char('/') + fileName;
}

namespace ussd {

QString DecodeTemplatesText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE"))
        return Utf16(bytes, 2, false);
    if (bytes.startsWith("\xFE\xFF"))
        return Utf16(bytes, 2, true);
    return QString::fromUtf8(bytes);
}

QStringList TemplateLines(const QString& text)
{
    QStringList lines;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            lines.append(line);
    }
    return lines;
}

std::optional<QStringList> ReadTemplates(const QString& path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.read(MaxTemplatesFileBytes);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return TemplateLines(DecodeTemplatesText(bytes));
}

QString TemplateCode(const QString& line)
{
    // Positions from 1; 0 when the character is not there.
    const qsizetype a = line.indexOf(QLatin1Char('*')) + 1;
    const qsizetype b = line.lastIndexOf(QLatin1Char('#')) + 1;
    if (b - a < 1)
        return {};
    return line.mid(a > 0 ? a - 1 : 0, b - a + 1);
}

bool AddRecentRequest(QStringList& items, const QString& request)
{
    for (const QString& item : items)
        if (item.compare(request, Qt::CaseInsensitive) == 0)
            return false;
    items.append(request);
    return true;
}

} // namespace ussd
