#pragma once
// Delimited text as the contacts and message exports write it and the contacts import reads it:
// UTF-8 with a byte-order mark, CR LF after every line, no header line. A field is quoted only
// when it holds the delimiter or a double quote, which is then doubled.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace csv {

// One line's text without its line end.
QString JoinFields(const QStringList& fields, QChar delimiter);

// The reverse: a quoted field runs to its closing quote ("" inside stands for one); what follows that
// quote up to the next delimiter is a field of its own. An empty line gives no field; a delimiter
// at the end gives a last, empty field.
QStringList SplitFields(const QString& line, QChar delimiter);

// Accumulates lines and writes them in one go.
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

// Reads a whole text file as UTF-8, a leading byte-order mark skipped, split at CR LF, CR or LF.
// False with the reason in error when the file cannot be read.
bool ReadLines(const QString& path, QStringList* lines, QString* error);

} // namespace csv
