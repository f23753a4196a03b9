#pragma once

#include "apps.h"
#include "indexlist.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <functional>

namespace lorvanta {

struct Setup;

// What one rebuild scans, worked out from the settings on the main thread so
// that the worker reads nothing that may change under it.
struct IndexPlan {
    bool systemItems = true;      // places, home, applications, extra roots
    QStringList extraRoots;       // indexextraitems, split at "," and trimmed
    bool includeHidden = true;    // dot entries of the named roots
    QVector<TMyScanItem> folders; // the index folders, paths expanded
    bool storeApps = true;        // Flatpak and Snap apps through the "Apps" folder
    bool settingsPages = true;    // settings panels and windowssettings.txt
    QStringList excludes;         // folders holding one of these are not scanned
    QString dataFolder;           // ends with "/"
    QString programFolder;        // ends with "/"
    QProcessEnvironment env;
    // The store step, when the store library is linked in: syncs the "Apps"
    // folder before it is scanned. Unset = the folder is scanned as it is.
    std::function<void(const IndexPlan&, const std::atomic<bool>*)> syncStoreApps;
};

// `expand` turns the command-line variables of an index folder's path into
// text (the caller's expansion); unset leaves paths as they are.
IndexPlan makeIndexPlan(const Setup& setup, const QString& dataFolder, const QString& programFolder,
                        const QProcessEnvironment& env,
                        const std::function<QString(const QString&)>& expand = {});

// Whether the index has anything to scan at all (the start-up condition).
bool indexWanted(const Setup& setup);

// The folder a root name stands for on this desktop ("rfDesktop" -> the XDG
// desktop folder, "rfProfile" -> home...); an absolute path stands for
// itself; empty for names with no counterpart here and anything else.
QString rootFolder(const QString& root, const QProcessEnvironment& env);

// How the plan's environment picks and names applications.
AppDiscovery discoveryContext(const IndexPlan& plan, AppDiscovery::Pick pick);

// The application folders whose entries are the menu's applications: all
// of them, less the store-app exports when the store step brings those.
QStringList menuFolders(const IndexPlan& plan);

// The title of an item read back from the cache, which keeps none: "System
// settings" for settings pages, "Places" for a place, "Applications" for an
// entry at the top of an applications folder, else the folder it lies in.
QString restoredTitle(const TMyShellItem& item, const QProcessEnvironment& env);

// The "Apps" folder of store-app shortcuts in the data folder.
QString storeAppsFolder(const IndexPlan& plan);
// Brings that folder up to date with the installed Flatpak and Snap apps
// (with `flush`, from scratch); the number of apps as text.
QString syncStoreAppsFolder(const IndexPlan& plan, bool flush,
                            const std::atomic<bool>* stop = nullptr);

// The scan itself, in the order: places, the home folder's sub-folders,
// applications, the extra roots, the index folders, the store apps, the
// settings panels and the "windowssettings.txt" pages. Each step is skipped once
// `stop` is set. Returns the number of entries visited.
int BuildIndex(const IndexPlan& plan, IndexList& list, const std::atomic<bool>* stop = nullptr);

} // namespace lorvanta
