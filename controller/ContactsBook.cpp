#include "controller/ContactsBook.h"

#include "app/Messages.h"
#include "app/Prompts.h"
#include "app/Settings.h"
#include "controller/Csv.h"
#include "controller/Host.h"
#include "storage/Database.h"

#include <QFileInfo>

namespace {

const QString kCaption = QStringLiteral("Contacts");

// Blanks and control characters go from both ends.
QString TrimField(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= 0x20)
        ++first;
    while (last > first && text[last - 1].unicode() <= 0x20)
        --last;
    return text.mid(first, last - first);
}

QString WithoutBlanks(QString text)
{
    text.remove(QLatin1Char(' '));
    text.remove(QLatin1Char('\t'));
    return text;
}

} // namespace

ContactsBook::ContactsBook(ControllerHost& host, const SettingsStore& settings, QDatabase& database)
    : host_(host), settings_(settings), database_(database)
{ }

const QString& ContactsBook::FileFilter()
{
    static const QString filter = QStringLiteral("CSV file (*.csv *.txt);;All files (*)");
    return filter;
}

bool ContactsBook::Delete(std::int64_t id, const QString& contact)
{
    if (!host_.Prompts().Ask(kCaption,
                             QStringLiteral("Do you want to delete contact \"") + contact + QStringLiteral("\"?")))
        return false;
    return database_.DeleteContact(id);
}

void ContactsBook::Export()
{
    const std::optional<QString> path =
        host_.Prompts().SaveFileName(QStringLiteral("Export contacts"), QStringLiteral("csv"), FileFilter());
    if (!path)
        return;
    const QChar delimiter = settings_.CsvDelimiterChar();
    host_.WriteLog(QStringLiteral("Contacts -> Export"));
    host_.WriteLog(QStringLiteral("Contacts -> Export -> Settings -> Delimiter: '") + delimiter + QLatin1Char('\''));
    csv::Writer writer(delimiter);
    QStringList unused;
    const bool read = database_.EnumContacts(
        [&](int row, const DATABASE_CONTACTS_DATA& c, QStringList&, int) {
            writer.AddLine({QString::number(row + 1), c.Contact, c.FirstName, c.MiddleName, c.FamilyName, c.Number,
                            c.Group, c.Notes});
        },
        unused, 0);
    QString error;
    if (!read)
        error = QStringLiteral("the contacts could not be read");
    if (read && writer.Save(*path, &error)) {
        host_.WriteLog(QStringLiteral("Contacts -> Export -> Done"));
        host_.Prompts().Show(kCaption, QStringLiteral("Export completed successfully."), PromptIcon::Information);
        return;
    }
    host_.WriteLog(QStringLiteral("Contacts -> Export -> Error -> ") + error);
    host_.Prompts().Show(kCaption, QStringLiteral("Error exporting contacts."), PromptIcon::Error);
}

bool ContactsBook::Import(const std::function<void()>& clearList, const std::function<void()>& done)
{
    if (!host_.Prompts().Ask(kCaption,
                             QStringLiteral("This action will delete all current contacts. Are you sure to continue?"),
                             PromptIcon::Warning))
        return false;
    const std::optional<QString> path = host_.Prompts().OpenFileName(QStringLiteral("Import contacts"), FileFilter());
    if (!path)
        return false;
    const QChar delimiter = settings_.CsvDelimiterChar();
    host_.WriteLog(QStringLiteral("Contacts -> Import"));
    QString text;
    bool loaded = false;
    if (QFileInfo::exists(*path)) {
        host_.WriteLog(QStringLiteral("Contacts -> Import -> Load -> ") + *path);
        QString error;
        loaded = csv::ReadText(*path, &text, &error);
        host_.WriteLog(loaded ? QStringLiteral("Contacts -> Import -> Load -> Done")
                              : QStringLiteral("Contacts -> Import -> Load -> Error -> ") + error);
    }
    host_.WriteLog(QStringLiteral("Contacts -> Import -> Settings -> Delimiter: '") + delimiter + QLatin1Char('\''));
    if (!loaded)
        return false;

    if (clearList)
        clearList();
    database_.RecreateContacts();
    database_.BeginTransaction();
    int count = 0;
    int skipped = 0; // records that gave no contact; empty lines are not counted
    csv::RecordReader reader(text, delimiter);
    QStringList fields;
    while (reader.Next(&fields)) {
        if (fields.isEmpty())
            continue;
        if (fields.size() != 8) {
            ++skipped;
            continue;
        }
        DATABASE_CONTACTS_DATA c;
        c.Contact = TrimField(fields[1]);
        c.FirstName = TrimField(fields[2]);
        c.MiddleName = TrimField(fields[3]);
        c.FamilyName = TrimField(fields[4]);
        c.Number = WithoutBlanks(TrimField(fields[5]));
        c.Group = TrimField(fields[6]);
        c.Notes = TrimField(fields[7]);
        if (!c.Contact.isEmpty() && !c.Number.isEmpty() && database_.InsertContact(c))
            ++count;
        else
            ++skipped;
    }
    database_.EndTransaction();
    if (skipped == 0)
        host_.WriteLog(QStringLiteral("Contacts -> Import -> Done -> %1 records").arg(count));
    else
        host_.WriteLog(
            QStringLiteral("Contacts -> Import -> Done -> %1 records, %2 lines skipped").arg(count).arg(skipped));
    database_.Vacuum();
    if (done)
        done();
    if (skipped > 0)
        host_.Prompts().Show(
            kCaption,
            QStringLiteral("Import completed: %1 records imported, %2 lines skipped.").arg(count).arg(skipped),
            PromptIcon::Warning);
    return true;
}
