#include "instance.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QtEndian>
#include <sys/socket.h>
#include <unistd.h>

namespace lorvanta {

namespace {

// A client that stops halfway through a frame is not waited for forever.
constexpr int kIdleMs = 10000;

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
    return instanceLockPath(folder_);
}

QString SingleInstance::socketPath() const {
    return instanceSocketPath(folder_);
}

bool SingleInstance::tryBecomePrimary() {
    return takeLock() && listen();
}

bool SingleInstance::takeLock() {
    if (lock_) return true;
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
    lock_ = std::move(lock);
    return true;
}

bool SingleInstance::listen() {
    if (server_) return true;
    if (!lock_) return false;
    // Holding the lock, any socket file left is a dead instance's.
    QLocalServer::removeServer(socketPath());
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(socketPath())) {
        error_ = socketPath() + QStringLiteral(": ") + server->errorString();
        delete server;
        lock_.reset();
        return false;
    }
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
        const QByteArrayView magic(handover::kMagic, handover::kMagicSize);
        if (!magic.startsWith(have.first(qMin(have.size(), handover::kMagicSize)))) {
            bad = true;
            break;
        }
        if (have.size() < handover::kHeaderSize) break;
        const quint32 size = qFromBigEndian<quint32>(have.data() + handover::kMagicSize);
        if (size < 4 || size > kMaxPayload) {
            bad = true;
            break;
        }
        if (have.size() < handover::kHeaderSize + qsizetype(size)) break;
        const char* payload = have.data() + handover::kHeaderSize;
        pending_.push_back(
            {qFromBigEndian<qint32>(payload), QString::fromUtf8(payload + 4, qsizetype(size) - 4)});
        c->buffer.remove(0, handover::kHeaderSize + size);
        // Receipt, not completion: a handler may open a dialog for a long time.
        c->socket->write(&handover::kReceipt, 1);
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
    InstanceClient client(folder_);
    // The instance takes its lock a moment before it listens.
    while (!client.connect()) {
        if (deadline.hasExpired()) {
            error_ = client.errorString();
            return false;
        }
        QThread::msleep(50);
    }
    const bool delivered = client.deliver(m, int(qMax<qint64>(deadline.remainingTime(), 1)));
    if (!delivered) error_ = client.errorString();
    return delivered;
}

} // namespace lorvanta
