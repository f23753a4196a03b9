// Global hotkeys on the test X server: real keys pressed through XTest by a
// second X client, grabs held by another client, a changed keyboard mapping,
// and keys typed while the keyboard is held landing in a line edit.

#include "platform/linux/x11hotkeys.h"
#include "platform/linux/x11hotkeys_xkb.h"
#include "testsupport.h"

#include <QApplication>
#include <QLineEdit>
#include <X11/keysym.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

using namespace lorvanta::platform;
using lorvanta::test::waitUntil;

namespace {

template <class T> struct Reply {
    T* p;
    explicit Reply(T* reply) : p(reply) {}
    ~Reply() { free(p); }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

// A second X client that presses keys through XTest and grabs keys of its own.
class Typist {
public:
    Typist() : c_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(c_)) return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        syms_ = xcb_key_symbols_alloc(c_);
    }
    ~Typist() {
        for (auto it = held_.rbegin(); it != held_.rend(); ++it)
            fake(XCB_KEY_RELEASE, *it);
        sync();
        if (syms_) xcb_key_symbols_free(syms_);
        xcb_disconnect(c_);
    }
    bool connected() const { return syms_ != nullptr; }

    xcb_keycode_t code(quint32 keysym) const {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms_, keysym);
        const xcb_keycode_t first = codes ? codes[0] : 0;
        free(codes);
        return first;
    }
    void down(xcb_keycode_t code) {
        fake(XCB_KEY_PRESS, code);
        held_.push_back(code);
        sync();
    }
    void up(xcb_keycode_t code) {
        fake(XCB_KEY_RELEASE, code);
        std::erase(held_, code);
        sync();
    }
    void press(quint32 keysym) { down(code(keysym)); }
    void release(quint32 keysym) { up(code(keysym)); }
    // Presses the keys in order and releases them in reverse.
    void chord(std::vector<quint32> keysyms) {
        for (quint32 k : keysyms)
            press(k);
        for (auto it = keysyms.rbegin(); it != keysyms.rend(); ++it)
            release(*it);
    }
    void type(const char* text) {
        for (const char* p = text; *p; ++p) {
            const bool upper = *p >= 'A' && *p <= 'Z';
            if (upper) press(XK_Shift_L);
            chord({quint32(upper ? *p - 'A' + 'a' : *p)});
            if (upper) release(XK_Shift_L);
        }
    }
    // The modifiers and lock states the server reports now.
    quint16 modifierState() {
        Reply<xcb_query_pointer_reply_t> r(
            xcb_query_pointer_reply(c_, xcb_query_pointer(c_, root_), nullptr));
        return r ? r->mask : 0;
    }
    bool grabKey(xcb_keycode_t code, quint16 mods) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            c_, 1, root_, mods, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(c_, cookie);
        free(error);
        return error == nullptr;
    }
    void ungrabKey(xcb_keycode_t code, quint16 mods) {
        xcb_ungrab_key(c_, code, root_, mods);
        sync();
    }
    bool grabKeyboard() {
        Reply<xcb_grab_keyboard_reply_t> r(
            xcb_grab_keyboard_reply(c_,
                                    xcb_grab_keyboard(c_, 0, root_, XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                    nullptr));
        return r && r->status == XCB_GRAB_STATUS_SUCCESS;
    }
    void ungrabKeyboard() {
        xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
        sync();
    }
    // A keycode that yields nothing in the current mapping.
    xcb_keycode_t spareKeycode() {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        Reply<xcb_get_keyboard_mapping_reply_t> r(xcb_get_keyboard_mapping_reply(
            c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, count), nullptr));
        if (!r) return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(r.p);
        const int per = r->keysyms_per_keycode;
        for (int i = count - 1; i >= 0; --i)
            if (std::all_of(syms + i * per, syms + (i + 1) * per, [](auto s) { return s == 0; }))
                return xcb_keycode_t(setup->min_keycode + i);
        return 0;
    }
    // The server's clock now (milliseconds): the time of a property change.
    quint32 serverTime() {
        if (clock_ == XCB_NONE) {
            clock_ = xcb_generate_id(c_);
            const quint32 events = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_create_window(c_, 0, clock_, root_, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                              XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        }
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, clock_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            0, nullptr);
        xcb_flush(c_);
        while (xcb_generic_event_t* event = xcb_wait_for_event(c_)) {
            const bool property = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
            const quint32 time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
            free(event);
            if (property) return time;
        }
        return 0;
    }
    // How long the keyboard waits before it repeats a held key, and between
    // repeats (milliseconds).
    std::pair<quint32, quint32> repeatTiming() {
        free(xcb_xkb_use_extension_reply(c_, xcb_xkb_use_extension(c_, 1, 0), nullptr));
        Reply<xcb_xkb_get_controls_reply_t> r(xcb_xkb_get_controls_reply(
            c_, xcb_xkb_get_controls(c_, XCB_XKB_ID_USE_CORE_KBD), nullptr));
        return r ? std::pair<quint32, quint32>{r->repeatDelay, r->repeatInterval}
                 : std::pair<quint32, quint32>{660, 40};
    }
    // The keycodes of the eight modifiers, row by row; moves a keycode from
    // one row to another.
    std::vector<xcb_keycode_t> modifierMapping(int& perModifier) {
        Reply<xcb_get_modifier_mapping_reply_t> r(
            xcb_get_modifier_mapping_reply(c_, xcb_get_modifier_mapping(c_), nullptr));
        if (!r) return {};
        perModifier = r->keycodes_per_modifier;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(r.p);
        return {codes, codes + 8 * perModifier};
    }
    bool setModifierMapping(const std::vector<xcb_keycode_t>& codes, int perModifier) {
        Reply<xcb_set_modifier_mapping_reply_t> r(xcb_set_modifier_mapping_reply(
            c_, xcb_set_modifier_mapping(c_, quint8(perModifier), codes.data()), nullptr));
        return r && r->status == XCB_MAPPING_STATUS_SUCCESS;
    }
    void mapKeycode(xcb_keycode_t code, quint32 keysym) {
        const xcb_keysym_t syms[2] = {keysym, keysym};
        xcb_change_keyboard_mapping(c_, 1, code, 2, syms);
        sync();
    }

