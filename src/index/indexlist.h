#pragma once

#include "core/list/listitems.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace lorvanta {

// The index: (key, item) pairs in scan order. A key already present
// (ignoring case) is not added again, so the first occurrence wins. An entry
// may carry no item (a blank line of the cache); readers skip those.
class IndexList {
public:
    struct Entry {
        QString key;
        std::unique_ptr<TMyShellItem> item;
    };

    bool contains(const QString& key) const;
    // False (and `item` dropped) when the key is taken.
    bool add(QString key, std::unique_ptr<TMyShellItem> item);
    // Adds without the duplicate check: the cache keeps every entry it was
    // given, even two files of the same name from different folders.
    void append(QString key, std::unique_ptr<TMyShellItem> item);
    size_t size() const { return entries_.size(); }
    const Entry& at(size_t i) const { return entries_[i]; }
    const std::vector<Entry>& entries() const { return entries_; }
    void clear();

private:
    // The first entry of each key, found by the hash of the case-folded key.
    // Slots point into entries_, so a key costs no string of its own.
    struct Slot {
        uint32_t entry = kFree;
        uint32_t hash = 0;
    };
    static constexpr uint32_t kFree = UINT32_MAX;
    size_t find(const QString& key, uint32_t hash) const;
    bool claim(const QString& key);
    void grow();

    std::vector<Entry> entries_;
    std::vector<Slot> slots_; // open addressing, a power of two long
    size_t taken_ = 0;
};

// How one folder is scanned. Depth counts from 0 for the folder's own
// entries; `maxDepth` -1 means no limit of the user's, yet recursion always
// stops at kScanDepthLimit.
struct FolderScan {
    QString root; // recorded in every item, as given
    QString mask; // from extensionMask(); empty = every file
    bool recurse = false;
    bool includeFolders = false;
    bool foldersOnly = false;
    int maxDepth = -1;
    QString titlePrefix;  // folder whose relative sub-folder becomes the title
    QStringList excludes; // folders whose path holds one of these are skipped
    const std::atomic<bool>* stop = nullptr;
    // Counts the entries visited as the scan goes, for a reader elsewhere.
    std::atomic<int>* progress = nullptr;
};

// Each level holds an open directory; 64 levels is deeper than any real
// tree and keeps a hostile one (or a bind-mount cycle the device and inode
// check cannot see) from exhausting descriptors or the stack.
inline constexpr int kScanDepthLimit = 64;

// Scans `folder` (ending in "/") into `list`; the result is the number of
// entries visited. Symbolic links are followed, but never into a folder that
// is already on the current path. Hidden entries are listed like any other.
int ScanFolder(const QString& folder, const FolderScan& scan, IndexList& list);

// One index folder with its path already expanded: the mask, level,
// include-folders and title rules. A leading "~" is the home folder. Returns
// -1 when the folder was skipped (empty or relative path, missing, or a
// level that is not a number), else the visited count.
// Folders whose path holds one of `excludes` are not scanned.
// `progress`, when given, counts the visited entries as the scan goes.
int scanIndexFolder(const TMyScanItem& item, IndexList& list,
                    const std::atomic<bool>* stop = nullptr, const QStringList& excludes = {},
                    std::atomic<int>* progress = nullptr);

// Whether a file name passes a mask: its lower-case extension, dot
// included, occurs in the mask. Names without extension never pass.
bool passesMask(const QString& fileName, const QString& mask);

} // namespace lorvanta
