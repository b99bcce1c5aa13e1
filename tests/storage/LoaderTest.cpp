#include "StorageTestUtil.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <ctime>
#include <functional>
#include <memory>

namespace {

std::string LocalText(std::time_t t, const char* format)
{
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, format, &tm);
    return buf;
}

// Whether this process holds a descriptor on the file.
bool FileIsOpen(const QString& file)
{
    const QString target = QFileInfo(file).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == target)
            return true;
    return false;
}

class LoaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(db->Open(dir.filePath(QStringLiteral("loader.db"))));
    }
    void Fill(int rows)
    {
        ASSERT_TRUE(db->BeginTransaction());
        for (int i = 1; i <= rows; ++i)
            ASSERT_TRUE(db->InsertMessage("PDU" + std::to_string(i), i % 4));
        ASSERT_TRUE(db->EndTransaction());
    }
    // The ids received are exactly 1..n.
    void ExpectPrefix(size_t n)
    {
        ASSERT_EQ(window.got.ids.size(), n);
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(window.got.ids[i], i + 1);
    }

    QTemporaryDir dir;
    RecordingWindow window;
    std::unique_ptr<QDatabase> db = std::make_unique<QDatabase>(&window);
};

TEST_F(LoaderTest, ReplaysStoredRowsWithLocalDateAndTime)
{
    const std::time_t before = std::time(nullptr);
    Fill(3);
    const std::time_t after = std::time(nullptr);
    ASSERT_TRUE(db->UpdateMessageStatus(2, 3));
    ASSERT_TRUE(db->LoadMessages());
    EXPECT_TRUE(db->IsLoading());
    ASSERT_TRUE(testsupport::WaitFor([&] { return window.got.ends == 1; }));
    db->StopLoader(); // already ended: returns at once
    EXPECT_FALSE(db->IsLoading());
    EXPECT_EQ(window.got.begins, 1);
    EXPECT_FALSE(window.got.endBeforeBegin);
    ExpectPrefix(3);
    const std::uint32_t statuses[] = {1, 3, 3};
    for (size_t i = 0; i < 3; ++i) {
        const DATABASE_SMS_DATA& r = window.got.rows[i];
        EXPECT_EQ(r.Index, 0u);
        EXPECT_EQ(r.Class0, 0u);
        EXPECT_EQ(r.Status, statuses[i]);
        EXPECT_EQ(r.Pdu, "PDU" + std::to_string(i + 1));
        const bool early = r.Date == LocalText(before, "%d.%m.%Y") && r.Time == LocalText(before, "%H:%M:%S");
        const bool late = r.Date == LocalText(after, "%d.%m.%Y") && r.Time == LocalText(after, "%H:%M:%S");
        EXPECT_TRUE(early || late) << r.Date << " " << r.Time;
    }
}

TEST_F(LoaderTest, SecondLoadWhileRunningDoesNothingAndEachRunIsOnePair)
{
    Fill(5);
    ASSERT_TRUE(db->LoadMessages());
    ASSERT_TRUE(db->LoadMessages());
    ASSERT_TRUE(testsupport::WaitFor([&] { return window.got.ends == 1; }));
    ASSERT_TRUE(testsupport::WaitFor([&] { return !db->IsLoading(); }));
    EXPECT_EQ(window.got.begins, 1);
    ExpectPrefix(5);
    ASSERT_TRUE(db->LoadMessages()); // a new run after the last ended
    ASSERT_TRUE(testsupport::WaitFor([&] { return window.got.ends == 2; }));
    EXPECT_EQ(window.got.begins, 2);
    EXPECT_EQ(window.got.ids.size(), 10u);
    EXPECT_FALSE(window.got.endBeforeBegin);
}

TEST_F(LoaderTest, StopDuringStartDelayStillSendsBeginAndEnd)
{
    Fill(5);
    ASSERT_TRUE(db->LoadMessages());
    db->StopLoader(); // the loader's messages are handled inside, without the event loop
    EXPECT_FALSE(db->IsLoading());
    EXPECT_EQ(window.got.begins, 1);
    EXPECT_EQ(window.got.ends, 1);
    EXPECT_TRUE(window.got.ids.empty());
}

constexpr size_t kBatch = QDatabase::kLoadBatch;

