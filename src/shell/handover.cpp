#include "handover.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace lorvanta {

namespace {

bool isPrivateFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

QString uidText() {
    return QString::number(::getuid());
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Waits until `fd` is ready for `events`; false on time-out or error.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int ms = int(qMax<qint64>(deadline.remainingTime(), 0));
        const int n = ::poll(&p, 1, ms);
        if (n > 0) return true;
        if (n == 0 || errno != EINTR) return false;
    }
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

QString instanceLockPath(const QString& folder) {
    return folder + QStringLiteral("/LorvantaMB.lock");
}

QString instanceSocketPath(const QString& folder) {
    return folder + QStringLiteral("/LorvantaMB") + uidText();
}

QByteArray handover::frame(const InstanceMessage& m) {
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

InstanceClient::InstanceClient(QString folder) : folder_(std::move(folder)) {}

InstanceClient::~InstanceClient() {
    if (fd_ >= 0) ::close(fd_);
}

bool InstanceClient::fail(const QString& why) {
    error_ = why;
    return false;
}

bool InstanceClient::connect() {
    if (fd_ >= 0) return true;
    if (folder_.isEmpty()) return fail(QStringLiteral("no private runtime folder"));
    const QString path = instanceSocketPath(folder_);
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return fail(path + QStringLiteral(": the path is too long for a socket"));
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail(systemError());
    // A local connect either succeeds or fails at once: nothing to wait for.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error_ = path + QStringLiteral(": ") + systemError();
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool InstanceClient::deliver(const InstanceMessage& m, int timeoutMs) {
    if (fd_ < 0) return fail(QStringLiteral("not connected to the running instance"));
    const QDeadlineTimer deadline(timeoutMs);
    const QByteArray bytes = handover::frame(m);
    qsizetype written = 0;
    while (written < bytes.size()) {
        if (!waitFor(fd_, POLLOUT, deadline))
            return fail(QStringLiteral("the message could not be written in time"));
        // No SIGPIPE when the instance went away: that is an error to report.
        const ssize_t n = ::send(fd_, bytes.constData() + written, size_t(bytes.size() - written),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            return fail(QStringLiteral("the message could not be written: ") + systemError());
        if (n > 0) written += n;
    }
    char receipt = 0;
    for (;;) {
        if (!waitFor(fd_, POLLIN, deadline))
            return fail(QStringLiteral("the running instance did not confirm the message"));
        const ssize_t n = ::recv(fd_, &receipt, 1, MSG_DONTWAIT);
        if (n == 1) break;
        if (n == 0 || (errno != EINTR && errno != EAGAIN))
            return fail(QStringLiteral("the running instance did not confirm the message"));
    }
    ::close(fd_);
    fd_ = -1;
    if (receipt != handover::kReceipt)
        return fail(QStringLiteral("the running instance sent a wrong receipt"));
    return true;
}

} // namespace lorvanta
