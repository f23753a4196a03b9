#pragma once

#include "buildindex.h"
#include "fileindex.h"
#include "platform/folderwatch.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QTimer>
#include <functional>
#include <map>

namespace lorvanta {

// Keeps the index fresh between rebuilds: watches the application folders
// and the index folders and, after a short quiet time, applies what changed
// to the published index without a rescan.
//  - a change in an application folder discovers the applications (and the
//    settings panels) again and puts them in place of the old ones;
//  - a change in an index folder rescans only that folder's own entries
//    with its index folder's rules; a new sub-folder within the level is
//    watched and scanned whole, a folder gone drops everything below it.
// Watches are limited to a budget; folders past it are left to the timed
// refresh. Main thread only; nothing is applied while a rebuild runs (the
// owner calls watch() again with the plan after it).
class IndexWatch {
public:
    // `rebuildNeeded` is called when changes were lost (the kernel's queue
    // overflowed) or need the rebuild's store step. Both `index` and
    // `folders` must outlive the watch; it takes over `folders`' handler.
    IndexWatch(FileIndex& index, platform::FolderWatch& folders,
               std::function<void()> rebuildNeeded);
    ~IndexWatch();
    IndexWatch(const IndexWatch&) = delete;
    IndexWatch& operator=(const IndexWatch&) = delete;

    // Replaces every watch with those of `plan`; walks the folder trees
    // (folders only) on the calling thread.
    void watch(const IndexPlan& plan);
    void clear();
    // Folders that went unwatched because the budget was spent: those seen,
    // that is, since the sub-folders of an unwatched folder are not listed.
    int unwatchedFolders() const { return unwatched_; }
    int watchCount() const { return int(watched_.size()); }
    // The most folders watched at once; the watch's capacity by default.
    void setBudget(int folders) { budget_ = folders; }
    // How long changes must pause before they are applied (a burst of saves
    // is one update); a stream of changes is applied at most three times
    // this after its first change.
    void setQuietTime(int ms) { quietMs_ = ms; }

private:
    // Who watches a folder: the applications, and the index folders (by
    // their place in the plan) whose level reaches it.
    struct Owners {
        bool apps = false;
        QVector<int> folders;
    };
    struct Seed {
        QString folder;
        int owner; // -1: applications
        int depth;
    };

    // The work one index folder gathered for the next update.
    struct FolderWork {
        QSet<QString> changed; // rescan these folders' own entries
        QSet<QString> added;   // watch and scan these whole trees
        QSet<QString> gone;    // drop everything below these
    };
    struct Pending {
        bool apps = false;      // discover the applications again
        bool storeApps = false; // a store export changed: the rebuild syncs it
        QVector<Seed> appTrees; // new folders in the application folders
        std::map<int, FolderWork> folders;
    };
    QString rootOf(int owner) const;
    void addTrees(const QVector<Seed>& seeds);
    void unwatchBelow(const QString& folder);
    int depthLimit(int owner) const;
    void changed(const platform::FolderChange& change);
    void noteChange();
    void apply();
    void changedIn(int owner, const platform::FolderChange& change);
    void changedInApps(const platform::FolderChange& change);
    bool applyApps(std::vector<TMyShellItem>& items) const;
    bool applyFolder(int owner, const FolderWork& work, std::vector<TMyShellItem>& items) const;

    FileIndex& index_;
    platform::FolderWatch& folders_;
    std::function<void()> rebuildNeeded_;
    IndexPlan plan_;
    QStringList appFolders_;  // ending in "/"
    QStringList menuFolders_; // those whose entries are the menu's
    QHash<QString, Owners> watched_;
    int unwatched_ = 0;
    int budget_ = 0;
    int quietMs_ = 300;
    Pending pending_;
    QTimer quiet_;
    QElapsedTimer firstChange_;
};

} // namespace lorvanta
