#include "Database.h"

#include "app/DataPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>

namespace {

const char* const kCreateMessages =
    "CREATE TABLE IF NOT EXISTS [Messages] ([ID] INTEGER PRIMARY KEY AUTOINCREMENT, [Message] TEXT, "
    "[Status] INTEGER, [TimeStamp] TIMESHTAMP DEFAULT CURRENT_TIMESTAMP);";
const char* const kCreateTemplates =
    "CREATE TABLE IF NOT EXISTS [Templates] ([ID] INTEGER PRIMARY KEY AUTOINCREMENT, [Number] TEXT, "
    "[Message] TEXT, [TimeStamp] TIMESHTAMP DEFAULT CURRENT_TIMESTAMP);";
const char* const kCreateContacts =
    "CREATE TABLE IF NOT EXISTS [Contacts] ([ID] INTEGER PRIMARY KEY AUTOINCREMENT, [Contact] TEXT, "
    "[FirstName] TEXT, [MiddleName] TEXT, [FamilyName] TEXT, [Number] TEXT, [Group] TEXT, [Notes] TEXT, "
    "[Image] BLOB, [TimeStamp] TIMESHTAMP DEFAULT CURRENT_TIMESTAMP);";
const char* const kCreateContactsIdx1 = "CREATE INDEX IF NOT EXISTS [ContactsIdx1] ON [Contacts] ([Contact]);";
const char* const kCreateContactsIdx2 = "CREATE INDEX IF NOT EXISTS [ContactsIdx2] ON [Contacts] ([Number]);";
// Kept apart from [Messages], whose shape other copies of the program rely on.
const char* const kCreateDelivery =
    "CREATE TABLE IF NOT EXISTS [Delivery] ([ID] INTEGER PRIMARY KEY, [Part] INTEGER, [Reference] INTEGER, "
    "[Number] TEXT, [State] INTEGER DEFAULT 0, [Report] INTEGER DEFAULT 0);";

const char* const kSelectMessages =
    "SELECT [ID], [Message], [Status], strftime('%d.%m.%Y', DATE([TimeStamp], 'localtime')), "
    "TIME([TimeStamp], 'localtime') FROM [Messages];";
const char* const kSelectTemplates =
    "SELECT [ID], [Number], [Message], strftime('%d.%m.%Y', DATE([TimeStamp], 'localtime')), "
    "TIME([TimeStamp], 'localtime') FROM [Templates];";
#define SELECT_CONTACTS                                                                             \
    "SELECT [ID], [Contact], [FirstName], [MiddleName], [FamilyName], [Number], [Group], [Notes], " \
    "strftime('%d.%m.%Y', DATE([TimeStamp], 'localtime')), TIME([TimeStamp], 'localtime') FROM [Contacts]"

// Owns one prepared statement; finalized on every path.
class Statement
{
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    explicit operator bool() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

bool BindText(sqlite3_stmt* s, int i, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    // A null pointer would bind NULL; an absent text is stored as an empty one.
    const char* data = utf8.constData() != nullptr ? utf8.constData() : "";
    return sqlite3_bind_text(s, i, data, static_cast<int>(utf8.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

bool BindBytes(sqlite3_stmt* s, int i, const std::string& text)
{
    return sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) == SQLITE_OK;
}

QString ColumnText(sqlite3_stmt* s, int i)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(s, i)) : QString();
}

std::string ColumnBytes(sqlite3_stmt* s, int i)
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(s, i))) : std::string();
}

void ReadContact(sqlite3_stmt* s, DATABASE_CONTACTS_DATA& c)
{
    c.ID = static_cast<std::int32_t>(sqlite3_column_int64(s, 0));
    c.Contact = ColumnText(s, 1);
    c.FirstName = ColumnText(s, 2);
    c.MiddleName = ColumnText(s, 3);
    c.FamilyName = ColumnText(s, 4);
    c.Number = ColumnText(s, 5);
    c.Group = ColumnText(s, 6);
    c.Notes = ColumnText(s, 7);
    c.Date = ColumnBytes(s, 8);
    c.Time = ColumnBytes(s, 9);
}

bool BindContactTexts(sqlite3_stmt* s, const DATABASE_CONTACTS_DATA& c)
{
    return BindText(s, 1, c.Contact) && BindText(s, 2, c.FirstName) && BindText(s, 3, c.MiddleName) &&
           BindText(s, 4, c.FamilyName) && BindText(s, 5, c.Number) && BindText(s, 6, c.Group) &&
           BindText(s, 7, c.Notes);
}

