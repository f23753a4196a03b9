#pragma once

#include "commandline.h"
#include "handover.h"

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <deque>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace lorvanta {

// One launcher per user. The instance holds the lock file "LorvantaMB.lock"
// and listens on the socket "LorvantaMB<uid>", both in the private folder; a
// second start finds the lock taken and sends its one message over the socket.
//
// Each second start sends its own framed message and waits for the receipt,
// so quick starts never overwrite each other, and only this user can reach
// the socket.
//
// The frame is handover::frame's.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `folder` as privateRuntimeFolder() gives it; empty makes every call fail.
    explicit SingleInstance(QString folder = privateRuntimeFolder(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the instance from now on: the lock is held
    // (a lock left by a dead process is taken over) and the socket listens.
    // Connect messageReceived before the event loop runs; messages that
    // arrive earlier wait in the socket. False when another instance holds
    // the lock, or when the folder, lock or socket cannot be used
    // (errorString() then tells why).
    bool tryBecomePrimary();
    // The two steps of tryBecomePrimary, for a start that wants to know
    // whether it is the instance before it builds its application object:
    // takeLock() needs none, listen() needs the event dispatcher. A failed
    // listen() gives the lock back.
    bool takeLock();
    bool listen();
    bool isPrimary() const { return server_ != nullptr; }

    // For a second start: delivers `m` to the running instance and waits for
    // its receipt, retrying the connection while the instance is still
    // starting. Needs no event loop and no display. False when nobody
    // received it within `timeoutMs`.
    bool send(const InstanceMessage& m, int timeoutMs = 5000);

    QString errorString() const { return error_; }
    QString folder() const { return folder_; }
    QString lockPath() const;
    QString socketPath() const;

    static constexpr quint32 kMaxPayload = handover::kMaxPayload;
    static QByteArray frame(const InstanceMessage& m) { return handover::frame(m); }

Q_SIGNALS:
    // Every complete message, on this object's thread, in arrival order.
    void messageReceived(int number, const QString& text);

private:
    struct Connection;
    void accept();
    void readFrom(Connection* c);
    void drop(Connection* c);
    void deliver();

    QString folder_;
    QString error_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    std::deque<InstanceMessage> pending_;
};

} // namespace lorvanta
