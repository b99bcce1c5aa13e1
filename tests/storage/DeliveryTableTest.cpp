#include "StorageTestUtil.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <string>
#include <vector>

namespace {

DATABASE_DELIVERY_DATA Row(std::int64_t id, std::int32_t part, std::uint32_t reference, const QString& number)
{
    DATABASE_DELIVERY_DATA row;
    row.ID = id;
    row.Part = part;
    row.Reference = reference;
    row.Number = number;
    return row;
}

std::vector<std::int64_t> IdsOf(const std::vector<DATABASE_DELIVERY_DATA>& rows)
{
    std::vector<std::int64_t> ids;
    for (const auto& row : rows)
        ids.push_back(row.ID);
    return ids;
}

// Runs statements on the file behind the program's back.
void Raw(const QString& path, const char* sql)
{
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &raw), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(raw);
}

class DeliveryTable : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("parlowen.db"));
        ASSERT_TRUE(db.Open(path));
    }
    std::int64_t Message(const std::string& pdu = "0011")
    {
        std::int64_t id = 0;
        EXPECT_TRUE(db.InsertMessage(pdu, 3, &id));
        return id;
    }

    QTemporaryDir dir;
    QString path;
    QDatabase db{nullptr};
};

} // namespace

TEST_F(DeliveryTable, RowsKeepTheirValuesAcrossReopenAndAReplacedRowIsPendingAgain)
{
    const QString hostile = QStringLiteral("\"); DELETE FROM [Delivery]; --+1555");
    const std::int64_t a = Message(), b = Message();
    ASSERT_TRUE(db.InsertDelivery(Row(b, 2, 0x1FF, QStringLiteral("+15550100123"))));
    ASSERT_TRUE(db.InsertDelivery(Row(a, 0, 7, hostile)));
    ASSERT_TRUE(db.UpdateDeliveryState(b, 2, 41));
    EXPECT_FALSE(db.UpdateDeliveryState(b + 10, 1, 42)) << "no row of that ID";

    ASSERT_TRUE(db.Open(path));
    auto rows = db.LoadDelivery();
    ASSERT_EQ(IdsOf(rows), (std::vector<std::int64_t>{a, b}));
    EXPECT_EQ(rows[0].Number, hostile);
    EXPECT_EQ(rows[0].Part, 0);
    EXPECT_EQ(rows[0].Reference, 7u);
    EXPECT_EQ(rows[0].State, 0);
    EXPECT_EQ(rows[0].Report, 0);
    EXPECT_EQ(rows[1].Part, 2);
    EXPECT_EQ(rows[1].Reference, 0x1FFu);
    EXPECT_EQ(rows[1].State, 2);
    EXPECT_EQ(rows[1].Report, 41);

    // The same part sent again (a retry saved under the same ID) waits for its report again.
    ASSERT_TRUE(db.InsertDelivery(Row(b, 2, 9, QStringLiteral("+15550100123"))));
    rows = db.LoadDelivery();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].Reference, 9u);
    EXPECT_EQ(rows[1].State, 0);
    EXPECT_EQ(rows[1].Report, 0);
}

TEST_F(DeliveryTable, RowsGoWithTheirMessages)
{
    const std::int64_t a = Message(), b = Message(), c = Message();
    for (std::int64_t id : {a, b, c})
        ASSERT_TRUE(db.InsertDelivery(Row(id, 0, static_cast<std::uint32_t>(id), QStringLiteral("+1555"))));

    ASSERT_TRUE(db.DeleteMessage(b));
    EXPECT_EQ(IdsOf(db.LoadDelivery()), (std::vector<std::int64_t>{a, c}));
    ASSERT_TRUE(db.DeleteAllMessages());
    EXPECT_TRUE(db.LoadDelivery().empty());

    // After a recreate the message IDs start at 1 again: no old row may name the new messages.
    const std::int64_t d = Message();
    ASSERT_TRUE(db.InsertDelivery(Row(d, 0, 1, QStringLiteral("+1555"))));
    ASSERT_TRUE(db.InsertDelivery(Row(1, 0, 2, QStringLiteral("+1555"))));
    ASSERT_TRUE(db.RecreateMessages());
    EXPECT_TRUE(db.LoadDelivery().empty());
    EXPECT_EQ(Message(), 1);
    EXPECT_TRUE(db.LoadDelivery().empty());
}

TEST(DeliveryTableUpgrade, ADatabaseWithoutTheTableGetsItAndKeepsItsMessages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.db"));
    Raw(path, "CREATE TABLE [Messages] ([ID] INTEGER PRIMARY KEY AUTOINCREMENT, [Message] TEXT, [Status] INTEGER, "
              "[TimeStamp] TIMESHTAMP DEFAULT CURRENT_TIMESTAMP); INSERT INTO [Messages] ([Message], [Status]) "
              "VALUES ('0011', 3);");
    QDatabase db(nullptr);
    ASSERT_TRUE(db.Open(path));
    EXPECT_TRUE(db.LoadDelivery().empty());
    ASSERT_TRUE(db.InsertDelivery(Row(1, 0, 5, QStringLiteral("+1555"))));
    EXPECT_TRUE(db.UpdateDeliveryState(1, 1, 2));
    std::int64_t id = 0;
    ASSERT_TRUE(db.InsertMessage("0022", 3, &id));
    EXPECT_EQ(id, 2) << "the old message is still there";
    ASSERT_EQ(db.LoadDelivery().size(), 1u);
    EXPECT_EQ(db.LoadDelivery()[0].State, 1);
}

TEST(DeliveryTableUpgrade, ADamagedTableGivesNoRowsAndNoCrash)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("odd.db"));
    // Someone else's table of that name: the program neither fails to open nor reads garbage.
    Raw(path, "CREATE TABLE [Delivery] ([Something] TEXT); INSERT INTO [Delivery] VALUES ('x');");
    QDatabase db(nullptr);
    ASSERT_TRUE(db.Open(path));
    EXPECT_TRUE(db.LoadDelivery().empty());
    EXPECT_FALSE(db.InsertDelivery(Row(1, 0, 5, QStringLiteral("+1555"))));
    std::int64_t id = 0;
    EXPECT_TRUE(db.InsertMessage("0011", 3, &id));
    EXPECT_TRUE(db.DeleteMessage(id)) << "deleting a message does not depend on the delivery table";
}
