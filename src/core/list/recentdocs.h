#pragma once

#include "listitems.h"

#include <QString>
#include <vector>

namespace lorvanta {

// The desktop's recently used documents (the freedesktop
// recently-used.xbel), newest first: local files that still exist, each as a
// file item named after the file. A missing or broken file gives nothing.
std::vector<TMyShellItem> readRecentDocuments(const QString& xbelPath);

// Where the desktop keeps that file: $XDG_DATA_HOME or ~/.local/share.
QString recentDocumentsPath(const QString& dataHome, const QString& home);

} // namespace lorvanta
