#include "fileindex.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>
#include <climits>
#include <mutex>
#include <sys/resource.h>

namespace lorvanta {

quint32 StringTable::intern(const QString& text) {
    const auto found = numbers_.constFind(text);
    if (found != numbers_.cend()) return *found;
    const quint32 number = quint32(starts_.size() - 1);
    pool_.insert(pool_.end(), text.utf16(), text.utf16() + text.size());
    starts_.push_back(quint32(pool_.size()));
    numbers_.insert(text, number);
    return number;
}

QString StringTable::at(quint32 i) const {
    return QString::fromUtf16(pool_.data() + starts_[i], qsizetype(starts_[i + 1] - starts_[i]));
}

void StringTable::finish() {
    numbers_ = {};
    pool_.shrink_to_fit();
    starts_.shrink_to_fit();
}

template <typename Char> const Char* SparseTexts<Char>::find(quint32 entry, size_t* length) const {
    const auto it = std::lower_bound(spans_.begin(), spans_.end(), entry,
                                     [](const Span& s, quint32 e) { return s.entry < e; });
    if (it == spans_.end() || it->entry != entry) return nullptr;
    *length = it->length;
    return pool_.data() + it->at;
}

template class SparseTexts<char16_t>;
template class SparseTexts<char>;

namespace {

// Whether `name` is what follows the path's last "/", so that the path alone
// gives it back.
bool endsThePath(const QString& name, const QString& path) {
    return !name.isEmpty() && path.size() > name.size() && !name.contains(u'/') &&
           path.endsWith(name) && path[path.size() - name.size() - 1] == u'/';
}

} // namespace

void IndexSnapshot::add(const TMyShellItem& item) {
    const quint32 number = quint32(records_.size());
    Record r;
    r.path = quint32(paths_.size());
    paths_.insert(paths_.end(), item.path.utf16(), item.path.utf16() + item.path.size());
    r.title = titles_.intern(item.title);
    r.root = roots_.intern(item.root);
    if (endsThePath(item.name, item.path))
        r.root |= kNameIsLast;
    else if (!item.name.isEmpty())
        otherNames_.add(number, reinterpret_cast<const char16_t*>(item.name.utf16()),
                        size_t(item.name.size()));
    if (!item.ps.isEmpty()) identifiers_.add(number, item.ps.constData(), size_t(item.ps.size()));
    if (item.mtype != 0) types_.emplace_back(number, item.mtype);
    records_.push_back(r);
    names_.add(item.name);
}

void IndexSnapshot::finish() {
    roots_.finish();
    titles_.finish();
    otherNames_.finish();
    identifiers_.finish();
    types_.shrink_to_fit();
}

TMyShellItem IndexSnapshot::item(size_t i) const {
    const Record& r = records_[i];
    const size_t end = i + 1 < records_.size() ? records_[i + 1].path : paths_.size();
    TMyShellItem item;
    item.path = QString::fromUtf16(paths_.data() + r.path, qsizetype(end - r.path));
    item.root = roots_.at(r.root & ~kNameIsLast);
    item.title = titles_.at(r.title);
    size_t length = 0;
    if (r.root & kNameIsLast)
        item.name = item.path.sliced(item.path.lastIndexOf(u'/') + 1);
    else if (const char16_t* name = otherNames_.find(quint32(i), &length))
        item.name = QString::fromUtf16(name, qsizetype(length));
    if (const char* ps = identifiers_.find(quint32(i), &length))
        item.ps = QByteArray(ps, qsizetype(length));
    const auto type =
        std::lower_bound(types_.begin(), types_.end(), std::pair(quint32(i), INT_MIN));
    if (type != types_.end() && type->first == i) item.mtype = type->second;
    return item;
}

std::shared_ptr<const IndexSnapshot> makeIndexSnapshot(std::vector<TMyShellItem> items) {
    auto snapshot = std::make_shared<IndexSnapshot>();
    size_t names = 0, paths = 0;
    for (const TMyShellItem& item : items) {
        names += size_t(item.name.size());
        paths += size_t(item.path.size());
    }
    snapshot->names_.reserve(items.size(), names);
    snapshot->records_.reserve(items.size());
    snapshot->paths_.reserve(paths);
    for (const TMyShellItem& item : items)
        snapshot->add(item);
    snapshot->finish();
    return snapshot;
}

FileIndex::FileIndex() : snapshot_(std::make_shared<IndexSnapshot>()) {}

FileIndex::~FileIndex() {
    waitForRebuild();
}

std::vector<TMyShellItem> FileIndex::items() const {
    std::vector<TMyShellItem> all;
    all.reserve(snapshot_->size());
    for (size_t i = 0; i < snapshot_->size(); ++i)
        all.push_back(snapshot_->item(i));
    return all;
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
                    retireWorker();
                    publish(snapshot);
                    // Not rebuilding any more: `done` may start the next one.
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

void FileIndex::retireWorker() {
    // It has handed over its result and has nothing left but to return.
    QObject::disconnect(worker_, nullptr, &receiver_, nullptr);
    worker_->wait();
    QCoreApplication::removePostedEvents(&receiver_, QEvent::MetaCall);
    delete worker_;
    worker_ = nullptr;
}

bool FileIndex::waitForRebuild(int timeoutMs, bool handleEvents) {
    if (!worker_) return true;
    {
        const std::lock_guard guard(handoff_->lock);
        handoff_->receiver = nullptr;
    }
    // From here this function ends the thread's life, not its finished
    // signal, and a result already posted is not published.
    QObject::disconnect(worker_, nullptr, &receiver_, nullptr);
    QCoreApplication::removePostedEvents(&receiver_, QEvent::MetaCall);
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
        if (handleEvents) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    // Its end, still on its way to the main thread, goes too.
    QCoreApplication::removePostedEvents(&receiver_);
    delete worker_;
    worker_ = nullptr;
    return true;
}

} // namespace lorvanta
