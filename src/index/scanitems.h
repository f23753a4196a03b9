#pragma once

#include "core/list/listitems.h"

#include <QString>
#include <QVector>
#include <optional>

namespace lorvanta {

// The user's index folders as the `scandirs` setting stores them: per folder
// its path, extensions and level, each quoted, joined by "," and ended by "|".
// Paths keep their case (a lower-cased path names another folder on Linux);
// extensions and level are lower-cased as before.
QString writeScanDirs(const QVector<TMyScanItem>& items);
QVector<TMyScanItem> readScanDirs(const QString& value);

// The depth a folder may be scanned to; none when `level` is not a whole
// number, in which case the folder is skipped and the other folders go on.
std::optional<int> scanLevel(const TMyScanItem& item);

// "exe;lnk" -> ".exe.lnk"; empty when the extensions filter nothing.
QString extensionMask(const QString& extensions);

// Whether the extensions ask for the sub-folders themselves as items ("\").
bool includesFolders(const QString& extensions);

} // namespace lorvanta
