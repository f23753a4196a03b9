#include "xkeyboard.h"

#include <X11/keysym.h>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

namespace lorvanta::test {

namespace {

template <class T> struct Freed {
    T* p;
    explicit Freed(T* raw) : p(raw) {}
    ~Freed() { std::free(p); }
    Freed(const Freed&) = delete;
    Freed& operator=(const Freed&) = delete;
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

} // namespace

struct XKeyboard::Impl {
    xcb_connection_t* c = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_key_symbols_t* symbols = nullptr;

    xcb_atom_t atom(const char* name) {
        Freed r(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr));
        return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    xcb_keycode_t keycode(quint32 keysym) {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        std::free(codes);
        return code;
    }

    bool fake(quint32 keysym, bool down) {
        const xcb_keycode_t code = keycode(keysym);
        if (code == 0) return false;
        xcb_test_fake_input(c, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code, XCB_CURRENT_TIME,
                            XCB_NONE, 0, 0, 0);
        xcb_flush(c);
        return true;
    }
};

XKeyboard::XKeyboard() : impl_(std::make_unique<Impl>()) {
    int screen = 0;
    impl_->c = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(impl_->c)) return;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(impl_->c));
    for (int i = 0; i < screen; ++i)
        xcb_screen_next(&it);
    impl_->screen = it.data;
    impl_->symbols = xcb_key_symbols_alloc(impl_->c);
}

XKeyboard::~XKeyboard() {
    if (impl_->symbols) xcb_key_symbols_free(impl_->symbols);
    if (impl_->c) xcb_disconnect(impl_->c);
}

bool XKeyboard::connected() const {
    return impl_->screen != nullptr;
}

bool XKeyboard::press(quint32 keysym) {
    return connected() && impl_->fake(keysym, true);
}

bool XKeyboard::release(quint32 keysym) {
    return connected() && impl_->fake(keysym, false);
}

void XKeyboard::chord(std::initializer_list<quint32> keysyms) {
    for (quint32 k : keysyms)
        press(k);
    for (auto it = std::rbegin(keysyms); it != std::rend(keysyms); ++it)
        release(*it);
}

void XKeyboard::type(const QString& text) {
    static const QString shifted = QStringLiteral("~!@#$%^&*()_+{}|:\"<>?");
    static const QString plain = QStringLiteral("`1234567890-=[]\\;',./");
    for (const QChar ch : text) {
        quint32 sym = ch.unicode();
        bool shift = ch.isUpper();
        if (shift) sym = ch.toLower().unicode();
        if (const qsizetype i = shifted.indexOf(ch); i >= 0) {
            shift = true;
            sym = plain.at(i).unicode();
        }
        if (ch == u' ') sym = XK_space;
        if (shift) press(XK_Shift_L);
        press(sym);
        release(sym);
        if (shift) release(XK_Shift_L);
    }
}

void XKeyboard::sync() {
    if (!connected()) return;
    std::free(xcb_get_input_focus_reply(impl_->c, xcb_get_input_focus(impl_->c), nullptr));
}

quint32 XKeyboard::focusWindow() {
    if (!connected()) return 0;
    Freed r(xcb_get_input_focus_reply(impl_->c, xcb_get_input_focus(impl_->c), nullptr));
    if (!r || r->focus == impl_->screen->root || r->focus <= XCB_INPUT_FOCUS_POINTER_ROOT) return 0;
    return r->focus;
}

quint32 XKeyboard::windowOfProcess(qint64 pid) {
    if (!connected()) return 0;
    const xcb_atom_t list = impl_->atom("_NET_CLIENT_LIST");
    const xcb_atom_t pidAtom = impl_->atom("_NET_WM_PID");
    Freed clients(xcb_get_property_reply(
        impl_->c,
        xcb_get_property(impl_->c, 0, impl_->screen->root, list, XCB_ATOM_WINDOW, 0, 1024),
        nullptr));
    if (!clients) return 0;
    const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(clients.p));
    const int count = xcb_get_property_value_length(clients.p) / 4;
    for (int i = 0; i < count; ++i) {
        Freed p(xcb_get_property_reply(
            impl_->c, xcb_get_property(impl_->c, 0, windows[i], pidAtom, XCB_ATOM_CARDINAL, 0, 1),
            nullptr));
        if (p && xcb_get_property_value_length(p.p) == 4 &&
            *static_cast<const quint32*>(xcb_get_property_value(p.p)) == quint32(pid) &&
            viewable(windows[i]))
            return windows[i];
    }
    return 0;
}

bool XKeyboard::viewable(quint32 window) {
    if (!connected()) return false;
    Freed r(xcb_get_window_attributes_reply(impl_->c, xcb_get_window_attributes(impl_->c, window),
                                            nullptr));
    return r && r->map_state == XCB_MAP_STATE_VIEWABLE;
}

quint32 XKeyboard::activeWindow() {
    if (!connected()) return 0;
    const xcb_atom_t active = impl_->atom("_NET_ACTIVE_WINDOW");
    Freed r(xcb_get_property_reply(
        impl_->c, xcb_get_property(impl_->c, 0, impl_->screen->root, active, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!r || xcb_get_property_value_length(r.p) != 4) return 0;
    return *static_cast<const quint32*>(xcb_get_property_value(r.p));
}

} // namespace lorvanta::test
