#pragma once

// One launcher engine over a private data folder, with recording stand-ins
// for the window and the desktop and virtual time: what execution and the
// built-in commands did can be read back after each step.

#include "commands/engine.h"
#include "core/exec/recording.h"
#include "core/util/seams.h"
#include "testsupport.h"

namespace lorvanta::test {

struct EngineFixture {
    explicit EngineFixture(QDateTime now = QDateTime(QDate(2026, 3, 9), QTime(14, 5, 7)))
        : folder(DataFolder::at(dir.path())), core(folder, dir.fake.platform()), clock(now),
          engine(core, folder, dir.fake.platform(), host, expansion, services, scheduler, clock,
                 random) {
        core.file.ReadSettings(false);
    }

    TExeWord& keyword(const char* names, const char* command, const char* parameters = "",
                      const char* tags = "") {
        auto w = std::make_unique<TExeWord>();
        w->keywords = s(names);
        w->command = s(command);
        w->parameters = s(parameters);
        w->group = s(tags);
        TExeWord& added = core.store.append(std::move(w));
        core.store.rebuildTagList();
        return added;
    }
    // Runs the input as Enter would, then lets every scheduled step happen.
    bool enter(const QString& input, ExecuteFlags flags = {}) {
        host.input = input;
        const bool r = engine.executor.DoExecute(input, flags);
        scheduler.run();
        return r;
    }
    QString newestHistory() const {
        return core.history.empty() ? QString() : core.history.at(0).text;
    }

    TempDataFolder dir;
    DataFolder folder;
    CoreState core;
    RecordingHost host;
    RecordingExpansionServices expansion;
    ExecutionServices services;
    ManualScheduler scheduler;
    FixedClock clock;
    SequenceRandom random{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}};
    Engine engine;
};

} // namespace lorvanta::test
