#include "inotifywatch.h"

#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <optional>
#include <sys/inotify.h>
#include <unistd.h>

namespace lorvanta::platform {

namespace {

constexpr uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE |
                             IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

std::optional<FolderChange::Kind> kindOf(uint32_t mask) {
    using Kind = FolderChange::Kind;
    if (mask & IN_CREATE) return Kind::Created;
    if (mask & IN_DELETE) return Kind::Deleted;
    if (mask & IN_MOVED_TO) return Kind::MovedIn;
    if (mask & IN_MOVED_FROM) return Kind::MovedOut;
    if (mask & IN_CLOSE_WRITE) return Kind::Modified;
    if (mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT)) return Kind::FolderGone;
    return std::nullopt;
}

} // namespace

int maxUserWatches() {
    QFile file(QStringLiteral("/proc/sys/fs/inotify/max_user_watches"));
    bool ok = false;
    int value = 0;
    if (file.open(QIODevice::ReadOnly)) value = file.readAll().trimmed().toInt(&ok);
    return ok && value > 0 ? value : 8192;
}

InotifyWatch::InotifyWatch() : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (fd_ < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this] { readEvents(); });
}

InotifyWatch::~InotifyWatch() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

int InotifyWatch::capacity() const {
    return std::max(1, std::min(8192, maxUserWatches() / 4));
}

bool InotifyWatch::add(const QString& folder) {
    if (fd_ < 0) return false;
    if (watches_.contains(folder)) return true;
    const int wd = inotify_add_watch(fd_, QFile::encodeName(folder).constData(), kEvents);
    if (wd < 0) return false;
    // Another path to a folder already watched (a bind mount) shares its
    // descriptor; its changes are reported under the first path only.
    if (folders_.contains(wd)) return false;
    folders_.insert(wd, folder);
    watches_.insert(folder, wd);
    return true;
}

void InotifyWatch::remove(const QString& folder) {
    const auto it = watches_.constFind(folder);
    if (it == watches_.constEnd()) return;
    const int wd = it.value();
    inotify_rm_watch(fd_, wd);
    forget(wd);
}

void InotifyWatch::clear() {
    for (auto it = folders_.constBegin(); it != folders_.constEnd(); ++it)
        inotify_rm_watch(fd_, it.key());
    folders_.clear();
    watches_.clear();
}

void InotifyWatch::forget(int wd) {
    const auto it = folders_.constFind(wd);
    if (it == folders_.constEnd()) return;
    watches_.remove(it.value());
    folders_.erase(it);
}

void InotifyWatch::readEvents() {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) return; // EAGAIN: all read
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + e->len);
            if (e->mask & IN_Q_OVERFLOW) {
                report({FolderChange::Kind::Overflow, {}, {}, false});
                continue;
            }
            const QString folder = folders_.value(e->wd);
            if (folder.isEmpty()) continue; // removed already
            if (e->mask & IN_IGNORED) {
                forget(e->wd);
                continue;
            }
            const auto kind = kindOf(e->mask);
            if (!kind) continue;
            FolderChange change{*kind, folder, {}, (e->mask & IN_ISDIR) != 0};
            if (*kind == FolderChange::Kind::FolderGone) {
                // A moved folder would go on reporting under its old path.
                change.isFolder = true;
                remove(folder);
            } else if (e->len > 0) {
                change.name = QFile::decodeName(e->name);
            }
            report(change);
        }
    }
}

} // namespace lorvanta::platform
