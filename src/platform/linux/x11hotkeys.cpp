#include "x11hotkeys.h"

#include "platform/keys/virtualkeys.h"
#include "x11hotkeys_keymap.h"
#include "x11hotkeys_xkb.h"

#include <QSocketNotifier>
#include <QTimer>
#include <X11/keysym.h>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace lorvanta::platform {

namespace {

// A held keyboard is let go by itself after this long.
constexpr int kHoldLimitMs = 1000;
// How often keys that went down while the keyboard was ours are checked
// until they are up again (their release goes to another window).
constexpr int kDownCheckMs = 50;

// One registered combination and the grabs that stand for it now.
struct Registration {
    int key = 0;
    int modifiers = 0;
    std::vector<xcb_keycode_t> keycodes; // grabbed; empty while not grabbed
    quint16 mask = 0;
    std::vector<quint16> locks;

    bool grabs(const Registration& other) const {
        return mask == other.mask && std::any_of(keycodes.begin(), keycodes.end(), [&](auto c) {
                   return std::count(other.keycodes.begin(), other.keycodes.end(), c) > 0;
               });
    }
};

// A key event kept while the keyboard is held.
struct KeptKey {
    bool press = false;
    xcb_keycode_t keycode = 0;
};

struct FreeDeleter {
    void operator()(void* p) const { free(p); }
};
template <class T> using XcbReply = std::unique_ptr<T, FreeDeleter>;

} // namespace

struct X11Hotkeys::Impl {
    ~Impl();
    bool connect();
    void setUpXkb();
    void drain();
    void scheduleDrain();
    void sync();
    void handle(const xcb_generic_event_t* event);
    void onPress(const xcb_key_press_event_t* event);
    void thaw(xcb_timestamp_t time);
    void onRelease(const xcb_key_release_event_t* event);
    std::optional<int> registrationOf(xcb_keycode_t keycode, quint16 state) const;
    bool grab(int id, Registration& r);
    void ungrab(Registration& r);
    void mappingChanged();
    std::optional<std::vector<bool>> keysDown();
    bool holdKeyboard(quint32 timestamp);
    void release();
    void replayKept();

    HotkeyEvents events;
    xcb_connection_t* connection = nullptr;
    bool tried = false;
    xcb_window_t root = XCB_NONE;
    std::unique_ptr<X11Keymap> keymap;
    std::unique_ptr<QSocketNotifier> notifier;
    quint8 xkbFirstEvent = 0; // 0: no XKB
    bool detectableRepeat = false;
    bool xtest = false; // kept keys can be typed again
    std::map<int, Registration> registrations;
    bool mappingStale = false;
    // Autorepeat: keys seen going down and not yet up, and the last release.
    std::set<xcb_keycode_t> down;
    xcb_keycode_t lastReleased = 0;
    xcb_timestamp_t lastReleaseTime = 0;
    bool holding = false;
    bool releasing = false;
    std::vector<KeptKey> kept;
    QTimer holdLimit;
    QTimer downCheck;
};

X11Hotkeys::Impl::~Impl() {
    if (!connection) return;
    if (holding) xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
    for (auto& entry : registrations)
        ungrab(entry.second);
    xcb_flush(connection);
    notifier.reset();
    keymap.reset();
    xcb_disconnect(connection);
}

// Opens the connection at first use; nothing is tried without a display.
bool X11Hotkeys::Impl::connect() {
    if (tried) return connection != nullptr && !xcb_connection_has_error(connection);
    tried = true;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
    int screen = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    connection = c;
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem > 1; ++i)
        xcb_screen_next(&it);
    root = it.data->root;
    keymap = std::make_unique<X11Keymap>(c);
    setUpXkb();
    const xcb_query_extension_reply_t* test = xcb_get_extension_data(c, &xcb_test_id);
    xtest = test && test->present;
    notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(),
                     [this] { drain(); });
    holdLimit.setSingleShot(true);
    holdLimit.setInterval(kHoldLimitMs);
    QObject::connect(&holdLimit, &QTimer::timeout, &holdLimit, [this] { release(); });
    downCheck.setInterval(kDownCheckMs);
    QObject::connect(&downCheck, &QTimer::timeout, &downCheck, [this] { keysDown(); });
    scheduleDrain();
    return true;
}

