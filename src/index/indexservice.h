#pragma once

#include "buildindex.h"
#include "fileindex.h"
#include "indexwatch.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace lorvanta {

struct Setup;
class Clock;

// Keeps the index current: loads the cache at start, starts rebuilds on the
// occasions the settings name (start-up, focus, idle, "Index now", the
// command) spaced by `indexrefresh` minutes, and writes the cache at exit.
// Main thread only; the scan itself runs on FileIndex's worker.
class IndexService final : public QObject {
    Q_OBJECT
public:
    struct Context {
        QString dataFolder; // ends with "/"
        QString programFolder;
        QProcessEnvironment env;
        bool safeMode = false;
        // Expands the command-line variables of index folder paths.
        std::function<QString(const QString&)> expand;
        // Milliseconds since the user's last input anywhere; nothing when
        // the desktop does not say.
        std::function<std::optional<qint64>()> idleTime;
        // Watches the folders between rebuilds when given (inotify).
        platform::FolderWatch* folderWatch = nullptr;
    };

    IndexService(const Setup& setup, FileIndex& index, const Clock& clock, Context context);
    ~IndexService() override;

    // Start-up: the cache (with `cacheindex`), then a rebuild when
    // `autoindex` asks for one at start; arms the idle timer for modes 4, 5.
    void start();
    // The launcher was activated: a rebuild in modes 2 and 3.
    void activated();
    // Settings were applied: a first rebuild when there is no index yet.
    void settingsApplied();
    // Starts a rebuild; false when none started (safe mode, one running, or
    // an unforced one within `indexrefresh` minutes of the last).
    bool RefreshIndex(bool force);
    // The settings dialog's "Index now", once it has applied the dialog's
    // index settings: a forced rebuild; the label's text to show meanwhile.
    QString indexNow() {
        RefreshIndex(true);
        return QStringLiteral("Indexed items: indexing...");
    }
    // One tick of the idle timer (every 10 s while autoindex is 4 or 5).
    void idleTick();
    // The folder watch, when the context gave one.
    const IndexWatch* folderWatch() const { return watch_.get(); }
    // Exit: stops the scan and the watch, waits for the scan, then writes
    // the cache.
    void shutdown();

    // `autoindex` with -1 resolved by `noindexrefresh` (1, else 3).
    int autoIndexMode() const;
    bool hasIndex() const { return hasIndex_; }
    bool rebuilding() const { return index_.rebuilding(); }
    // "Indexed items: N", "Indexed items: None", or while a rebuild runs
    // (with `whileRunning`) "Indexed items: indexing..".
    QString countText(bool whileRunning = false) const;
    QString cacheFile() const;
    IndexPlan plan() const;
    // "$FLUSHUWP$": a forced rebuild whose store step syncs the "Apps" folder
    // from scratch; `done` gets the number of store apps as text once it is
    // published. Queued behind a running rebuild.
    void flushStoreApps(std::function<void(const QString& count)> done);
    // A rebuild now, or as soon as the running one is published (lost
    // changes, a store app installed).
    void requestRebuild();
    // Replaces the plan's store step (the sync of the "Apps" folder).
    void setStoreSync(std::function<void(const IndexPlan&, const std::atomic<bool>*)> sync) {
        storeSync_ = std::move(sync);
    }

Q_SIGNALS:
    // A rebuild was published.
    void rebuilt();

private:
    bool wanted() const;
    bool startRebuild(IndexPlan plan, std::function<void()> after);
    void runQueued();
    // Re-arms the folder watch for the index just published.
    void watchFolders();
    void loadCache();
    void saveCache() const;

    const Setup& setup_;
    FileIndex& index_;
    const Clock& clock_;
    Context context_;
    bool hasIndex_ = false;  // loaded, or a rebuild started
    bool published_ = false; // loaded, or a rebuild published
    bool rebuildQueued_ = false;
    std::function<void(const QString&)> flushQueued_;
    QDateTime lastStart_;
    QDateTime lastIdleRefresh_;
    QTimer idleTimer_;
    // Read by the scanner at every folder; set at exit.
    std::unique_ptr<IndexWatch> watch_;
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    // The rebuild's store step; by default the "Apps" folder's sync.
    std::function<void(const IndexPlan&, const std::atomic<bool>*)> storeSync_ =
        [](const IndexPlan& p, const std::atomic<bool>* stop) {
            syncStoreAppsFolder(p, false, stop);
        };
};

} // namespace lorvanta
