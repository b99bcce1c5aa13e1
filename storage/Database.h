#pragma once
// QDatabase: the application's own copies of messages (raw PDUs with a status), templates and
// contacts, in one SQLite file, and the loader thread that replays the stored messages to the
// main window.
//
// Every operation is called on the thread of the receiving window (the user-interface thread);
// the loader thread runs only its one select on the same connection, which is therefore opened
// in SQLite's serialized mode. Every value reaches SQLite as a bound parameter.

#include "app/MessageTarget.h"
#include "app/Messages.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The delivery state of one sent part, from the status reports that name it.
struct DATABASE_DELIVERY_DATA
{
    std::int64_t ID = 0;         // the sent part's row in [Messages]
    std::int32_t Part = 0;       // its part number, 0 for a single message
    std::uint32_t Reference = 0; // the reference the network gave it at sending
    QString Number;              // the recipient as the sent copy shows it
    std::int32_t State = 0;      // 0 pending, 1 delivered, 2 failed
    std::int64_t Report = 0;     // the ID of the report that set the state; 0 none yet
};

class QDatabase
{
public:
    // window receives WM_DATABASE_LOAD, WM_DATABASE_SMS and WM_DATABASE_TEMPLATE; may be null.
    explicit QDatabase(MessageTarget* window);
    ~QDatabase();
    QDatabase(const QDatabase&) = delete;
    QDatabase& operator=(const QDatabase&) = delete;

    // The database file for a program: "<program>.db" beside the program when that file exists,
    // otherwise "<program>.db" in $XDG_DATA_HOME/<title> (~/.local/share/<title>), the folder
    // being created with mode 0700 when missing.
    static QString DefaultPath(const QString& programPath, const QString& title = QStringLiteral("Parlowen"));

    // Opens (creating with mode 0600 when missing) and prepares the schema. A file that is not a
    // database, or a place that cannot be written, gives false and leaves the object closed; the
    // file is left as it was.
    bool Open(const QString& path);
    // Stops the loader first. False when nothing was open or the connection could not be closed.
    bool Close();
    bool IsOpen() const { return db_ != nullptr; }
    const QString& Path() const { return path_; }

    // Executes one statement of fixed text; succeeds when it runs to completion.
    bool Execute(const char* sql);
    bool BeginTransaction();
    bool EndTransaction();
    bool Vacuum();
    bool RecreateMessages();
    bool RecreateTemplates();
    bool RecreateContacts();

    bool InsertMessage(const std::string& pdu, std::uint32_t status, std::int64_t* id = nullptr);
    // False when it failed or no stored message has this ID.
    bool DeleteMessage(std::int64_t id);
    bool DeleteAllMessages();
    bool UpdateMessageStatus(std::int64_t id, std::uint32_t status);

    // The delivery table, beside the messages: one row per sent part that asked for a status
    // report. Rows go with their message (DeleteMessage, DeleteAllMessages, RecreateMessages).
    // A new row is pending; an existing row of that ID is replaced.
    bool InsertDelivery(const DATABASE_DELIVERY_DATA& row);
    bool UpdateDeliveryState(std::int64_t id, std::int32_t state, std::int64_t report);
    // Every row, in ID order; empty when closed.
    std::vector<DATABASE_DELIVERY_DATA> LoadDelivery();

    // Starts the loader unless one runs: after a short delay it sends WM_DATABASE_LOAD (wParam 1),
    // the stored messages as WM_DATABASE_SMS batches of at most kLoadBatch rows (wParam = the row
    // count, the record a DATABASE_SMS_BATCH), and WM_DATABASE_LOAD (wParam 2). A batch costs one
    // hand-over instead of one per row. Returns at once; false when closed or the thread could not
    // be started.
    bool LoadMessages();
    static constexpr int kLoadBatch = 256;
    // Asks the loader to stop and waits for it to end, handling its hand-overs meanwhile. Called
    // from inside the handler of one of the loader's messages it cannot wait (the loader waits for
    // that handler): it only asks, and the loader ends as soon as the handler returns.
    //
    // The window sees one begin and one end message per run, whichever way the run ends. The one
    // A stop takes effect between batches: the rows of the batch being handed over all arrive.
    // exception to "all from the loader": a database destroyed from inside the handler of one of
    // the loader's messages delivers the end itself, nested in that handler (unless that message
    // was the end), and the loader sends nothing more. So the window may be destroyed as soon as
    // the handler returns; the end handler must then not use the database.
    void StopLoader();
    bool IsLoading() const;

    bool InsertTemplate(const QString& number, const QString& text, std::int64_t* id = nullptr);
    bool DeleteTemplate(std::int64_t id);
    // Sends one WM_DATABASE_TEMPLATE per template (wParam = ID) before it returns.
    bool LoadTemplates();

    bool InsertContact(const DATABASE_CONTACTS_DATA& contact, std::int64_t* id = nullptr);
    bool UpdateContact(std::int64_t id, const DATABASE_CONTACTS_DATA& contact);
    bool DeleteContact(std::int64_t id);
    bool GetContact(std::int64_t id, DATABASE_CONTACTS_DATA& contact);
    bool FindContactByNumber(const QString& number, DATABASE_CONTACTS_DATA& contact);
    bool FindContactByName(const QString& name, DATABASE_CONTACTS_DATA& contact);
    QString ContactName(const QString& number);
    bool SetContactImage(std::int64_t id, const QByteArray& image);
    // True only when the contact has a picture of at least one byte.
    bool GetContactImage(std::int64_t id, QByteArray& image);

    using EnumContactsCallback =
        std::function<void(int row, const DATABASE_CONTACTS_DATA& contact, QStringList& list, int value)>;
    bool EnumContacts(const EnumContactsCallback& callback, QStringList& list, int value);

    // The contact index: the contact IDs sorted by one column, for the virtual contact list.
    // Column codes: 0 ID, 1 Contact, 2 FirstName, 3 MiddleName, 4 FamilyName, 5 Number, 6 Group,
    // 7 Notes, anything else ID. A negative code sorts descending.
    int BuildContactIndex();
    void SetContactOrder(int code);
    bool GetContactAt(int position, DATABASE_CONTACTS_DATA& contact);
    int ContactIndexCount() const { return static_cast<int>(contactIndex_.size()); }

private:
    struct Loader;
    static void RunLoader(std::shared_ptr<Loader> loader);
    bool ExecuteBound(const char* sql, const std::function<bool(sqlite3_stmt*)>& bind);
    bool InsertAndGetId(const char* sql, const std::function<bool(sqlite3_stmt*)>& bind, std::int64_t* id);
    bool SelectContact(const char* sql, const std::function<bool(sqlite3_stmt*)>& bind,
                       DATABASE_CONTACTS_DATA& contact);
    bool CreateSchema();

    MessageTarget* window_;
    QString path_;
    sqlite3* db_ = nullptr;
    std::shared_ptr<Loader> loader_; // the last loader run, null when none was started
    std::thread loaderThread_;
    std::thread::id loaderThreadId_;
    std::vector<std::int64_t> contactIndex_;
    std::int64_t contactColumn_ = 0;
    bool contactDescending_ = false;
};
