#pragma once

#include "desktopfile.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace lorvanta::platform {

// The XDG base folders, read from the environment at each call so that a
// changed environment (or a test's) takes effect at once.
QString xdgDataHome();
QStringList xdgDataDirs();
QString xdgConfigHome();
QStringList xdgConfigDirs();

// The "applications" folders, most important first.
QStringList applicationFolders();
// The mimeapps.list files that exist, most important first, including the
// "$desktop-mimeapps.list" ones of $XDG_CURRENT_DESKTOP.
QStringList mimeappsFiles();

// The file of the desktop entry with this id ("kde-dolphin.desktop" may be
// "kde/dolphin.desktop"); empty when no application folder has it.
QString findDesktopEntry(const QString& id);

// Whether an entry can be started: an application that is not hidden and
// whose Exec and TryExec programs exist.
bool isLaunchable(const DesktopFile& entry);

// The MIME types to look up for a file or folder, most specific first: its
// type with aliases, then the types it derives from.
QList<QStringList> mimeTypesForFile(const QString& path);

// The user's default application for the first of `types` that has one
// (each element is a type with its aliases): [Default Applications], then
// [Added Associations], then entries that list the type themselves, with
// [Removed Associations] applied as the MIME applications rules say.
std::optional<DesktopFile> defaultApplication(const QList<QStringList>& types);

} // namespace lorvanta::platform