const char* ContactColumn(std::int64_t code)
{
    switch (code) {
    case 1: return "[Contact]";
    case 2: return "[FirstName]";
    case 3: return "[MiddleName]";
    case 4: return "[FamilyName]";
    case 5: return "[Number]";
    case 6: return "[Group]";
    case 7: return "[Notes]";
    default: return "[ID]";
    }
}

} // namespace

// State shared between the database and one loader run. The thread keeps it alive, so a
// database destroyed from inside one of the loader's hand-overs can leave the rest to it.
struct QDatabase::Loader
{
    // Cleared when the database goes away under a running loader: from then on the window may be
    // gone at any moment, so the loader sends nothing more.
    std::atomic<MessageTarget*> window{nullptr};
    sqlite3* db = nullptr;
    WaitEvent stop;
    WaitEvent finished;
    std::atomic<bool> running{true};
    std::atomic<bool> ending{false};     // the end message is being handed over
    std::atomic<bool> closeAtEnd{false}; // the connection was handed over to the loader

    void Send(unsigned number, std::uintptr_t wParam)
    {
        MessageTarget* target = window.load();
        if (target == nullptr)
            return;
        try {
            target->Send(number, wParam, 0);
        } catch (...) {
            // The handler's failure is its own; the replay goes on.
        }
    }
};

QDatabase::QDatabase(MessageTarget* window) : window_(window)
{ }

QDatabase::~QDatabase()
{
    contactIndex_.clear();
    StopLoader();
    MessageTarget* owedEnd = nullptr;
    if (loader_ && loader_->running.load()) {
        // Destroyed from inside one of the loader's hand-overs: the loader cannot be waited for, so
        // it gets the connection and closes it once its statement is finalized. The window may go
        // right after this handler returns, so the loader is cut off from it and the run's end is
        // delivered from here, while the window is certainly alive.
        MessageTarget* window = loader_->window.exchange(nullptr);
        if (!loader_->ending.load())
            owedEnd = window;
        loader_->closeAtEnd.store(true);
        loaderThread_.detach();
        db_ = nullptr;
    }
    if (loaderThread_.joinable())
        loaderThread_.join();
    if (db_ != nullptr && sqlite3_close(db_) != SQLITE_OK)
        sqlite3_close_v2(db_);
    db_ = nullptr;
    if (owedEnd != nullptr) {
        try {
            owedEnd->Send(WM_DATABASE_LOAD, DATABASE_LOAD_END, 0);
        } catch (...) { }
    }
}

QString QDatabase::DefaultPath(const QString& programPath, const QString& title)
{
    return ProgramDataFile(programPath, QStringLiteral("db"), title);
}