// Detectable autorepeat spares telling a repeat from a quick second press by
// timestamps; a new keyboard device may come with another mapping.
void X11Hotkeys::Impl::setUpXkb() {
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(connection, &xcb_xkb_id);
    if (!ext || !ext->present) return;
    XcbReply<xcb_xkb_use_extension_reply_t> use(xcb_xkb_use_extension_reply(
        connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
        nullptr));
    if (!use || !use->supported) return;
    xkbFirstEvent = ext->first_event;
    // A client that uses XKB gets no core MappingNotify: its own events say it.
    const quint16 changes = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
    const quint16 parts = XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
    xcb_xkb_select_events(connection, XCB_XKB_ID_USE_CORE_KBD, changes, 0, changes, parts, parts,
                          nullptr);
    const quint32 repeat = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    XcbReply<xcb_xkb_per_client_flags_reply_t> flags(xcb_xkb_per_client_flags_reply(
        connection,
        xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, repeat, repeat, 0, 0, 0),
        nullptr));
    detectableRepeat = flags && (flags->value & repeat);
}

// One change of the mapping comes as several events: it is read again once
// they are all in, or before a key event that follows them.
void X11Hotkeys::Impl::drain() {
    while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(connection)})
        handle(event.get());
    if (mappingStale) {
        mappingChanged();
        // Its round trips may have read a frozen press into the queue, which
        // the socket will not signal again.
        while (XcbReply<xcb_generic_event_t> event{xcb_poll_for_queued_event(connection)})
            handle(event.get());
    }
    if (xcb_connection_has_error(connection)) notifier->setEnabled(false);
}

// Replies read events into the connection's queue without the socket
// becoming readable again: those are handled on the next turn of the loop.
void X11Hotkeys::Impl::scheduleDrain() {
    QTimer::singleShot(0, notifier.get(), [this] { drain(); });
}

// Returns once the server has handled every request sent before.
void X11Hotkeys::Impl::sync() {
    XcbReply<xcb_get_input_focus_reply_t> reply(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    scheduleDrain();
}

void X11Hotkeys::Impl::handle(const xcb_generic_event_t* event) {
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
        if (mappingStale) mappingChanged();
        if (type == XCB_KEY_PRESS)
            onPress(reinterpret_cast<const xcb_key_press_event_t*>(event));
        else
            onRelease(reinterpret_cast<const xcb_key_release_event_t*>(event));
    } else if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        if (mapping->request != XCB_MAPPING_POINTER) mappingStale = true;
    } else if (xkbFirstEvent != 0 && type == xkbFirstEvent) {
        const auto* xkb = reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t*>(event);
        if (xkb->xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkb->xkbType == XCB_XKB_MAP_NOTIFY)
            mappingStale = true;
    }
}

void X11Hotkeys::Impl::onPress(const xcb_key_press_event_t* event) {
    const xcb_keycode_t code = event->detail;
    const bool repeat = down.count(code) > 0 || (!detectableRepeat && lastReleased == code &&
                                                 lastReleaseTime == event->time);
    down.insert(code);
    if (const std::optional<int> id = registrationOf(code, event->state)) {
        if (!repeat && events.pressed) events.pressed(*id, event->time);
        // Thawed only now: a hold taken by the handler gets every key after the press.
        thaw(event->time);
        return;
    }
    if (holding) kept.push_back({true, code});
    // A grabbed press whose registration went meanwhile (removed, refused,
    // moved by a new keymap) froze the keyboard all the same.
    thaw(event->time);
}

