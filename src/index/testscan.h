#pragma once

#include "core/list/listitems.h"

#include <QObject>
#include <QSemaphore>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>

class QThreadPool;

namespace lorvanta {

class IndexCollection;

// The index folder editor's "Test": scans one index folder with the rules
// the index uses for it (extensions, level, folders) on a pool thread, and
// tells what it found. Headless: a window shows label() and lines().
//
// The label reads "Items found: ..." from the start, every second while the
// scan runs "Scanning... items scanned: N", and at the end
// "Items found: LINES (scanned N)". Main thread only, apart from the scan.
class IndexTestScan final : public QObject {
    Q_OBJECT
public:
    // `pool` runs the scan; the global pool when none is given.
    explicit IndexTestScan(QThreadPool* pool = nullptr, QObject* parent = nullptr);
    // Stops a running scan and waits for it.
    ~IndexTestScan() override;

    // Starts the scan of `folder`, its path put through `expand` first (the
    // command-line variables). False, and nothing changes, while one runs.
    // `excludes`: folders holding one of these texts are not scanned (the
    // exclude list, when its type says so), as in the index.
    bool start(TMyScanItem folder, const std::function<QString(const QString&)>& expand = {},
               const QStringList& excludes = {});
    // Asks the scan to end at its next folder; it still finishes normally.
    void stop();
    // Whether the editor may close: not while a scan counts, which is then
    // asked to stop.
    bool canClose();

    bool running() const { return running_; }
    // Entries visited so far; readable while the scan runs.
    int visited() const { return visited_.load(std::memory_order_relaxed); }
    QString label() const { return label_; }
    // The paths found, in index order, once the scan has finished.
    QStringList lines() const { return lines_; }

Q_SIGNALS:
    void labelChanged(const QString& label);
    // The scan ended (completed or stopped); lines() and label() are final.
    void finished();

private:
    void setLabel(const QString& text);
    void showProgress();
    void finish(const QStringList& lines);

    QThreadPool* pool_;
    // Read and written by the scan on the pool thread.
    std::atomic<bool> stop_{false};
    std::atomic<int> visited_{0};
    // Released by the scan as its last step, after it posted its result, so
    // that neither this object nor its flags go away under it.
    QSemaphore done_;
    QTimer progressTimer_;
    bool running_ = false;
    QString label_;
    QStringList lines_;
};

// What the "Indexed items" window lists: the path of every index entry, and
// "Items found: " + their number.
struct IndexedItemsView {
    QStringList lines;
    QString label;
};
IndexedItemsView indexedItemsView(const IndexCollection& index);

} // namespace lorvanta
