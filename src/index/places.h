#pragma once

#include "core/list/listitems.h"

#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <vector>

namespace lorvanta {

// The places of the index: the home folder, the XDG user folders and the
// trash, each as one item titled "Places".

// The user folders of $XDG_CONFIG_HOME/user-dirs.dirs (default
// ~/.config), by their key ("DESKTOP", "DOCUMENTS", "DOWNLOAD"...). Values
// are "$HOME/..." or absolute paths in double quotes; any other form, and a
// folder that is the home folder itself (the way a folder is switched off),
// is left out. Empty when the file is missing.
QMap<QString, QString> configuredUserFolders(const QProcessEnvironment& env);
// The configured ones, and where none is set, ~/Desktop and ~/Documents
// when those folders exist.
QMap<QString, QString> userFolders(const QProcessEnvironment& env);

// Home first (root "rfProfile", name "Home"), then the user folders that
// exist, in the order Desktop, Documents, Downloads, Music, Pictures,
// Videos, Templates, Public (named after the folder itself, since that name
// is the one the user sees in the file manager; roots "rfDesktop" and
// "rfPersonal" for the first two, else the folder's path), then the trash
// ($XDG_DATA_HOME/Trash/files, root "rfRecycleBin", name "Trash") when it
// exists. A folder already given is not given again.
std::vector<TMyShellItem> discoverPlaces(const QProcessEnvironment& env);

} // namespace lorvanta
