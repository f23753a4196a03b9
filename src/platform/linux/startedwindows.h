#pragma once

#include "platform/launcher.h"
#include "x11desktop.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTimer>

namespace lorvanta::platform {

// Gives the first window of a started program the state its launch asked for
// (minimised, maximised or hidden). X11 has no start-up state for another
// program's windows, so the desktop's window list is watched until a new
// normal window of the process, or of a process it started, appears; that
// window is then changed through the window manager. A program that shows no
// window of its own in time, or ends first, is given up on.
class StartedWindows final : public QObject {
public:
    explicit StartedWindows(X11Desktop& desktop, QObject* parent = nullptr);

    // Called before a program is started whose window will be watched: the
    // windows present then belong to programs started earlier.
    void beforeStart();
    // Watches for the first window of `process` and its descendants.
    // Normal asks for nothing and is ignored.
    void watch(pid_t process, ShowCommand show);
    // How many started programs still wait for their first window.
    qsizetype pending() const { return watches_.size(); }

    static constexpr int kPollMs = 40;
    static constexpr int kGiveUpMs = 30000;

private:
    struct Watch {
        pid_t process;
        ShowCommand show;
        QDeadlineTimer deadline;
    };

    void poll();
    void apply(WindowId window, ShowCommand show);

    X11Desktop& desktop_;
    QList<Watch> watches_;
    QSet<WindowId> known_; // windows already looked at while watching
    QTimer timer_;
};

} // namespace lorvanta::platform
