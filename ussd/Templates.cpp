#include "ussd/Templates.h"

#include "app/DataPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

QString UssdTemplatesPath(const QString& programPath)
{
    return ProgramDataFile(programPath, QStringLiteral("ussd"), QStringLiteral("Parlowen"));
}

namespace ussd {

QString DecodeTemplatesText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    // An odd last byte of UTF-16 is dropped rather than shown as a replacement character.
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringConverter::Utf16LE)(bytes.sliced(2, (bytes.size() - 2) & ~qsizetype(1)));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringConverter::Utf16BE)(bytes.sliced(2, (bytes.size() - 2) & ~qsizetype(1)));
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
