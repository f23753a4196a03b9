// The launcher summoned on a real X server: real key presses through XTest
// reach the real grabs and the Super-key watch, and the real window shows
// with the input focused, hides, and runs keyword hotkeys.

#include "app/desktopservices.h"
#include "app/launchershell.h"
#include "app/launcherwindow.h"
#include "commands/engine.h"
#include "core/exec/recording.h"
#include "platform/linux/linuxplatform.h"
#include "platform/linux/x11desktop.h"
#include "testsupport.h"
#include "xkeyboard.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

using namespace lorvanta;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::waitUntil;
using lorvanta::test::writeFile;

namespace {

struct Summon : ::testing::Test {
    TempDataFolder dir;
    DataFolder folder = DataFolder::at(dir.path());
    platform::LinuxPlatform os;
    // The desktop's keys, windows and launches; dialogs and the rest recorded.
    platform::Platform platform{dir.fake.platform().environment,
                                dir.fake.platform().dialogs,
                                dir.fake.platform().shell,
                                dir.fake.platform().process,
                                os.platform().launcher,
                                dir.fake.platform().system,
                                os.platform().focus,
                                os.platform().hotkeys,
                                os.platform().keys};
    CoreState core{folder, platform};
    RecordingExpansionServices expansion;
    ExecutionServices services;
    EventLoopScheduler scheduler;
    SystemClock clock;
    SystemRandom random;
    std::unique_ptr<LauncherWindow> window;
    std::unique_ptr<LauncherShell> shell;
    test::XKeyboard keys;
    QString marks = dir.root() + s("/marks.txt");

    void SetUp() override {
        ASSERT_TRUE(keys.connected()) << "no X server";
        core.file.ReadSettings(false);
        core.setup.hide = false;
        core.setup.trayicon = false;
    }
    void TearDown() override {
        shell.reset();
        window.reset();
    }
    // A keyword that writes its parameters to the marks file.
    TExeWord& markKeyword(const char* name, const char* parameters, int key, int keymod) {
        const QString script = dir.root() + s("/mark.sh");
        writeFile(script, "#!/bin/sh\necho \"$*\" >> \"" + marks.toUtf8() + "\"\n");
        QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        auto w = std::make_unique<TExeWord>();
        w->keywords = s(name);
        w->command = script;
        w->parameters = s(parameters);
        w->key = key;
        w->keymod = keymod;
        return core.store.append(std::move(w));
    }
    void start(bool shown = false) {
        window = std::make_unique<LauncherWindow>(core, folder, platform, expansion, services,
                                                  scheduler, clock, random, ListSources{});
        shell = std::make_unique<LauncherShell>(core, folder, platform, *window, scheduler, clock);
        shell->start(!shown, false);
        if (shown) window->showAndFocus();
    }
    bool focused() const { return window->isActiveWindow() && window->input().hasFocus(); }
    void pressMainHotkey() { keys.chord({XK_Shift_L, XK_Super_L, XK_z}); }
    // Lets the launcher take every event sent so far.
    void settle(int ms = 300) {
        keys.sync();
        waitUntil([] { return false; }, ms);
    }
    QString marked() const { return QString::fromUtf8(readFile(marks)).trimmed(); }
};

TEST_F(Summon, TheMainHotkeyShowsTheWindowWithTheInputFocusedAndHidesItWithHotkeyhide) {
    core.setup.hotkeyhide = true;
    start();
    ASSERT_FALSE(window->isVisible());
    pressMainHotkey();
    ASSERT_TRUE(waitUntil([&] { return focused(); }, 10000))
        << "the hotkey never focused the input";

    // Past the guard, a second press hides the launcher.
    settle(400);
    pressMainHotkey();
    EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }, 10000));

    // Shown again, a press right after the show falls within the guard.
    settle(400);
    pressMainHotkey();
    ASSERT_TRUE(waitUntil([&] { return focused(); }, 10000));
    pressMainHotkey();
    settle();
    EXPECT_TRUE(window->isVisible()) << "a press within 230 ms of the show is ignored";
}

TEST_F(Summon, KeysTypedStraightAfterTheHotkeyLandInTheInputBox) {
    start();
    pressMainHotkey();
    keys.type(s("hello world"));
    EXPECT_TRUE(waitUntil([&] { return window->input().text() == s("hello world"); }, 10000))
        << window->input().text().toStdString();
}