bool QDatabase::Open(const QString& path)
{
    // An empty name would give SQLite a temporary database that vanishes on close.
    if (db_ != nullptr && !Close()) {
        path_ = path;
        return false;
    }
    path_ = path;
    if (path.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(path);
    // SQLite would create the file world-readable; messages and contacts are private.
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);

    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(name.constData(), &db, flags, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    db_ = db;
    // Another reader of the file (a backup, a look with the sqlite3 tool) holds a lock for a
    // moment; a store waits for it rather than fail at once and leave the message on the device.
    sqlite3_busy_timeout(db_, 1000);
    // SQLite falls back to read-only for a file it cannot write, and needs the folder for its
    // journal; either way every later insert would fail, so refuse the database now.
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (!CreateSchema() || sqlite3_db_readonly(db_, "main") == 1 || ::access(folder.constData(), W_OK | X_OK) != 0) {
        // Not a database, or not writable: stay closed rather than half open.
        sqlite3_close(db_);
        db_ = nullptr;
        return false;
    }
    return true;
}

bool QDatabase::CreateSchema()
{
    return Execute(kCreateMessages) && Execute(kCreateTemplates) && Execute(kCreateContacts) &&
           Execute(kCreateContactsIdx1) && Execute(kCreateContactsIdx2) && Execute(kCreateDelivery);
}

bool QDatabase::Close()
{
    if (db_ == nullptr)
        return false;
    StopLoader();
    // Still running only when called from inside one of its hand-overs; it uses the connection.
    if (loader_ && loader_->running.load())
        return false;
    if (sqlite3_close(db_) != SQLITE_OK)
        return false;
    db_ = nullptr;
    return true;
}

bool QDatabase::Execute(const char* sql)
{
    return ExecuteBound(sql, [](sqlite3_stmt*) { return true; });
}

bool QDatabase::ExecuteBound(const char* sql, const std::function<bool(sqlite3_stmt*)>& bind)
{
    if (db_ == nullptr)
        return false;
    Statement s(db_, sql);
    return s && bind(s.get()) && sqlite3_step(s.get()) == SQLITE_DONE;
}

bool QDatabase::InsertAndGetId(const char* sql, const std::function<bool(sqlite3_stmt*)>& bind, std::int64_t* id)
{
    if (!ExecuteBound(sql, bind))
        return false;
    if (id != nullptr)
        *id = sqlite3_last_insert_rowid(db_);
    return true;
}

bool QDatabase::BeginTransaction()
{
    return Execute("BEGIN TRANSACTION;");
}
bool QDatabase::EndTransaction()
{
    return Execute("END TRANSACTION;");
}
bool QDatabase::Vacuum()
{
    return Execute("VACUUM;");
}

bool QDatabase::RecreateMessages()
{
    // The new table numbers its rows from 1 again: old delivery rows would name new messages.
    return Execute("DROP TABLE IF EXISTS [Messages];") && Execute(kCreateMessages) &&
           Execute("DELETE FROM [Delivery];");
}

bool QDatabase::RecreateTemplates()
{
    return Execute("DROP TABLE IF EXISTS [Templates];") && Execute(kCreateTemplates);
}

bool QDatabase::RecreateContacts()
{
    return Execute("DROP TABLE IF EXISTS [Contacts];") && Execute(kCreateContacts) && Execute(kCreateContactsIdx1) &&
           Execute(kCreateContactsIdx2);
}

bool QDatabase::InsertMessage(const std::string& pdu, std::uint32_t status, std::int64_t* id)
{
    return InsertAndGetId(
        "INSERT INTO [Messages] ([Message], [Status]) VALUES (?, ?);",
        [&](sqlite3_stmt* s) { return BindBytes(s, 1, pdu) && sqlite3_bind_int64(s, 2, status) == SQLITE_OK; }, id);
}

bool QDatabase::DeleteMessage(std::int64_t id)
{
    const auto bindId = [&](sqlite3_stmt* s) { return sqlite3_bind_int64(s, 1, id) == SQLITE_OK; };
    if (!ExecuteBound("DELETE FROM [Messages] WHERE [ID] = ?;", bindId))
        return false;
    // Only this thread writes, so the count is this statement's: no row, no success.
    if (sqlite3_changes(db_) == 0)
        return false;
    // IDs are never given twice, so a row left behind would only take room.
    ExecuteBound("DELETE FROM [Delivery] WHERE [ID] = ?;", bindId);
    return true;
}

bool QDatabase::DeleteAllMessages()
{
    if (!Execute("DELETE FROM [Messages];"))
        return false;
    Execute("DELETE FROM [Delivery];");
    return true;
}

bool QDatabase::InsertDelivery(const DATABASE_DELIVERY_DATA& row)
{
    return ExecuteBound("INSERT OR REPLACE INTO [Delivery] ([ID], [Part], [Reference], [Number], [State], [Report]) "
                        "VALUES (?, ?, ?, ?, 0, 0);",
                        [&](sqlite3_stmt* s) {
                            return sqlite3_bind_int64(s, 1, row.ID) == SQLITE_OK &&
                                   sqlite3_bind_int64(s, 2, row.Part) == SQLITE_OK &&
                                   sqlite3_bind_int64(s, 3, row.Reference) == SQLITE_OK && BindText(s, 4, row.Number);
                        });
}

bool QDatabase::UpdateDeliveryState(std::int64_t id, std::int32_t state, std::int64_t report)
{
    if (db_ == nullptr)
        return false;
    const bool done =
        ExecuteBound("UPDATE [Delivery] SET [State] = ?, [Report] = ? WHERE [ID] = ?;", [&](sqlite3_stmt* s) {
            return sqlite3_bind_int64(s, 1, state) == SQLITE_OK && sqlite3_bind_int64(s, 2, report) == SQLITE_OK &&
                   sqlite3_bind_int64(s, 3, id) == SQLITE_OK;
        });
    return done && sqlite3_changes(db_) == 1;
}

std::vector<DATABASE_DELIVERY_DATA> QDatabase::LoadDelivery()
{
    std::vector<DATABASE_DELIVERY_DATA> rows;
    if (db_ == nullptr)
        return rows;
    Statement s(db_, "SELECT [ID], [Part], [Reference], [Number], [State], [Report] FROM [Delivery] ORDER BY [ID];");
    if (!s)
        return rows;
    while (sqlite3_step(s.get()) == SQLITE_ROW) {
        DATABASE_DELIVERY_DATA& row = rows.emplace_back();
        row.ID = sqlite3_column_int64(s.get(), 0);
        row.Part = static_cast<std::int32_t>(sqlite3_column_int64(s.get(), 1));
        row.Reference = static_cast<std::uint32_t>(sqlite3_column_int64(s.get(), 2));
        row.Number = ColumnText(s.get(), 3);
        row.State = static_cast<std::int32_t>(sqlite3_column_int64(s.get(), 4));
        row.Report = sqlite3_column_int64(s.get(), 5);
    }
    return rows;
}

bool QDatabase::UpdateMessageStatus(std::int64_t id, std::uint32_t status)
{
    return ExecuteBound("UPDATE [Messages] SET [Status] = ? WHERE [ID] = ?;", [&](sqlite3_stmt* s) {
        return sqlite3_bind_int64(s, 1, status) == SQLITE_OK && sqlite3_bind_int64(s, 2, id) == SQLITE_OK;
    });
}

bool QDatabase::IsLoading() const
{
    return loader_ && loader_->running.load();
}

bool QDatabase::LoadMessages()
{
    if (db_ == nullptr)
        return false;
    if (IsLoading())
        return true;
    if (loaderThread_.joinable())
        loaderThread_.join(); // the last run has ended; reap it
    auto loader = std::make_shared<Loader>();
    loader->window.store(window_);
    loader->db = db_;
    try {
        loaderThread_ = std::thread(&QDatabase::RunLoader, loader);
    } catch (const std::system_error&) {
        return false;
    }
    loaderThreadId_ = loaderThread_.get_id();
    loader_ = std::move(loader);
    return true;
}

void QDatabase::RunLoader(std::shared_ptr<Loader> loader)
{
    // Below the user-interface thread's priority; failure only costs responsiveness.
    setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 5);

    loader->stop.Wait(100); // a short start delay, cut short by a stop request
    loader->Send(WM_DATABASE_LOAD, DATABASE_LOAD_BEGIN);
    if (!loader->stop.IsSet()) {
        Statement s(loader->db, kSelectMessages);
        if (s) {
            auto batch = std::make_shared<std::vector<DATABASE_SMS_ROW>>();
            bool more = true;
            while (more) {
                batch->reserve(kLoadBatch);
                while (batch->size() < static_cast<std::size_t>(kLoadBatch)) {
                    if (sqlite3_step(s.get()) != SQLITE_ROW) {
                        more = false;
                        break;
                    }
                    DATABASE_SMS_ROW& row = batch->emplace_back();
                    row.ID = sqlite3_column_int64(s.get(), 0);
                    row.Data.Status = static_cast<std::uint32_t>(sqlite3_column_int64(s.get(), 2));
                    row.Data.Pdu = ColumnBytes(s.get(), 1);
                    row.Data.Date = ColumnBytes(s.get(), 3);
                    row.Data.Time = ColumnBytes(s.get(), 4);
                }
                // Checked between batches without waiting: a timed wait would cost more than the batch.
                if (loader->stop.IsSet())
                    break;
                if (batch->empty())
                    break;
                MessageTarget* window = loader->window.load();
                if (window == nullptr)
                    break; // the receiver is gone: nobody wants the rest
                const DATABASE_SMS_BATCH handed = std::move(batch);
                try {
                    window->SendRecord(WM_DATABASE_SMS, handed->size(), handed);
                } catch (...) { }
                batch = std::make_shared<std::vector<DATABASE_SMS_ROW>>();
            }
            sqlite3_reset(s.get());
        }
    }
    loader->ending.store(true);
    loader->Send(WM_DATABASE_LOAD, DATABASE_LOAD_END);
    if (loader->closeAtEnd.load() && sqlite3_close(loader->db) != SQLITE_OK)
        sqlite3_close_v2(loader->db);
    loader->running.store(false);
    loader->finished.Set();
}

