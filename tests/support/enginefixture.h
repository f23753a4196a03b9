#pragma once

// One launcher engine over a private data folder, with recording stand-ins
// for the window and the desktop and virtual time: what execution and the
// built-in commands did can be read back after each step.

#include "commands/engine.h"
#include "core/exec/recording.h"
#include "core/util/seams.h"
#include "testsupport.h"

namespace lorvanta::test {

// Execution services whose browser notes what it was asked; it answers as
// `browser` says (false: not there).
struct BrowserRecordingServices final : ExecutionServices {
    bool browser = false;
    QStringList calls;

    bool hasBrowserPane() const override { return browser; }
    bool openInBrowser(const BrowserRequest& r) override {
        calls.append(QStringLiteral("page %1 params=%2 focus=%3 connect=%4 noreload=%5 click=%6")
                         .arg(r.url, r.parameters)
                         .arg(r.focus)
                         .arg(r.connect)
                         .arg(r.noReload)
                         .arg(r.click));
        return browser;
    }
    bool openBrowserWindow(const QString& url, bool full) override {
        calls.append(QStringLiteral("window %1 full=%2").arg(url).arg(full));
        return browser;
    }
    bool browserMaintenance(const QString& marker) override {
        calls.append(QStringLiteral("maintenance ") + marker);
        return browser;
    }
    bool browserClick(const QString& selector) override {
        calls.append(QStringLiteral("click ") + selector);
        return browser;
    }
};

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
        const bool r = engine.execution.DoExecute(input, flags);
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
    BrowserRecordingServices services;
    ManualScheduler scheduler;
    FixedClock clock;
    SequenceRandom random{{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}};
    Engine engine;
};

} // namespace lorvanta::test
