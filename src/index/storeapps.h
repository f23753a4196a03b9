#pragma once

#include "apps.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

namespace lorvanta {

// Store applications (Flatpak and Snap) and the data folder's "Apps"
// folder that the index scans for them. The folder holds "uwp.csv" (the
// store apps found, written here from their exported desktop entries),
// "index.dat" (UTF-8 with byte order mark, one "name=identifier" line per
// app that has a shortcut) and one shortcut "<name>.desktop" per app: a copy of
// the exported entry's [Desktop Entry] group with "X-Lorvanta-AppId" added,
// which the launcher starts like any desktop entry.

struct StoreApp {
    QString name;       // the localized Name, on one line
    QString identifier; // source "!" desktop-file id: "flatpak!org.gimp.GIMP.desktop"
    QString entryFile;  // the exported desktop entry
};

// Whether the folder is a Flatpak export (".../flatpak/exports/share/
// applications", system-wide or the user's) or the Snap one
// (".../snapd/desktop/applications").
bool isStoreAppFolder(const QString& applicationsFolder);

// The store apps the user's menu shows, from the store folders among
// `applicationFolders` (in that order), each file in name order. An id
// held by an earlier folder, store or not, hides the same id further down,
// as in the menu; the entry filters are those of discoverApplications.
std::vector<StoreApp> listStoreApps(const QStringList& applicationFolders,
                                    const AppDiscovery& discovery);

// "uwp.csv": the header "Name";"AppID", then one line per app; every field
// in double quotes (a quote inside doubled), separated by ";".
QByteArray formatStoreAppsCsv(const std::vector<StoreApp>& apps);

// One line of "uwp.csv" split at `separator` outside double quotes; a
// doubled quote inside quotes is one quote character.
QStringList splitQuotedFields(const QString& line, QChar separator);

// The shortcut's file name for an app name: characters a file name cannot
// hold ("/", control characters) become "_", and the name is shortened to
// what the file system takes.
QString storeShortcutFileName(const QString& name);

struct StoreAppContext {
    QString dataFolder;             // remove mode deletes only inside it
    QStringList applicationFolders; // as applicationFolders(env) gives them
    AppDiscovery discovery;
    const std::atomic<bool>* stop = nullptr; // set when the program is closing
};

// Brings the folder's shortcuts up to date with the installed store apps
// and returns their number as text. Flush deletes every file of the folder
// (not sub-folders) first. Remove deletes the folder with its content
// instead, silently, and only when it lies inside the data folder; it
// returns "0". A name whose identifier changed gets a new shortcut; names no
// longer installed lose theirs and their "index.dat" line; "*.desktop" files
// that "index.dat" does not name are deleted. An unreadable "index.dat", or
// a "uwp.csv" that cannot be written, leaves everything as it was. When
// `stop` is set midway, what was done is kept and nothing is pruned.
QString SyncStoreApps(const QString& appsFolder, bool flush, bool remove,
                      const StoreAppContext& ctx);

} // namespace lorvanta
