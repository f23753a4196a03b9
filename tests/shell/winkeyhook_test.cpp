#include "core/settings/setup.h"
#include "shell/hotkeys/winkeyhook.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using lorvanta::Setup;
using lorvanta::WinKeyHook;
using lorvanta::platform::FakePlatform;
using lorvanta::platform::kModWin;
using lorvanta::platform::RawKey;

namespace {

// The hook over the fake desktop, counting how often it opens the launcher.
struct HookFixture {
    HookFixture()
        : hook(setup, fake.platform().keys, fake.platform().hotkeys, [this](quint32 time) {
              ++opens;
              openedAt = time;
          }) {}
    void tap(quint32 time) {
        fake.seeKey({91, true, time});
        fake.seeKey({91, false, time + 30});
    }
    FakePlatform fake;
    Setup setup;
    int opens = 0;
    quint32 openedAt = 0; // the desktop's time of the key that opened
    WinKeyHook hook;
};

const QPair<int, int> kWinR{'R', kModWin}, kWinZ{'Z', kModWin};

TEST(WinKeyHook, SettingsDecideWhatRuns) {
    const struct {
        int hookwin, gamingmode;
        int machineMode; // 0: no key watch
        QHash<int, QPair<int, int>> hotkeys;
    } cases[] = {
        {0, 0, 0, {}},
        {2, 0, 2, {}},
        {8, 0, 8, {}},
        {11, 0, 0, {}},
        {2, 1, 6, {}},
        {9, 0, 0, {{501, kWinR}}},
        {10, 0, 0, {{502, kWinZ}}},
        {10, 3, 8, {{502, kWinZ}}},
        // A gaming mode past the table reaches the hotkey modes.
        {0, 4, 0, {{501, kWinR}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "hookwin " << c.hookwin << " gamingmode " << c.gamingmode);
        HookFixture f;
        f.setup.hookwin = c.hookwin;
        f.setup.gamingmode = c.gamingmode;
        f.hook.StartWinKeyHook(false);
        EXPECT_EQ(f.fake.keyWatchRunning(), c.machineMode != 0);
        EXPECT_EQ(f.hook.machine() ? f.hook.machine()->mode() : 0, c.machineMode);
        EXPECT_EQ(f.fake.hotkeys, c.hotkeys);
        f.hook.StopWinKeyHook();
        EXPECT_FALSE(f.fake.keyWatchRunning());
        EXPECT_TRUE(f.fake.hotkeys.isEmpty());
        EXPECT_EQ(f.hook.machine(), nullptr);
    }
}

TEST(WinKeyHook, GesturesOpenThroughTheCallback) {
    HookFixture f;
    f.setup.hookwin = 2;
    f.setup.presstwicetime = 350;
    f.hook.StartWinKeyHook(false);
    f.tap(1000);
    EXPECT_EQ(f.opens, 0);
    f.tap(1200);
    EXPECT_EQ(f.opens, 1);
    EXPECT_EQ(f.openedAt, 1230u) << "the release's time goes with it, for the focus request";
    // Super+E is the desktop's.
    f.fake.seeKey({91, true, 1300});
    f.fake.seeKey({'E', true, 1310});
    f.fake.seeKey({91, false, 1320});
    f.tap(1400);
    EXPECT_EQ(f.opens, 1);
    // Stopped: keys no longer reach the machine.
    f.hook.StopWinKeyHook();
    f.tap(2000);
    f.tap(2100);
    EXPECT_EQ(f.opens, 1);
}

TEST(WinKeyHook, RestartTakesNewSettingsAndAFreshCount) {
    HookFixture f;
    f.setup.hookwin = 2;
    f.setup.presstwicetime = 350;
    f.hook.StartWinKeyHook(false);
    f.tap(1000); // a first tap, counting

    // A gaming-mode command: the gesture becomes mode 6, the count starts over.
    f.setup.gamingmode = 1;
    f.fake.clearCalls();
    f.hook.StartWinKeyHook(true);
    EXPECT_EQ(f.fake.calls(),
              QStringList({QStringLiteral("keyWatchStop"), QStringLiteral("keyWatchStart")}));
    ASSERT_NE(f.hook.machine(), nullptr);
    EXPECT_EQ(f.hook.machine()->mode(), 6);
    f.tap(1200);
    EXPECT_EQ(f.opens, 0);
    f.tap(1300);
    EXPECT_EQ(f.opens, 1);

    // Over to the Super+Z hotkey: the watch stops, the grab comes.
    f.setup.gamingmode = 0;
    f.setup.hookwin = 10;
    f.hook.StartWinKeyHook(true);
    EXPECT_FALSE(f.fake.keyWatchRunning());
    EXPECT_EQ(f.fake.hotkeys, (QHash<int, QPair<int, int>>{{502, kWinZ}}));
    // And back: the grab goes.
    f.setup.hookwin = 9;
    f.hook.StartWinKeyHook(true);
    EXPECT_EQ(f.fake.hotkeys, (QHash<int, QPair<int, int>>{{501, kWinR}}));
    EXPECT_TRUE(WinKeyHook::isWinKeyHotkey(501));
    EXPECT_FALSE(WinKeyHook::isWinKeyHotkey(1));
}

TEST(WinKeyHook, RefusedHotkeyIsNotRemovedLater) {
    HookFixture f;
    f.fake.refusedHotkeys.append(kWinR);
    f.setup.hookwin = 9;
    f.hook.StartWinKeyHook(false);
    EXPECT_TRUE(f.fake.hotkeys.isEmpty());
    f.fake.clearCalls();
    f.hook.StopWinKeyHook();
    EXPECT_TRUE(f.fake.calls().isEmpty());
}

TEST(WinKeyHook, DestroyingStopsEverything) {
    FakePlatform fake;
    lorvanta::Setup setup;
    setup.hookwin = 10;
    setup.gamingmode = 1;
    {
        WinKeyHook hook(setup, fake.platform().keys, fake.platform().hotkeys, [](quint32) {});
        hook.StartWinKeyHook(false);
        EXPECT_TRUE(fake.keyWatchRunning());
    }
    EXPECT_FALSE(fake.keyWatchRunning());
    EXPECT_TRUE(fake.hotkeys.isEmpty());
}

} // namespace