private:
    void fake(quint8 type, xcb_keycode_t code) {
        xcb_test_fake_input(c_, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    // The server has handled every request once this returns.
    void sync() { free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    xcb_connection_t* c_;
    xcb_window_t root_ = XCB_NONE;
    xcb_key_symbols_t* syms_ = nullptr;
    xcb_window_t clock_ = XCB_NONE;
    std::vector<xcb_keycode_t> held_;
};

constexpr int kShiftWin = kModShift | kModWin;
constexpr quint16 kMod4 = XCB_MOD_MASK_4;
constexpr quint16 kNumLockMask = XCB_MOD_MASK_2; // where the test server's layout puts Num Lock

class X11HotkeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(typist_.connected()) << "no X server";
        hotkeys_.setEvents({[this](int id, quint32 time) {
                                fired_.push_back(id);
                                times_.push_back(time);
                            },
                            [this](int id, const QString&) { refused_.push_back(id); }});
        ASSERT_TRUE(hotkeys_.add(kMarker, 'M', kShiftWin));
    }
    // Presses the marker combination and waits for it: every key pressed
    // before it has been seen by then.
    // A hotkey press freezes the keyboard until it is handled, so the keys
    // before the marker may arrive in more than one batch.
    void settle() {
        typist_.chord({XK_Shift_L, XK_Super_L, XK_m});
        const auto marker = [&] { return std::find(fired_.begin(), fired_.end(), kMarker); };
        ASSERT_TRUE(waitUntil([&] { return marker() != fired_.end(); }, 10000));
        fired_.erase(marker());
    }
    void toggleLock(quint32 keysym) { typist_.chord({keysym}); }

    static constexpr int kMarker = 499;
    Typist typist_;
    X11Hotkeys hotkeys_;
    std::vector<int> fired_;
    std::vector<quint32> times_;
    std::vector<int> refused_;
};

TEST_F(X11HotkeysTest, TheCombinationFiresWhateverLocksAreOn) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    const struct {
        const char* locks;
        std::vector<quint32> toggles;
        quint16 stateMask;
    } cases[] = {
        {"none", {}, 0},
        {"Caps Lock", {XK_Caps_Lock}, XCB_MOD_MASK_LOCK},
        {"Num Lock", {XK_Num_Lock}, kNumLockMask},
        {"both", {XK_Caps_Lock, XK_Num_Lock}, quint16(XCB_MOD_MASK_LOCK | kNumLockMask)},
    };
    for (const auto& c : cases) {
        for (quint32 k : c.toggles)
            toggleLock(k);
        EXPECT_EQ(typist_.modifierState() & (XCB_MOD_MASK_LOCK | kNumLockMask), c.stateMask)
            << c.locks;
        fired_.clear();
        typist_.chord({XK_Shift_L, XK_Super_L, XK_z});
        settle();
        EXPECT_EQ(fired_, std::vector<int>{1}) << "locks: " << c.locks;
        for (quint32 k : c.toggles)
            toggleLock(k);
    }
    ASSERT_FALSE(times_.empty());
    EXPECT_NE(times_.front(), 0u) << "the press's time is passed on";
}

