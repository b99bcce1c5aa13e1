// What the program creates for its user alone stays private whatever the umask: the data folder
// and any parent it has to make, the database and its journal, and the single-instance socket.
#include "app/desktop/SingleInstance.h"
#include "storage/Database.h"
#include "ussd/Templates.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

namespace {

mode_t ModeOf(const QString& path)
{
    struct stat st
    { };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 07777;
    return st.st_mode & 0777;
}

// Runs with an open umask, so that only the program's own modes decide.
struct OpenUmask
{
    mode_t old = ::umask(0);
    ~OpenUmask() { ::umask(old); }
};

struct DataHome
{
    QByteArray old = qgetenv("XDG_DATA_HOME");
    explicit DataHome(const QString& path) { qputenv("XDG_DATA_HOME", QFile::encodeName(path)); }
    ~DataHome()
    {
        if (old.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", old);
    }
};

TEST(FileModes, DataFolderAndItsNewParentsArePrivate)
{
    struct Case
    {
        const char* what;
        std::function<QString(const QString& program)> path; // a file in the data folder
    };
    const Case cases[] = {
        {"database", [](const QString& program) { return QDatabase::DefaultPath(program); }},
        {"USSD templates", [](const QString& program) { return UssdTemplatesPath(program); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const OpenUmask umask;
        const DataHome home(dir.filePath(QStringLiteral("one/two")));
        const QString file = c.path(dir.filePath(QStringLiteral("bin/parlowen")));
        EXPECT_EQ(file, dir.filePath(QStringLiteral("one/two/Parlowen/")) + QFileInfo(file).fileName());
        for (const char* folder : {"one", "one/two", "one/two/Parlowen"})
            EXPECT_EQ(ModeOf(dir.filePath(QString::fromLatin1(folder))), 0700u) << folder;
    }
}

TEST(FileModes, DatabaseAndItsJournalArePrivate)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const OpenUmask umask;
    const QString path = dir.filePath(QStringLiteral("parlowen.db"));
    QDatabase db(nullptr);
    ASSERT_TRUE(db.Open(path));
    EXPECT_EQ(ModeOf(path), 0600u);
    ASSERT_TRUE(db.BeginTransaction());
    ASSERT_TRUE(db.InsertMessage("0011000B915121551532F40000AA0AE8329BFD4697D9EC37", 1));
    // SQLite writes the rollback journal while the transaction is open.
    const QString journal = path + QStringLiteral("-journal");
    ASSERT_TRUE(QFile::exists(journal));
    EXPECT_EQ(ModeOf(journal), 0600u);
    EXPECT_TRUE(db.EndTransaction());
    EXPECT_EQ(ModeOf(path), 0600u);
}

TEST(FileModes, SingleInstanceSocketIsTheUsersAloneUnderAnyUmask)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const OpenUmask umask;
    const QString path = dir.filePath(QStringLiteral("instance"));
    SingleInstance instance(path);
    ASSERT_TRUE(instance.Claim(2000));
    EXPECT_EQ(ModeOf(path) & 077, 0u) << std::oct << ModeOf(path);
    EXPECT_EQ(ModeOf(path + QStringLiteral(".lock")), 0600u);
}

} // namespace
