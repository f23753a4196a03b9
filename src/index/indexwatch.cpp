#include "indexwatch.h"

#include "scanitems.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace lorvanta {

using platform::FolderChange;
using Kind = platform::FolderChange::Kind;

namespace {

QString withSlash(QString path) {
    if (!path.endsWith(u'/')) path += u'/';
    return path;
}

// How many folders `folder` lies below `root` (both ending in "/").
int depthBelow(const QString& root, const QString& folder) {
    return int(QStringView(folder).mid(root.size()).count(u'/'));
}

QString parentOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

bool excluded(const QString& folder, const QStringList& excludes) {
    return std::any_of(excludes.begin(), excludes.end(), [&](const QString& text) {
        return !text.isEmpty() && folder.contains(text, Qt::CaseInsensitive);
    });
}

bool arrived(const FolderChange& change) {
    return change.kind == Kind::Created || change.kind == Kind::MovedIn;
}

bool left(const FolderChange& change) {
    return change.kind == Kind::Deleted || change.kind == Kind::MovedOut;
}

// The real sub-folders of `folder`, in name order. Links are not entered:
// a watch follows the folder, not the path, so a linked folder would report
// under a path the scan may not use.
QStringList subFolders(const QString& folder) {
    QStringList out;
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir) return out;
    while (const dirent* e = readdir(dir)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        bool isDir = e->d_type == DT_DIR;
        struct stat st;
        if (e->d_type == DT_UNKNOWN)
            isDir = fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                    S_ISDIR(st.st_mode);
        if (isDir) out.append(folder + QFile::decodeName(e->d_name) + u'/');
    }
    closedir(dir);
    out.sort();
    return out;
}

std::vector<TMyShellItem> itemsOf(IndexList& list) {
    std::vector<TMyShellItem> items;
    items.reserve(list.size());
    for (const IndexList::Entry& e : list.entries())
        items.push_back(std::move(*e.item));
    return items;
}

bool sameItems(const std::vector<TMyShellItem>& a, const std::vector<TMyShellItem>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.name == y.name && x.path == y.path && x.root == y.root && x.title == y.title;
    });
}

// Takes out the items `old` picks and puts `fresh` where the first of them
// was (else at `fallback`). A fresh item whose path is already among the
// others is left out; one that replaces an item of its path keeps the icons
// found for it. True when the index changed.
bool replaceItems(std::vector<TMyShellItem>& items,
                  const std::function<bool(const TMyShellItem&)>& old,
                  std::vector<TMyShellItem> fresh, size_t fallback) {
    std::vector<TMyShellItem> kept, removed;
    kept.reserve(items.size());
    size_t at = SIZE_MAX;
    for (TMyShellItem& item : items) {
        if (!old(item)) {
            kept.push_back(std::move(item));
            continue;
        }
        if (at == SIZE_MAX) at = kept.size();
        removed.push_back(std::move(item));
    }
    if (at == SIZE_MAX) at = std::min(fallback, kept.size());
    QSet<QString> taken;
    for (const TMyShellItem& item : fresh)
        taken.insert(item.path);
    QSet<QString> elsewhere;
    for (const TMyShellItem& item : kept)
        if (taken.contains(item.path)) elsewhere.insert(item.path);
    QHash<QString, const TMyShellItem*> before;
    for (const TMyShellItem& item : removed)
        before.insert(item.path, &item);
    std::vector<TMyShellItem> added;
    for (TMyShellItem& item : fresh) {
        if (elsewhere.contains(item.path)) continue;
        elsewhere.insert(item.path);
        if (const TMyShellItem* was = before.value(item.path)) {
            item.liconid = was->liconid;
            item.siconid = was->siconid;
        }
        added.push_back(std::move(item));
    }
    const bool changed = !sameItems(removed, added);
    kept.insert(kept.begin() + ptrdiff_t(at), std::make_move_iterator(added.begin()),
                std::make_move_iterator(added.end()));
    items = std::move(kept);
    return changed;
}

} // namespace

IndexWatch::IndexWatch(FileIndex& index, platform::FolderWatch& folders,
                       std::function<void()> rebuildNeeded)
    : index_(index), folders_(folders), rebuildNeeded_(std::move(rebuildNeeded)) {
    folders_.setHandler([this](const FolderChange& change) { changed(change); });
    quiet_.setSingleShot(true);
    QObject::connect(&quiet_, &QTimer::timeout, &quiet_, [this] { apply(); });
}