TEST_F(X11HotkeysTest, OtherCombinationsDoNotFire) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    ASSERT_TRUE(hotkeys_.add(2, 'Q', kModCtrl | kModAlt));
    const std::vector<std::vector<quint32>> chords = {
        {XK_z},
        {XK_Shift_L, XK_z},
        {XK_Super_L, XK_z},
        {XK_Control_L, XK_Shift_L, XK_Super_L, XK_z},
        {XK_Shift_L, XK_Super_L, XK_x},
        {XK_Control_L, XK_q},
        {XK_Alt_L, XK_Shift_L, XK_Control_L, XK_q},
    };
    for (const auto& chord : chords)
        typist_.chord(chord);
    settle();
    EXPECT_TRUE(fired_.empty()) << "first: " << fired_.front();

    typist_.chord({XK_Control_L, XK_Alt_L, XK_q});
    typist_.chord({XK_Super_R, XK_Shift_R, XK_z}); // the keys of the other side count too
    settle();
    EXPECT_EQ(fired_, (std::vector<int>{2, 1}));
}

TEST_F(X11HotkeysTest, AKeyHeldDownFiresOnce) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    const auto [delay, interval] = typist_.repeatTiming();
    typist_.press(XK_Shift_L);
    typist_.press(XK_Super_L);
    const quint32 pressed = typist_.serverTime();
    typist_.press(XK_z);
    // Held until the server's clock shows that the keyboard repeated it.
    ASSERT_TRUE(waitUntil([&] { return typist_.serverTime() - pressed > delay + 3 * interval; }));
    typist_.release(XK_z);
    typist_.release(XK_Super_L);
    typist_.release(XK_Shift_L);
    settle();
    EXPECT_EQ(fired_, std::vector<int>{1});

    typist_.chord({XK_Shift_L, XK_Super_L, XK_z});
    settle();
    EXPECT_EQ(fired_, (std::vector<int>{1, 1})) << "a new press after the release fires";
}

// The launcher lets the keyboard go before the hotkey's keys are up: their
// releases go to its window, and the hotkey must still fire the next time.
TEST_F(X11HotkeysTest, AHotkeyFiresAgainAfterItsKeysWereReleasedElsewhere) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    typist_.press(XK_Shift_L);
    typist_.press(XK_Super_L);
    typist_.press(XK_z);
    ASSERT_TRUE(waitUntil([&] { return fired_.size() == 1; }, 10000));
    hotkeys_.holdKeyboard(times_.back());
    hotkeys_.releaseKeyboard();
    typist_.release(XK_z);
    typist_.release(XK_Super_L);
    typist_.release(XK_Shift_L);
    // Reading the keyboard (as the launcher does before sending keys) sees
    // the keys up; the next press is a press, not a repeat.
    EXPECT_FALSE(hotkeys_.held('Z', kShiftWin));
    typist_.chord({XK_Shift_L, XK_Super_L, XK_z});
    settle();
    EXPECT_EQ(fired_, (std::vector<int>{1, 1})) << "the key is still taken for held down";
}

TEST_F(X11HotkeysTest, ACombinationAnotherClientHoldsIsRefused) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    const xcb_keycode_t x = typist_.code(XK_x);
    // The other client holds only the combination without locks; the grabs
    // made for the lock combinations must be undone as well.
    ASSERT_TRUE(typist_.grabKey(x, XCB_MOD_MASK_SHIFT | kMod4));
    EXPECT_FALSE(hotkeys_.add(2, 'X', kShiftWin));
    typist_.ungrabKey(x, XCB_MOD_MASK_SHIFT | kMod4);
    EXPECT_TRUE(typist_.grabKey(x, XCB_MOD_MASK_SHIFT | kMod4 | XCB_MOD_MASK_LOCK))
        << "a grab of the refused registration was left behind";
    typist_.ungrabKey(x, XCB_MOD_MASK_SHIFT | kMod4 | XCB_MOD_MASK_LOCK);

    typist_.chord({XK_Shift_L, XK_Super_L, XK_x});
    typist_.chord({XK_Shift_L, XK_Super_L, XK_z});
    settle();
    EXPECT_EQ(fired_, std::vector<int>{1}) << "the other id keeps working";
    EXPECT_TRUE(refused_.empty());
}

