#include "enginefixture.h"
#include "shell/hotkeys/hotkeyhandler.h"
#include "shell/hotkeys/hotkeymanager.h"
#include "shell/hotkeys/winkeyhook.h"

#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::EngineFixture;
using lorvanta::test::s;

namespace {

// The window side, recorded: one line per request.
struct RecordingHotkeyHost final : HotkeyHost {
    QStringList calls;
    qint64 since = 10000; // ms since the last show or hide
    bool autoHideHides = false;

    qint64 msSinceShowHide() const override { return since; }
    bool CheckAutoHideLogic() override {
        calls.append(s("checkAutoHide"));
        return autoHideHides;
    }
    void placeAtMouse() override { calls.append(s("placeAtMouse")); }
    void showWindow(int locktim, quint32 timestamp) override {
        calls.append(s("show %1 %2").arg(locktim).arg(timestamp));
    }
    void rememberPreviousWindow() override { calls.append(s("rememberPrevious")); }
    void skipNextKeyRelease() override { calls.append(s("skipNextKeyRelease")); }
    void putName(const QString& name) override { calls.append(s("putName ") + name); }
    void dismissCustomElements() override { calls.append(s("dismissCustomElements")); }
    void toast(const QString& text) override { calls.append(s("toast ") + text); }
};

// The engine over a private data folder, the registry and the handler on
// the fake desktop, in virtual time.
struct Rig {
    Rig() {
        handler.listen();
        f.engine.execution.setFinishedHandler([this](bool) { ++executions; });
    }

    EngineFixture f;
    platform::FakePlatform& fake = f.dir.fake;
    RecordingHotkeyHost host;
    TmyHotKeyManager registry{fake.platform(), f.core.store};
    int executions = 0; // finished keyword runs
    HotkeyHandler handler{f.core.setup,       registry,    fake.platform().hotkeys,
                          f.engine.execution, f.scheduler, host};