// Lets the keyboard go on after a press of one of our grabs; nothing happens
// when it is not frozen.
void X11Hotkeys::Impl::thaw(xcb_timestamp_t time) {
    xcb_allow_events(connection, XCB_ALLOW_ASYNC_KEYBOARD, time);
    xcb_flush(connection);
}

void X11Hotkeys::Impl::onRelease(const xcb_key_release_event_t* event) {
    down.erase(event->detail);
    lastReleased = event->detail;
    lastReleaseTime = event->time;
    if (holding) kept.push_back({false, event->detail});
    // The grab ends with this release: keys still down release elsewhere,
    // and must not count as held at their next press.
    if (!holding && !down.empty()) downCheck.start();
}

std::optional<int> X11Hotkeys::Impl::registrationOf(xcb_keycode_t keycode, quint16 state) const {
    const quint16 clean = state & 0xff & ~keymap->lockMask();
    for (const auto& [id, r] : registrations)
        if (r.mask == clean && std::count(r.keycodes.begin(), r.keycodes.end(), keycode) > 0)
            return id;
    return std::nullopt;
}

// Grabs every keycode of the key with every combination of the lock masks.
// False, with nothing left grabbed, when any grab is refused or another id
// of ours has the combination already.
bool X11Hotkeys::Impl::grab(int id, Registration& r) {
    r.keycodes = keymap->keycodesOf(keysymOfVirtualKey(r.key));
    r.mask = keymap->maskOf(r.modifiers);
    r.locks = keymap->lockCombinations();
    const bool ours = std::any_of(registrations.begin(), registrations.end(), [&](const auto& e) {
        return e.first != id && e.second.grabs(r);
    });
    if (r.keycodes.empty() || ours) {
        r.keycodes.clear();
        return false;
    }
    std::vector<xcb_void_cookie_t> cookies;
    for (xcb_keycode_t code : r.keycodes)
        for (quint16 lock : r.locks)
            // The keyboard freezes at the press until it is handled, so keys
            // typed right after it wait for the hold that the press may ask for.
            cookies.push_back(xcb_grab_key_checked(connection, 1, root, r.mask | lock, code,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC));
    bool refused = false;
    for (xcb_void_cookie_t cookie : cookies)
        if (XcbReply<xcb_generic_error_t> error{xcb_request_check(connection, cookie)})
            refused = true;
    // Ungrabbing a combination another client holds leaves its grab alone.
    if (refused) {
        ungrab(r);
        sync();
    }
    return !refused;
}

void X11Hotkeys::Impl::ungrab(Registration& r) {
    for (xcb_keycode_t code : r.keycodes)
        for (quint16 lock : r.locks)
            xcb_ungrab_key(connection, code, root, r.mask | lock);
    r.keycodes.clear();
}

// Grabs are made by keycode and modifier mask: when the new mapping gives a
// registration other keycodes or masks, its grabs are made again.
void X11Hotkeys::Impl::mappingChanged() {
    mappingStale = false;
    keymap->refresh();
    std::vector<int> lost;
    for (auto& [id, r] : registrations) {
        if (r.keycodes == keymap->keycodesOf(keysymOfVirtualKey(r.key)) &&
            r.mask == keymap->maskOf(r.modifiers) && r.locks == keymap->lockCombinations())
            continue;
        const bool wasGrabbed = !r.keycodes.empty();
        ungrab(r);
        if (!grab(id, r) && wasGrabbed) lost.push_back(id);
    }
    xcb_flush(connection);
    for (int id : lost)
        if (events.refused)
            events.refused(id, QStringLiteral("Another program holds the key combination."));
}

// The keys down now by keycode; nothing when the server does not answer.
// Keys taken for held down that are up are forgotten on the way.
std::optional<std::vector<bool>> X11Hotkeys::Impl::keysDown() {
    XcbReply<xcb_query_keymap_reply_t> reply(
        xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr));
    scheduleDrain();
    if (!reply) return std::nullopt;
    std::vector<bool> result(256);
    for (int code = 0; code < 256; ++code)
        result[code] = (reply->keys[code / 8] >> (code % 8)) & 1;
    std::erase_if(down, [&](xcb_keycode_t code) { return !result[code]; });
    if (down.empty()) downCheck.stop();
    return result;
}

