#pragma once

#include "index/fileindex.h"
#include "index/indexlist.h"
#include "loaded.h"

#include <memory>

namespace lorvanta::cli {

// The index of the loaded data folder: its "scancache.dat" when there is
// one and `rebuild` is not asked, else a scan in memory with the folder's
// settings. Nothing is written: no cache, and the "Apps" folder is read as
// it is (its store apps are then not listed again from the menu). A data
// folder that does not exist, or settings that index nothing, give no index.
IndexList readIndex(Loaded& loaded, bool rebuild);

// The same index, as the candidate list reads it.
std::unique_ptr<FileIndex> listIndex(Loaded& loaded);

// An index folder's path with the command-line variables expanded, as the
// launcher expands it.
QString expandIndexPath(Loaded& loaded, const QString& path);

} // namespace lorvanta::cli
