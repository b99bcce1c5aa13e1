#pragma once
// Delimited text as the contacts and message exports write it and the contacts import reads it:
// UTF-8 with a byte-order mark, CR LF after every record, no header line. A field is quoted only
// when it holds the delimiter, a double quote (then doubled) or a line break, as spreadsheet
// programs do, so a multi-line note stays one field of one record.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace csv {

// One record's text without its line end.
QString JoinFields(const QStringList& fields, QChar delimiter);

// Reads records from decoded text. A record ends at CR LF, CR or LF outside quotes. A field that
// begins with a double quote runs to its closing quote ("" inside stands for one), line breaks
// included; what follows that quote up to the next delimiter is a field of its own. A quote that
// is never closed runs only to the end of its line, so one stray quote cannot swallow the rest of
// the file. An empty line is a record without fields; a delimiter at the end of a record gives a
// last, empty field.
class RecordReader
{
public:
    RecordReader(const QString& text, QChar delimiter);
    // False at the end of the text.
    bool Next(QStringList* fields);
    // The line (from 1) the last record began on.
    qsizetype RecordLine() const { return recordLine_; }

private:
    QString QuotedField(qsizetype limit, bool* closed);
    void EndLine();

    QString text_;
    QChar delimiter_;
    qsizetype pos_ = 0;
    qsizetype line_ = 1;
    qsizetype recordLine_ = 0;
};

// The fields of the first record in text.
QStringList SplitFields(const QString& text, QChar delimiter);

// Accumulates records and writes them in one go.
class Writer
{
public:
    explicit Writer(QChar delimiter);
    void AddLine(const QStringList& fields);
    const QByteArray& Bytes() const { return bytes_; }
    // Writes the whole file or nothing useful; false with the reason in error.
    bool Save(const QString& path, QString* error) const;

private:
    QChar delimiter_;
    QByteArray bytes_;
};

// Reads a whole text file as UTF-8, a leading byte-order mark skipped. False with the reason in
// error when the file cannot be read.
bool ReadText(const QString& path, QString* text, QString* error);

} // namespace csv
