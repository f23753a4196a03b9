#pragma once

#include "iostatus.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace lorvanta {

// Replaces the file at `path` with `data` so that a crash, a kill or a full
// disk at any moment leaves either the old file or the new one, never a part:
// the bytes go to "<path>.saving" in the same folder, are flushed to disk,
// and only then renamed over the target. A stale ".saving" file from an
// earlier crash is simply overwritten by the next save.
//
// `beforeRename` runs after the data is on disk and before the rename; tests
// use it to stop the process at exactly that moment.
IoStatus writeFileAtomically(const QString& path, const QByteArray& data,
                             const std::function<void()>& beforeRename = {});

// The temporary name a save writes to before the rename.
QString atomicTempPath(const QString& path);

} // namespace lorvanta
