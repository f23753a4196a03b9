#include "indexsource.h"

#include "core/exec/recording.h"
#include "core/expand/expansion.h"
#include "core/util/seams.h"
#include "index/buildindex.h"
#include "index/scancache.h"
#include "index/scanitems.h"

#include <QFileInfo>

namespace lorvanta::cli {

namespace {

std::vector<TMyShellItem> itemsOf(IndexList&& list) {
    std::vector<TMyShellItem> items;
    items.reserve(list.size());
    for (const IndexList::Entry& e : list.entries())
        if (e.item) items.push_back(std::move(*e.item));
    return items;
}

} // namespace

QString expandIndexPath(Loaded& loaded, const QString& path) {
    RecordingExpansionServices services;
    SystemClock clock;
    SystemRandom random;
    const Expander expander(loaded.core.setup, loaded.core.store, loaded.env,
                            loaded.platform.system, services, clock, random);
    return expander.ExpandBasic(path, false);
}

IndexList readIndex(Loaded& loaded, bool rebuild) {
    IndexList list;
    const Setup& setup = loaded.core.setup;
    // The cache whenever there is one: it is what the launcher last saw.
    const QString cache = loaded.folder.file(QStringLiteral("scancache.dat"));
    if (!rebuild && LoadIndexCache(cache, list)) return list;
    if (!QFileInfo(loaded.folder.path()).isDir() || !indexWanted(setup)) return list;
    IndexPlan plan =
        makeIndexPlan(setup, QFileInfo(loaded.folder.path()).absoluteFilePath(),
                      loaded.env.programFolder(), QProcessEnvironment::systemEnvironment(),
                      [&loaded](const QString& path) { return expandIndexPath(loaded, path); });
    // The launcher's last sync stands: no store app twice, nothing written.
    if (QFileInfo(storeAppsFolder(plan)).isDir())
        plan.syncStoreApps = [](const IndexPlan&, const std::atomic<bool>*) {};
    BuildIndex(plan, list);
    return list;
}

std::unique_ptr<FileIndex> listIndex(Loaded& loaded) {
    auto index = std::make_unique<FileIndex>();
    index->setIndexFolders(!readScanDirs(loaded.core.setup.scandirs).isEmpty());
    index->publish(makeIndexSnapshot(itemsOf(readIndex(loaded, false))));
    return index;
}

} // namespace lorvanta::cli
