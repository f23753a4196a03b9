#include "x11hotkeys_keymap.h"

#include "platform/hotkeys.h"

#include <X11/keysym.h>
#include <algorithm>
#include <cstdlib>
#include <xcb/xcb_keysyms.h>

namespace lorvanta::platform {

X11Keymap::X11Keymap(xcb_connection_t* connection) : connection_(connection) {
    refresh();
}

X11Keymap::~X11Keymap() {
    if (symbols_) xcb_key_symbols_free(symbols_);
}

void X11Keymap::refresh() {
    if (symbols_) xcb_key_symbols_free(symbols_);
    symbols_ = xcb_key_symbols_alloc(connection_);
    super_ = numLock_ = scrollLock_ = 0;
    xcb_get_modifier_mapping_reply_t* reply =
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr);
    if (reply) {
        super_ = maskOfKeysyms(reply, {XK_Super_L, XK_Super_R});
        numLock_ = maskOfKeysyms(reply, {XK_Num_Lock});
        scrollLock_ = maskOfKeysyms(reply, {XK_Scroll_Lock});
        free(reply);
    }
    // Without Super in the mapping, Mod4 is where every common layout puts it.
    if (super_ == 0) super_ = XCB_MOD_MASK_4;
}

// The mask of the first modifier one of whose keys yields one of `keysyms`.
quint16 X11Keymap::maskOfKeysyms(const xcb_get_modifier_mapping_reply_t* reply,
                                 std::initializer_list<quint32> keysyms) const {
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            if (code == 0 || !symbols_) continue;
            for (int column = 0; column < 4; ++column) {
                const quint32 sym = xcb_key_symbols_get_keysym(symbols_, code, column);
                if (std::find(keysyms.begin(), keysyms.end(), sym) != keysyms.end())
                    return quint16(1u << modifier);
            }
        }
    }
    return 0;
}

namespace {

// Letters are stored lower-case in the first column.
quint32 lowerCase(quint32 keysym) {
    return keysym >= 'A' && keysym <= 'Z' ? keysym + ('a' - 'A') : keysym;
}

} // namespace

std::vector<xcb_keycode_t> X11Keymap::keycodesOf(quint32 keysym) const {
    std::vector<xcb_keycode_t> result;
    if (!symbols_ || keysym == 0) return result;
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, keysym);
    std::vector<xcb_keycode_t> firstGroup;
    for (xcb_keycode_t* c = codes; c && *c != XCB_NO_SYMBOL; ++c) {
        if (std::find(result.begin(), result.end(), *c) == result.end()) result.push_back(*c);
        // The first layout's columns (plain, shifted): with "us,de" the "y"
        // key also yields "z" in the second layout and must not be grabbed.
        for (int column = 0; column < 2; ++column)
            if (xcb_key_symbols_get_keysym(symbols_, *c, column) == keysym ||
                xcb_key_symbols_get_keysym(symbols_, *c, column) == lowerCase(keysym))
                if (std::find(firstGroup.begin(), firstGroup.end(), *c) == firstGroup.end())
                    firstGroup.push_back(*c);
    }
    free(codes);
    // A key only the other layouts have (a first layout without Latin
    // letters) is still found there.
    if (!firstGroup.empty()) result = firstGroup;
    std::sort(result.begin(), result.end());
    return result;
}

quint16 X11Keymap::maskOf(int modifiers) const {
    quint16 mask = 0;
    if (modifiers & kModAlt) mask |= XCB_MOD_MASK_1;
    if (modifiers & kModCtrl) mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & kModShift) mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & kModWin) mask |= super_;
    return mask;
}

quint16 X11Keymap::lockMask() const {
    return quint16(XCB_MOD_MASK_LOCK | numLock_ | scrollLock_);
}

std::vector<quint16> X11Keymap::lockCombinations() const {
    std::vector<quint16> result;
    const quint16 locks[] = {quint16(XCB_MOD_MASK_LOCK), numLock_, scrollLock_};
    for (int subset = 0; subset < 8; ++subset) {
        quint16 mask = 0;
        for (int i = 0; i < 3; ++i)
            if (subset & (1 << i)) mask |= locks[i];
        if (std::find(result.begin(), result.end(), mask) == result.end()) result.push_back(mask);
    }
    return result;
}

} // namespace lorvanta::platform
