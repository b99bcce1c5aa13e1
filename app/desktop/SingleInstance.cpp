#include "app/desktop/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr char OpenRequest[] = "open\n";
constexpr char Acknowledgement[] = "ok\n";
// A peer that connects and says nothing useful is dropped after this.
constexpr int PeerTimeoutMs = 2000;
constexpr qint64 MaxRequestBytes = 64;

QString GuidForFileName()
{
    QString guid = QString::fromLatin1(SingleInstance::ApplicationGuid);
    guid.remove(u'{').remove(u'}');
    return guid;
}

} // namespace

QString SingleInstance::DefaultPath()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath("parlowen-" + GuidForFileName());
    return QDir(QDir::tempPath()).filePath(QString("parlowen-%1-%2").arg(GuidForFileName()).arg(::getuid()));
}

SingleInstance::SingleInstance(QString path_, QObject* parent) : QObject(parent), path(std::move(path_))
{ }

SingleInstance::~SingleInstance()
{
    // The socket file goes first, then the lock: whoever takes the lock next finds no socket.
    if (server)
        server->close();
    if (lockFile >= 0)
        ::close(lockFile);
}

bool SingleInstance::Claim(int timeoutMs)
{
    if (first)
        return true;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const Lock lock = TryLock();
        if (lock == Lock::Taken) {
            Listen();
            return first = true;
        }
        const int wait = static_cast<int>(qMax<qint64>(1, qMin<qint64>(deadline.remainingTime(), 1000)));
        if (Ask(path, wait) != Reach::NoServer)
            return false;
        if (lock == Lock::Unavailable) {
            // No lock file can be had here (a folder we may not write, a file of another user):
            // the socket alone decides, as well as it can.
            Listen();
            return first = true;
        }
        // The lock holder is not listening (yet or any more): it is starting or ending.
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
}

SingleInstance::Lock SingleInstance::TryLock()
{
    if (lockFile < 0) {
        lockFile =
            ::open(QFile::encodeName(path + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (lockFile < 0)
            return Lock::Unavailable;
    }
    // An flock is held by the open file, so it also keeps two objects of one process apart.
    int rc;
    do
        rc = ::flock(lockFile, LOCK_EX | LOCK_NB);
    while (rc < 0 && errno == EINTR);
    if (rc == 0)
        return Lock::Taken;
    return errno == EWOULDBLOCK ? Lock::Busy : Lock::Unavailable;
}

void SingleInstance::Listen()
{
    // Holding the lock, any socket file left is a crashed run's.
    QLocalServer::removeServer(path);
    server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server->nextPendingConnection())
            Serve(socket);
    });
    // Without the socket this is still the first instance; later starts then end unanswered.
    server->listen(path);
}

void SingleInstance::Serve(QLocalSocket* socket)
{
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(PeerTimeoutMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    auto read = [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > MaxRequestBytes)
                socket->abort();
            return;
        }
        const QByteArray request = socket->readLine(MaxRequestBytes);
        if (request != OpenRequest) {
            socket->abort();
            return;
        }
        // One request per connection: anything after it is not read.
        disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
        socket->write(Acknowledgement);
        socket->disconnectFromServer();
        Q_EMIT OpenRequested();
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    if (socket->bytesAvailable() > 0)
        read();
}

bool SingleInstance::AskRunningToOpen(const QString& path, int timeoutMs)
{
    return Ask(path, timeoutMs) == Reach::Acknowledged;
}

SingleInstance::Reach SingleInstance::Ask(const QString& path, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return Reach::NoServer;
    socket.write(OpenRequest);
    socket.flush();
    while (!socket.canReadLine()) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return Reach::NoAnswer;
    }
    return socket.readLine(MaxRequestBytes) == Acknowledgement ? Reach::Acknowledged : Reach::NoAnswer;
}