void QDatabase::StopLoader()
{
    if (!IsLoading())
        return;
    std::shared_ptr<Loader> loader = loader_;
    loader->stop.Set();
    // The loader is blocked handing a record to this very thread: waiting would deadlock.
    if (IsHandlingMessageFrom(loaderThreadId_))
        return;
    loader->finished.Wait(); // hands the loader's pending records over meanwhile
    if (loaderThread_.joinable())
        loaderThread_.join();
}

bool QDatabase::InsertTemplate(const QString& number, const QString& text, std::int64_t* id)
{
    return InsertAndGetId(
        "INSERT INTO [Templates] ([Number], [Message]) VALUES (?, ?);",
        [&](sqlite3_stmt* s) { return BindText(s, 1, number) && BindText(s, 2, text); }, id);
}

bool QDatabase::DeleteTemplate(std::int64_t id)
{
    return ExecuteBound("DELETE FROM [Templates] WHERE [ID] = ?;",
                        [&](sqlite3_stmt* s) { return sqlite3_bind_int64(s, 1, id) == SQLITE_OK; });
}

bool QDatabase::LoadTemplates()
{
    if (db_ == nullptr)
        return false;
    Statement s(db_, kSelectTemplates);
    if (!s)
        return false;
    DATABASE_TEMPLATE_DATA t;
    while (sqlite3_step(s.get()) == SQLITE_ROW) {
        const std::int64_t id = sqlite3_column_int64(s.get(), 0);
        t.ID = static_cast<std::uint32_t>(id);
        t.Number = ColumnText(s.get(), 1);
        t.Text = ColumnText(s.get(), 2);
        t.Date = ColumnBytes(s.get(), 3);
        t.Time = ColumnBytes(s.get(), 4);
        if (window_ == nullptr)
            continue;
        try {
            window_->SendRecord(WM_DATABASE_TEMPLATE, static_cast<std::uintptr_t>(id), t);
        } catch (...) {
            // As in the replay: one template the window fails on does not hide the others.
        }
    }
    return true;
}

