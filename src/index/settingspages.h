#pragma once

#include "core/list/listitems.h"

#include <QString>
#include <vector>

namespace lorvanta {

// The desktop's settings pages listed in "windowssettings.txt": after
// trimming, empty lines and lines beginning with "#" or ";" are skipped;
// every other line is a name and a target separated by its first "=" (not
// the first character), both trimmed and both non-empty. Each gives an item
// with root "rfSettings" and title "System settings".
std::vector<TMyShellItem> parseSettingsPages(const QString& text);

// The file looked for in the data folder, then in the program's folder
// (both ending with "/"); nothing when neither has one.
std::vector<TMyShellItem> readSettingsPages(const QString& dataFolder,
                                            const QString& programFolder);

} // namespace lorvanta
