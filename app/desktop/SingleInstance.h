#pragma once
// One running copy per user. The first start holds a lock file and serves a local socket beside
// it, both reachable by the user only; a later start finds the lock taken, asks the running copy
// through the socket to open its window, and ends. The lock, not the socket, decides who is
// first: the kernel drops it when a process dies, so a crashed run leaves nothing that blocks the
// next start (its stale socket file is replaced).

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    static constexpr const char* ApplicationGuid = "{5D2B9C71-3E08-4A6F-9C45-B17E0D83F2A6}";

    // $XDG_RUNTIME_DIR/parlowen-<guid>, or without a runtime folder
    // <temp>/parlowen-<guid>-<uid>; the guid without braces.
    static QString DefaultPath();

    // path: the socket's file; the lock file is path + ".lock".
    explicit SingleInstance(QString path = DefaultPath(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True: this is the first instance and serves open requests from now on (repeated calls
    // stay true). False: another instance runs; it was asked to open its window. When the other
    // instance holds the lock but cannot be reached within timeoutMs (it is starting up or
    // shutting down), also false.
    // The running instance answers from its event loop: a second object in the same thread as
    // the first one waits out the acknowledgement's timeout.
    bool Claim(int timeoutMs = 3000);
    bool IsFirst() const { return first; }
    const QString& Path() const { return path; }

    // Asks the instance serving path to open its window; true when it acknowledged in time.
    static bool AskRunningToOpen(const QString& path, int timeoutMs);

Q_SIGNALS:
    // Once per request of a later start.
    void OpenRequested();

private:
    enum class Lock { Taken, Busy, Unavailable };
    enum class Reach { NoServer, Acknowledged, NoAnswer };

    Lock TryLock();
    void Listen();
    void Serve(QLocalSocket* socket);
    static Reach Ask(const QString& path, int timeoutMs);

    QString path;
    int lockFile = -1;
    bool first = false;
    QLocalServer* server = nullptr;
};