bool QDatabase::InsertContact(const DATABASE_CONTACTS_DATA& contact, std::int64_t* id)
{
    return InsertAndGetId(
        "INSERT INTO [Contacts] ([Contact], [FirstName], [MiddleName], [FamilyName], [Number], [Group], "
        "[Notes]) VALUES (?, ?, ?, ?, ?, ?, ?);",
        [&](sqlite3_stmt* s) { return BindContactTexts(s, contact); }, id);
}

bool QDatabase::UpdateContact(std::int64_t id, const DATABASE_CONTACTS_DATA& contact)
{
    return ExecuteBound(
        "UPDATE [Contacts] SET [Contact] = ?, [FirstName] = ?, [MiddleName] = ?, [FamilyName] = ?, "
        "[Number] = ?, [Group] = ?, [Notes] = ? WHERE [ID] = ?;",
        [&](sqlite3_stmt* s) { return BindContactTexts(s, contact) && sqlite3_bind_int64(s, 8, id) == SQLITE_OK; });
}

bool QDatabase::DeleteContact(std::int64_t id)
{
    return ExecuteBound("DELETE FROM [Contacts] WHERE [ID] = ?;",
                        [&](sqlite3_stmt* s) { return sqlite3_bind_int64(s, 1, id) == SQLITE_OK; });
}

bool QDatabase::SelectContact(const char* sql, const std::function<bool(sqlite3_stmt*)>& bind,
                              DATABASE_CONTACTS_DATA& contact)
{
    if (db_ == nullptr)
        return false;
    Statement s(db_, sql);
    if (!s || !bind(s.get()) || sqlite3_step(s.get()) != SQLITE_ROW)
        return false;
    ReadContact(s.get(), contact);
    return true;
}

bool QDatabase::GetContact(std::int64_t id, DATABASE_CONTACTS_DATA& contact)
{
    return SelectContact(
        SELECT_CONTACTS " WHERE [ID] = ?;", [&](sqlite3_stmt* s) { return sqlite3_bind_int64(s, 1, id) == SQLITE_OK; },
        contact);
}

