#pragma once

#include <QtGlobal>
#include <vector>
#include <xcb/xcb.h>

struct _XCBKeySymbols;

namespace lorvanta::platform {

// What the X server's keyboard mapping says, as global hotkeys need it: the
// keycodes that give a keysym, and the modifier masks that are not fixed by
// the protocol (Super, Num Lock, Scroll Lock), read from the modifier mapping.
// refresh() reads both again after the mapping changed.
class X11Keymap {
public:
    explicit X11Keymap(xcb_connection_t* connection);
    ~X11Keymap();
    X11Keymap(const X11Keymap&) = delete;
    X11Keymap& operator=(const X11Keymap&) = delete;

    void refresh();
    // Every keycode that yields `keysym` in any column, in keycode order.
    std::vector<xcb_keycode_t> keycodesOf(quint32 keysym) const;
    // The X modifier mask of the flags Alt 1, Ctrl 2, Shift 4, Win 8.
    quint16 maskOf(int modifiers) const;
    // Caps Lock, Num Lock and Scroll Lock together: the bits a hotkey ignores.
    quint16 lockMask() const;
    // Each combination of the lock masks once, the empty one first.
    std::vector<quint16> lockCombinations() const;

private:
    quint16 maskOfKeysyms(const xcb_get_modifier_mapping_reply_t* reply,
                          std::initializer_list<quint32> keysyms) const;

    xcb_connection_t* connection_;
    _XCBKeySymbols* symbols_ = nullptr;
    quint16 super_ = 0;
    quint16 numLock_ = 0;
    quint16 scrollLock_ = 0;
};

} // namespace lorvanta::platform