IndexWatch::~IndexWatch() {
    clear();
    folders_.setHandler({});
}

void IndexWatch::clear() {
    for (auto it = watched_.constBegin(); it != watched_.constEnd(); ++it)
        folders_.remove(it.key());
    watched_.clear();
    appFolders_.clear();
    menuFolders_.clear();
    unwatched_ = 0;
    pending_ = {};
    quiet_.stop();
}

void IndexWatch::watch(const IndexPlan& plan) {
    // Changes seen while the rebuild ran are applied to what it published:
    // it may have passed their folders before they changed.
    Pending kept = std::exchange(pending_, {});
    const bool same = plan.folders.size() == plan_.folders.size();
    clear();
    plan_ = plan;
    if (same && (kept.apps || !kept.folders.empty())) {
        pending_ = std::move(kept);
        quiet_.start(quietMs_);
    }
    QVector<Seed> seeds;
    if (plan.systemItems || plan.settingsPages) {
        for (const QString& folder : applicationFolders(plan.env)) {
            appFolders_.append(withSlash(folder));
            seeds.append({withSlash(folder), -1, 0});
        }
        if (plan.systemItems)
            for (const QString& folder : menuFolders(plan))
                menuFolders_.append(withSlash(folder));
    }
    for (int i = 0; i < plan.folders.size(); ++i)
        if (scanLevel(plan.folders[i])) seeds.append({rootOf(i), i, 0});
    addTrees(seeds);
}

QString IndexWatch::rootOf(int owner) const {
    return withSlash(plan_.folders[owner].path);
}

int IndexWatch::depthLimit(int owner) const {
    if (owner < 0) return kScanDepthLimit - 1;
    return std::clamp(scanLevel(plan_.folders[owner]).value_or(0), 0, kScanDepthLimit - 1);
}

// Breadth first, so that when the budget runs out the folders nearest the
// roots are the ones watched.
void IndexWatch::addTrees(const QVector<Seed>& seeds) {
    const int budget = budget_ > 0 ? budget_ : folders_.capacity();
    std::deque<Seed> queue(seeds.begin(), seeds.end());
    for (; !queue.empty(); queue.pop_front()) {
        const Seed seed = queue.front();
        if (seed.owner >= 0 && excluded(seed.folder, plan_.excludes)) continue;
        auto it = watched_.find(seed.folder);
        if (it == watched_.end()) {
            if (!QFileInfo(seed.folder).isDir()) continue;
            if (watched_.size() >= budget || !folders_.add(seed.folder)) {
                ++unwatched_;
                continue;
            }
            it = watched_.insert(seed.folder, {});
        }
        Owners& owners = it.value();
        if (seed.owner < 0 ? owners.apps : owners.folders.contains(seed.owner)) continue;
        if (seed.owner < 0)
            owners.apps = true;
        else
            owners.folders.append(seed.owner);
        if (seed.depth >= depthLimit(seed.owner)) continue;
        for (const QString& sub : subFolders(seed.folder))
            queue.push_back({sub, seed.owner, seed.depth + 1});
    }
}

void IndexWatch::unwatchBelow(const QString& folder) {
    for (auto it = watched_.begin(); it != watched_.end();) {
        if (it.key().startsWith(folder)) {
            folders_.remove(it.key());
            it = watched_.erase(it);
        } else {
            ++it;
        }
    }
}

void IndexWatch::changed(const FolderChange& change) {
    if (change.kind == Kind::Overflow) {
        if (rebuildNeeded_) rebuildNeeded_();
        return;
    }
    const auto it = watched_.constFind(change.folder);
    if (it == watched_.constEnd()) return;
    const Owners owners = it.value(); // unwatching below may remove it
    if (owners.apps) changedInApps(change);
    for (int owner : owners.folders)
        changedIn(owner, change);
    if (change.kind == Kind::FolderGone)
        unwatchBelow(change.folder);
    else if (change.isFolder && left(change))
        unwatchBelow(change.folder + change.name + u'/');
}

void IndexWatch::changedInApps(const FolderChange& change) {
    const auto root = std::find_if(appFolders_.begin(), appFolders_.end(),
                                   [&](const QString& f) { return change.folder.startsWith(f); });
    if (root == appFolders_.end()) return;
    pending_.apps = true;
    // Store exports reach the menu through the rebuild's sync of the "Apps" folder.
    if (plan_.systemItems && !menuFolders_.contains(*root)) pending_.storeApps = true;
    if (change.isFolder && arrived(change))
        pending_.appTrees.append(
            {change.folder + change.name + u'/', -1, depthBelow(*root, change.folder) + 1});
    noteChange();
}