bool QDatabase::FindContactByNumber(const QString& number, DATABASE_CONTACTS_DATA& contact)
{
    return SelectContact(
        SELECT_CONTACTS " WHERE [Number] = ?;", [&](sqlite3_stmt* s) { return BindText(s, 1, number); }, contact);
}

bool QDatabase::FindContactByName(const QString& name, DATABASE_CONTACTS_DATA& contact)
{
    return SelectContact(
        SELECT_CONTACTS " WHERE [Contact] = ?;", [&](sqlite3_stmt* s) { return BindText(s, 1, name); }, contact);
}

QString QDatabase::ContactName(const QString& number)
{
    if (db_ == nullptr)
        return {};
    Statement s(db_, "SELECT [Contact] FROM [Contacts] WHERE [Number] = ?;");
    if (!s || !BindText(s.get(), 1, number) || sqlite3_step(s.get()) != SQLITE_ROW)
        return {};
    return ColumnText(s.get(), 0);
}

bool QDatabase::SetContactImage(std::int64_t id, const QByteArray& image)
{
    return ExecuteBound("UPDATE [Contacts] SET [Image] = ? WHERE [ID] = ?;", [&](sqlite3_stmt* s) {
        return sqlite3_bind_blob(s, 1, image.constData(), static_cast<int>(image.size()), SQLITE_TRANSIENT) ==
                   SQLITE_OK &&
               sqlite3_bind_int64(s, 2, id) == SQLITE_OK;
    });
}

bool QDatabase::GetContactImage(std::int64_t id, QByteArray& image)
{
    image.clear();
    if (db_ == nullptr)
        return false;
    Statement s(db_, "SELECT [ID], [Image] FROM [Contacts] WHERE [ID] = ?;");
    if (!s || sqlite3_bind_int64(s.get(), 1, id) != SQLITE_OK || sqlite3_step(s.get()) != SQLITE_ROW)
        return false;
    const void* blob = sqlite3_column_blob(s.get(), 1);
    const int size = sqlite3_column_bytes(s.get(), 1);
    if (blob == nullptr || size <= 0)
        return false;
    image = QByteArray(static_cast<const char*>(blob), size);
    return true;
}

bool QDatabase::EnumContacts(const EnumContactsCallback& callback, QStringList& list, int value)
{
    if (db_ == nullptr)
        return false;
    Statement s(db_, SELECT_CONTACTS ";");
    if (!s)
        return false;
    DATABASE_CONTACTS_DATA c;
    for (int row = 0; sqlite3_step(s.get()) == SQLITE_ROW; ++row) {
        ReadContact(s.get(), c);
        if (callback)
            callback(row, c, list, value);
    }
    return true;
}

int QDatabase::BuildContactIndex()
{
    if (db_ == nullptr)
        return 0;
    std::int64_t count = 0;
    {
        Statement s(db_, "SELECT COUNT(*) FROM [Contacts];");
        if (!s || sqlite3_step(s.get()) != SQLITE_ROW)
            return 0;
        count = sqlite3_column_int64(s.get(), 0);
    }
    if (count <= 0) {
        contactIndex_.clear();
        return 0;
    }
    const std::string sql = std::string("SELECT [ID] FROM [Contacts] ORDER BY ") + ContactColumn(contactColumn_) + ";";
    Statement s(db_, sql.c_str());
    if (!s)
        return 0;
    std::vector<std::int64_t> ids;
    ids.reserve(static_cast<size_t>(std::min<std::int64_t>(count, 1 << 20)));
    while (static_cast<std::int64_t>(ids.size()) < count && sqlite3_step(s.get()) == SQLITE_ROW)
        ids.push_back(sqlite3_column_int64(s.get(), 0));
    contactIndex_ = std::move(ids);
    return static_cast<int>(contactIndex_.size());
}

void QDatabase::SetContactOrder(int code)
{
    contactDescending_ = code < 0;
    const std::int64_t column = code < 0 ? -static_cast<std::int64_t>(code) : code;
    if (column != contactColumn_) {
        contactColumn_ = column;
        BuildContactIndex();
    }
}

bool QDatabase::GetContactAt(int position, DATABASE_CONTACTS_DATA& contact)
{
    const int count = ContactIndexCount();
    if (position < 0 || position >= count)
        return false;
    if (contactDescending_)
        position = count - position - 1;
    return GetContact(contactIndex_[static_cast<size_t>(position)], contact);
}
