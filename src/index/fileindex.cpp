#include "fileindex.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <mutex>
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

// Between a worker and the index it reports to: the index lets go of a
// rebuild (at exit) by clearing `receiver` under the lock, after which the
// worker posts nothing, however long it still runs.
struct FileIndex::Handoff {
    std::mutex lock;
    QObject* receiver = nullptr;
};

bool FileIndex::rebuild(Scan scan, std::function<void()> done) {
    if (worker_) return false;
    handoff_ = std::make_shared<Handoff>();
    handoff_->receiver = &receiver_;
    worker_ =
        QThread::create([this, handoff = handoff_, scan = std::move(scan), done = std::move(done)] {
            // The scan must never slow the desktop down: the lowest priority
            // there is (the idle class where the system allows it).
            ::setpriority(PRIO_PROCESS, 0, 10);
            auto snapshot = makeIndexSnapshot(scan());
            const std::lock_guard guard(handoff->lock);
            if (!handoff->receiver) return;
            QMetaObject::invokeMethod(
                handoff->receiver,
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

bool FileIndex::waitForRebuild(int timeoutMs) {
    if (!worker_) return true;
    {
        const std::lock_guard guard(handoff_->lock);
        handoff_->receiver = nullptr;
    }
    // From here this function ends the thread's life, not its finished signal.
    QObject::disconnect(worker_, nullptr, &receiver_, nullptr);
    QDeadlineTimer deadline(timeoutMs);
    // Short waits with the events handled in between keep the program
    // answering (the session manager, a second start) while the scan ends.
    while (!worker_->wait(QDeadlineTimer(50))) {
        if (deadline.hasExpired()) {
            // A scan stuck in the file system (a hung network mount): it is
            // left running and never freed; it reports to nobody.
            // Held from a pointer that outlives the exit's destructors.
            static auto* const abandoned = new std::vector<QThread*>;
            abandoned->push_back(worker_);
            worker_ = nullptr;
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    // Its end, still on its way to the main thread, goes too.
    QCoreApplication::removePostedEvents(&receiver_);
    delete worker_;
    worker_ = nullptr;
    return true;
}

} // namespace lorvanta
