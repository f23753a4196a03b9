// The launcher window with its shell on Qt's offscreen platform, against the
// recording platform: hotkey presses, the tray icon and its menu, hiding and
// showing through the show/hide logic.

#include "app/desktopservices.h"
#include "app/launchershell.h"
#include "app/launcherwindow.h"
#include "commands/engine.h"
#include "core/exec/recording.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QTest>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::waitUntil;

namespace {

struct ShellTest : ::testing::Test {
    TempDataFolder dir;
    DataFolder folder = DataFolder::at(dir.path());
    CoreState core{folder, dir.fake.platform()};
    RecordingExpansionServices expansion;
    ExecutionServices services;
    EventLoopScheduler scheduler;
    SystemClock clock;
    SequenceRandom random{{0}};
    std::unique_ptr<LauncherWindow> window;
    std::unique_ptr<LauncherShell> shell;

    void SetUp() override { core.file.ReadSettings(false); }
    // A keyword with the hotkey Ctrl+Alt+`key`.
    void hotkeyed(const char* name, const char* command, int key) {
        auto w = std::make_unique<TExeWord>();
        w->keywords = s(name);
        w->command = s(command);
        w->key = key;
        w->keymod = platform::kModCtrl | platform::kModAlt;
        core.store.append(std::move(w));
    }
    void start(bool silent) {
        window =
            std::make_unique<LauncherWindow>(core, folder, dir.fake.platform(), expansion, services,
                                             scheduler, clock, random, ListSources{});
        shell = std::make_unique<LauncherShell>(core, folder, dir.fake.platform(), *window,
                                                scheduler, clock);
        shell->start(silent, false);
        if (!silent) window->showAndFocus();
    }
    QStringList calls(const char* prefix) const { return dir.fake.calls().filter(s(prefix)); }
    QAction* trayEntry(const char* text) {
        for (QAction* a : shell->tray().menu().actions())
            if (a->text() == s(text)) return a;
        return nullptr;
    }
    // Past the lock that swallows a second show or hide right after one.
    void pastTheLock() {
        waitUntil([] { return false; }, 300);
    }
};

TEST_F(ShellTest, StartUpRegistersTheMainHotkeyAndEveryKeywordHotkey) {
    hotkeyed("notes", "/usr/bin/true", 'N');
    start(false);
    EXPECT_EQ(calls("hotkeyAdd"), (QStringList{s("hotkeyAdd 1 90 12"), s("hotkeyAdd 2 78 3")}));
    shell.reset();
    EXPECT_EQ(calls("hotkeyRemove").size(), 2) << "every grab is given back at the end";
}

TEST_F(ShellTest, TheMainHotkeyShowsAHiddenLauncherAsThePressAskedAndHoldsTheFirstKeys) {
    start(true);
    ASSERT_FALSE(window->isVisible());
    EXPECT_TRUE(shell->tray().visible()) << "hidden from the start: the icon is up";
    dir.fake.pressHotkey(1, 4242);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(shell->tray().visible());
    EXPECT_EQ(calls("presentWindow").value(0),
              QStringLiteral("presentWindow %1 4242").arg(window->winId()));
    EXPECT_EQ(calls("holdKeyboard"), QStringList{s("holdKeyboard 4242")});
    EXPECT_TRUE(waitUntil([&] { return !calls("releaseKeyboard").isEmpty(); }, 5000))
        << "the kept keys go to the input box once it has the focus";
}

TEST_F(ShellTest, EscapeHidesThroughTheShowHideLogicAndTheTrayBringsTheLauncherBack) {
    core.setup.hide = true;
    start(false);
    ASSERT_TRUE(window->isVisible());
    pastTheLock();
    QTest::keyClick(&window->input(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(shell->tray().visible());
    EXPECT_EQ(shell->showHide().showState(), ShowHide::kHidden);

    shell->tray().activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(window->isVisible()) << "a left click shows the launcher";
}

TEST_F(ShellTest, TheTrayMenuHoldsItsEntriesAndSaysWhatIsNotThereYet) {
    start(true);
    QStringList texts;
    for (QAction* a : shell->tray().menu().actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{s("Add Keyword..."), s("Keywords..."), s("Settings..."),
                                  s("Open Lorvanta..."), s("Exit...")}));
    trayEntry("Settings...")->trigger();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->lastToast(), s("The settings dialog is not available yet"));
    bool closing = false;
    QObject::connect(window.get(), &LauncherWindow::closeRequested, [&] { closing = true; });
    trayEntry("Exit...")->trigger();
    EXPECT_TRUE(closing);
}

TEST_F(ShellTest, ToggleHidesAnActiveLauncherAndShowsAHiddenOne) {
    start(false);
    ASSERT_TRUE(waitUntil([&] { return window->isActiveWindow(); }, 5000));
    pastTheLock();
    shell->toggle();
    EXPECT_FALSE(window->isVisible());
    pastTheLock();
    shell->toggle();
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ShellTest, AKeywordHotkeyRunsItsKeyword) {
    hotkeyed("editor", "/usr/bin/editor", 'E');
    start(true);
    dir.fake.pressHotkey(2, 7);
    EXPECT_TRUE(waitUntil([&] { return !calls("shellExecute").isEmpty(); }, 5000));
    EXPECT_TRUE(calls("shellExecute").value(0).contains(s("/usr/bin/editor")));
}

} // namespace
