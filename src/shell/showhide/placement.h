#pragma once

// Where the launcher window goes and how large it is, as pure functions on
// screen geometry: at the mouse, centred on a chosen monitor, fitted to an
// oversized screen, resized to a width and a height. Nothing here moves a
// window; LauncherPlacer (launcherplacer.h) applies the answers.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace lorvanta {

// One screen: its whole area and the part panels and docks leave free.
struct Monitor {
    QRect geometry;
    QRect workArea;
};
// Every screen, the primary one first. Monitor numbers in this module count
// from 1 in this order.
using Monitors = QList<Monitor>;

// Monitor choices of CenterLauncher besides a number from 1.
inline constexpr int kPrimaryScreen = -2;
inline constexpr int kLauncherMonitor = -1;

// The window's new top-left corner for showing it at the mouse: the mouse
// plus (8, 8), pushed back inside the work area of the mouse's monitor
// (right and bottom edges first, so the left and top edges win on a screen
// smaller than the window). Without a mouse position the window stays.
QPoint SetPopUpPosition(const QRect& window, std::optional<QPoint> mouse, const Monitors& monitors);

// What CenterMonitor needs to know besides the `center` setting.
struct CenterContext {
    int monitorCount = 1;
    // The monitor the mouse is on (1-based); nothing when unknown.
    std::optional<int> mouseMonitor;
    // The monitor of the window in front before the launcher came up;
    // nothing when there is none or it is one of our own windows.
    std::optional<int> previousWindowMonitor;
};

// The monitor that `center` chooses: 1 and above 4 the primary screen (-2);
// 2 the launcher's monitor (-1); 3 the monitor under the mouse; 4 the
// previous window's monitor; -n monitor n. -1 when the choice cannot be made.
int CenterMonitor(int center, const CenterContext& context);

// The monitor, 1-based, that holds `point`; nothing when none does.
std::optional<int> monitorAt(const Monitors& monitors, QPoint point);
// The monitor, 1-based, that `rect` overlaps most, or the nearest one.
int nearestMonitor(const Monitors& monitors, const QRect& rect);

// The list part of the launcher's height: the visible rows and their frame.
struct ListMetrics {
    int rowHeight = 17; // unscaled `listrowheight`
    int maxVisible = 12;
    double scale = 1.0;
    int border = 0; // list border width, already scaled
};
int listHeight(const ListMetrics& list);

// The top-left corner that centres `window` (whose height already includes
// the list when it counts) on `monitor`: kPrimaryScreen, kLauncherMonitor or
// a number from 1 (below 1 means the first). Nothing for a number above the
// monitor count.
std::optional<QPoint> CenterLauncher(int monitor, const QRect& window, const Monitors& monitors);

// A new size for a window (height including the list) that is too large for
// its monitor, or for any window when `force`: 35% of the monitor's width,
// 53% of its height. Nothing when neither needs changing; otherwise the side
// that stays keeps its current value.
std::optional<QSize> FitLauncherToScreen(bool force, const QRect& window, const Monitors& monitors);

// What ResizeLauncher leaves in the settings.
struct ResizeResult {
    int width = 0;      // `width` (and `customwidth`)
    int maxVisible = 0; // `maxvisible`
};
ResizeResult ResizeLauncher(int width, int height, const ListMetrics& list);

// The width that dragging the right edge to `x` (window coordinates) gives.
int dragWidth(int x, int designOffset = 0);
// Whether `x` is close enough to the right edge to start a drag (the sizing
// cursor shows there), and whether a running drag still holds at `x`.
bool onResizeEdge(int x, int windowWidth);
bool dragHolds(int x, int windowWidth);

// F11 and its variants: which placement a key runs.
//   F11             CenterLauncher(kLauncherMonitor)
//   Shift+F11       CenterLauncher(kPrimaryScreen)
//   Ctrl+F11        FitLauncherToScreen(false), then CenterLauncher(kLauncherMonitor)
//   Ctrl+Shift+F11  FitLauncherToScreen(true), then CenterLauncher(kLauncherMonitor)
struct F11Action {
    bool fit = false;
    bool forceFit = false;
    int monitor = kLauncherMonitor;
};
F11Action f11Action(bool shift, bool ctrl);

} // namespace lorvanta
