// The contact list's export and import over a real database file, with scripted answers.
#include "controller/ContactsBook.h"
#include "app/Settings.h"
#include "storage/Database.h"
#include "support/RecordingHost.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

using testsupport::RecordingHost;
using testsupport::ScriptedPrompts;
using Kind = ScriptedPrompts::Kind;

DATABASE_CONTACTS_DATA Contact(const QString& name, const QString& number, const QString& notes = {})
{
    DATABASE_CONTACTS_DATA c;
    c.Contact = name;
    c.Number = number;
    c.Notes = notes;
    return c;
}

// The fields import and export carry, for comparing.
QStringList Texts(const DATABASE_CONTACTS_DATA& c)
{
    return {c.Contact, c.FirstName, c.MiddleName, c.FamilyName, c.Number, c.Group, c.Notes};
}

class ContactsBookTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(db.Open(dir.filePath(QStringLiteral("contacts.db"))));
    }

    QString WriteFile(const QByteArray& bytes)
    {
        const QString path = dir.filePath(QStringLiteral("in.csv"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    std::vector<QStringList> StoredContacts()
    {
        std::vector<QStringList> rows;
        QStringList unused;
        EXPECT_TRUE(db.EnumContacts(
            [&](int, const DATABASE_CONTACTS_DATA& c, QStringList&, int) { rows.push_back(Texts(c)); }, unused, 0));
        return rows;
    }

    // Answers the warning and the file dialog; true when the contacts were replaced.
    bool Import(const QString& path)
    {
        host.prompts.answers.push_back(true);
        host.prompts.files.push_back(path);
        ContactsBook book(host, settings, db);
        return book.Import({});
    }

    QTemporaryDir dir;
    QDatabase db{nullptr};
    SettingsStore settings;
    RecordingHost host;
};

struct RoundTripCase
{
    const char* name;
    int delimiter;
};

class ContactsRoundTrip : public ContactsBookTest, public ::testing::WithParamInterface<RoundTripCase>
{ };

TEST_P(ContactsRoundTrip, MultiLineNotesComeBackWhole)
{
    settings.CsvDelimiter = GetParam().delimiter;
    std::vector<DATABASE_CONTACTS_DATA> contacts{
        Contact("Ann", "+15550100", "a\nb"),
        Contact("Bob; Jr, \"B\"", "+15550200", "first line\r\nsecond; line\r\n\r\nfourth \"quoted\""),
        Contact("Carol Tab\tName", "+15550300", "old Mac\rline end"),
        Contact("Dora", "+15550400", "\"\n\""),
    };
    contacts[1].FirstName = QStringLiteral("Bob");
    contacts[1].Group = QStringLiteral("Work, Home");
    for (const DATABASE_CONTACTS_DATA& c : contacts)
        ASSERT_TRUE(db.InsertContact(c));
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    host.prompts.files.push_back(path);
    ContactsBook(host, settings, db).Export();
    ASSERT_EQ(host.prompts.shown.back().text, "Export completed successfully.");

    ASSERT_TRUE(Import(path));
    const std::vector<QStringList> stored = StoredContacts();
    ASSERT_EQ(stored.size(), contacts.size());
    for (std::size_t i = 0; i < contacts.size(); ++i)
        EXPECT_EQ(stored[i], Texts(contacts[i])) << i;
    EXPECT_EQ(host.log.back(), "Contacts -> Import -> Done -> 4 records") << "nothing skipped, nothing said of it";
    EXPECT_EQ(host.prompts.shown.back().kind, Kind::OpenFile) << "no box after a clean import";
}

INSTANTIATE_TEST_SUITE_P(Delimiters, ContactsRoundTrip,
                         ::testing::Values(RoundTripCase{"semicolon", 0}, RoundTripCase{"comma", 1},
                                           RoundTripCase{"tab", 2}, RoundTripCase{"space", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContactsBookTest, ExportQuotesFieldsWithLineBreaks)
{
    ASSERT_TRUE(db.InsertContact(Contact("Ann", "+15550100", "a\nb")));
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    host.prompts.files.push_back(path);
    ContactsBook(host, settings, db).Export();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("\xEF\xBB\xBF"
                                         "1;Ann;;;;+15550100;;\"a\nb\"\r\n"));
}

// As spreadsheet programs save a sheet as CSV: a byte-order mark, CR LF after every row, text
// cells quoted (empty ones too) or only where needed, line breaks inside a cell as LF or CR LF.
TEST_F(ContactsBookTest, ASpreadsheetsFileImportsWhole)
{
    const QString path =
        WriteFile("\xEF\xBB\xBF"
                  "1;\"Ann\";\"\";\"\";\"Lee\";\"+15550100\";\"\";\"Line one\nLine two\"\r\n"
                  "2;\"Smith; John\";John;;Smith;+1 555 0200;Work;\"He said \"\"hi\"\"\r\nthen left\"\r\n"
                  "3;Carol;;;;+15550300;;\r\n"
                  "4;\"Dora\";;;;\"+15550400\";\"Family; close\";\"\n\nthree lines\n\"\r\n"
                  "5;Eve;;;;+15550500;;\"ends; here\"");
    ASSERT_TRUE(Import(path));
    const std::vector<QStringList> stored = StoredContacts();
    const std::vector<QStringList> expected{
        {"Ann", "", "", "Lee", "+15550100", "", "Line one\nLine two"},
        {"Smith; John", "John", "", "Smith", "+15550200", "Work", "He said \"hi\"\r\nthen left"},
        {"Carol", "", "", "", "+15550300", "", ""},
        {"Dora", "", "", "", "+15550400", "Family; close", "three lines"},
        {"Eve", "", "", "", "+15550500", "", "ends; here"},
    };
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(host.log.back(), "Contacts -> Import -> Done -> 5 records");
}

TEST_F(ContactsBookTest, SkippedLinesAreCountedAndTold)
{
    const QString path = WriteFile("1;Seven;;;;+1555;;\r\n"
                                   "2;Short;;;;+1555;\r\n"               // 7 fields
                                   "\r\n"                                // an empty line is no record
                                   "3;Long;;;;+1555;;;\r\n"              // 9 fields
                                   "4;Blank;;;;   ;;\r\n"                // a number of blanks only
                                   "5;Note;;;;+1666;;\"two\nlines\"\r\n" // one record over two lines
                                   "6;;;;;+15550100;;\r\n"               // no name
                                   "7;\"Open;;;;+1777;;\r\n");           // a quote never closed
    int doneAt = -1;
    host.prompts.answers.push_back(true);
    host.prompts.files.push_back(path);
    ASSERT_TRUE(
        ContactsBook(host, settings, db).Import({}, [&] { doneAt = static_cast<int>(host.prompts.shown.size()); }));
    ASSERT_EQ(StoredContacts().size(), 2u);
    EXPECT_EQ(StoredContacts()[1], (QStringList{"Note", "", "", "", "+1666", "", "two\nlines"}));
    EXPECT_TRUE(host.log.contains("Contacts -> Import -> Done -> 2 records, 5 lines skipped"))
        << host.log.join('\n').toStdString();
    ASSERT_EQ(host.prompts.shown.size(), 3u);
    EXPECT_EQ(host.prompts.shown[2], (ScriptedPrompts::Prompt{Kind::Show,
                                                              "Contacts",
                                                              "Import completed: 2 records imported, 5 lines skipped.",
                                                              PromptIcon::Warning,
                                                              {}}));
    EXPECT_EQ(doneAt, 2) << "the caller's busy state ends before the box";
}

TEST_F(ContactsBookTest, AFileThatCannotBeReadLeavesTheContacts)
{
    ASSERT_TRUE(db.InsertContact(Contact("Ann", "+15550100")));
    EXPECT_FALSE(Import(dir.filePath(QStringLiteral("missing.csv"))));
    EXPECT_EQ(StoredContacts().size(), 1u);
    EXPECT_EQ(host.log, QStringList({"Contacts -> Import", "Contacts -> Import -> Settings -> Delimiter: ';'"}));
}

} // namespace
