// The key watch against a real X server: keys typed with XTest from a
// connection of the test's own must reach the handler on the main thread.

#include "core/settings/setup.h"
#include "platform/linux/x11keywatch.h"
#include "shell/hotkeys/winkeyhook.h"
#include "testsupport.h"
#include "xkeyboard.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <thread>
#include <xcb/xcb.h>

using lorvanta::platform::RawKey;
using lorvanta::platform::X11KeyWatch;
using lorvanta::test::waitUntil;

namespace {

// A keyboard typing through XTest on a connection of its own, as another
// program would.
struct Typist : lorvanta::test::XKeyboard {
    bool ok() const { return connected(); }
    void key(quint32 keysym, bool down) {
        ASSERT_TRUE(down ? press(keysym) : release(keysym)) << "no key for " << keysym;
    }
    void tap(quint32 keysym) { chord({keysym}); }
};

TEST(X11KeyWatch, ReportsKeysInOrderWithTheirTimes) {
    Typist typist;
    ASSERT_TRUE(typist.ok());
    QList<RawKey> seen;
    X11KeyWatch watch;
    bool onMainThread = true;
    ASSERT_TRUE(watch.start([&](const RawKey& k) {
        onMainThread = onMainThread && QThread::currentThread() == qApp->thread();
        seen.append(k);
    }));

    const struct {
        xcb_keysym_t keysym;
        int vk;
    } keys[] = {{XK_Super_L, 91}, {XK_Shift_L, 160}, {XK_a, 'A'}, {XK_F5, 116}};
    for (const auto& k : keys)
        typist.tap(k.keysym);
    typist.sync();
    ASSERT_TRUE(waitUntil([&] { return seen.size() >= 2 * int(std::size(keys)); }));

    ASSERT_EQ(seen.size(), 2 * int(std::size(keys)));
    for (int i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].key, keys[i / 2].vk);
        EXPECT_EQ(seen[i].down, i % 2 == 0);
        EXPECT_NE(seen[i].time, 0u);
        if (i > 0) {
            EXPECT_GE(seen[i].time, seen[i - 1].time);
        }
    }
    EXPECT_TRUE(onMainThread);
    watch.stop();
}

TEST(X11KeyWatch, DoubleTapOfSuperOpensInModeTwo) {
    Typist typist;
    ASSERT_TRUE(typist.ok());
    lorvanta::test::TempDataFolder folder;
    lorvanta::Setup setup;
    setup.hookwin = 2;
    // Wide enough that a slow machine still taps twice within it.
    setup.presstwicetime = 600000;
    X11KeyWatch watch;
    int opens = 0;
    lorvanta::WinKeyHook hook(setup, watch, folder.fake.platform().hotkeys,
                              [&](quint32) { ++opens; });
    hook.StartWinKeyHook(false);
    ASSERT_NE(hook.machine(), nullptr) << "the key watch did not start";

    // A single tap: the desktop's, nothing opens.
    typist.tap(XK_Super_L);
    typist.sync();
    ASSERT_TRUE(waitUntil([&] { return hook.machine()->counting(); }));
    EXPECT_EQ(opens, 0);

    // Super+E in between is no tap and does not count.
    typist.key(XK_Super_L, true);
    typist.tap(XK_e);
    typist.key(XK_Super_L, false);
    // The second tap opens, once.
    typist.tap(XK_Super_L);
    typist.sync();
    ASSERT_TRUE(waitUntil([&] { return opens > 0; }));
    EXPECT_FALSE(hook.machine()->counting());
    EXPECT_EQ(opens, 1);
    hook.StopWinKeyHook();
}

TEST(X11KeyWatch, StopsPromptlyWhileKeysFlowAndDeliversNothingAfter) {
    Typist typist;
    ASSERT_TRUE(typist.ok());
    int calls = 0;
    X11KeyWatch watch;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(watch.start([&](const RawKey&) { ++calls; }));
        const int before = calls;
        // Keys keep coming from another thread while the watch stops.
        std::atomic<bool> typing{true};
        std::thread flood([&] {
            Typist t;
            while (typing) {
                for (int i = 0; i < 50; ++i)
                    t.tap(XK_a);
                t.sync();
            }
        });
        ASSERT_TRUE(waitUntil([&] { return calls > before + 10; }));
        watch.stop();
        const int atStop = calls;
        // Whatever was queued before the stop is dropped on arrival.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        typing = false;
        flood.join();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(calls, atStop);
    }
}

TEST(X11KeyWatch, EventsOfAStoppedRunNeverReachTheNextOne) {
    Typist typist;
    ASSERT_TRUE(typist.ok());
    int early = 0, late = 0;
    X11KeyWatch watch;
    ASSERT_TRUE(watch.start([&](const RawKey&) { ++early; }));
    for (int i = 0; i < 100; ++i)
        typist.tap(XK_a);
    typist.sync();
    // The main thread is busy: the reader's events wait in its queue.
    QThread::msleep(200);
    watch.stop();
    ASSERT_TRUE(watch.start([&](const RawKey&) { ++late; }));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(early, 0);
    EXPECT_EQ(late, 0);
    // The new run does see new keys.
    typist.tap(XK_Super_L);
    typist.sync();
    EXPECT_TRUE(waitUntil([&] { return late == 2; }));
    watch.stop();
}

TEST(X11KeyWatch, DestroyedWithEventsQueued) {
    Typist typist;
    ASSERT_TRUE(typist.ok());
    int calls = 0;
    {
        X11KeyWatch watch;
        ASSERT_TRUE(watch.start([&](const RawKey&) { ++calls; }));
        for (int i = 0; i < 200; ++i)
            typist.tap(XK_a);
        typist.sync();
        ASSERT_TRUE(waitUntil([&] { return calls > 0; }));
    }
    const int atEnd = calls;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, atEnd);
}

} // namespace
