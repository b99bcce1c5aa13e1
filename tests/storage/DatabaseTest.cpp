#include "StorageTestUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <set>
#include <thread>

namespace {

// Texts that must survive every statement unchanged.
const std::vector<QString>& HostileTexts()
{
    static const std::vector<QString> texts = {
        QStringLiteral("\"); DROP TABLE [Messages]; --"),
        QStringLiteral("'); DELETE FROM [Contacts]; --"),
        QStringLiteral("\"\"\"'''"),
        QStringLiteral("%s %d ? ?1 :name @x $y"),
        QString::fromUtf8("\xF0\x9F\x98\x80 emoji \xF0\x9F\x87\xA9\xF0\x9F\x87\xAA flags"),
        QString::fromUtf8("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xBD\xA0\xE5\xA5\xBD "
                          "\xD8\xB3\xD9\x84\xD8\xA7\xD9\x85"),
        QString::fromUtf16(u"embedded\0nul", 12),
        QString(),
        QStringLiteral("line\r\nbreak\ttab"),
        QString(5000, QLatin1Char('x')),
    };
    return texts;
}

class DatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("parlowen.db"));
        ASSERT_TRUE(db.Open(path));
    }
    int CountRows(const char* table)
    {
        sqlite3* raw = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* s = nullptr;
        const std::string sql = std::string("SELECT COUNT(*) FROM ") + table + ";";
        int n = -1;
        if (sqlite3_prepare_v2(raw, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            n = sqlite3_column_int(s, 0);
        sqlite3_finalize(s);
        sqlite3_close(raw);
        return n;
    }
    DATABASE_CONTACTS_DATA Contact(const QString& name, const QString& number, const QString& family = {})
    {
        DATABASE_CONTACTS_DATA c;
        c.Contact = name;
        c.Number = number;
        c.FamilyName = family;
        return c;
    }

    QTemporaryDir dir;
    QString path;
    RecordingWindow window;
    QDatabase db{&window};
};

TEST_F(DatabaseTest, AReaderOfTheFileDelaysAStoreButDoesNotRefuseIt)
{
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(path).constData(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    // A read inside a transaction keeps its lock until the transaction ends.
    ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT COUNT(*) FROM [Messages];", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sqlite3_exec(reader, "COMMIT;", nullptr, nullptr, nullptr);
    });
    std::int64_t id = 0;
    EXPECT_TRUE(db.InsertMessage("0791000000000000", 0, &id));
    release.join();
    sqlite3_close(reader);
    EXPECT_EQ(CountRows("[Messages]"), 1);
}

std::set<std::string> SchemaOf(const QString& path)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    std::set<std::string> names;
    sqlite3_prepare_v2(raw, "SELECT type || ' ' || name FROM sqlite_master WHERE name NOT LIKE 'sqlite_%';", -1, &s,
                       nullptr);
    while (sqlite3_step(s) == SQLITE_ROW)
        names.insert(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
    sqlite3_close(raw);
    return names;
}

TEST_F(DatabaseTest, NewFileGetsSchemaPrivateModeAndReopenKeepsData)
{
    const std::set<std::string> expected = {"table Messages",     "table Templates",    "table Contacts",
                                            "index ContactsIdx1", "index ContactsIdx2", "table Delivery"};
    EXPECT_EQ(SchemaOf(path), expected);
    struct stat st
    { };
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    ASSERT_TRUE(db.InsertMessage("0011", 1));
    ASSERT_TRUE(db.Open(path)); // closes and opens again
    EXPECT_EQ(SchemaOf(path), expected);
    EXPECT_EQ(CountRows("[Messages]"), 1);
}

TEST(DatabaseOpen, RefusesWhatIsNotAWritableDatabaseAndTouchesNothing)
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.db"));
    const QByteArray content = QByteArrayLiteral("These are my notes, not a database.\n");
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    const QString fileAsFolder = dir.filePath(QStringLiteral("notes.db/inside.db"));
    const QString folder = dir.path();

    QDatabase db(nullptr);
    for (const QString& bad : {text, fileAsFolder, folder, QString()}) {
        EXPECT_FALSE(db.Open(bad)) << bad.toStdString();
        EXPECT_FALSE(db.IsOpen());
        EXPECT_EQ(db.Path(), bad);
    }
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), content);

    // A failed open after a good one leaves the object closed, not on the old file.
    ASSERT_TRUE(db.Open(dir.filePath(QStringLiteral("good.db"))));
    EXPECT_FALSE(db.Open(text));
    EXPECT_FALSE(db.InsertMessage("00", 0));
}

