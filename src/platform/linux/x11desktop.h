#pragma once

#include <QList>
#include <QRect>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace lorvanta::platform {

// An X11 window id.
using WindowId = quint32;

// The desktop's top-level windows as the window manager lists them (EWMH),
// and the requests that change their state. It holds a connection of its own
// to $DISPLAY, opened at first use, so it works whatever Qt platform plugin
// the program runs on. Without an X server every query is empty and every
// request does nothing.
class X11Desktop {
public:
    X11Desktop();
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // Connects at the first call; false without an X server or once it is gone.
    bool connected();

    // The windows the window manager manages, in the order they were mapped.
    QList<WindowId> clientWindows();
    // The process of a window: namedProcess, else clientProcess; 0 when unknown.
    pid_t windowProcess(WindowId window);
    // The process the window names (_NET_WM_PID) when it comes from this
    // host; 0 otherwise. Sandboxed programs name one of their own numbering.
    pid_t namedProcess(WindowId window);
    // The process of the X client that created the window, as the server
    // knows it from the local connection (X-Resource); 0 for remote clients.
    pid_t clientProcess(WindowId window);
    // An application's own window: of the normal type or of none, not a
    // splash screen, dialog, menu, dock or tool window.
    bool isNormalWindow(WindowId window);

    // Requests to the window manager; they take effect when it handles them.
    void minimize(WindowId window);
    void maximize(WindowId window);
    // Minimised and left out of task bars and pagers.
    void hide(WindowId window);

    // The window with the focus as the window manager says (_NET_ACTIVE_WINDOW); 0 for none.
    WindowId activeWindow();
    // Whether the window still exists on the server.
    bool exists(WindowId window);
    // The window's area on the screen (without the frame); nothing when it is gone.
    std::optional<QRect> geometry(WindowId window);
    // Asks the window manager to bring the window to the front with the focus,
    // as a pager would (source indication 2), which it grants without a user
    // timestamp; `timestamp` is the user's key press that asked for it, when known.
    void activate(WindowId window, quint32 timestamp = 0);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace lorvanta::platform