// Without XTest the kept keys could not be handed on: nothing is held then.
bool X11Hotkeys::Impl::holdKeyboard(quint32 timestamp) {
    if (!xtest) return false;
    XcbReply<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        connection,
        xcb_grab_keyboard(connection, 0, root, timestamp ? timestamp : XCB_CURRENT_TIME,
                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    scheduleDrain();
    return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
}

void X11Hotkeys::Impl::release() {
    if (!holding || releasing) return;
    releasing = true;
    holdLimit.stop();
    // Ungrabbed first, then every key the grab got until then is taken in:
    // none typed between the last read and the ungrab is lost.
    xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
    sync();
    drain();
    holding = false;
    replayKept();
    xcb_flush(connection);
    releasing = false;
    // The release of a key still down goes to another window now.
    if (!down.empty()) downCheck.start();
}

// Types the kept keys again, to the window that has the focus now. Releases
// of keys pressed before the hold are left out, and no key stays pressed on
// the synthetic keyboard.
void X11Hotkeys::Impl::replayKept() {
    std::set<xcb_keycode_t> pressed;
    for (const KeptKey& k : kept) {
        if (k.press)
            pressed.insert(k.keycode);
        else if (pressed.erase(k.keycode) == 0)
            continue;
        xcb_test_fake_input(connection, k.press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, k.keycode,
                            XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    for (xcb_keycode_t code : pressed)
        xcb_test_fake_input(connection, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    kept.clear();
}

X11Hotkeys::X11Hotkeys() : impl_(std::make_unique<Impl>()) {}
X11Hotkeys::~X11Hotkeys() = default;

void X11Hotkeys::setEvents(HotkeyEvents events) {
    impl_->events = std::move(events);
}

bool X11Hotkeys::add(int id, int key, int modifiers) {
    if (!impl_->connect()) return false;
    remove(id);
    Registration r;
    r.key = key;
    r.modifiers = modifiers;
    const bool grabbed = impl_->grab(id, r);
    if (grabbed) impl_->registrations[id] = r;
    impl_->scheduleDrain();
    return grabbed;
}

void X11Hotkeys::remove(int id) {
    const auto it = impl_->registrations.find(id);
    if (it == impl_->registrations.end()) return;
    impl_->ungrab(it->second);
    impl_->registrations.erase(it);
    impl_->sync(); // the combination is free for others when this returns
}

bool X11Hotkeys::held(int key, int modifiers) {
    if (!impl_->connect()) return false;
    const std::optional<std::vector<bool>> down = impl_->keysDown();
    if (!down) return false;
    std::vector<quint32> keysyms{keysymOfVirtualKey(key)};
    if (modifiers & kModShift) keysyms.insert(keysyms.end(), {XK_Shift_L, XK_Shift_R});
    if (modifiers & kModCtrl) keysyms.insert(keysyms.end(), {XK_Control_L, XK_Control_R});
    if (modifiers & kModAlt)
        keysyms.insert(keysyms.end(), {XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R});
    if (modifiers & kModWin) keysyms.insert(keysyms.end(), {XK_Super_L, XK_Super_R});
    for (quint32 keysym : keysyms)
        for (xcb_keycode_t code : impl_->keymap->keycodesOf(keysym))
            if ((*down)[code]) return true;
    return false;
}

void X11Hotkeys::holdKeyboard(quint32 timestamp) {
    if (!impl_->connect() || !impl_->holdKeyboard(timestamp)) return;
    if (!impl_->holding) impl_->kept.clear();
    impl_->holding = true;
    impl_->holdLimit.start();
}

void X11Hotkeys::releaseKeyboard() {
    if (impl_->connection) impl_->release();
}

} // namespace lorvanta::platform
