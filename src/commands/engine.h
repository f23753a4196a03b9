#pragma once

#include "core/corestate.h"
#include "core/exec/execution.h"
#include "core/expand/expansion.h"
#include "core/list/candidatelist.h"
#include "core/util/seams.h"
#include "dispatcher.h"
#include "platform/platform.h"

namespace lorvanta {

// The launcher's logic wired together over one CoreState: the candidate
// list, expansion, the built-in commands and execution. The window, the
// command-line client and the tests each build one with their own host,
// services and scheduler.
struct Engine {
    Engine(CoreState& core, const DataFolder& folder, platform::Platform& platform,
           ExecutionHost& host, ExpansionServices& expansionServices,
           ExecutionServices& executionServices, Scheduler& scheduler, const Clock& clock,
           Random& random, ListSources sources = {}, bool saveSettings = true)
        : environment(platform.environment),
          list(core.setup, core.store, core.history, core.pinned, platform.environment, sources),
          expander(core.setup, core.store, platform.environment, platform.system, expansionServices,
                   clock, random),
          dispatcher(core.setup, core.store, expander, platform, host, folder, clock, random),
          execution(core.setup, core.store, core.history, list, expander, dispatcher, platform,
                    host, executionServices, scheduler, saveSettings ? &core.file : nullptr) {
        execution.setIndex(sources.index);
        list.setExpander(&expander);
        dispatcher.setKeywordLauncher([this, &core, &scheduler](const TExeWord& w, int depth) {
            const TExeWord* word = &w;
            scheduler.after(0, [this, &core, word, depth] {
                // The keyword may have been removed before its turn came.
                if (core.store.indexOf(word) < 0) return;
                ExecuteFlags f;
                f.forcedexeword = word;
                f.forcasync = true;
                f.tagDepth = depth;
                execution.DoExecute(word->DefaultKeyword(), f);
            });
        });
    }

    const platform::Environment& environment;
    CandidateList list;
    Expander expander;
    CommandDispatcher dispatcher;
    Execution execution;
};

} // namespace lorvanta
