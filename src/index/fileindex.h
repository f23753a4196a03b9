#pragma once

#include "core/list/sources.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace lorvanta {

// Strings many entries share (the scanned folders, the titles), each kept
// once in one buffer and named by its number.
class StringTable {
public:
    quint32 intern(const QString& text);
    QString at(quint32 i) const;
    // Drops what only adding needs.
    void finish();

private:
    std::vector<char16_t> pool_;
    std::vector<quint32> starts_{0}; // string i is [starts_[i], starts_[i + 1])
    QHash<QString, quint32> numbers_;
};

// Texts only a few entries have (a name that is not the end of the path, a
// persisted identifier), by entry number in ascending order.
template <typename Char> class SparseTexts {
public:
    void add(quint32 entry, const Char* text, size_t length) {
        spans_.push_back({entry, quint32(pool_.size()), quint32(length)});
        pool_.insert(pool_.end(), text, text + length);
    }
    // Null when entry has none.
    const Char* find(quint32 entry, size_t* length) const;
    void finish() {
        pool_.shrink_to_fit();
        spans_.shrink_to_fit();
    }

private:
    struct Span {
        quint32 entry, at, length;
    };
    std::vector<Char> pool_;
    std::vector<Span> spans_;
};

// One finished index: its items in index order and their prepared names.
// Never changed once made, so a worker can build it and the main thread read
// it. An index holds hundreds of thousands of files, so an item is not kept
// as such: its path is in one UTF-16 buffer; its name is most often the last
// part of the path and then costs nothing; its folder and title are numbers
// into shared tables. Icons are looked up again when the item is made.
class IndexSnapshot {
public:
    size_t size() const { return records_.size(); }
    TMyShellItem item(size_t i) const;
    const NameTable& names() const { return names_; }

private:
    friend std::shared_ptr<const IndexSnapshot> makeIndexSnapshot(std::vector<TMyShellItem>);
    void add(const TMyShellItem& item);
    void finish();

    static constexpr quint32 kNameIsLast = 0x80000000u; // in Record::root
    struct Record {
        quint32 path;  // start in paths_; it ends where the next one starts
        quint32 title; // in titles_
        quint32 root;  // in roots_, with kNameIsLast
    };
    std::vector<char16_t> paths_;
    std::vector<Record> records_;
    StringTable roots_, titles_;
    SparseTexts<char16_t> otherNames_;
    SparseTexts<char> identifiers_;              // ps
    std::vector<std::pair<quint32, int>> types_; // mtype where it is not 0
    NameTable names_;
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
    const NameTable& names() const override { return snapshot_->names(); }
    TMyShellItem item(size_t i) const override { return snapshot_->item(i); }
    // Every item, in index order.
    std::vector<TMyShellItem> items() const;
    std::shared_ptr<const IndexSnapshot> snapshot() const { return snapshot_; }
    // Replaces the index (main thread).
    void publish(std::shared_ptr<const IndexSnapshot> snapshot);

    // Runs `scan` on a worker thread of low priority and publishes what it
    // found; false when a rebuild is already running. `done` is called on
    // the main thread after the publish.
    using Scan = std::function<std::vector<TMyShellItem>()>;
    bool rebuild(Scan scan, std::function<void()> done = {});
    bool rebuilding() const { return worker_ != nullptr; }
    // Waits for a running rebuild to end (at exit), handling events in
    // between when asked (never from a destructor: the events could reach
    // what is already gone); what it found is dropped. False when it did not
    // end within `timeoutMs`: it is then left to run, reporting to nobody.
    bool waitForRebuild(int timeoutMs = 60'000, bool handleEvents = false);

private:
    std::shared_ptr<const IndexSnapshot> snapshot_;
    bool folders_ = false;
    void retireWorker();
    QThread* worker_ = nullptr;
    struct Handoff;
    std::shared_ptr<Handoff> handoff_;
    // Receives the worker's result on the main thread.
    QObject receiver_;
};

} // namespace lorvanta
