#pragma once

#include <QRect>
#include <QtGlobal>
#include <optional>

namespace lorvanta::platform {

// A window of the desktop as the window system names it; 0 for none.
using WindowHandle = quint64;

// The window in front, read and handed the focus. On a desktop where another
// program's windows cannot be seen (Wayland, no display) there is never an
// active window and nothing is activated.
class WindowFocus {
public:
    virtual ~WindowFocus() = default;

    // The window that has the focus now; 0 when none or not known.
    virtual WindowHandle activeWindow() = 0;
    // Asks for the window to be brought to the front with the focus; false
    // when it no longer exists (nothing is then asked).
    virtual bool activate(WindowHandle window) = 0;
    // Brings one of this program's own windows to the front with the focus,
    // as the user's key press at `timestamp` (0: now) asked for, so that the
    // window manager's focus-stealing prevention lets it through.
    virtual void present(WindowHandle own, quint32 timestamp) = 0;
    // Where the window is on the screen; nothing when it is gone or unknown.
    virtual std::optional<QRect> geometry(WindowHandle window) = 0;
};

} // namespace lorvanta::platform