void IndexWatch::changedIn(int owner, const FolderChange& change) {
    // A file written in place keeps its name: the index holds nothing of it.
    if (change.kind == Kind::Modified) return;
    FolderWork& work = pending_.folders[owner];
    if (change.kind == Kind::FolderGone) {
        work.gone.insert(change.folder);
    } else {
        work.changed.insert(change.folder);
        const QString child = change.folder + change.name + u'/';
        if (change.isFolder && arrived(change) &&
            depthBelow(rootOf(owner), change.folder) < depthLimit(owner))
            work.added.insert(child);
        else if (change.isFolder && left(change))
            work.gone.insert(child);
    }
    noteChange();
}

void IndexWatch::noteChange() {
    if (!quiet_.isActive()) firstChange_.start();
    // A steady stream of changes still gets applied.
    if (firstChange_.elapsed() < 2 * quietMs_) quiet_.start(quietMs_);
}

void IndexWatch::apply() {
    // Kept until the running rebuild is published (watch() is called then).
    if (index_.rebuilding()) return;
    Pending work = std::exchange(pending_, {});
    if (work.storeApps && rebuildNeeded_) rebuildNeeded_();
    QVector<Seed> seeds = work.appTrees;
    for (const auto& [owner, folderWork] : work.folders)
        for (const QString& folder : folderWork.added)
            seeds.append({folder, owner, depthBelow(rootOf(owner), folder)});
    addTrees(seeds);
    std::vector<TMyShellItem> items = index_.items();
    bool changed = work.apps && applyApps(items);
    for (const auto& [owner, folderWork] : work.folders)
        changed = applyFolder(owner, folderWork, items) || changed;
    if (changed) index_.publish(makeIndexSnapshot(std::move(items)));
}

bool IndexWatch::applyApps(std::vector<TMyShellItem>& items) const {
    bool changed = false;
    if (plan_.systemItems) {
        auto apps = discoverApplications(menuFolders(plan_),
                                         discoveryContext(plan_, AppDiscovery::Pick::Menu));
        changed = replaceItems(
            items, [](const TMyShellItem& item) { return item.root == kApplicationsRoot; },
            std::move(apps), items.size());
    }
    if (plan_.settingsPages) {
        auto panels =
            discoverApplications(applicationFolders(plan_.env),
                                 discoveryContext(plan_, AppDiscovery::Pick::SettingsPanels));
        const auto isPanel = [](const TMyShellItem& item) {
            return item.isSettingsPage() && item.path.endsWith(u".desktop");
        };
        changed = replaceItems(items, isPanel, std::move(panels), items.size()) || changed;
    }
    return changed;
}

bool IndexWatch::applyFolder(int owner, const FolderWork& work,
                             std::vector<TMyShellItem>& items) const {
    const QString root = rootOf(owner);
    const TMyScanItem& folder = plan_.folders[owner];
    FolderScan scan;
    scan.root = root;
    scan.mask = extensionMask(folder.extensions);
    scan.includeFolders = includesFolders(folder.extensions);
    scan.titlePrefix = root;
    scan.excludes = plan_.excludes;
    IndexList found;
    QStringList changedFolders(work.changed.begin(), work.changed.end());
    changedFolders.sort();
    for (const QString& changed : changedFolders)
        ScanFolder(changed, scan, found);
    QStringList trees(work.added.begin(), work.added.end());
    trees.sort();
    for (const QString& tree : trees) {
        FolderScan whole = scan;
        whole.maxDepth = depthLimit(owner) - depthBelow(root, tree);
        whole.recurse = whole.maxDepth > 0;
        ScanFolder(tree, whole, found);
    }
    const QStringList below = trees + QStringList(work.gone.begin(), work.gone.end());
    const auto old = [&](const TMyShellItem& item) {
        if (item.root != root) return false;
        if (work.changed.contains(parentOf(item.path))) return true;
        return std::any_of(below.begin(), below.end(),
                           [&](const QString& f) { return item.path.startsWith(f); });
    };
    const auto last = std::find_if(items.rbegin(), items.rend(),
                                   [&](const TMyShellItem& item) { return item.root == root; });
    const size_t fallback = last == items.rend() ? items.size() : size_t(items.rend() - last);
    return replaceItems(items, old, itemsOf(found), fallback);
}

} // namespace lorvanta