TEST_F(Summon, AKeywordHotkeyRunsItsKeyword) {
    markKeyword("mark", "pressed", 'K', platform::kModCtrl | platform::kModAlt);
    start();
    keys.chord({XK_Control_L, XK_Alt_L, XK_k});
    EXPECT_TRUE(waitUntil([&] { return marked() == s("pressed"); }, 10000))
        << marked().toStdString();
}

TEST_F(Summon, AKeywordThatSendsKeysRunsOnlyOnceTheHotkeysKeysAreUp) {
    markKeyword("mark", "sent $PASTE", 'J', platform::kModCtrl | platform::kModAlt);
    start();
    keys.press(XK_Control_L);
    keys.press(XK_Alt_L);
    keys.press(XK_j);
    ASSERT_TRUE(waitUntil([&] { return shell->hotkeyHandler().waitingRuns() == 1; }, 10000))
        << "the press never arrived";
    settle(200);
    EXPECT_EQ(shell->hotkeyHandler().waitingRuns(), 1) << "it runs while the keys are held";
    EXPECT_TRUE(marked().isEmpty());
    keys.release(XK_j);
    keys.release(XK_Alt_L);
    keys.release(XK_Control_L);
    EXPECT_TRUE(waitUntil([&] { return !marked().isEmpty(); }, 10000));
}

TEST_F(Summon, AMainHotkeyThatAnotherClientHoldsIsReportedAsRefused) {
    // Another program holds Shift+Super+Z on every lock combination.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(other), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(other);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, XK_z);
    for (uint16_t locks = 0; locks < 256; ++locks)
        xcb_grab_key(other, 1, root, uint16_t(XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4 | locks),
                     codes[0], XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    std::free(std::exchange(codes, nullptr));
    xcb_key_symbols_free(symbols);
    std::free(xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr));

    start(true);
    EXPECT_TRUE(dir.fake.calls().contains(s("message Warning: Unable to assign hotkey.")))
        << dir.fake.calls().join(u'\n').toStdString();
    xcb_disconnect(other);
}

TEST_F(Summon, ADoubleTapOfSuperInModeTwoOpensTheLauncherAndASingleTapDoesNot) {
    core.setup.hookwin = 2;
    core.setup.presstwicetime = 1500; // a slow machine still counts two taps as one double tap
    start();
    keys.chord({XK_Super_L});
    settle(500);
    EXPECT_FALSE(window->isVisible()) << "a single tap opens nothing in mode 2";
    settle(1600); // the single tap no longer counts
    keys.chord({XK_Super_L});
    keys.chord({XK_Super_L});
    EXPECT_TRUE(waitUntil([&] { return focused(); }, 10000));
}

} // namespace
namespace {

// The desktop reports the loss of focus a moment after Escape hid the
// launcher; that must not count as another hide, whose guard would swallow a
// hotkey pressed soon after.
TEST_F(Summon, TheHotkeyBringsBackALauncherThatEscapeHidJustBefore) {
    core.setup.hide = true;
    start();
    for (int round = 0; round < 3; ++round) {
        settle(300);
        pressMainHotkey();
        ASSERT_TRUE(waitUntil([&] { return focused(); }, 10000)) << "round " << round;
        keys.chord({XK_Escape});
        ASSERT_TRUE(waitUntil([&] { return !window->isVisible(); }, 10000)) << "round " << round;
    }
}

// Another program's window taking the focus hides a launcher with `hide` on,
// and leaves one with `hide` off where it is.
TEST_F(Summon, AnotherProgramTakingTheFocusHidesTheLauncherWithAutoHide) {
    for (const bool hide : {true, false}) {
        SCOPED_TRACE(hide ? "hide on" : "hide off");
        core.setup.hide = hide;
        shell.reset();
        window.reset();
        start(true);
        ASSERT_TRUE(waitUntil([&] { return focused(); }, 10000));
        QTemporaryDir dir;
        QProcess probe;
        probe.start(s(WINDOW_PROBE), {dir.filePath(s("report"))});
        quint32 other = 0;
        ASSERT_TRUE(waitUntil(
            [&] {
                for (const QByteArray& line : readFile(dir.filePath(s("report"))).split('\n'))
                    if (line.startsWith("normal ")) other = line.mid(7).toUInt();
                return other != 0 && keys.viewable(other);
            },
            10000));
        platform::X11Desktop desktop;
        desktop.activate(other);
        EXPECT_TRUE(waitUntil([&] { return window->isVisible() != hide; }, 10000));
        settle(300);
        EXPECT_EQ(window->isVisible(), !hide);
        probe.kill();
        probe.waitForFinished();
    }
}

} // namespace