TEST_F(LoaderTest, RowsArriveInBatchesInTableOrder)
{
    Fill(2 * kBatch + 3);
    ASSERT_TRUE(db->LoadMessages());
    ASSERT_TRUE(testsupport::WaitFor([&] { return window.got.ends == 1; }));
    EXPECT_EQ(window.got.batches, 3);
    ExpectPrefix(2 * kBatch + 3);
}

// The waiting thread is the loader's receiver: StopLoader must hand over the batch the loader is
// blocked on (if any), after which the loader ends without another one.
TEST_F(LoaderTest, StopWhileLoaderWaitsForTheReceiverHandsOverItsPendingBatch)
{
    Fill(kBatch + 44);
    WaitEvent reached;
    bool insideStop = false;
    std::vector<bool> handledInsideStop;
    window.onRow = [&](std::uintptr_t id) {
        handledInsideStop.push_back(insideStop);
        if (id == 100)
            reached.Set();
    };
    bool endInsideStop = false;
    window.onEnd = [&] { endInsideStop = insideStop; };
    ASSERT_TRUE(db->LoadMessages());
    ASSERT_TRUE(reached.Wait(30000)); // serves the first batch, then the loader reads the second
    insideStop = true;
    db->StopLoader();
    insideStop = false;
    EXPECT_FALSE(db->IsLoading());
    EXPECT_TRUE(endInsideStop);
    EXPECT_EQ(window.got.begins, 1);
    EXPECT_EQ(window.got.ends, 1);
    const size_t n = window.got.ids.size();
    ASSERT_TRUE(n == kBatch || n == kBatch + 44) << n;
    ExpectPrefix(n);
    for (size_t i = 0; i < kBatch; ++i)
        EXPECT_FALSE(handledInsideStop[i]);
    for (size_t i = kBatch; i < n; ++i)
        EXPECT_TRUE(handledInsideStop[i]);
}

// The receiver looks every row up in the database and, in the middle, asks the loader to stop
// from inside a row's handler: no deadlock, no batch after that row's, the end still arrives.
TEST_F(LoaderTest, StopFromInsideAHandlerEndsAfterThatBatch)
{
    Fill(10000);
    DATABASE_CONTACTS_DATA anna;
    anna.Contact = QStringLiteral("Anna");
    anna.Number = QStringLiteral("PDU5000");
    ASSERT_TRUE(db->InsertContact(anna));
    int lookups = 0;
    QString found;
    window.onRow = [&](std::uintptr_t id) {
        const QString name = db->ContactName(QString::fromStdString(window.got.rows.back().Pdu));
        ++lookups;
        if (!name.isEmpty())
            found = name;
        if (id == 5000) {
            db->StopLoader();
            EXPECT_FALSE(db->Close()); // the loader still holds the connection
            EXPECT_TRUE(db->IsOpen());
        }
    };
    ASSERT_TRUE(db->LoadMessages());
    ASSERT_TRUE(testsupport::WaitFor([&] { return window.got.ends == 1; }));
    ASSERT_TRUE(testsupport::WaitFor([&] { return !db->IsLoading(); }));
    EXPECT_EQ(window.got.begins, 1);
    const size_t through = (5000 + kBatch - 1) / kBatch * kBatch;
    ExpectPrefix(through);
    EXPECT_EQ(lookups, static_cast<int>(through));
    EXPECT_EQ(found, QStringLiteral("Anna"));
    EXPECT_TRUE(db->Close());
}

TEST_F(LoaderTest, CloseAndDestructionStopTheLoader)
{
    Fill(2000);
    WaitEvent reached;
    window.onRow = [&](std::uintptr_t id) {
        if (id == 10)
            reached.Set();
    };
    ASSERT_TRUE(db->LoadMessages());
    ASSERT_TRUE(reached.Wait(30000));
    EXPECT_TRUE(db->Close());
    EXPECT_FALSE(db->IsLoading());
    EXPECT_EQ(window.got.ends, 1);
    EXPECT_LE(window.got.ids.size(), 2 * kBatch); // the first batch, and the one in flight

    ASSERT_TRUE(db->Open(dir.filePath(QStringLiteral("loader.db"))));
    ASSERT_TRUE(db->LoadMessages());
    db.reset();
    EXPECT_EQ(window.got.begins, 2);
    EXPECT_EQ(window.got.ends, 2);
}

