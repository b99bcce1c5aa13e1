#include "controller/Csv.h"

#include <QFile>
#include <QSaveFile>

namespace csv {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

void AppendField(QString& out, const QString& field, QChar delimiter)
{
    if (!field.contains(delimiter) && !field.contains(QLatin1Char('"'))) {
        out += field;
        return;
    }
    out += QLatin1Char('"');
    for (QChar c : field) {
        if (c == QLatin1Char('"'))
            out += QLatin1Char('"');
        out += c;
    }
    out += QLatin1Char('"');
}

} // namespace

QString JoinFields(const QStringList& fields, QChar delimiter)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += delimiter;
        AppendField(line, fields[i], delimiter);
    }
    return line;
}

QStringList SplitFields(const QString& line, QChar delimiter)
{
    QStringList fields;
    if (line.isEmpty())
        return fields;
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        QString field;
        if (i < n && line[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (line[i] == QLatin1Char('"')) {
                    if (i + 1 < n && line[i + 1] == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i; // the closing quote
                    break;
                }
                field += line[i++];
            }
            fields << field;
            if (i >= n)
                return fields;
            if (line[i] != delimiter) {
                // Text after the closing quote, up to the delimiter, is a field of its own.
                const qsizetype end = line.indexOf(delimiter, i);
                fields << line.mid(i, end < 0 ? -1 : end - i);
                if (end < 0)
                    return fields;
                i = end;
            }
        } else {
            const qsizetype end = line.indexOf(delimiter, i);
            fields << line.mid(i, end < 0 ? -1 : end - i);
            if (end < 0)
                return fields;
            i = end;
        }
        ++i; // past the delimiter; one at the very end leaves a last, empty field
        if (i >= n) {
            fields << QString();
            return fields;
        }
    }
}

Writer::Writer(QChar delimiter) : delimiter_(delimiter), bytes_(kBom)
{ }

void Writer::AddLine(const QStringList& fields)
{
    bytes_ += JoinFields(fields, delimiter_).toUtf8();
    bytes_ += "\r\n";
}

bool Writer::Save(const QString& path, QString* error) const
{
    // Written beside the target and renamed over it: a failed write never leaves half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes_) != bytes_.size() || !file.commit()) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool ReadLines(const QString& path, QStringList* lines, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    if (bytes.startsWith(kBom))
        bytes.remove(0, kBom.size());
    const QString text = QString::fromUtf8(bytes);
    lines->clear();
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        *lines << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        *lines << text.mid(start);
    return true;
}

} // namespace csv
