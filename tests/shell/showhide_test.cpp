#include "core/settings/setup.h"
#include "showhidefakes.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::RecordingView;
using lorvanta::test::s;
using lorvanta::test::VirtualTime;

namespace {

struct ShowHideTest : ::testing::Test {
    ShowHideTest() {
        setup.infosyntax = s("INFO");
        shell.setStarted(true);
    }
    // Shows, hides and activations after the first show.
    void shownOnce() {
        shell.ManageShowHide(true);
        time.advance(1000);
        view.calls.clear();
    }

    lorvanta::Setup setup;
    VirtualTime time;
    RecordingView view;
    int expansions = 0;
    IdleInfo idle{setup, view, time, [this](const QString& syntax) -> QString {
                      ++expansions;
                      return syntax + QString::number(expansions);
                  }};
    ShowHide shell{setup, view, time, idle};
};

TEST_F(ShowHideTest, ASecondShowWithinTheLockTimeDoesNothing) {
    shell.ManageShowHide(true);
    time.advance(100);
    shell.ManageShowHide(true);
    EXPECT_EQ(view.count("showMainWindow"), 1);
    EXPECT_EQ(shell.showState(), ShowHide::kShown);

    // Past the lock time a show runs again, and the lock time is the caller's.
    time.advance(131);
    shell.ManageShowHide(true);
    EXPECT_EQ(view.count("showMainWindow"), 2);
    time.advance(60);
    shell.ManageShowHide(true, false, ShowHide::kMessageLockMs);
    EXPECT_EQ(view.count("showMainWindow"), 2) << "60 ms is within 70";
    time.advance(11);
    shell.ManageShowHide(true, false, ShowHide::kMessageLockMs);
    EXPECT_EQ(view.count("showMainWindow"), 3);
}

TEST_F(ShowHideTest, AHideBetweenTwoShowsAlwaysRuns) {
    shell.ManageShowHide(true);
    time.advance(50);
    shell.ManageShowHide(false);
    EXPECT_EQ(view.count("hideLauncher"), 1) << "a hide is never locked";
    EXPECT_EQ(shell.showState(), ShowHide::kHidden);
    time.advance(50);
    shell.ManageShowHide(true);
    EXPECT_EQ(view.count("showMainWindow"), 2) << "a show after a hide is not locked either";
    EXPECT_EQ(shell.lastShowHide(), time.now());
}

TEST_F(ShowHideTest, NothingHappensWhileClosing) {
    shell.setClosing(true);
    shell.ManageShowHide(true);
    shell.ManageShowHide(false);
    shell.AppActivate();
    shell.AppDeactivate();
    EXPECT_TRUE(view.calls.isEmpty()) << view.calls.join(u',').toStdString();
}

TEST_F(ShowHideTest, ShowRunsItsStepsInOrder) {
    setup.stayontop = true;
    setup.autodropdown = true;
    setup.listbehaveslikedropdown = false;
    view.listBefore = true;
    shell.AddIcon();
    view.calls.clear();
    shell.ManageShowHide(true);
    const QStringList expected = {
        s("rememberPreviousWindow"), s("removeTrayIcon"), s("makeLauncherTopmost"),
        s("keepNotesWindowOnTop"),   s("showMainWindow"), s("showResultPane"),
        s("activateMainWindow"),     s("showStartPage"),  s("keepDialogsInFront topmost"),
        s("restoreSkinIcon"),
    };
    EXPECT_EQ(view.calls, expected);
    EXPECT_FALSE(shell.trayIconPresent());
}

TEST_F(ShowHideTest, HideClosesTheAssistAndLeavesTheTrayIcon) {
    struct Case {
        bool infoonfocus, holdtext, trayicon, alwaystrayicon;
        bool cleared, icon;
    };
    const Case cases[] = {
        {false, false, true, false, false, true}, {true, false, true, false, true, true},
        {true, true, true, false, false, true},   {false, false, false, false, false, false},
        {false, false, false, true, false, true},
    };
    for (const Case& c : cases) {
        lorvanta::Setup fresh;
        setup = fresh;
        setup.infoonfocus = c.infoonfocus;
        setup.holdtext = c.holdtext;
        setup.trayicon = c.trayicon;
        setup.alwaystrayicon = c.alwaystrayicon;
        shell.RemoveIcon(true);
        view.calls.clear();
        shell.ManageShowHide(false);
        SCOPED_TRACE(view.calls.join(u',').toStdString());
        EXPECT_EQ(view.calls.first(), s("closeInputAssist"));
        EXPECT_EQ(view.did("clearInput"), c.cleared);
        EXPECT_EQ(shell.trayIconPresent(), c.icon);
        EXPECT_TRUE(view.did("hideLauncher"));
    }
}

TEST_F(ShowHideTest, TheTrayIconIsAddedOnceAndKeptWhenAlwaysShown) {
    shell.ManageShowHide(false);
    time.advance(300);
    shell.ManageShowHide(false);
    EXPECT_EQ(view.count("showTrayIcon"), 1);
    setup.alwaystrayicon = true;
    shell.ManageShowHide(true);
    EXPECT_TRUE(shell.trayIconPresent()) << "alwaystrayicon keeps it while shown";
    shell.RemoveIcon(true);
    EXPECT_FALSE(shell.trayIconPresent()) << "the exit removes it for good";
}

TEST_F(ShowHideTest, AutoHideWhenAnotherApplicationTakesTheFocus) {
    struct Case {
        bool hide;
        bool hidden;
    };
    for (const Case c : {Case{true, true}, Case{false, false}}) {
        setup.hide = c.hide;
        setup.transinactive = 200;
        setup.infoenabled = true;
        view.text = s("typed");
        shownOnce();
        shell.AppDeactivate();
        SCOPED_TRACE(c.hide);
        EXPECT_EQ(view.did("hideLauncher"), c.hidden);
        EXPECT_EQ(view.visible, !c.hidden);
        EXPECT_EQ(view.windowOpacity, Opacity(200)) << "the inactive opacity";
        EXPECT_EQ(view.text, s("INFO") + QString::number(expansions)) << "the information line";
        EXPECT_TRUE(view.did("closeCustomHint"));
        // Coming back puts the input back.
        time.advance(1000);
        shell.AppActivate();
        EXPECT_EQ(view.text, s("typed"));
        EXPECT_EQ(view.windowOpacity, Opacity()) << "transactive 255 is opaque";
        time.advance(1000);
    }
}

TEST_F(ShowHideTest, DeactivationsWithin150msAreHandledOnce) {
    setup.hide = false;
    shownOnce();
    shell.AppDeactivate();
    time.advance(150);
    shell.AppDeactivate();
    EXPECT_EQ(view.count("setOpacity"), 1) << "150 ms is within the guard";
    time.advance(1);
    shell.AppDeactivate();
    EXPECT_EQ(view.count("setOpacity"), 2);
}

TEST_F(ShowHideTest, DeactivationIsIgnoredBeforeStartOrWithTheSettingsDialog) {
    shownOnce();
    view.settingsOpen = true;
    shell.AppDeactivate();
    view.settingsOpen = false;
    shell.setStarted(false);
    shell.AppDeactivate();
    shell.AppActivate();
    EXPECT_TRUE(view.calls.isEmpty()) << view.calls.join(u',').toStdString();
}

TEST_F(ShowHideTest, DeactivationHidesTheResultPaneByTheDropDownRules) {
    struct Case {
        bool hide, autodropdown, likedropdown, custom;
        bool paneHidden;
    };
    const Case cases[] = {
        {true, true, true, false, true},    {true, true, false, false, false},
        {false, false, false, false, true}, {false, false, false, true, false},
        {true, false, false, false, false}, {false, true, false, false, false},
    };
    for (const Case& c : cases) {
        setup.hide = c.hide;
        setup.autodropdown = c.autodropdown;
        setup.listbehaveslikedropdown = c.likedropdown;
        view.customElement = c.custom;
        shownOnce();
        shell.AppDeactivate();
        EXPECT_EQ(view.did("hideResultPane"), c.paneHidden)
            << c.hide << c.autodropdown << c.likedropdown << c.custom;
    }
}

TEST_F(ShowHideTest, FocusReturnsToWhereItWasInThePane) {
    using Part = ShowHideView::FocusedPart;
    struct Case {
        Part focused;
        bool clearlast, infoonfocus, holdtext, browserfocus;
        const char* refocus; // nullptr: the input keeps it
    };
    const Case cases[] = {
        {Part::PaneEditor, false, false, false, false, "focusPaneEditor"},
        {Part::PaneEditor, true, false, false, false, nullptr},
        {Part::PaneEditor, true, false, true, false, "focusPaneEditor"},
        {Part::PaneBrowserPage, false, false, false, true, "focusBrowserPage"},
        {Part::PaneBrowserPage, false, false, false, false, nullptr},
        {Part::Elsewhere, false, false, false, true, nullptr},
    };
    for (const Case& c : cases) {
        setup.hide = true;
        setup.clearlast = c.clearlast;
        setup.infoonfocus = c.infoonfocus;
        setup.holdtext = c.holdtext;
        setup.browserfocus = c.browserfocus;
        view.focused = c.focused;
        shownOnce();
        shell.AppDeactivate();
        time.advance(1000);
        view.paneVisible = true;
        view.calls.clear();
        shell.AppActivate();
        const bool editor = view.did("focusPaneEditor"), page = view.did("focusBrowserPage");
        SCOPED_TRACE(int(c.focused));
        if (c.refocus) {
            EXPECT_TRUE(view.did(c.refocus));
        } else {
            EXPECT_FALSE(editor || page);
        }
        EXPECT_EQ(shell.pendingFocus(), ShowHide::PendingFocus::Input);
    }
}

TEST_F(ShowHideTest, HotkeyHideRule) {
    struct Case {
        bool hotkeyhide, visible, hide, foreground, settingsOpen, settingsForeground;
        bool hides;
    };
    const Case cases[] = {
        {false, true, true, true, false, false, false},
        {true, false, true, true, false, false, false},
        {true, true, true, false, false, false, true},
        {true, true, false, false, false, false, false},
        {true, true, false, true, false, false, true},
        {true, true, true, true, true, false, false},
        {true, true, true, false, true, true, true},
    };
    for (const Case& c : cases) {
        setup.hotkeyhide = c.hotkeyhide;
        setup.hide = c.hide;
        shownOnce();
        view.visible = c.visible;
        view.foreground = c.foreground;
        view.settingsOpen = c.settingsOpen;
        view.settingsForeground = c.settingsForeground;
        EXPECT_EQ(shell.CheckAutoHideLogic(), c.hides)
            << c.hotkeyhide << c.visible << c.hide << c.foreground << c.settingsOpen
            << c.settingsForeground;
        EXPECT_EQ(view.did("hideLauncher"), c.hides);
    }
}

TEST_F(ShowHideTest, AfterASilentStartTheFirstActivationDoesNotShow) {
    setup.hide = true;
    shell.startHidden();
    EXPECT_TRUE(view.did("showTrayIcon")) << "hidden from the start, as after a hide";
    shell.AppActivate();
    EXPECT_FALSE(view.did("showMainWindow"));
    EXPECT_FALSE(shell.skipsFirstActivation());
    // A hotkey shows it at once (no hide's guard to wait out); the
    // activation that follows is an ordinary one.
    shell.ManageShowHide(true);
    EXPECT_TRUE(view.did("showMainWindow"));
    shell.AppDeactivate();
    time.advance(1000);
    view.calls.clear();
    shell.AppActivate();
    EXPECT_TRUE(view.did("showMainWindow"));
}

TEST_F(ShowHideTest, ActivationSkipsBrowserAndNotesWindowsAndRefreshesTheIndex) {
    view.browserOrNotesActive = true;
    shell.AppActivate();
    EXPECT_TRUE(view.calls.isEmpty());
    view.browserOrNotesActive = false;
    // -1 is "on startup and on focus", or "only on startup" with noindexrefresh.
    for (const auto& [autoindex, noRefresh, refreshes] :
         {std::tuple{-1, false, true}, std::tuple{-1, true, false}, std::tuple{1, false, false},
          std::tuple{2, false, true}, std::tuple{3, false, true}}) {
        setup.autoindex = autoindex;
        setup.noindexrefresh = noRefresh;
        view.calls.clear();
        shell.AppActivate();
        EXPECT_TRUE(view.did("rejoinClipboardViewer"));
        EXPECT_EQ(view.did("refreshIndexOnFocus"), refreshes) << autoindex << " " << noRefresh;
    }
}

TEST_F(ShowHideTest, OpacityOfTheWindowAndThePane) {
    struct Case {
        int trans;
        bool inherit;
        Opacity window;
        Opacity pane;
    };
    const Case cases[] = {
        {255, true, std::nullopt, std::nullopt},
        {254, true, 254, 254},
        {200, true, 200, 200},
        {200, false, 200, std::nullopt},
        {300, true, std::nullopt, std::nullopt},
        {0, true, 0, 0},
    };
    for (const Case& c : cases) {
        setup.transinactive = c.trans;
        setup.listinherittransparency = c.inherit;
        view.paneOpacity.reset();
        shell.SetBlend(false);
        EXPECT_EQ(view.windowOpacity, c.window) << c.trans << c.inherit;
        EXPECT_EQ(view.paneOpacity, c.pane) << c.trans << c.inherit;
    }
    setup.transactive = 180;
    shell.FormActivate();
    EXPECT_EQ(view.windowOpacity, Opacity(180)) << "the active value on activation";
}

TEST_F(ShowHideTest, FormActivationHidesThePaneWithoutDropDown) {
    struct Case {
        bool autodropdown, custom, paneActivating, onewindow;
        bool paneHidden;
    };
    const Case cases[] = {
        {false, false, false, false, true},
        {true, false, false, false, false},
        {false, true, false, false, false},
        {false, false, true, true, false},
    };
    for (const Case& c : cases) {
        setup.autodropdown = c.autodropdown;
        setup.onewindow = c.onewindow;
        view.customElement = c.custom;
        view.paneActivating = c.paneActivating;
        view.calls.clear();
        shell.FormActivate();
        EXPECT_EQ(view.did("hideResultPane"), c.paneHidden);
        EXPECT_EQ(view.did("repaintAsOneWindow"), c.onewindow);
        EXPECT_TRUE(view.did("clearListSelection"));
    }
}

TEST_F(ShowHideTest, ShowingClearsOrKeepsTheInput) {
    struct Case {
        bool clearlast, infoonfocus, holdtext, calc, keepInput;
        const char* text;
    };
    const Case cases[] = {
        {false, false, false, false, false, "old"}, {true, false, false, false, false, ""},
        {true, false, false, true, false, "old"},   {true, false, true, false, false, "old"},
        {true, false, false, false, true, "old"},   {false, true, false, false, false, "INFO1"},
        {false, true, true, false, false, "old"},   {false, true, false, false, true, "old"},
    };
    for (const Case& c : cases) {
        setup.clearlast = c.clearlast;
        setup.infoonfocus = c.infoonfocus;
        setup.holdtext = c.holdtext;
        view.calcInput = c.calc;
        view.text = s("old");
        expansions = 0;
        time.advance(1000);
        shell.ManageShowHide(true, c.keepInput);
        EXPECT_EQ(view.text, s(c.text))
            << c.clearlast << c.infoonfocus << c.holdtext << c.calc << c.keepInput;
        EXPECT_EQ(view.did("showStartPage"), !c.keepInput);
        idle.stopFocusRefresh();
        view.calls.clear();
        shell.ManageShowHide(false);
    }
}

TEST_F(ShowHideTest, CentringOnShowCountsTheStartPage) {
    view.screens = {{QRect(0, 0, 1000, 800), QRect(0, 0, 1000, 760)}};
    view.window = QRect(10, 10, 400, 40);
    setup.center = 1;
    setup.listrowheight = 20;
    setup.maxvisible = 10;
    setup.autodropdown = false;
    view.startPage = true;
    shell.ManageShowHide(true);
    // 40 + 10 x 20 + 2 = 242 high on the primary screen.
    EXPECT_EQ(view.window.topLeft(), QPoint(300, 279));
    time.advance(1000);
    view.startPage = false;
    shell.ManageShowHide(true);
    EXPECT_EQ(view.window.topLeft(), QPoint(300, 380)) << "without a start page";
}

} // namespace