// Destroying the database from inside one of the loader's hand-overs cannot wait for the loader;
// the loader finishes on its own and closes the connection, and the window still gets its end.
TEST_F(LoaderTest, DestroyedFromInsideAHandover)
{
    Fill(50);
    window.onRow = [&](std::uintptr_t id) {
        if (id == 20)
            db.reset();
    };
    ASSERT_TRUE(db->LoadMessages());
    ASSERT_TRUE(testsupport::WaitFor([&] { return window.got.ends == 1; }));
    EXPECT_EQ(window.got.begins, 1);
    ExpectPrefix(50); // the batch in hand is the receiver's
    // The loader closes the connection once it has left its statement.
    const QString file = dir.filePath(QStringLiteral("loader.db"));
    ASSERT_TRUE(testsupport::WaitFor([&] { return !FileIsOpen(file); }));
    QDatabase reopened(nullptr);
    ASSERT_TRUE(reopened.Open(file));
    EXPECT_TRUE(reopened.InsertMessage("51", 0));
}

// A window that its owner may delete from inside its own handler; what it received outlives it.
class DisposableWindow : public MessageTarget
{
public:
    using Handler = std::function<void(DisposableWindow* self, const Message& m)>;
    DisposableWindow(QObject* context, const Handler* handler) : MessageTarget(context), handler_(handler) { }
    std::intptr_t HandleMessage(const Message& m) override
    {
        (*handler_)(this, m); // may delete this; nothing of it is touched afterwards
        return 0;
    }

private:
    const Handler* handler_;
};

// The owner destroys the database and then the window from inside the handler of one of the
// loader's messages, as a main window shutting down mid-replay does. The loader must not send
// anything to the gone window afterwards, and the window still sees exactly one begin and one
// end for the run.
TEST(LoaderDestroyedWithItsWindow, InsideEachKindOfHandover)
{
    struct Case
    {
        const char* during;
        unsigned number;
        std::uintptr_t wParam;
        size_t rowsSeen;
    };
    const Case cases[] = {
        {"begin", WM_DATABASE_LOAD, DATABASE_LOAD_BEGIN, 0},
        {"first batch", WM_DATABASE_SMS, kBatch, kBatch},
        {"last batch", WM_DATABASE_SMS, 50, kBatch + 50},
        {"end", WM_DATABASE_LOAD, DATABASE_LOAD_END, kBatch + 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.during);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString file = dir.filePath(QStringLiteral("owner.db"));
        QObject context;
        std::unique_ptr<QDatabase> db;
        Received got;
        bool destroyed = false;
        bool sentAfterDestruction = false;
        DisposableWindow::Handler handler = [&](DisposableWindow* self, const Message& m) {
            if (destroyed)
                sentAfterDestruction = true; // any message to the deleted window
            if (m.Number == WM_DATABASE_LOAD && m.WParam == DATABASE_LOAD_BEGIN)
                ++got.begins;
            if (m.Number == WM_DATABASE_LOAD && m.WParam == DATABASE_LOAD_END)
                ++got.ends;
            if (m.Number == WM_DATABASE_SMS)
                for (const DATABASE_SMS_ROW& row : **m.Record<DATABASE_SMS_BATCH>())
                    got.ids.push_back(static_cast<std::uintptr_t>(row.ID));
            if (m.Number == c.number && m.WParam == c.wParam && db) {
                db.reset();
                delete self;
                destroyed = true;
            }
        };
        auto* window = new DisposableWindow(&context, &handler);
        db = std::make_unique<QDatabase>(window);
        ASSERT_TRUE(db->Open(file));
        ASSERT_TRUE(db->BeginTransaction());
        for (size_t i = 1; i <= kBatch + 50; ++i)
            ASSERT_TRUE(db->InsertMessage("PDU" + std::to_string(i), 0));
        ASSERT_TRUE(db->EndTransaction());
        ASSERT_TRUE(db->LoadMessages());

        ASSERT_TRUE(testsupport::WaitFor([&] { return destroyed; }));
        // The loader is done with the run once it lets go of the file.
        ASSERT_TRUE(testsupport::WaitFor([&] { return !FileIsOpen(file); }));
        EXPECT_FALSE(sentAfterDestruction);
        EXPECT_EQ(got.begins, 1);
        EXPECT_EQ(got.ends, 1);
        ASSERT_EQ(got.ids.size(), c.rowsSeen);
        for (size_t i = 0; i < got.ids.size(); ++i)
            EXPECT_EQ(got.ids[i], i + 1);
    }
}

} // namespace
