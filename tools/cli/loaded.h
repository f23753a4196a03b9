#pragma once

#include "core/corestate.h"
#include "core/list/candidatelist.h"
#include "core/list/recentdocs.h"
#include "platform/fake/fakeplatform.h"
#include "platform/linux/linuxenvironment.h"

namespace lorvanta::cli {

// The data folder loaded read-only, with the real environment and a
// platform that records instead of acting.
struct Loaded {
    explicit Loaded(const QString& data)
        : platform(fake.platformWith(env)),
          folder(data.isEmpty() ? DataFolder(env, DataFolder::Create::Never)
                                : DataFolder::at(data)),
          core(folder, platform),
          recent(
              recentDocumentsPath(env.variable(QStringLiteral("XDG_DATA_HOME")).value_or(QString()),
                                  env.homeFolder())) {
        core.file.setReadOnly(true);
        // A data folder without settings file is empty, not a first run.
        core.file.setLoadFirstRunKeywords(false);
        core.file.ReadSettings(false);
    }

    CandidateList makeList(const IndexCollection* index) {
        ListSources sources;
        sources.index = index;
        sources.recent = &recent;
        return CandidateList(core.setup, core.store, core.history, core.pinned, env, sources);
    }

    platform::LinuxEnvironment env;
    platform::FakePlatform fake;
    platform::Platform platform;
    DataFolder folder;
    CoreState core;
    XbelRecentDocuments recent;
};

} // namespace lorvanta::cli
