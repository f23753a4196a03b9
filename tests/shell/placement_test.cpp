#include "core/settings/setup.h"
#include "shell/showhide/launcherplacer.h"
#include "showhidefakes.h"

#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::RecordingView;

namespace {

// A 1920x1080 primary screen with a 40 pixel panel at the bottom, and a
// 1280x1024 screen to its right with a 30 pixel panel at the top.
const Monitors kTwoScreens = {
    {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)},
    {QRect(1920, 0, 1280, 1024), QRect(1920, 30, 1280, 994)},
};

TEST(Placement, AtTheMouseTheWindowStaysInsideTheWorkArea) {
    struct Case {
        const char* what;
        QRect window;
        std::optional<QPoint> mouse;
        QPoint topLeft;
    };
    const Case cases[] = {
        {"open space", QRect(0, 0, 400, 300), QPoint(100, 100), QPoint(108, 108)},
        {"bottom-right of the primary", QRect(0, 0, 400, 300), QPoint(1900, 1030),
         QPoint(1520, 740)},
        {"bottom-right of the second", QRect(0, 0, 400, 300), QPoint(3190, 1020),
         QPoint(2800, 724)},
        {"under the second's top panel", QRect(0, 0, 400, 300), QPoint(1925, 5), QPoint(1933, 30)},
        {"larger than the screen: top-left wins", QRect(0, 0, 2000, 1200), QPoint(100, 100),
         QPoint(0, 0)},
        {"no mouse position", QRect(50, 60, 400, 300), std::nullopt, QPoint(50, 60)},
    };
    for (const Case& c : cases) {
        const QPoint at = SetPopUpPosition(c.window, c.mouse, kTwoScreens);
        EXPECT_EQ(at, c.topLeft) << c.what;
        if (c.mouse && c.window.width() < 1000) {
            const QRect placed(at, c.window.size());
            EXPECT_TRUE(
                kTwoScreens[monitorAt(kTwoScreens, *c.mouse).value() - 1].workArea.contains(placed))
                << c.what;
        }
    }
}

TEST(Placement, CenterChoosesTheMonitor) {
    struct Case {
        int center;
        std::optional<int> mouseMonitor;
        std::optional<int> previousMonitor;
        int monitor;
    };
    const Case cases[] = {
        {1, {}, {}, kPrimaryScreen},
        {5, {}, {}, kPrimaryScreen},
        {2, 2, 2, kLauncherMonitor},
        {3, 2, {}, 2},
        {3, {}, {}, kLauncherMonitor},
        {4, 1, 2, 2},
        {4, 2, {}, kLauncherMonitor},
        {-1, {}, {}, 1},
        {-2, {}, {}, 2},
        {-3, {}, {}, kLauncherMonitor},
    };
    for (const Case& c : cases) {
        const CenterContext context{2, c.mouseMonitor, c.previousMonitor};
        EXPECT_EQ(CenterMonitor(c.center, context), c.monitor) << c.center;
    }
}

