#pragma once

#include "platform/folderwatch.h"

#include <QHash>
#include <QString>
#include <memory>

class QSocketNotifier;

namespace lorvanta::platform {

// FolderWatch through inotify: one descriptor, read from the event loop of
// the thread that made the watch. Entries created, deleted, moved in or out
// and files closed after writing are reported; a lost-event overflow of the
// kernel queue is reported as Overflow. A folder given through a symbolic
// link is watched at the link's target; which links to descend into is the
// caller's choice.
class InotifyWatch final : public FolderWatch {
public:
    InotifyWatch();
    ~InotifyWatch() override;
    InotifyWatch(const InotifyWatch&) = delete;
    InotifyWatch& operator=(const InotifyWatch&) = delete;

    // False when inotify is not available (then every add fails).
    bool valid() const { return fd_ >= 0; }

    bool add(const QString& folder) override;
    void remove(const QString& folder) override;
    void clear() override;
    int count() const override { return int(folders_.size()); }
    // A quarter of the user's inotify watches, at most 8192.
    int capacity() const override;

private:
    void readEvents();
    void forget(int wd);

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QHash<int, QString> folders_; // watch descriptor -> folder
    QHash<QString, int> watches_; // folder -> watch descriptor
};

// The limit from /proc/sys/fs/inotify/max_user_watches; 8192 (the old
// kernel default) when it cannot be read.
int maxUserWatches();

} // namespace lorvanta::platform
