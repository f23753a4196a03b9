#include "buildindex.h"

#include "apps.h"
#include "core/settings/setup.h"
#include "core/text/desktopentry.h"
#include "core/util/xdgdirs.h"
#include "places.h"
#include "scanitems.h"
#include "settingspages.h"
#include "storeapps.h"

#include <QDir>
#include <QFileInfo>
#include <mutex>

namespace lorvanta {

namespace {

bool stopped(const std::atomic<bool>* stop) {
    return stop && stop->load(std::memory_order_relaxed);
}

QString withSlash(QString path) {
    if (!path.isEmpty() && !path.endsWith(u'/')) path += u'/';
    return path;
}

// Items of a discovery under the scan's key rule: file name + its folder.
void addDiscovered(std::vector<TMyShellItem> items, IndexList& list) {
    for (TMyShellItem& item : items) {
        const QFileInfo fi(item.path);
        const QString key = fi.fileName() + fi.dir().dirName();
        list.add(key, std::make_unique<TMyShellItem>(std::move(item)));
    }
}

// Items keyed by name + their title ("Places", "System settings").
void addTitled(std::vector<TMyShellItem> items, IndexList& list) {
    for (TMyShellItem& item : items) {
        const QString key = item.name + item.title;
        list.add(key, std::make_unique<TMyShellItem>(std::move(item)));
    }
}

// The own entries of a named root, as a file manager shows them: dot
// entries only with includehidden, a desktop entry under its own name.
int scanNamedRoot(const QString& root, const QString& mask, bool foldersOnly, const IndexPlan& plan,
                  IndexList& list, const std::atomic<bool>* stop) {
    const QString folder = withSlash(rootFolder(root, plan.env));
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return 0;
    FolderScan scan;
    scan.root = root;
    scan.mask = mask;
    scan.foldersOnly = foldersOnly;
    scan.excludes = plan.excludes;
    scan.stop = stop;
    IndexList found;
    const int visited = ScanFolder(folder, scan, found);
    const QString locale = messagesLocale(plan.env);
    for (const IndexList::Entry& e : found.entries()) {
        auto item = std::make_unique<TMyShellItem>(*e.item);
        if (!plan.includeHidden && item->name.startsWith(u'.')) continue;
        if (item->path.endsWith(u".desktop")) {
            const auto entry = readDesktopEntry(item->path);
            if (!entry || localizedName(*entry, locale).isEmpty()) continue;
            item->name = localizedName(*entry, locale);
        }
        list.add(e.key, std::move(item));
    }
    return visited;
}

int scanSystemItems(const IndexPlan& plan, IndexList& list, const std::atomic<bool>* stop) {
    addTitled(discoverPlaces(plan.env), list);
    int visited = scanNamedRoot(QStringLiteral("rfProfile"), {}, true, plan, list, stop);
    if (stopped(stop)) return visited;
    addDiscovered(
        discoverApplications(menuFolders(plan), discoveryContext(plan, AppDiscovery::Pick::Menu)),
        list);
    for (const QString& root : plan.extraRoots) {
        if (stopped(stop)) break;
        const bool desktop = root.compare(u"rfDesktop", Qt::CaseInsensitive) == 0;
        const bool personal = root.compare(u"rfPersonal", Qt::CaseInsensitive) == 0;
        visited += scanNamedRoot(root, desktop ? QStringLiteral(".desktop") : QString(), personal,
                                 plan, list, stop);
    }
    return visited;
}

int scanIndexFolders(const IndexPlan& plan, IndexList& list, const std::atomic<bool>* stop) {
    int visited = 0;
    for (const TMyScanItem& folder : plan.folders) {
        if (stopped(stop)) break;
        visited += std::max(0, scanIndexFolder(folder, list, stop, plan.excludes));
    }
    return visited;
}

int scanStoreApps(const IndexPlan& plan, IndexList& list, const std::atomic<bool>* stop) {
    if (plan.syncStoreApps) plan.syncStoreApps(plan, stop);
    const QString folder = storeAppsFolder(plan);
    if (stopped(stop) || !QFileInfo(folder).isDir()) return 0;
    FolderScan scan;
    scan.root = folder;
    scan.mask = QStringLiteral(".desktop");
    scan.titlePrefix = folder;
    scan.stop = stop;
    IndexList found;
    const int visited = ScanFolder(folder, scan, found);
    for (const IndexList::Entry& e : found.entries()) {
        // Each shortcut is named after its app; the extension is not part of it.
        auto item = std::make_unique<TMyShellItem>(*e.item);
        item->name.chop(8); // ".desktop"
        list.add(e.key, std::move(item));
    }
    return visited;
}

void addSettingsPages(const IndexPlan& plan, IndexList& list) {
    addTitled(discoverApplications(applicationFolders(plan.env),
                                   discoveryContext(plan, AppDiscovery::Pick::SettingsPanels)),
              list);
    addTitled(readSettingsPages(plan.dataFolder, plan.programFolder), list);
}

} // namespace

AppDiscovery discoveryContext(const IndexPlan& plan, AppDiscovery::Pick pick) {
    AppDiscovery context;
    context.pick = pick;
    context.locale = messagesLocale(plan.env);
    context.desktops = currentDesktops(plan.env);
    context.searchPath = plan.env.value(QStringLiteral("PATH")).split(u':', Qt::SkipEmptyParts);
    return context;
}

QStringList menuFolders(const IndexPlan& plan) {
    QStringList folders = applicationFolders(plan.env);
    // Store apps come once, through the "Apps" folder, when that step runs.
    if (plan.storeApps && plan.syncStoreApps)
        folders.removeIf([](const QString& f) { return isStoreAppFolder(f); });
    return folders;
}

bool indexWanted(const Setup& setup) {
    return setup.scanwindowsitems || !readScanDirs(setup.scandirs).isEmpty();
}

IndexPlan makeIndexPlan(const Setup& setup, const QString& dataFolder, const QString& programFolder,
                        const QProcessEnvironment& env,
                        const std::function<QString(const QString&)>& expand) {
    IndexPlan plan;
    plan.systemItems = setup.scanwindowsitems;
    for (const QString& root : setup.indexextraitems.split(u',', Qt::SkipEmptyParts))
        if (!root.trimmed().isEmpty()) plan.extraRoots.append(root.trimmed());
    plan.includeHidden = setup.includehidden;
    for (TMyScanItem item : readScanDirs(setup.scandirs)) {
        if (expand) item.path = expand(item.path);
        item.path = withSlash(item.path);
        plan.folders.append(item);
    }
    plan.storeApps = setup.indexuwp;
    plan.settingsPages = setup.indexwinsettings;
    if (setup.excludetype == 1)
        for (const QString& t : setup.excludelist.split(u';', Qt::SkipEmptyParts))
            if (!t.trimmed().isEmpty()) plan.excludes.append(t.trimmed());
    plan.dataFolder = withSlash(dataFolder);
    plan.programFolder = withSlash(programFolder);
    plan.env = env;
    return plan;
}

QString rootFolder(const QString& root, const QProcessEnvironment& env) {
    if (QDir::isAbsolutePath(root)) return root;
    const QString name = root.toLower();
    const QMap<QString, QString> user = userFolders(env);
    const QString data = xdgDataHome(env);
    const QString config = xdgConfigHome(env);
    if (name == u"rfdesktop" || name == u"rfdesktopdirectory" ||
        name == u"rfcommondesktopdirectory")
        return user.value(QStringLiteral("DESKTOP"));
    if (name == u"rfpersonal") return user.value(QStringLiteral("DOCUMENTS"));
    if (name == u"rftemplates") return user.value(QStringLiteral("TEMPLATES"));
    if (name == u"rfprofile") return homeFolder(env);
    if (name == u"rfrecyclebin") return data + u"/Trash/files";
    if (name == u"rfappdata") return config;
    if (name == u"rffonts") return data + u"/fonts";
    if (name == u"rfstartup") return config + u"/autostart";
    if (name == u"rfcommonstartup") return QStringLiteral("/etc/xdg/autostart");
    if (name == u"rfstartmenu" || name == u"rfprograms") return data + u"/applications";
    if (name == u"rfcommonstartmenu" || name == u"rfcommonprograms")
        return QStringLiteral("/usr/share/applications");
    // Computer, network, control panel, printers and the like have no folder
    // here (the settings panels stand in for the control panel); they, other
    // names, and relative paths, are left out.
    return {};
}

QString restoredTitle(const TMyShellItem& item, const QProcessEnvironment& env) {
    if (item.isSettingsPage()) return QStringLiteral("System settings");
    const QString path = QDir::cleanPath(item.path);
    if (item.root == path || QDir::cleanPath(rootFolder(item.root, env)) == path)
        return QStringLiteral("Places");
    const QString parent = QFileInfo(path).dir().dirName();
    if (item.root == kApplicationsRoot && parent == u"applications")
        return QStringLiteral("Applications");
    return parent;
}

QString storeAppsFolder(const IndexPlan& plan) {
    return plan.dataFolder + QStringLiteral("Apps/");
}

QString syncStoreAppsFolder(const IndexPlan& plan, bool flush, const std::atomic<bool>* stop) {
    StoreAppContext context;
    context.dataFolder = plan.dataFolder;
    context.applicationFolders = applicationFolders(plan.env);
    context.discovery = discoveryContext(plan, AppDiscovery::Pick::Menu);
    context.stop = stop;
    // "$FLUSHUWP$" on the main thread may meet a rebuild's sync on the worker.
    static std::mutex oneAtATime;
    const std::lock_guard lock(oneAtATime);
    return SyncStoreApps(storeAppsFolder(plan), flush, false, context);
}

int BuildIndex(const IndexPlan& plan, IndexList& list, const std::atomic<bool>* stop) {
    int visited = 0;
    if (plan.systemItems && !stopped(stop)) visited += scanSystemItems(plan, list, stop);
    if (!stopped(stop)) visited += scanIndexFolders(plan, list, stop);
    if (plan.storeApps && !stopped(stop)) visited += scanStoreApps(plan, list, stop);
    if (plan.settingsPages && !stopped(stop)) addSettingsPages(plan, list);
    return visited;
}

} // namespace lorvanta