    // A keyword with hotkey Ctrl+Alt+K, registered; its id.
    int hotkeyed(const char* name, const char* command, const char* parameters = "") {
        TExeWord& w = f.keyword(name, command, parameters);
        w.key = 75;
        w.keymod = 3;
        registry.AddExeword(w);
        return registry.hotkeys()[registry.Exist(w)].atom;
    }
    QStringList launches() const { return fake.calls().filter(s("shellExecute")); }
    bool ran() const { return executions > 0; }
    // Whether a keyword had run by virtual time `ms`, noted then.
    std::shared_ptr<bool> ranBy(int ms) {
        auto seen = std::make_shared<bool>(false);
        f.scheduler.after(ms, [this, seen] { *seen = ran(); });
        return seen;
    }
};

struct HotkeyPress : ::testing::Test, Rig {};

TEST_F(HotkeyPress, MainHotkeyShowsUnlessTooSoonOrItHid) {
    const struct {
        const char* what;
        qint64 since;
        bool hides, popatcursor;
        const char* calls;
    } cases[] = {
        {"shows", 231, false, false, "checkAutoHide;show 230 77"},
        {"at the mouse", 5000, false, true, "checkAutoHide;placeAtMouse;show 230 77"},
        {"within 230 ms of a show or hide", 230, false, false, ""},
        {"hotkeyhide hid it", 5000, true, true, "checkAutoHide"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        host.calls.clear();
        host.since = c.since;
        host.autoHideHides = c.hides;
        f.core.setup.popatcursor = c.popatcursor;
        fake.pressHotkey(1, 77);
        EXPECT_EQ(host.calls.join(u';'), s(c.calls));
    }
}

TEST_F(HotkeyPress, SuperRAndSuperZOpenWithTheShortLock) {
    for (int id : {WinKeyHook::kWinRHotkeyId, WinKeyHook::kWinZHotkeyId}) {
        SCOPED_TRACE(id);
        host.calls.clear();
        host.since = 70;
        fake.pressHotkey(id, 5);
        EXPECT_TRUE(host.calls.isEmpty());
        host.since = 71;
        fake.pressHotkey(id, 5);
        EXPECT_EQ(host.calls, (QStringList{s("checkAutoHide"), s("show 70 5")}));
    }
    EXPECT_TRUE(launches().isEmpty());
}

TEST_F(HotkeyPress, OnlyTheMainHotkeysLaterRefusalIsToldToTheUser) {
    const int id = hotkeyed("k", "/usr/bin/k");
    fake.refuseHotkeyLater(id, s("taken"));
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_EQ(registry.FindKeyByAtom(id)->keywords, s("k")) << "the entry keeps its id";

    fake.refuseHotkeyLater(1, s("denied"));
    ASSERT_EQ(host.calls.size(), 1);
    EXPECT_TRUE(host.calls[0].startsWith(s("toast ")));
    EXPECT_TRUE(host.calls[0].contains(s("\"lorvanta -toggle\"")));
}

TEST_F(HotkeyPress, AnUnknownIdRunsNothing) {
    fake.pressHotkey(42, 1);
    f.scheduler.run();
    EXPECT_EQ(host.calls, QStringList{s("rememberPrevious")});
    EXPECT_TRUE(launches().isEmpty());
}

// What a keyword hotkey asks of the window, by its command.
TEST_F(HotkeyPress, KeywordHotkeyPreparesTheWindowByCommand) {
    const struct {
        const char* what;
        const char* command;
        const char* calls; // before the keyword runs
    } cases[] = {
        {"plain", "/usr/bin/k", "rememberPrevious"},
        {"list command", "$HISTORY$",
         "rememberPrevious;skipNextKeyRelease;dismissCustomElements;"
         "putName k;show 230 9"},
        {"list command, any case", "$kwhistory$",
         "rememberPrevious;skipNextKeyRelease;dismissCustomElements;putName k;show 230 9"},
        {"display command", "$TIME$", "rememberPrevious;skipNextKeyRelease;putName k;show 230 9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        f.core.store.clear();
        host.calls.clear();
        const int id = hotkeyed("k", c.command);
        fake.pressHotkey(id, 9);
        f.scheduler.run();
        EXPECT_EQ(host.calls.join(u';'), s(c.calls));
    }
}

TEST_F(HotkeyPress, TheNameGoesInAgainWhenShowingPutsItsOwnText) {
    f.core.setup.infoenabled = true;
    fake.pressHotkey(hotkeyed("k", "$TIME$"), 9);
    f.scheduler.run();
    EXPECT_EQ(host.calls.filter(s("putName")), (QStringList{s("putName k"), s("putName k")}));
}

TEST_F(HotkeyPress, HoldtextRunsWithoutTouchingTheInputBox) {
    const struct {
        const char* command;
        bool touchesInput;
    } cases[] = {{"/usr/bin/k $HoldText$", false}, {"/usr/bin/k", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        f.core.store.clear();
        f.host.calls.clear();
        f.host.fail = true; // an ordinary run sets the colour back
        executions = 0;
        fake.pressHotkey(hotkeyed("k", c.command));
        f.scheduler.run();
        // It ran: finished, or its built-in said it is not there yet.
        EXPECT_TRUE(executions == 1 || !f.host.calls.filter(s("toast")).isEmpty());
        EXPECT_EQ(f.host.fail, !c.touchesInput);
    }
}

// Keywords that send keys or paste wait until the hotkey's keys are up,
// checking every 10 ms at most 200 times; others run at once.
TEST(HotkeyRelease, TheWaitByCommandAndKeyState) {
    const struct {
        const char* what;
        const char* command;
        const char* parameters;
        int held;      // checks that find the keys down
        int runsAt;    // virtual ms
        int heldAfter; // checks left unused
    } cases[] = {
        {"no marker, keys held", "/usr/bin/k", "x", 5, 0, 5},
        {"sends keys, released after 5 checks", "/usr/bin/k $SENDKEYS$", "", 5, 50, 0},
        {"clipboard in the parameters", "/usr/bin/k", "$C$", 5, 50, 0},
        {"paste, any case", "/usr/bin/k $pastE", "", 2, 20, 0},
        {"display command", "$TIME$", "", 3, 30, 0},
        {"keys never released", "/usr/bin/k", "$c$", 1000, 2000, 800},
        {"keys already up", "/usr/bin/k", "$cu$", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig r;
        r.fake.heldChecks = c.held;
        r.fake.pressHotkey(r.hotkeyed("k", c.command, c.parameters));
        // Never inside the press itself: the desktop holds the keyboard until it returns.
        EXPECT_FALSE(r.ran());
        const auto atOnce = r.ranBy(0);
        // Probes halfway between the checks.
        const auto before = r.ranBy(c.runsAt - 5);
        const auto after = r.ranBy(c.runsAt + 5);
        r.f.scheduler.run();
        EXPECT_EQ(*atOnce, c.runsAt == 0);
        if (c.runsAt > 0) {
            EXPECT_FALSE(*before);
        }
        EXPECT_TRUE(*after);
        EXPECT_EQ(r.fake.heldChecks, c.heldAfter);
        EXPECT_EQ(r.handler.waitingRuns(), 0);
    }
}

TEST_F(HotkeyPress, APressWhileAnotherWaitsRunsAfterItInOrder) {
    const int paste = hotkeyed("p", "/usr/bin/p", "$C$");
    const int plain = hotkeyed("q", "/usr/bin/q");
    fake.heldChecks = 3;
    fake.pressHotkey(paste);
    fake.pressHotkey(plain);
    EXPECT_EQ(handler.waitingRuns(), 2);
    EXPECT_TRUE(launches().isEmpty()) << "the later press waits behind the earlier";
    const auto at25 = ranBy(25);
    const auto at35 = ranBy(35);
    f.scheduler.run();
    EXPECT_FALSE(*at25);
    EXPECT_TRUE(*at35);
    ASSERT_EQ(launches().size(), 2);
    EXPECT_TRUE(launches()[0].contains(s("file=/usr/bin/p")));
    EXPECT_TRUE(launches()[1].contains(s("file=/usr/bin/q")));
}

TEST_F(HotkeyPress, AKeywordDeletedWhileItWaitsDoesNotRun) {
    const int id = hotkeyed("p", "/usr/bin/p $SENDKEYS$");
    fake.heldChecks = 10;
    fake.pressHotkey(id);
    f.core.store.remove(registry.FindKeyByAtom(id));
    // Another keyword takes the freed id meanwhile: it is not the one pressed.
    hotkeyed("other", "/usr/bin/other");
    f.scheduler.run();
    EXPECT_TRUE(launches().isEmpty());
    EXPECT_EQ(handler.waitingRuns(), 0);
}

TEST_F(HotkeyPress, AKeywordHotkeyRunsTheKeywordItself) {
    // Another keyword shares the name: the pressed one runs all the same.
    f.keyword("k", "/usr/bin/first");
    fake.pressHotkey(hotkeyed("k", "/usr/bin/second"));
    f.scheduler.run();
    ASSERT_EQ(launches().size(), 1);
    EXPECT_TRUE(launches()[0].contains(s("file=/usr/bin/second")));
}

TEST(HotkeyRelease, AHandlerGoneWhileKeysAreHeldLeavesNothingBehind) {
    EngineFixture f;
    RecordingHotkeyHost host;
    TmyHotKeyManager registry{f.dir.fake.platform(), f.core.store};
    auto handler =
        std::make_unique<HotkeyHandler>(f.core.setup, registry, f.dir.fake.platform().hotkeys,
                                        f.engine.execution, f.scheduler, host);
    handler->listen();
    TExeWord& w = f.keyword("p", "/usr/bin/p", "$C$");
    w.key = 80;
    w.keymod = 8;
    registry.AddExeword(w);
    f.dir.fake.heldChecks = 50;
    f.dir.fake.pressHotkey(2);
    handler.reset(); // the program closes while the keys are down
    f.dir.fake.pressHotkey(2);
    f.scheduler.run();
    EXPECT_TRUE(f.dir.fake.calls().filter(s("shellExecute")).isEmpty());
    EXPECT_EQ(f.dir.fake.heldChecks, 50) << "no check after the handler went";
}

} // namespace
