#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

namespace lorvanta::platform {

// Modifier flags of a stored hotkey; hotkeys are kept as virtual-key codes
// with these flags whatever the desktop underneath.
inline constexpr int kModAlt = 1;
inline constexpr int kModCtrl = 2;
inline constexpr int kModShift = 4;
inline constexpr int kModWin = 8; // Super

// What the desktop tells about registered hotkeys, always on the main thread.
struct HotkeyEvents {
    // A registered combination was pressed; `timestamp` is the desktop's time
    // of the key press (0 when it gave none), which showing the window passes
    // on so that focus-stealing prevention lets the launcher take the focus.
    std::function<void(int id, quint32 timestamp)> pressed;
    // A registration that add() accepted was refused later (a desktop portal
    // answers after a while); `reason` is for the user.
    std::function<void(int id, const QString& reason)> refused;
};

// System-wide key combinations (on X11: grabs on the root window; in a
// Wayland session: the desktop's global-shortcuts portal where it exists),
// the keyboard state, and holding the keys typed while the launcher comes up.
class GlobalHotkeys {
public:
    virtual ~GlobalHotkeys() = default;

    virtual void setEvents(HotkeyEvents events) = 0;
    // Registers `id` for the virtual-key code `key` with the modifier flags;
    // registering an id again replaces its combination. False when refused:
    // another program holds the combination, the key has no form here, or
    // there is no way to register at all.
    virtual bool add(int id, int key, int modifiers) = 0;
    // What hotkey `id` is, for desktops that list shortcuts and keep the
    // user's own key for each across restarts: `name` stays the same as long
    // as the hotkey means the same thing (ids do not), `description` is shown.
    // Called before add(); X11 grabs need neither.
    virtual void describe(int id, const QString& name, const QString& description) {
        Q_UNUSED(id);
        Q_UNUSED(name);
        Q_UNUSED(description);
    }
    virtual void remove(int id) = 0;
    // Whether `key` or a key of one of the modifier flags is held down now;
    // false when the keyboard cannot be read.
    virtual bool held(int key, int modifiers) = 0;
    // From a hotkey press until releaseKeyboard(): keys typed meanwhile are
    // kept and handed, in order, to the window that has the focus when the
    // keyboard is released, so that the first keys typed after the hotkey
    // land in the input box. Released by itself after a second at most.
    virtual void holdKeyboard(quint32 timestamp) = 0;
    virtual void releaseKeyboard() = 0;
};

// One key press or release seen on the whole desktop.
struct RawKey {
    int key = 0; // virtual-key code: 91/92 left/right Super, 160/161 left/right Shift; 0 unknown
    bool down = false;
    quint32 time = 0; // milliseconds, from the desktop's clock
};

// Observes every key of the desktop without taking it (on X11: XInput2 raw
// events read on a thread of their own). Nothing can be swallowed or
// passed on: gestures that need that have no form here.
class KeyWatch {
public:
    virtual ~KeyWatch() = default;
    // Starts observing; events reach `handler` on the main thread, in order.
    // False when keys cannot be observed here.
    virtual bool start(std::function<void(const RawKey&)> handler) = 0;
    // Stops observing; no event reaches the handler after it returns.
    virtual void stop() = 0;
};

} // namespace lorvanta::platform