// Permissions do not bind root, so this runs for ordinary users only.
TEST(DatabaseOpen, RefusesADatabaseItCannotWrite)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores file modes";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("messages.db"));
    {
        QDatabase db(nullptr);
        ASSERT_TRUE(db.Open(path));
        ASSERT_TRUE(db.InsertMessage("0011", 3));
    }
    const QByteArray file = QFile::encodeName(path), folder = QFile::encodeName(dir.path());
    struct Case
    {
        const char* what;
        mode_t fileMode, folderMode;
    };
    for (const Case& c : {Case{"read-only file", 0400, 0700}, Case{"read-only folder", 0600, 0500}}) {
        ASSERT_EQ(::chmod(file.constData(), c.fileMode), 0);
        ASSERT_EQ(::chmod(folder.constData(), c.folderMode), 0);
        QDatabase db(nullptr);
        EXPECT_FALSE(db.Open(path)) << c.what;
        EXPECT_FALSE(db.IsOpen()) << c.what;
        ::chmod(folder.constData(), 0700);
        ::chmod(file.constData(), 0600);
    }
    QDatabase db(nullptr);
    ASSERT_TRUE(db.Open(path)) << "the stored data is untouched";
}

TEST(DatabaseOpen, ClosedDatabaseRefusesEveryOperation)
{
    RecordingWindow window;
    QDatabase db(&window);
    DATABASE_CONTACTS_DATA c;
    QByteArray image("x");
    QStringList list;
    std::int64_t id = -7;
    const std::vector<std::pair<const char*, std::function<bool()>>> ops = {
        {"Close", [&] { return db.Close(); }},
        {"Execute", [&] { return db.Execute("VACUUM;"); }},
        {"BeginTransaction", [&] { return db.BeginTransaction(); }},
        {"EndTransaction", [&] { return db.EndTransaction(); }},
        {"Vacuum", [&] { return db.Vacuum(); }},
        {"RecreateMessages", [&] { return db.RecreateMessages(); }},
        {"RecreateTemplates", [&] { return db.RecreateTemplates(); }},
        {"RecreateContacts", [&] { return db.RecreateContacts(); }},
        {"InsertMessage", [&] { return db.InsertMessage("00", 0, &id); }},
        {"DeleteMessage", [&] { return db.DeleteMessage(1); }},
        {"DeleteAllMessages", [&] { return db.DeleteAllMessages(); }},
        {"UpdateMessageStatus", [&] { return db.UpdateMessageStatus(1, 1); }},
        {"InsertDelivery", [&] { return db.InsertDelivery(DATABASE_DELIVERY_DATA{}); }},
        {"UpdateDeliveryState", [&] { return db.UpdateDeliveryState(1, 1, 1); }},
        {"LoadDelivery", [&] { return !db.LoadDelivery().empty(); }},
        {"LoadMessages", [&] { return db.LoadMessages(); }},
        {"InsertTemplate", [&] { return db.InsertTemplate("1", "t", &id); }},
        {"DeleteTemplate", [&] { return db.DeleteTemplate(1); }},
        {"LoadTemplates", [&] { return db.LoadTemplates(); }},
        {"InsertContact", [&] { return db.InsertContact(c, &id); }},
        {"UpdateContact", [&] { return db.UpdateContact(1, c); }},
        {"DeleteContact", [&] { return db.DeleteContact(1); }},
        {"GetContact", [&] { return db.GetContact(1, c); }},
        {"FindContactByNumber", [&] { return db.FindContactByNumber("1", c); }},
        {"FindContactByName", [&] { return db.FindContactByName("a", c); }},
        {"ContactName", [&] { return !db.ContactName("1").isEmpty(); }},
        {"SetContactImage", [&] { return db.SetContactImage(1, image); }},
        {"GetContactImage", [&] { return db.GetContactImage(1, image); }},
        {"EnumContacts", [&] { return db.EnumContacts(nullptr, list, 0); }},
        {"BuildContactIndex", [&] { return db.BuildContactIndex() != 0; }},
        {"GetContactAt", [&] { return db.GetContactAt(0, c); }},
    };
    for (const auto& [name, op] : ops)
        EXPECT_FALSE(op()) << name;
    EXPECT_EQ(id, -7);
    EXPECT_FALSE(db.IsLoading());
    QCoreApplication::processEvents();
    EXPECT_EQ(window.got.begins + window.got.ends, 0);
}

