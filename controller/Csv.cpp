#include "controller/Csv.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace csv {

namespace {

const QByteArray kBom("\xEF\xBB\xBF");

bool NeedsQuotes(const QString& field, QChar delimiter)
{
    for (QChar c : field)
        if (c == delimiter || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    return false;
}

void AppendField(QString& out, const QString& field, QChar delimiter)
{
    if (!NeedsQuotes(field, delimiter)) {
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

bool IsLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// Line breaks in text[from, to), CR LF counted once.
qsizetype CountLineEnds(const QString& text, qsizetype from, qsizetype to)
{
    qsizetype count = 0;
    for (qsizetype i = from; i < to; ++i) {
        if (text[i] == QLatin1Char('\n'))
            ++count;
        else if (text[i] == QLatin1Char('\r') && (i + 1 >= text.size() || text[i + 1] != QLatin1Char('\n')))
            ++count;
    }
    return count;
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

RecordReader::RecordReader(const QString& text, QChar delimiter) : text_(text), delimiter_(delimiter)
{ }

QString RecordReader::QuotedField(qsizetype limit, bool* closed)
{
    QString field;
    qsizetype i = pos_ + 1; // past the opening quote
    *closed = false;
    while (i < limit) {
        const qsizetype quote = text_.indexOf(QLatin1Char('"'), i);
        if (quote < 0 || quote >= limit)
            break;
        field += QStringView(text_).mid(i, quote - i);
        if (quote + 1 < limit && text_[quote + 1] == QLatin1Char('"')) {
            field += QLatin1Char('"');
            i = quote + 2;
            continue;
        }
        *closed = true;
        line_ += CountLineEnds(text_, pos_, quote);
        pos_ = quote + 1;
        return field;
    }
    field += QStringView(text_).mid(i, limit - i);
    return field;
}

void RecordReader::EndLine()
{
    const qsizetype n = text_.size();
    if (pos_ >= n)
        return;
    if (text_[pos_] == QLatin1Char('\r') && pos_ + 1 < n && text_[pos_ + 1] == QLatin1Char('\n'))
        ++pos_;
    ++pos_;
    ++line_;
}

bool RecordReader::Next(QStringList* fields)
{
    fields->clear();
    const qsizetype n = text_.size();
    if (pos_ >= n)
        return false;
    recordLine_ = line_;
    auto atEnd = [&](qsizetype i) { return i >= n || IsLineEnd(text_[i]); };
    // Where the plain text from i ends: at the delimiter or the end of the line.
    auto plainEnd = [&](qsizetype i) {
        while (!atEnd(i) && text_[i] != delimiter_)
            ++i;
        return i;
    };
    if (atEnd(pos_)) {
        EndLine(); // an empty line
        return true;
    }
    for (;;) {
        if (text_[pos_] == QLatin1Char('"')) {
            bool closed = false;
            QString field = QuotedField(n, &closed);
            if (!closed) {
                // Never closed: the field runs to the end of its own line only.
                qsizetype lineEnd = pos_;
                while (!atEnd(lineEnd))
                    ++lineEnd;
                field = QuotedField(lineEnd, &closed);
                pos_ = lineEnd;
            }
            *fields << field;
            if (!atEnd(pos_) && text_[pos_] != delimiter_) {
                // Text after the closing quote, up to the delimiter, is a field of its own.
                const qsizetype end = plainEnd(pos_);
                *fields << text_.mid(pos_, end - pos_);
                pos_ = end;
            }
        } else {
            const qsizetype end = plainEnd(pos_);
            *fields << text_.mid(pos_, end - pos_);
            pos_ = end;
        }
        if (atEnd(pos_)) {
            EndLine();
            return true;
        }
        ++pos_; // past the delimiter; one at the end of the record leaves a last, empty field
        if (atEnd(pos_)) {
            *fields << QString();
            EndLine();
            return true;
        }
    }
}

QStringList SplitFields(const QString& text, QChar delimiter)
{
    QStringList fields;
    RecordReader(text, delimiter).Next(&fields);
    return fields;
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

bool ReadText(const QString& path, QString* text, QString* error)
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
    // Only the one mark is skipped: a second belongs to the first field.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    *text = decoder.decode(bytes);
    return true;
}

} // namespace csv
