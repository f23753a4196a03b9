#pragma once

#include "core/datafolder.h"
#include "core/history/history.h"
#include "core/keywords/keywordstore.h"
#include "core/settings/settingsfile.h"
#include "core/settings/setup.h"

namespace lorvanta {

// What lorvanta.ini holds, loaded together: the settings, the keywords, the
// history and the pinned items, and the file that stores them. The launcher,
// lorvanta-cli and the benchmarks all start from one of these.
struct CoreState {
    CoreState(const DataFolder& folder, platform::Platform& platform)
        : file(folder, platform, store, setup) {
        file.addSection(history);
        file.addSection(pinned);
    }
    CoreState(const CoreState&) = delete;
    CoreState& operator=(const CoreState&) = delete;

    Setup setup;
    KeywordStore store;
    History history;
    Pinned pinned;
    SettingsFile file;
};

} // namespace lorvanta
