#pragma once

#include "core/list/sources.h"

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace lorvanta {

// One finished index: its items in index order and their prepared names.
// Never changed once made, so a worker can build it and the main thread read it.
struct IndexSnapshot {
    std::vector<TMyShellItem> items;
    NameTable names;
};

// Prepares the names; runs on any thread.
std::shared_ptr<const IndexSnapshot> makeIndexSnapshot(std::vector<TMyShellItem> items);

// The index as the candidate list reads it. A rebuild publishes a whole new
// snapshot on the main thread, so the list never sees half a scan.
class FileIndex final : public IndexCollection {
public:
    FileIndex();
    ~FileIndex() override;
    FileIndex(const FileIndex&) = delete;
    FileIndex& operator=(const FileIndex&) = delete;

    bool hasIndexFolders() const override { return folders_; }
    void setIndexFolders(bool defined) { folders_ = defined; }
    const NameTable& names() const override { return snapshot_->names; }
    TMyShellItem item(size_t i) const override { return snapshot_->items[i]; }
    std::shared_ptr<const IndexSnapshot> snapshot() const { return snapshot_; }
    // Every item, in index order.
    std::vector<TMyShellItem> items() const { return snapshot_->items; }
    // Replaces the index (main thread).
    void publish(std::shared_ptr<const IndexSnapshot> snapshot);

    // Runs `scan` on a worker thread of low priority and publishes what it
    // found; false when a rebuild is already running. `done` is called on
    // the main thread after the publish.
    using Scan = std::function<std::vector<TMyShellItem>()>;
    bool rebuild(Scan scan, std::function<void()> done = {});
    bool rebuilding() const { return worker_ != nullptr; }
    // Waits for a running rebuild to end (at exit), handling events in
    // between; what it found is dropped. False when it did not end within
    // `timeoutMs`: it is then left to run, reporting to nobody.
    bool waitForRebuild(int timeoutMs = 60'000);

private:
    std::shared_ptr<const IndexSnapshot> snapshot_;
    bool folders_ = false;
    QThread* worker_ = nullptr;
    struct Handoff;
    std::shared_ptr<Handoff> handoff_;
    // Receives the worker's result on the main thread.
    QObject receiver_;
};

} // namespace lorvanta
