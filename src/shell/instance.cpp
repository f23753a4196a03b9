#include "instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvanta {

namespace {

constexpr char kMagic[] = "LVM1";
constexpr qsizetype kMagicSize = 4;
constexpr qsizetype kHeaderSize = kMagicSize + 4;
constexpr char kAck = 0x06;
// A client that stops halfway through a frame is not waited for forever.
constexpr int kIdleMs = 10000;

bool isPrivateFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

QString uidText() {
    return QString::number(::getuid());
}

// Only this user may talk to the instance, even where the folder would let
// someone else in (root aside).
bool peerIsThisUser(const QLocalSocket& socket) {
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(int(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return false;
    return cred.uid == ::getuid();
}

} // namespace

QString privateRuntimeFolder(const QByteArray& xdgRuntimeDir, const QString& fallbackBase,
                             QString* error) {
    struct stat st {};
    if (xdgRuntimeDir.startsWith('/') && ::stat(xdgRuntimeDir.constData(), &st) == 0 &&
        isPrivateFolder(st))
        return QFile::decodeName(xdgRuntimeDir);

    // A name in a shared folder: someone may have planted it, so it must be a
    // real folder of ours (not a link), and it is made private if it is not.
    const QString folder = fallbackBase + QStringLiteral("/lorvanta-") + uidText();
    const QByteArray name = QFile::encodeName(folder);
    ::mkdir(name.constData(), 0700);
    auto fail = [&](const char* why) {
        if (error) *error = folder + QStringLiteral(": ") + QString::fromUtf8(why);
        return QString();
    };
    if (::lstat(name.constData(), &st) != 0) return fail("cannot be created");
    if (!S_ISDIR(st.st_mode)) return fail("is not a folder");
    if (st.st_uid != ::getuid()) return fail("belongs to another user");
    if ((st.st_mode & 077) != 0 && ::chmod(name.constData(), 0700) != 0)
        return fail("cannot be made private");
    return folder;
}

QString privateRuntimeFolder(QString* error) {
    return privateRuntimeFolder(qgetenv("XDG_RUNTIME_DIR"), QStringLiteral("/tmp"), error);
}

struct SingleInstance::Connection : QObject {
    QLocalSocket* socket = nullptr;
    QByteArray buffer;
    QTimer idle;
    bool dropped = false;
};

SingleInstance::SingleInstance(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {
    if (folder_.isEmpty()) error_ = QStringLiteral("no private runtime folder");
}

SingleInstance::~SingleInstance() {
    if (server_) server_->close(); // removes the socket file
    if (lock_) lock_->unlock();
}

QString SingleInstance::lockPath() const {
    return folder_ + QStringLiteral("/LorvantaMB.lock");
}

QString SingleInstance::socketPath() const {
    return folder_ + QStringLiteral("/LorvantaMB") + uidText();
}

QByteArray SingleInstance::frame(const InstanceMessage& m) {
    const QByteArray text = m.text.toUtf8();
    QByteArray out;
    out.reserve(kHeaderSize + 4 + text.size());
    out.append(kMagic, kMagicSize);
    char word[4];
    qToBigEndian<quint32>(quint32(4 + text.size()), word);
    out.append(word, 4);
    qToBigEndian<qint32>(m.number, word);
    out.append(word, 4);
    out.append(text);
    return out;
}

bool SingleInstance::tryBecomePrimary() {
    if (server_) return true;
    if (folder_.isEmpty()) return false;

    auto lock = std::make_unique<QLockFile>(lockPath());
    // The instance lives for the whole logon: its lock never ages. A lock
    // whose process is gone is stale all the same, and tryLock takes it over.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        error_ = lock->error() == QLockFile::LockFailedError
                     ? QStringLiteral("another instance is running")
                     : lockPath() + QStringLiteral(": the lock file cannot be created");
        return false;
    }
    // Holding the lock, any socket file left is a dead instance's.
    QLocalServer::removeServer(socketPath());
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath())) {
        error_ = socketPath() + QStringLiteral(": ") + server->errorString();
        delete server;
        return false;
    }
    lock_ = std::move(lock);
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
    return true;
}

