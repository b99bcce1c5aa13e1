// A contacts file of any bytes through the whole import: the file is read, split into records by
// the delimiter the first byte picks and written into a database. Every record's fields must
// survive being written out and read again, which is what export followed by import does.
#include "app/Settings.h"
#include "controller/ContactsBook.h"
#include "controller/Csv.h"
#include "storage/Database.h"
#include "support/RecordingHost.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// One database for the whole run, in memory-backed storage when there is some: each import
// replaces every contact anyway.
struct Rig
{
    QTemporaryDir dir{QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm/parlowen-fuzz-XXXXXX")
                                                                : QString()};
    QDatabase database{nullptr};
    QString file = dir.filePath(QStringLiteral("contacts.csv"));
    testsupport::RecordingHost host;
    Rig()
    {
        if (!dir.isValid() || !database.Open(dir.filePath(QStringLiteral("contacts.db"))))
            std::abort();
    }
};

const QChar kDelimiters[] = {u';', u',', u'\t', u' '};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Rig rig;
    if (size == 0 || size > 16 * 1024)
        return 0;
    SettingsStore settings;
    settings.CsvDelimiter = data[0] % 4;
    const QChar delimiter = settings.CsvDelimiterChar();
    if (delimiter != kDelimiters[data[0] % 4])
        std::abort();

    QFile file(rig.file);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char*>(data + 1), static_cast<qint64>(size - 1));
    file.close();

    QString text;
    QString error;
    if (!csv::ReadText(file.fileName(), &text, &error))
        std::abort(); // the file is there and readable
    csv::RecordReader reader(text, delimiter);
    QStringList fields;
    std::vector<QStringList> records;
    qsizetype line = 0;
    while (reader.Next(&fields)) {
        if (reader.RecordLine() <= line)
            std::abort(); // every record moves on by at least one line
        line = reader.RecordLine();
        if (fields.isEmpty() || (fields.size() == 1 && fields[0].isEmpty()))
            continue; // a lone empty field is written as an empty line, which holds none
        if (csv::SplitFields(csv::JoinFields(fields, delimiter), delimiter) != fields)
            std::abort();
        records.push_back(fields);
    }
    // Written out as export writes them, the records read back the same, line breaks and all.
    csv::Writer writer(delimiter);
    for (const QStringList& record : records)
        writer.AddLine(record);
    const QString exported = rig.dir.filePath(QStringLiteral("exported.csv"));
    QString written;
    if (!writer.Save(exported, &error) || !csv::ReadText(exported, &written, &error))
        std::abort();
    csv::RecordReader again(written, delimiter);
    std::size_t index = 0;
    while (again.Next(&fields))
        if (index >= records.size() || fields != records[index++])
            std::abort();
    if (index != records.size())
        std::abort();

    // The import is confirmed and given the file; what it logs and shows is not kept between runs.
    rig.host.prompts.answers = {true};
    rig.host.prompts.files = {rig.file};
    ContactsBook book(rig.host, settings, rig.database);
    bool cleared = false;
    const bool imported = book.Import([&] { cleared = true; });
    rig.host.log.clear();
    rig.host.prompts.shown.clear();
    if (!imported || !cleared)
        std::abort();
    return 0;
}
