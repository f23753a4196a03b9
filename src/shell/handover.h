#pragma once

// The second start's side of the single instance: where the running
// instance listens, how a message is framed, and a client that delivers it.
// Plain POSIX sockets and QtCore only, so that a second start loads no GUI,
// network or display libraries (see instance.h for the instance's side).

#include "commandline.h"

#include <QByteArray>
#include <QString>

namespace lorvanta {

// The user's private folder for the instance lock and socket:
// $XDG_RUNTIME_DIR when it is a folder of this user that nobody else may
// enter, otherwise "<fallbackBase>/lorvanta-<uid>", created with mode 0700
// and refused when it is a link or belongs to someone else. Empty when
// neither is safe; `error` then says why.
QString privateRuntimeFolder(const QByteArray& xdgRuntimeDir, const QString& fallbackBase,
                             QString* error = nullptr);
// The same for this process's environment and /tmp.
QString privateRuntimeFolder(QString* error = nullptr);

// The lock file "LorvantaMB.lock" and the socket "LorvantaMB<uid>" in `folder`.
QString instanceLockPath(const QString& folder);
QString instanceSocketPath(const QString& folder);

// Frame: "LVM1", then a 32-bit big-endian payload length, then the payload:
// the 32-bit big-endian message number and the text in UTF-8. The instance
// answers each frame with one byte, kReceipt.
namespace handover {
inline constexpr char kMagic[] = "LVM1";
inline constexpr qsizetype kMagicSize = 4;
inline constexpr qsizetype kHeaderSize = kMagicSize + 4;
inline constexpr char kReceipt = 0x06;
// Frames larger than this are refused and their connection dropped.
inline constexpr quint32 kMaxPayload = 1024 * 1024;
QByteArray frame(const InstanceMessage& m);
} // namespace handover

// One connection to the running instance, for one message.
class InstanceClient {
public:
    explicit InstanceClient(QString folder);
    ~InstanceClient();
    InstanceClient(const InstanceClient&) = delete;
    InstanceClient& operator=(const InstanceClient&) = delete;

    // One attempt, no waiting: false when nobody listens (no instance, or
    // one still starting) or the socket cannot be used.
    bool connect();
    // Writes `m` and waits for the receipt, at most `timeoutMs` in all.
    // Needs connect() first.
    bool deliver(const InstanceMessage& m, int timeoutMs);

    QString errorString() const { return error_; }

private:
    bool fail(const QString& why);

    QString folder_;
    QString error_;
    int fd_ = -1;
};

} // namespace lorvanta
