#include "fileindex.h"

#include <QCoreApplication>
#include <QThread>
#include <sys/resource.h>

namespace lorvanta {

std::shared_ptr<const IndexSnapshot> makeIndexSnapshot(std::vector<TMyShellItem> items) {
    auto snapshot = std::make_shared<IndexSnapshot>();
    size_t characters = 0;
    for (const TMyShellItem& item : items)
        characters += size_t(item.name.size());
    snapshot->names.reserve(items.size(), characters);
    for (const TMyShellItem& item : items)
        snapshot->names.add(item.name);
    snapshot->items = std::move(items);
    return snapshot;
}

FileIndex::FileIndex() : snapshot_(std::make_shared<IndexSnapshot>()) {}

FileIndex::~FileIndex() {
    waitForRebuild();
}

void FileIndex::publish(std::shared_ptr<const IndexSnapshot> snapshot) {
    if (snapshot) snapshot_ = std::move(snapshot);
}

bool FileIndex::rebuild(Scan scan, std::function<void()> done) {
    if (worker_) return false;
    worker_ = QThread::create([this, scan = std::move(scan), done = std::move(done)] {
        // The scan must never slow the desktop down: the lowest priority
        // there is (the idle class where the system allows it).
        ::setpriority(PRIO_PROCESS, 0, 10);
        auto snapshot = makeIndexSnapshot(scan());
        QMetaObject::invokeMethod(
            &receiver_,
            [this, snapshot = std::move(snapshot), done] {
                publish(snapshot);
                if (done) done();
            },
            Qt::QueuedConnection);
    });
    QThread* thread = worker_;
    QObject::connect(thread, &QThread::finished, &receiver_, [this, thread] {
        thread->deleteLater();
        if (worker_ == thread) worker_ = nullptr;
    });
    worker_->start(QThread::IdlePriority);
    return true;
}

void FileIndex::waitForRebuild() {
    if (!worker_) return;
    worker_->wait();
    // Its result and its end, still on their way to the main thread, go too.
    QCoreApplication::removePostedEvents(&receiver_);
    delete worker_;
    worker_ = nullptr;
}

} // namespace lorvanta