void SingleInstance::accept() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto* c = new Connection;
        c->setParent(this);
        c->socket = socket;
        socket->setParent(c);
        if (!peerIsThisUser(*socket)) {
            drop(c);
            continue;
        }
        c->idle.setSingleShot(true);
        c->idle.start(kIdleMs);
        connect(&c->idle, &QTimer::timeout, c, [this, c] { drop(c); });
        connect(socket, &QLocalSocket::readyRead, c, [this, c] { readFrom(c); });
        connect(socket, &QLocalSocket::disconnected, c, [this, c] { drop(c); });
        if (socket->bytesAvailable() > 0) readFrom(c);
    }
}

void SingleInstance::readFrom(Connection* c) {
    if (c->dropped) return;
    c->buffer += c->socket->readAll();
    c->idle.start(kIdleMs);
    bool bad = false;
    for (;;) {
        const QByteArrayView have(c->buffer);
        const QByteArrayView magic(kMagic, kMagicSize);
        if (!magic.startsWith(have.first(qMin(have.size(), kMagicSize)))) {
            bad = true;
            break;
        }
        if (have.size() < kHeaderSize) break;
        const quint32 size = qFromBigEndian<quint32>(have.data() + kMagicSize);
        if (size < 4 || size > kMaxPayload) {
            bad = true;
            break;
        }
        if (have.size() < kHeaderSize + qsizetype(size)) break;
        const char* payload = have.data() + kHeaderSize;
        pending_.push_back(
            {qFromBigEndian<qint32>(payload), QString::fromUtf8(payload + 4, qsizetype(size) - 4)});
        c->buffer.remove(0, kHeaderSize + size);
        // Receipt, not completion: a handler may open a dialog for a long time.
        c->socket->write(&kAck, 1);
        // Out at once: the handler may end the program before the loop writes it.
        c->socket->flush();
    }
    if (bad) drop(c);
    deliver();
}

void SingleInstance::drop(Connection* c) {
    if (c->dropped) return;
    c->dropped = true;
    c->idle.stop();
    c->socket->abort();
    c->deleteLater();
}

void SingleInstance::deliver() {
    // Taken off the queue before the signal: a handler that runs a nested
    // event loop still sees later messages after this one.
    while (!pending_.empty()) {
        const InstanceMessage m = std::move(pending_.front());
        pending_.pop_front();
        Q_EMIT messageReceived(m.number, m.text);
    }
}

bool SingleInstance::send(const InstanceMessage& m, int timeoutMs) {
    if (folder_.isEmpty()) return false;
    const QDeadlineTimer deadline(timeoutMs);
    auto remaining = [&] { return int(qMax<qint64>(deadline.remainingTime(), 1)); };
    QLocalSocket socket;
    // The instance takes its lock a moment before it listens.
    for (;;) {
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(remaining())) break;
        if (deadline.hasExpired()) {
            error_ = socketPath() + QStringLiteral(": ") + socket.errorString();
            return false;
        }
        socket.abort();
        QThread::msleep(50);
    }
    socket.write(frame(m));
    while (socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !socket.waitForBytesWritten(remaining())) {
            error_ = QStringLiteral("the message could not be written: ") + socket.errorString();
            return false;
        }
    }
    while (socket.bytesAvailable() < 1) {
        if (deadline.hasExpired() || !socket.waitForReadyRead(remaining())) {
            error_ = QStringLiteral("the running instance did not confirm the message");
            return false;
        }
    }
    char ack = 0;
    const bool confirmed = socket.read(&ack, 1) == 1 && ack == kAck;
    socket.disconnectFromServer();
    if (!confirmed) error_ = QStringLiteral("the running instance sent a wrong receipt");
    return confirmed;
}

} // namespace lorvanta
