#include "atomicfile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvanta {

namespace {

QString errnoText() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

QString atomicTempPath(const QString& path) {
    return path + QStringLiteral(".saving");
}

IoStatus writeFileAtomically(const QString& path, const QByteArray& data,
                             const std::function<void()>& beforeRename) {
    const QString temp = atomicTempPath(path);
    const QByteArray tempName = QFile::encodeName(temp);
    const int fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return IoStatus::failure(IoStatus::Code::OpenFailed,
                                 temp + QStringLiteral(": ") + errnoText());

    // Keep the permissions a user gave the old file (a private settings file stays private).
    const QByteArray target = QFile::encodeName(path);
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);

    const bool written = writeAll(fd, data) && ::fdatasync(fd) == 0;
    const QString writeError = written ? QString() : errnoText();
    ::close(fd);
    if (!written) {
        ::unlink(tempName.constData());
        return IoStatus::failure(IoStatus::Code::WriteFailed,
                                 temp + QStringLiteral(": ") + writeError);
    }
    if (beforeRename) beforeRename();
    if (::rename(tempName.constData(), target.constData()) != 0) {
        const QString why = errnoText();
        ::unlink(tempName.constData());
        return IoStatus::failure(IoStatus::Code::RenameFailed, path + QStringLiteral(": ") + why);
    }
    return {};
}

} // namespace lorvanta
