#include "startedwindows.h"

#include "processtree.h"

namespace lorvanta::platform {

StartedWindows::StartedWindows(X11Desktop& desktop, QObject* parent)
    : QObject(parent), desktop_(desktop) {
    timer_.setInterval(kPollMs);
    connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
}

void StartedWindows::beforeStart() {
    // While watching, the polls keep the set of known windows up to date.
    if (!watches_.isEmpty() || !desktop_.connected()) return;
    const QList<WindowId> windows = desktop_.clientWindows();
    known_ = QSet<WindowId>(windows.begin(), windows.end());
}

void StartedWindows::watch(pid_t process, ShowCommand show) {
    if (show == ShowCommand::Normal || process <= 0 || !desktop_.connected()) return;
    watches_.append({process, show, QDeadlineTimer(kGiveUpMs)});
    if (!timer_.isActive()) timer_.start();
}

void StartedWindows::poll() {
    const QList<WindowId> windows = desktop_.clientWindows();
    QSet<WindowId> present;
    for (WindowId window : windows) {
        present.insert(window);
        if (known_.contains(window)) continue;
        known_.insert(window);
        if (!desktop_.isNormalWindow(window)) continue;
        // The window's own word, and the server's knowledge of the connection
        // for programs that name no process or one of a sandbox's numbering.
        const pid_t named = desktop_.namedProcess(window);
        const pid_t client = desktop_.clientProcess(window);
        for (qsizetype i = 0; i < watches_.size(); ++i) {
            const pid_t started = watches_.at(i).process;
            if (!descendsFrom(named, started) && !descendsFrom(client, started)) continue;
            apply(window, watches_.at(i).show);
            watches_.removeAt(i);
            break;
        }
    }
    known_.intersect(present);
    // Once the started process has ended, what it left running belongs to
    // init and can no longer be told apart: its watch ends too.
    watches_.removeIf(
        [](const Watch& w) { return w.deadline.hasExpired() || parentProcess(w.process) == 0; });
    if (watches_.isEmpty() || !desktop_.connected()) {
        watches_.clear();
        timer_.stop();
    }
}

void StartedWindows::apply(WindowId window, ShowCommand show) {
    switch (show) {
    case ShowCommand::Minimized:
        desktop_.minimize(window);
        break;
    case ShowCommand::Maximized:
        desktop_.maximize(window);
        break;
    case ShowCommand::Hidden:
        desktop_.hide(window);
        break;
    case ShowCommand::Normal:
        break;
    }
}

} // namespace lorvanta::platform
