#include "core/settings/setup.h"
#include "showhidefakes.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::RecordingView;
using lorvanta::test::s;
using lorvanta::test::VirtualTime;

namespace {

struct IdleInfoTest : ::testing::Test {
    IdleInfoTest() {
        setup.infosyntax = s("$ddd$");
        view.text = s("half typed");
        view.selStart = 5;
        view.selLength = 3;
    }
    lorvanta::Setup setup;
    VirtualTime time;
    RecordingView view;
    int expansions = 0;
    IdleInfo idle{setup, view, time, [this](const QString& syntax) {
                      EXPECT_EQ(syntax, s("$ddd$"));
                      return s("line %1").arg(++expansions);
                  }};
};

TEST_F(IdleInfoTest, TheLineTakesTheInputsPlaceAndGivesItBack) {
    idle.DisplayIdleInfo(true);
    EXPECT_EQ(view.text, s("line 1"));
    EXPECT_FALSE(view.decorationsVisible);
    EXPECT_EQ(idle.savedInput().text, s("half typed"));

    // The refresh re-arms itself every second and never saves the line.
    time.advance(3000);
    EXPECT_EQ(view.text, s("line 4"));
    EXPECT_EQ(idle.savedInput().text, s("half typed"));
    EXPECT_EQ(idle.savedInput().selectionStart, 5);
    EXPECT_EQ(idle.savedInput().selectionLength, 3);

    // Hiding stops the refresh and brings back what the refresh hid.
    idle.DisplayIdleInfo(false);
    EXPECT_TRUE(view.decorationsVisible) << view.calls.join(u',').toStdString();
    EXPECT_TRUE(view.did("focusInput"));
    time.advance(5000);
    EXPECT_EQ(expansions, 4) << "no refresh after the hide";

    // The show path puts the saved input back once.
    idle.leaveIdle(false);
    EXPECT_TRUE(view.did("restoreInput half typed 5 3"));
    EXPECT_FALSE(idle.savedInput().saved());
    view.calls.clear();
    idle.leaveIdle(false);
    EXPECT_TRUE(view.calls.isEmpty());
}

TEST_F(IdleInfoTest, InputGivenWithTheShowReplacesTheSavedInput) {
    // A second start hands over a text and shows the launcher keeping it:
    // the input saved before is stale from then on.
    idle.DisplayIdleInfo(true);
    view.setInputSelected(s("handed over"));
    idle.leaveIdle(true);
    time.advance(5000);
    EXPECT_EQ(expansions, 1) << "the refresh stopped";
    EXPECT_EQ(view.text, s("handed over"));

    idle.DisplayIdleInfo(true);
    idle.leaveIdle(false);
    EXPECT_EQ(view.text, s("handed over")) << "not the older input";
}

TEST_F(IdleInfoTest, AnEmptyInputWithoutSelectionIsSavedToo) {
    view.text.clear();
    view.selStart = 0;
    view.selLength = 0;
    idle.DisplayIdleInfo(true);
    idle.leaveIdle(false);
    EXPECT_EQ(view.text, QString()) << "the line does not stay as the input";
}

TEST_F(IdleInfoTest, TheFocusLineStaysCurrentWhileItIsSelected) {
    idle.startFocusRefresh();
    EXPECT_EQ(view.text, s("line 1"));
    EXPECT_EQ(view.selLength, 6);
    time.advance(1999);
    EXPECT_EQ(view.text, s("line 1"));
    time.advance(1);
    EXPECT_EQ(view.text, s("line 2"));
    time.advance(4000);
    EXPECT_EQ(view.text, s("line 4"));

    // Typing replaces the selected line: the refresh leaves it alone.
    view.text = s("n");
    view.selStart = 1;
    view.selLength = 0;
    time.advance(10000);
    EXPECT_EQ(view.text, s("n"));
    EXPECT_EQ(time.pending(), 0u);
}

TEST_F(IdleInfoTest, StoppingTheFocusRefresh) {
    idle.startFocusRefresh();
    idle.stopFocusRefresh();
    time.advance(10000);
    EXPECT_EQ(expansions, 1);
}

} // namespace

namespace {

// The launcher's parts go before the event loop's last timers fire.
TEST(IdleInfoLifetime, ARefreshDueAfterTheLineIsGoneDoesNothing) {
    lorvanta::Setup setup;
    VirtualTime time;
    RecordingView view;
    int expansions = 0;
    auto idle = std::make_unique<IdleInfo>(setup, view, time, [&](const QString&) -> QString {
        ++expansions;
        return s("line");
    });
    setup.infoonfocus = true;
    idle->DisplayIdleInfo(true);
    idle->startFocusRefresh();
    const int before = expansions;
    idle.reset();
    time.advance(5000);
    EXPECT_EQ(expansions, before);
}

} // namespace
