#pragma once

#include "platform/windowfocus.h"

namespace lorvanta {

// The window that had the focus before the launcher came up: remembered when
// the launcher is shown and by "$GW$", and handed the focus back by Escape
// on a launcher that stays on top.
class PreviousWindow {
public:
    explicit PreviousWindow(platform::WindowFocus& focus) : focus_(focus) {}

    // Remembers the window in front, unless there is none or it is one of
    // this program's own windows (the launcher, its pane, its dialogs).
    void remember();
    // Hands the focus back to the remembered window; one that has been
    // closed since is forgotten and nothing happens.
    void activate();
    platform::WindowHandle handle() const { return window_; }

private:
    platform::WindowFocus& focus_;
    platform::WindowHandle window_ = 0;
};

} // namespace lorvanta