TEST(Placement, CentringOnEachMonitor) {
    struct Case {
        int monitor;
        QRect window;
        std::optional<QPoint> topLeft;
    };
    const Case cases[] = {
        {kPrimaryScreen, QRect(3000, 500, 400, 40), QPoint(760, 520)},
        {2, QRect(0, 0, 400, 40), QPoint(2360, 522)},
        {kLauncherMonitor, QRect(3000, 500, 400, 40), QPoint(2360, 522)},
        {kLauncherMonitor, QRect(100, 100, 400, 40), QPoint(760, 520)},
        {0, QRect(3000, 500, 400, 40), QPoint(760, 520)},
        {-5, QRect(3000, 500, 400, 40), QPoint(760, 520)},
        {3, QRect(0, 0, 400, 40), std::nullopt},
        // Halves round toward zero, also below zero.
        {2, QRect(0, 0, 401, 41), QPoint(2359, 521)},
        {2, QRect(0, 0, 1601, 40), QPoint(1920 - 160, 522)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CenterLauncher(c.monitor, c.window, kTwoScreens), c.topLeft)
            << c.monitor << " " << c.window.x() << "x" << c.window.width();
}

TEST(Placement, ListHeightIsScaledRowsAndTheBorder) {
    EXPECT_EQ(listHeight({20, 10, 1.0, 0}), 202);
    EXPECT_EQ(listHeight({20, 10, 1.5, 2}), 307);
    EXPECT_EQ(listHeight({17, 12, 1.25, 1}), 259); // 206 x 1.25 = 257.5, cut to 257
}

TEST(Placement, FittingAnOversizedWindow) {
    struct Case {
        bool force;
        QRect window;
        std::optional<QSize> size;
    };
    const Case cases[] = {
        {false, QRect(0, 0, 800, 400), std::nullopt},
        {false, QRect(0, 0, 1800, 100), QSize(672, 100)},
        {false, QRect(0, 0, 1000, 1000), QSize(1000, 572)},
        {true, QRect(0, 0, 800, 400), QSize(672, 572)},
        {true, QRect(2000, 0, 800, 400), QSize(448, 542)}, // on the second screen
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitLauncherToScreen(c.force, c.window, kTwoScreens), c.size)
            << c.force << " " << c.window.width() << "x" << c.window.height();
}

TEST(Placement, ResizeRoundsRowsHalfToEvenWithAMinimum) {
    struct Case {
        int width, height, border;
        double scale;
        int newWidth, rows;
    };
    const Case cases[] = {
        {600, 250, 0, 1.0, 600, 12}, // 12.5
        {600, 270, 0, 1.0, 600, 14}, // 13.5
        {600, 261, 0, 1.0, 600, 13}, // 13.05
        {600, 254, 2, 1.0, 600, 12}, // (254 - 4) / 20
        {600, 375, 0, 1.5, 600, 12}, // 375 / 30 = 12.5
        {600, 30, 0, 1.0, 600, 3},   {100, 250, 0, 1.0, 250, 12},
    };
    for (const Case& c : cases) {
        const ResizeResult r = ResizeLauncher(c.width, c.height, {20, 12, c.scale, c.border});
        EXPECT_EQ(r.width, c.newWidth) << c.width << "x" << c.height;
        EXPECT_EQ(r.maxVisible, c.rows) << c.width << "x" << c.height;
    }
}

TEST(Placement, DraggingTheRightEdge) {
    EXPECT_EQ(dragWidth(10), 30);
    EXPECT_EQ(dragWidth(300), 300);
    EXPECT_EQ(dragWidth(300, 20), 280);
    EXPECT_TRUE(onResizeEdge(395, 400));
    EXPECT_FALSE(onResizeEdge(389, 400));
    EXPECT_TRUE(dragHolds(370, 400));
    EXPECT_FALSE(dragHolds(369, 400));
}

struct PlacerTest : ::testing::Test {
    PlacerTest() {
        view.screens = kTwoScreens;
        setup.listrowheight = 20;
        setup.maxvisible = 10;
        setup.autodropdown = false;
    }
    lorvanta::Setup setup;
    RecordingView view;
    LauncherPlacer placer{setup, view};
};

TEST_F(PlacerTest, CenterThreeUsesTheMonitorUnderTheMouseWithTheList) {
    setup.center = 3;
    view.cursor = QPoint(2500, 700);
    view.paneVisible = true;
    view.window = QRect(100, 100, 400, 40);
    placer.CenterLauncher(placer.CenterMonitor());
    // 40 + 202 high: (1024 - 242) / 2 + 30.
    EXPECT_EQ(view.window.topLeft(), QPoint(2360, 421));

    view.cursor.reset();
    view.window = QRect(100, 100, 400, 40);
    placer.CenterLauncher(placer.CenterMonitor());
    EXPECT_EQ(view.window.topLeft(), QPoint(760, 419)) << "no mouse: the launcher's monitor";

    setup.center = 4;
    view.previous = QRect(1900, 100, 600, 400); // mostly on the second screen
    placer.CenterLauncher(placer.CenterMonitor());
    EXPECT_EQ(view.window.topLeft(), QPoint(2360, 421));
}

TEST_F(PlacerTest, ResizeWritesTheSettingsAndLaysTheListOut) {
    placer.ResizeLauncher(120, 250);
    EXPECT_EQ(setup.width, 250);
    EXPECT_EQ(setup.customwidth, 250);
    EXPECT_EQ(setup.maxvisible, 12);
    EXPECT_EQ(view.calls,
              QStringList({QStringLiteral("applyDesign"), QStringLiteral("layoutList 250"),
                           QStringLiteral("redisplayList")}));
}

TEST_F(PlacerTest, F11AndItsVariants) {
    struct Case {
        bool shift, ctrl;
        QRect window;
        QRect after; // the window's frame afterwards
    };
    const Case cases[] = {
        {false, false, QRect(3000, 0, 400, 40), QRect(2360, 522, 400, 40)},
        {true, false, QRect(3000, 0, 400, 40), QRect(760, 520, 400, 40)},
        // Ctrl: only an oversized window is made smaller (the view keeps
        // its size; the settings show the new width).
        {false, true, QRect(0, 0, 400, 40), QRect(760, 520, 400, 40)},
        {true, true, QRect(3000, 0, 400, 40), QRect(2360, 522, 400, 40)},
    };
    for (const Case& c : cases) {
        view.window = c.window;
        setup.width = 140;
        view.calls.clear();
        placer.f11(c.shift, c.ctrl);
        EXPECT_EQ(view.window, c.after) << c.shift << c.ctrl;
        EXPECT_EQ(view.did("applyDesign"), c.ctrl && c.shift) << c.shift << c.ctrl;
    }
    EXPECT_EQ(setup.width, 448) << "forced: 35% of the second screen";
}

TEST_F(PlacerTest, PanicFitsAnOversizedWindowAndCentresIt) {
    view.window = QRect(-500, 0, 3000, 40);
    placer.fitOnScreenPanic();
    EXPECT_EQ(setup.width, 672);
    EXPECT_TRUE(view.did("applyDesign"));
    EXPECT_TRUE(view.calls.last().startsWith(QStringLiteral("move ")));
}

TEST_F(PlacerTest, PopUpAtTheMouse) {
    view.window = QRect(0, 0, 400, 300);
    view.cursor = QPoint(1900, 1030);
    placer.SetPopUpPosition();
    EXPECT_EQ(view.window.topLeft(), QPoint(1520, 740));
    view.cursor.reset();
    view.calls.clear();
    placer.SetPopUpPosition();
    EXPECT_TRUE(view.calls.isEmpty());
}

} // namespace
