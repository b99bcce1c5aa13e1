// A contacts file of any bytes through the whole import: the file is read, split into records by
// the delimiter the first byte picks and written into a database. Every record's fields must
// survive being written out and read again, which is what export followed by import does.
#include "app/Prompts.h"
#include "app/Settings.h"
#include "app/Sounds.h"
#include "controller/ContactsBook.h"
#include "controller/Csv.h"
#include "controller/Host.h"
#include "storage/Database.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

class AnswerAll : public UserPrompts
{
public:
    QString file;
    bool Ask(const QString&, const QString&, PromptIcon) override { return true; }
    PromptChoice Choose(const QString&, const QString&) override { return PromptChoice::Yes; }
    void Show(const QString&, const QString&, PromptIcon) override { }
    std::optional<QString> Input(const QString&, const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> InputSecret(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> SaveFileName(const QString&, const QString&, const QString&) override
    {
        return std::nullopt;
    }
    std::optional<QString> OpenFileName(const QString&, const QString&) override { return file; }
};

class Silence : public SoundPlayer
{
public:
    void Play(const QString&) override { }
};

class Host : public ControllerHost
{
public:
    AnswerAll prompts;
    Silence sounds;
    void WriteLog(const QString&) override { }
    UserPrompts& Prompts() override { return prompts; }
    SoundPlayer& Sounds() override { return sounds; }
    void Notify(const QString&, const QString&) override { }
    QString Caption() const override { return QStringLiteral("Parlowen"); }
};

// One database for the whole run, in memory-backed storage when there is some: each import
// replaces every contact anyway.
struct Rig
{
    QTemporaryDir dir{QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm/parlowen-fuzz-XXXXXX")
                                                                : QString()};
    QDatabase database{nullptr};
    Host host;
    Rig()
    {
        if (!dir.isValid() || !database.Open(dir.filePath(QStringLiteral("contacts.db"))))
            std::abort();
        host.prompts.file = dir.filePath(QStringLiteral("contacts.csv"));
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

    QFile file(rig.host.prompts.file);
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

    ContactsBook book(rig.host, settings, rig.database);
    bool cleared = false;
    if (!book.Import([&] { cleared = true; }) || !cleared)
        std::abort();
    return 0;
}