TEST(DatabasePath, BesideTheProgramWinsElsePrivateDataFolder)
{
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin/parlowen"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("bin"))));
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data/deeper"))));

    const QString inData = QDatabase::DefaultPath(program);
    EXPECT_EQ(inData, dir.filePath(QStringLiteral("data/deeper/Parlowen/parlowen.db")));
    struct stat st
    { };
    ASSERT_EQ(::stat(QFile::encodeName(dir.filePath(QStringLiteral("data/deeper/Parlowen"))).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    QFile beside(dir.filePath(QStringLiteral("bin/parlowen.db")));
    ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
    beside.close();
    EXPECT_EQ(QDatabase::DefaultPath(program), beside.fileName());
    // The extension of the program is replaced, not appended to.
    EXPECT_EQ(QDatabase::DefaultPath(dir.filePath(QStringLiteral("bin/parlowen.bin"))), beside.fileName());

    if (oldData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
}

TEST_F(DatabaseTest, AutoincrementContinuesAfterDeleteAndRestartsAfterRecreate)
{
    std::int64_t id = 0;
    ASSERT_TRUE(db.InsertMessage("01", 0, &id));
    EXPECT_EQ(id, 1);
    ASSERT_TRUE(db.InsertMessage("02", 0, &id));
    EXPECT_EQ(id, 2);
    ASSERT_TRUE(db.DeleteAllMessages());
    ASSERT_TRUE(db.InsertMessage("03", 0, &id));
    EXPECT_EQ(id, 3);
    ASSERT_TRUE(db.RecreateMessages());
    EXPECT_EQ(CountRows("[Messages]"), 0);
    ASSERT_TRUE(db.InsertMessage("04", 0, &id));
    EXPECT_EQ(id, 1);

    ASSERT_TRUE(db.InsertTemplate("1", "a", &id));
    ASSERT_TRUE(db.InsertTemplate("1", "b", &id));
    ASSERT_TRUE(db.RecreateTemplates());
    ASSERT_TRUE(db.InsertTemplate("1", "c", &id));
    EXPECT_EQ(id, 1);

    ASSERT_TRUE(db.InsertContact(Contact("A", "1"), &id));
    ASSERT_TRUE(db.InsertContact(Contact("B", "2"), &id));
    ASSERT_TRUE(db.RecreateContacts());
    ASSERT_TRUE(db.InsertContact(Contact("C", "3"), &id));
    EXPECT_EQ(id, 1);
    EXPECT_EQ(SchemaOf(path).count("index ContactsIdx2"), 1u);
    EXPECT_TRUE(db.Vacuum());
}

TEST_F(DatabaseTest, MessageStatementsKeepHostileTextAndNeverRunIt)
{
    std::vector<std::int64_t> ids;
    for (const QString& t : HostileTexts()) {
        std::int64_t id = 0;
        const QByteArray bytes = t.toUtf8();
        ASSERT_TRUE(db.InsertMessage(std::string(bytes.constData(), size_t(bytes.size())), 2, &id));
        ids.push_back(id);
    }
    // The PDU column is 8-bit text as the device gave it, not necessarily UTF-8.
    std::int64_t rawId = 0;
    const std::string raw("\xFF\xFE\x00\x80\"", 5);
    ASSERT_TRUE(db.InsertMessage(raw, 0, &rawId));
    ASSERT_TRUE(db.UpdateMessageStatus(ids[0], 1));
    ASSERT_TRUE(db.DeleteMessage(ids[1]));
    EXPECT_EQ(CountRows("[Messages]"), int(HostileTexts().size()));

    ASSERT_TRUE(db.LoadMessages());
    ASSERT_TRUE(testsupport::WaitFor([&] { return window.got.ends == 1; }));
    ASSERT_EQ(window.got.rows.size(), HostileTexts().size());
    for (size_t i = 0, row = 0; i < HostileTexts().size(); ++i) {
        if (i == 1)
            continue; // deleted
        const QByteArray bytes = HostileTexts()[i].toUtf8();
        EXPECT_EQ(window.got.rows[row].Pdu, std::string(bytes.constData(), size_t(bytes.size()))) << i;
        EXPECT_EQ(window.got.rows[row].Status, i == 0 ? 1u : 2u);
        EXPECT_EQ(window.got.ids[row], std::uintptr_t(ids[i]));
        ++row;
    }
    EXPECT_EQ(window.got.rows.back().Pdu, raw);
}

TEST_F(DatabaseTest, TemplateStatementsKeepHostileText)
{
    std::vector<std::int64_t> ids;
    for (const QString& t : HostileTexts()) {
        std::int64_t id = 0;
        ASSERT_TRUE(db.InsertTemplate(t, t, &id));
        ids.push_back(id);
    }
    ASSERT_TRUE(db.DeleteTemplate(ids.back()));
    ASSERT_TRUE(db.LoadTemplates()); // a direct call on this thread: done when it returns
    ASSERT_EQ(window.got.templates.size(), HostileTexts().size() - 1);
    for (size_t i = 0; i + 1 < HostileTexts().size(); ++i) {
        EXPECT_EQ(window.got.templates[i].ID, std::uint32_t(ids[i]));
        EXPECT_EQ(window.got.templates[i].Number, HostileTexts()[i]) << i;
        EXPECT_EQ(window.got.templates[i].Text, HostileTexts()[i]) << i;
    }
    EXPECT_EQ(CountRows("[Messages]"), 0); // still there
}

TEST_F(DatabaseTest, ContactStatementsKeepHostileText)
{
    for (const QString& t : HostileTexts()) {
        DATABASE_CONTACTS_DATA c;
        c.Contact = t + QStringLiteral("#name");
        c.FirstName = t;
        c.MiddleName = t;
        c.FamilyName = t;
        c.Number = t + QStringLiteral("#number");
        c.Group = t;
        c.Notes = t;
        std::int64_t id = 0;
        ASSERT_TRUE(db.InsertContact(c, &id));

        DATABASE_CONTACTS_DATA got;
        ASSERT_TRUE(db.GetContact(id, got));
        EXPECT_EQ(got.ID, id);
        for (const QString* field : {&got.FirstName, &got.MiddleName, &got.FamilyName, &got.Group, &got.Notes})
            EXPECT_EQ(*field, t);
        EXPECT_EQ(got.Contact, c.Contact);
        EXPECT_EQ(got.Number, c.Number);
        ASSERT_TRUE(db.FindContactByNumber(c.Number, got));
        EXPECT_EQ(got.ID, id);
        ASSERT_TRUE(db.FindContactByName(c.Contact, got));
        EXPECT_EQ(got.ID, id);
        EXPECT_EQ(db.ContactName(c.Number), c.Contact);

        c.Notes = t + t;
        ASSERT_TRUE(db.UpdateContact(id, c));
        ASSERT_TRUE(db.GetContact(id, got));
        EXPECT_EQ(got.Notes, t + t);
        EXPECT_EQ(got.FirstName, t);
    }
    EXPECT_EQ(CountRows("[Contacts]"), int(HostileTexts().size()));
    EXPECT_TRUE(db.DeleteContact(1));
    EXPECT_EQ(CountRows("[Contacts]"), int(HostileTexts().size()) - 1);

    // An absent text is stored as an empty text, not NULL: a lookup by "" finds it.
    DATABASE_CONTACTS_DATA blank;
    std::int64_t blankId = 0;
    ASSERT_TRUE(db.InsertContact(blank, &blankId));
    DATABASE_CONTACTS_DATA got;
    ASSERT_TRUE(db.FindContactByNumber(QStringLiteral(""), got));
    EXPECT_EQ(got.ID, blankId);
}

TEST_F(DatabaseTest, ContactLookupsAndPictures)
{
    std::int64_t anna = 0, ben = 0;
    ASSERT_TRUE(db.InsertContact(Contact("Anna", "+4912"), &anna));
    ASSERT_TRUE(db.InsertContact(Contact("Ben", "+4912"), &ben));
    EXPECT_EQ(db.ContactName(QStringLiteral("+4912")), QStringLiteral("Anna")); // the first one found
    EXPECT_EQ(db.ContactName(QStringLiteral("+4999")), QString());
    DATABASE_CONTACTS_DATA c;
    EXPECT_FALSE(db.GetContact(999, c));
    EXPECT_FALSE(db.FindContactByName(QStringLiteral("Nobody"), c));

    QByteArray image;
    EXPECT_FALSE(db.GetContactImage(anna, image));
    EXPECT_FALSE(db.GetContactImage(999, image));
    QByteArray jpeg("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 12);
    ASSERT_TRUE(db.SetContactImage(ben, jpeg));
    ASSERT_TRUE(db.GetContactImage(ben, image));
    EXPECT_EQ(image, jpeg);
    ASSERT_TRUE(db.SetContactImage(ben, QByteArray()));
    EXPECT_FALSE(db.GetContactImage(ben, image));
    EXPECT_TRUE(image.isEmpty());

    QStringList list;
    std::vector<std::pair<int, QString>> seen;
    ASSERT_TRUE(db.EnumContacts(
        [&](int row, const DATABASE_CONTACTS_DATA& rec, QStringList& l, int value) {
            seen.emplace_back(row, rec.Contact);
            l << QString::number(value);
        },
        list, 7));
    EXPECT_EQ(seen, (std::vector<std::pair<int, QString>>{{0, "Anna"}, {1, "Ben"}}));
    EXPECT_EQ(list, (QStringList{"7", "7"}));
}

TEST_F(DatabaseTest, ContactIndexSortsAndAppliesDirectionWithoutRebuilding)
{
    // Contact names ascending by ID are C, A, B; family names Z, Y, X.
    ASSERT_TRUE(db.InsertContact(Contact("C", "3", "Z")));
    ASSERT_TRUE(db.InsertContact(Contact("A", "1", "Y")));
    ASSERT_TRUE(db.InsertContact(Contact("B", "2", "X")));
    auto order = [&] {
        QString names;
        DATABASE_CONTACTS_DATA c;
        for (int i = 0; db.GetContactAt(i, c); ++i)
            names += c.Contact;
        return names;
    };
    EXPECT_EQ(order(), QString()); // no index yet
    EXPECT_EQ(db.BuildContactIndex(), 3);
    EXPECT_EQ(order(), QStringLiteral("CAB"));

    struct Step
    {
        int code;
        const char* expected;
    };
    for (const Step& s :
         {Step{1, "ABC"}, Step{-1, "CBA"}, Step{4, "BAC"}, Step{-4, "CAB"}, Step{5, "ABC"}, Step{0, "CAB"},
          Step{42, "CAB"}, Step{-42, "BAC"}, Step{std::numeric_limits<int>::min(), "BAC"}}) {
        db.SetContactOrder(s.code);
        EXPECT_EQ(order(), QString::fromLatin1(s.expected)) << s.code;
    }

    DATABASE_CONTACTS_DATA c;
    db.SetContactOrder(1);
    ASSERT_TRUE(db.GetContactAt(0, c));
    EXPECT_EQ(c.Contact, QStringLiteral("A"));
    ASSERT_TRUE(db.InsertContact(Contact("D", "4")));
    db.SetContactOrder(-1); // same column: direction only, the new contact is not indexed yet
    EXPECT_EQ(db.ContactIndexCount(), 3);
    ASSERT_TRUE(db.GetContactAt(0, c));
    EXPECT_EQ(c.Contact, QStringLiteral("C"));
    EXPECT_FALSE(db.GetContactAt(3, c));
    EXPECT_FALSE(db.GetContactAt(-1, c));
    EXPECT_EQ(db.BuildContactIndex(), 4);
    EXPECT_EQ(order(), QStringLiteral("DCBA"));

    ASSERT_TRUE(db.RecreateContacts());
    EXPECT_EQ(db.BuildContactIndex(), 0);
}

TEST_F(DatabaseTest, TransactionsAndMaintenance)
{
    ASSERT_TRUE(db.BeginTransaction());
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(db.InsertContact(Contact("n", QString::number(i))));
    ASSERT_TRUE(db.EndTransaction());
    EXPECT_FALSE(db.EndTransaction()); // none open
    EXPECT_EQ(CountRows("[Contacts]"), 50);
    EXPECT_TRUE(db.Vacuum());
    EXPECT_FALSE(db.Execute("NOT SQL AT ALL;"));
    EXPECT_TRUE(db.Close());
    EXPECT_FALSE(db.Close());
}

} // namespace