TEST_F(X11HotkeysTest, RegisteringAgainMovesTheCombinationAndRemovingFreesIt) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    EXPECT_FALSE(hotkeys_.add(2, 'Z', kShiftWin)) << "one combination, one id";
    ASSERT_TRUE(hotkeys_.add(1, 'Y', kShiftWin));
    EXPECT_TRUE(typist_.grabKey(typist_.code(XK_z), XCB_MOD_MASK_SHIFT | kMod4))
        << "the old combination is free again";
    typist_.ungrabKey(typist_.code(XK_z), XCB_MOD_MASK_SHIFT | kMod4);

    typist_.chord({XK_Shift_L, XK_Super_L, XK_y});
    settle();
    EXPECT_EQ(fired_, std::vector<int>{1});

    hotkeys_.remove(1);
    EXPECT_TRUE(typist_.grabKey(typist_.code(XK_y), XCB_MOD_MASK_SHIFT | kMod4));
    typist_.ungrabKey(typist_.code(XK_y), XCB_MOD_MASK_SHIFT | kMod4);
    EXPECT_FALSE(hotkeys_.add(3, -1, 0)) << "no key";
    EXPECT_FALSE(hotkeys_.add(3, 255, 0)) << "a code without a key";
}

TEST_F(X11HotkeysTest, AChangedMappingKeepsTheHotkeyAndGrabsNewKeycodes) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    const xcb_keycode_t spare = typist_.spareKeycode();
    ASSERT_NE(spare, 0) << "the test server's mapping has no free keycode";
    // The spare keycode now gives "z" too: once the change is seen, it is
    // grabbed as well, and another client can no longer grab it.
    typist_.mapKeycode(spare, XK_z);
    EXPECT_TRUE(waitUntil(
        [&] {
            const bool free = typist_.grabKey(spare, XCB_MOD_MASK_SHIFT | kMod4);
            if (free) typist_.ungrabKey(spare, XCB_MOD_MASK_SHIFT | kMod4);
            return !free;
        },
        10000))
        << "the new keycode of the key was not grabbed";

    typist_.chord({XK_Shift_L, XK_Super_L, XK_z});
    typist_.press(XK_Shift_L);
    typist_.press(XK_Super_L);
    typist_.down(spare);
    typist_.up(spare);
    typist_.release(XK_Super_L);
    typist_.release(XK_Shift_L);
    settle();
    EXPECT_EQ(fired_, (std::vector<int>{1, 1}));
    typist_.mapKeycode(spare, 0);
    EXPECT_TRUE(refused_.empty());
}

TEST_F(X11HotkeysTest, NumLockCountsWhereverTheMappingPutsIt) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    int per = 0;
    const std::vector<xcb_keycode_t> original = typist_.modifierMapping(per);
    ASSERT_FALSE(original.empty());
    constexpr int kMod2 = 4, kMod3 = 5; // rows: Shift, Lock, Control, Mod1..Mod5
    const xcb_keycode_t numLock = typist_.code(XK_Num_Lock);
    ASSERT_EQ(
        std::count(original.begin() + kMod2 * per, original.begin() + (kMod2 + 1) * per, numLock),
        1)
        << "the test server's layout has Num Lock on Mod2";
    ASSERT_EQ(std::count(original.begin() + kMod3 * per, original.begin() + (kMod3 + 1) * per, 0),
              per)
        << "the test server's layout leaves Mod3 free";
    std::vector<xcb_keycode_t> moved = original;
    std::replace(moved.begin() + kMod2 * per, moved.begin() + (kMod2 + 1) * per, numLock,
                 xcb_keycode_t(0));
    moved[kMod3 * per] = numLock;
    ASSERT_TRUE(typist_.setModifierMapping(moved, per));

    // Once the new mapping is seen, the combination with Mod3 is grabbed.
    const xcb_keycode_t z = typist_.code(XK_z);
    const quint16 withMod3 = XCB_MOD_MASK_SHIFT | kMod4 | XCB_MOD_MASK_3;
    EXPECT_TRUE(waitUntil(
        [&] {
            const bool free = typist_.grabKey(z, withMod3);
            if (free) typist_.ungrabKey(z, withMod3);
            return !free;
        },
        10000));
    toggleLock(XK_Num_Lock);
    EXPECT_EQ(typist_.modifierState() & XCB_MOD_MASK_3, XCB_MOD_MASK_3);
    typist_.chord({XK_Shift_L, XK_Super_L, XK_z});
    settle();
    toggleLock(XK_Num_Lock);
    EXPECT_EQ(fired_, std::vector<int>{1});
    EXPECT_TRUE(typist_.setModifierMapping(original, per));
}

