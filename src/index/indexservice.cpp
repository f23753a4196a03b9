#include "indexservice.h"

#include "core/settings/setup.h"
#include "core/util/seams.h"
#include "scancache.h"
#include "scanitems.h"

#include <QFileInfo>

namespace lorvanta {

namespace {

constexpr int kIdleTickMs = 10'000;
constexpr qint64 kIdleWindowMs = 30'000;

std::vector<TMyShellItem> itemsOf(const IndexList& list) {
    std::vector<TMyShellItem> items;
    items.reserve(list.size());
    for (const IndexList::Entry& e : list.entries())
        if (e.item) items.push_back(*e.item);
    return items;
}

} // namespace

IndexService::IndexService(const Setup& setup, FileIndex& index, const Clock& clock,
                           Context context)
    : setup_(setup), index_(index), clock_(clock), context_(std::move(context)) {
    idleTimer_.setInterval(kIdleTickMs);
    connect(&idleTimer_, &QTimer::timeout, this, &IndexService::idleTick);
    // Lost changes, or a store app installed (which only a rebuild syncs).
    if (context_.folderWatch)
        watch_ = std::make_unique<IndexWatch>(index_, *context_.folderWatch,
                                              [this] { requestRebuild(); });
}

IndexService::~IndexService() {
    stop_->store(true);
    index_.waitForRebuild();
}

int IndexService::autoIndexMode() const {
    return resolvedAutoIndex(setup_);
}

bool IndexService::wanted() const {
    return indexWanted(setup_);
}

QString IndexService::cacheFile() const {
    return context_.dataFolder + QStringLiteral("scancache.dat");
}

IndexPlan IndexService::plan() const {
    IndexPlan p = makeIndexPlan(setup_, context_.dataFolder, context_.programFolder, context_.env,
                                context_.expand);
    p.syncStoreApps = storeSync_;
    return p;
}

void IndexService::start() {
    index_.setIndexFolders(!readScanDirs(setup_.scandirs).isEmpty());
    const int mode = autoIndexMode();
    if (mode == 4 || mode == 5) idleTimer_.start();
    if (!wanted()) return;
    if (setup_.cacheindex) loadCache();
    const bool rebuilding = (mode == 1 || mode == 3 || mode == 5) && RefreshIndex(false);
    // A start-up rebuild watches what it publishes; walking the cached
    // index's folders first would be done twice.
    if (published_ && !rebuilding) watchFolders();
}

void IndexService::activated() {
    const int mode = autoIndexMode();
    if (wanted() && (mode == 2 || mode == 3)) RefreshIndex(false);
}

void IndexService::settingsApplied() {
    index_.setIndexFolders(!readScanDirs(setup_.scandirs).isEmpty());
    const int mode = autoIndexMode();
    if (mode == 4 || mode == 5)
        idleTimer_.start();
    else
        idleTimer_.stop();
    if (!hasIndex_ && setup_.scanwindowsitems) RefreshIndex(false);
}

bool IndexService::RefreshIndex(bool force) {
    if (context_.safeMode || index_.rebuilding() || stop_->load()) return false;
    const QDateTime now = clock_.now();
    const qint64 spacingMs =
        qint64(std::max(1, setup_.indexrefresh < 2 ? 1 : setup_.indexrefresh)) * 60'000;
    if (!force && lastStart_.isValid() && lastStart_.msecsTo(now) < spacingMs) return false;
    return startRebuild(plan(), {});
}

bool IndexService::startRebuild(IndexPlan p, std::function<void()> after) {
    lastStart_ = clock_.now();
    hasIndex_ = true;
    auto stop = stop_;
    return index_.rebuild(
        [p = std::move(p), stop] {
            IndexList list;
            BuildIndex(p, list, stop.get());
            return itemsOf(list);
        },
        [this, after = std::move(after)] {
            published_ = true;
            watchFolders();
            if (after) after();
            Q_EMIT rebuilt();
            runQueued();
        });
}

void IndexService::requestRebuild() {
    if (index_.rebuilding())
        rebuildQueued_ = true;
    else
        RefreshIndex(true);
}

void IndexService::flushStoreApps(std::function<void(const QString&)> done) {
    if (context_.safeMode || stop_->load()) return;
    if (index_.rebuilding()) {
        flushQueued_ = std::move(done);
        return;
    }
    // The sync runs on the worker, then the forced rebuild's scan.
    auto count = std::make_shared<QString>(QStringLiteral("0"));
    IndexPlan p = plan();
    p.storeApps = true;
    p.syncStoreApps = [count](const IndexPlan& p, const std::atomic<bool>* stop) {
        *count = syncStoreAppsFolder(p, true, stop);
    };
    startRebuild(std::move(p), [count, done = std::move(done)] {
        if (done) done(*count);
    });
}

void IndexService::runQueued() {
    if (flushQueued_) {
        flushStoreApps(std::exchange(flushQueued_, {}));
        rebuildQueued_ = false;
    } else if (std::exchange(rebuildQueued_, false)) {
        RefreshIndex(true);
    }
}

void IndexService::idleTick() {
    const int mode = autoIndexMode();
    if (mode != 4 && mode != 5) {
        idleTimer_.stop();
        return;
    }
    if (!context_.idleTime || !wanted()) return;
    const std::optional<qint64> idle = context_.idleTime();
    if (!idle) return;
    const qint64 limitMs = qint64(setup_.indexidle) * 60'000;
    const QDateTime now = clock_.now();
    if (*idle <= limitMs || *idle >= limitMs + kIdleWindowMs) return;
    if (lastIdleRefresh_.isValid() && lastIdleRefresh_.msecsTo(now) <= limitMs) return;
    RefreshIndex(false);
    lastIdleRefresh_ = now;
}

void IndexService::watchFolders() {
    if (!watch_ || stop_->load()) return;
    watch_->watch(plan());
    if (watch_->unwatchedFolders() > 0)
        qInfo("lorvanta: %d folders of the index are past the watch budget; the timed refresh "
              "keeps them current",
              watch_->unwatchedFolders());
}

void IndexService::shutdown() {
    idleTimer_.stop();
    if (watch_) watch_->clear();
    stop_->store(true);
    index_.waitForRebuild(60'000, true);
    // Only a whole index is written: a first rebuild cut short by the exit
    // must not replace a good cache with nothing.
    if (setup_.cacheindex && !context_.safeMode && published_) saveCache();
}

QString IndexService::countText(bool whileRunning) const {
    if (whileRunning && index_.rebuilding()) return QStringLiteral("Indexed items: indexing..");
    if (!hasIndex_) return QStringLiteral("Indexed items: None");
    return QStringLiteral("Indexed items: ") + QString::number(index_.size());
}

void IndexService::loadCache() {
    if (context_.safeMode || !QFileInfo::exists(cacheFile())) return;
    IndexList list;
    if (!LoadIndexCache(cacheFile(), list)) return;
    std::vector<TMyShellItem> items = itemsOf(list);
    for (TMyShellItem& item : items)
        item.title = restoredTitle(item, context_.env);
    index_.publish(makeIndexSnapshot(std::move(items)));
    hasIndex_ = published_ = true;
}

void IndexService::saveCache() const {
    IndexList list;
    for (TMyShellItem& item : index_.items())
        list.append(item.name, std::make_unique<TMyShellItem>(std::move(item)));
    SaveIndexCache(cacheFile(), list);
}

} // namespace lorvanta
