#pragma once

#include "platform/hotkeys.h"

#include <memory>

namespace lorvanta::platform {

// Global hotkeys on X11: a passive grab of the key on the root window for
// every keycode that yields it and every combination of the lock modifiers
// (Caps Lock, Num Lock, Scroll Lock, their masks read from the server's
// modifier mapping), grabbed again when the keyboard mapping changes. A
// grab that another client holds is a refused registration. A key held down
// fires once (XKB's detectable autorepeat where the server has it).
//
// Holding the keyboard is an active grab of it; the keys kept meanwhile are
// typed again through XTest when it ends, so they reach the window that has
// the focus then.
//
// It holds an X connection of its own, opened at first use and read on the
// main thread through a socket notifier. Without an X server every add() is
// refused and nothing is held.
class X11Hotkeys final : public GlobalHotkeys {
public:
    X11Hotkeys();
    ~X11Hotkeys() override;
    X11Hotkeys(const X11Hotkeys&) = delete;
    X11Hotkeys& operator=(const X11Hotkeys&) = delete;

    void setEvents(HotkeyEvents events) override;
    bool add(int id, int key, int modifiers) override;
    void remove(int id) override;
    bool held(int key, int modifiers) override;
    void holdKeyboard(quint32 timestamp) override;
    void releaseKeyboard() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace lorvanta::platform