TEST_F(X11HotkeysTest, ANewKeycodeAnotherClientHoldsIsReportedRefused) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    const xcb_keycode_t spare = typist_.spareKeycode();
    ASSERT_NE(spare, 0) << "the test server's mapping has no free keycode";
    ASSERT_TRUE(typist_.grabKey(spare, XCB_MOD_MASK_SHIFT | kMod4));
    typist_.mapKeycode(spare, XK_z);
    settle();
    EXPECT_EQ(refused_, std::vector<int>{1});
    typist_.ungrabKey(spare, XCB_MOD_MASK_SHIFT | kMod4);
    typist_.mapKeycode(spare, 0);
    settle();
    EXPECT_EQ(refused_, std::vector<int>{1}) << "told once";
    typist_.chord({XK_Shift_L, XK_Super_L, XK_z});
    settle();
    EXPECT_EQ(fired_, std::vector<int>{1}) << "grabbed again once the mapping allowed it";
}

TEST_F(X11HotkeysTest, HeldSeesTheKeyAndEitherSideOfItsModifiers) {
    const struct {
        quint32 down;
        int key;
        int modifiers;
        bool held;
    } cases[] = {
        {XK_Shift_L, 'Z', kModShift, true},
        {XK_Shift_R, 'Z', kModShift, true},
        {XK_Shift_L, 'Z', kModCtrl | kModWin, false},
        {XK_Shift_L, 'Z', 0, false},
        {XK_Control_R, 'Z', kModCtrl, true},
        {XK_Alt_L, 'Z', kModAlt, true},
        {XK_Super_R, 'Z', kShiftWin, true},
        {XK_z, 'Z', 0, true},
        {XK_z, 'Y', kModShift, false},
        {XK_F5, 116, 0, true},
    };
    for (const auto& c : cases) {
        typist_.press(c.down);
        EXPECT_EQ(hotkeys_.held(c.key, c.modifiers), c.held)
            << "key " << c.key << ", modifiers " << c.modifiers << ", down " << c.down;
        typist_.release(c.down);
        EXPECT_FALSE(hotkeys_.held(c.key, c.modifiers)) << "after the release";
    }
}

TEST_F(X11HotkeysTest, KeysTypedWhileHeldReachTheWindowFocusedAfterwards) {
    ASSERT_TRUE(hotkeys_.add(1, 'Z', kShiftWin));
    const struct {
        const char* row;
        bool fromHotkey; // held with the time of a hotkey press whose keys are up again
        bool releasedByCall;
    } cases[] = {
        {"now, released", false, true},
        {"now, let go by itself", false, false},
        {"from the hotkey, released", true, true},
    };
    for (const auto& c : cases) {
        quint32 time = 0;
        if (c.fromHotkey) {
            typist_.chord({XK_Shift_L, XK_Super_L, XK_z});
            settle();
            ASSERT_FALSE(times_.empty());
            time = times_.back();
        }
        hotkeys_.holdKeyboard(time);
        typist_.type("aBc");
        QLineEdit edit;
        edit.show();
        edit.activateWindow();
        edit.setFocus();
        ASSERT_TRUE(waitUntil([&] { return edit.hasFocus() && edit.isActiveWindow(); }, 10000));
        if (c.releasedByCall) {
            EXPECT_TRUE(edit.text().isEmpty()) << c.row << ": keys went past the hold";
            hotkeys_.releaseKeyboard();
        }
        EXPECT_TRUE(waitUntil([&] { return edit.text() == QStringLiteral("aBc"); }, 10000))
            << c.row << ", text: " << edit.text().toStdString();

        typist_.type("d"); // the keyboard is free again
        EXPECT_TRUE(waitUntil([&] { return edit.text() == QStringLiteral("aBcd"); }, 10000))
            << c.row;
        EXPECT_FALSE(hotkeys_.held('A', kModShift)) << c.row << ": no key stays down";
    }
}

TEST_F(X11HotkeysTest, NoHoldWhileAnotherClientHasTheKeyboard) {
    ASSERT_TRUE(typist_.grabKeyboard());
    hotkeys_.holdKeyboard(0);
    typist_.ungrabKeyboard();
    QLineEdit edit;
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    ASSERT_TRUE(waitUntil([&] { return edit.hasFocus() && edit.isActiveWindow(); }, 10000));
    typist_.type("xy");
    EXPECT_TRUE(waitUntil([&] { return edit.text() == QStringLiteral("xy"); }, 10000));
    hotkeys_.releaseKeyboard();
    settle();
    EXPECT_EQ(edit.text(), QStringLiteral("xy")) << "nothing was typed twice";
}

} // namespace
