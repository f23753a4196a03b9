#include "placement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lorvanta {

namespace {

qint64 area(const QRect& r) {
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

// Squared distance from `p` to the nearest point of `r`.
qint64 distanceSquared(const QRect& r, QPoint p) {
    const qint64 dx = p.x() < r.left() ? r.left() - p.x() : std::max(0, p.x() - r.right());
    const qint64 dy = p.y() < r.top() ? r.top() - p.y() : std::max(0, p.y() - r.bottom());
    return dx * dx + dy * dy;
}

int nearestTo(const Monitors& monitors, QPoint p) {
    int best = 1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int i = 0; i < monitors.size(); ++i) {
        const qint64 d = distanceSquared(monitors[i].geometry, p);
        if (d < bestDistance) {
            bestDistance = d;
            best = i + 1;
        }
    }
    return best;
}

// Halves to even, whatever the floating-point rounding mode is.
int roundHalfEven(double v) {
    const double down = std::floor(v);
    const double fraction = v - down;
    if (fraction > 0.5) return int(down) + 1;
    if (fraction < 0.5) return int(down);
    return std::fmod(down, 2.0) == 0.0 ? int(down) : int(down) + 1;
}

} // namespace

std::optional<int> monitorAt(const Monitors& monitors, QPoint point) {
    for (int i = 0; i < monitors.size(); ++i)
        if (monitors[i].geometry.contains(point)) return i + 1;
    return std::nullopt;
}

int nearestMonitor(const Monitors& monitors, const QRect& rect) {
    int best = 0;
    qint64 bestArea = 0;
    for (int i = 0; i < monitors.size(); ++i) {
        const qint64 a = area(monitors[i].geometry.intersected(rect));
        if (a > bestArea) {
            bestArea = a;
            best = i + 1;
        }
    }
    return best > 0 ? best : nearestTo(monitors, rect.center());
}

QPoint SetPopUpPosition(const QRect& window, std::optional<QPoint> mouse,
                        const Monitors& monitors) {
    if (!mouse || monitors.isEmpty()) return window.topLeft();
    const QRect work =
        monitors[monitorAt(monitors, *mouse).value_or(nearestTo(monitors, *mouse)) - 1].workArea;
    int left = mouse->x() + 8;
    int top = mouse->y() + 8;
    // Right and bottom first: on a work area smaller than the window the
    // top-left corner stays visible.
    left = std::min(left, work.x() + work.width() - window.width());
    top = std::min(top, work.y() + work.height() - window.height());
    left = std::max(left, work.x());
    top = std::max(top, work.y());
    return {left, top};
}

int CenterMonitor(int center, const CenterContext& context) {
    if (center < 0) return -center <= context.monitorCount ? -center : kLauncherMonitor;
    switch (center) {
    case 2:
        return kLauncherMonitor;
    case 3:
        return context.mouseMonitor.value_or(kLauncherMonitor);
    case 4:
        return context.previousWindowMonitor.value_or(kLauncherMonitor);
    default: // 1 and above 4; 0 does not centre and never asks
        return kPrimaryScreen;
    }
}

int listHeight(const ListMetrics& list) {
    const int rows = int((list.rowHeight * list.maxVisible + 2) * list.scale);
    return rows + 2 * list.border;
}

std::optional<QPoint> CenterLauncher(int monitor, const QRect& window, const Monitors& monitors) {
    if (monitors.isEmpty()) return std::nullopt;
    if (monitor == kPrimaryScreen) {
        const QRect screen = monitors.first().geometry;
        return QPoint(screen.x() + (screen.width() - window.width()) / 2,
                      screen.y() + (screen.height() - window.height()) / 2);
    }
    if (monitor > monitors.size()) return std::nullopt;
    const int index =
        monitor == kLauncherMonitor ? nearestMonitor(monitors, window) : std::max(1, monitor);
    const Monitor& m = monitors[index - 1];
    // The whole monitor's size, offset by the work area: a panel at the top
    // or left pushes the window by its own size, as on the original desktop.
    return QPoint((m.geometry.width() - window.width()) / 2 + m.workArea.x(),
                  (m.geometry.height() - window.height()) / 2 + m.workArea.y());
}

std::optional<QSize> FitLauncherToScreen(bool force, const QRect& window,
                                         const Monitors& monitors) {
    if (monitors.isEmpty()) return std::nullopt;
    const QRect screen = monitors[nearestMonitor(monitors, window) - 1].geometry;
    int width = 0;
    int height = 0;
    if (force || window.width() > 0.9 * screen.width()) width = int(0.35 * screen.width());
    if (force || window.height() > 0.9 * screen.height()) height = int(0.53 * screen.height());
    if (width == 0 && height == 0) return std::nullopt;
    return QSize(width ? width : window.width(), height ? height : window.height());
}

ResizeResult ResizeLauncher(int width, int height, const ListMetrics& list) {
    const double row = list.rowHeight * list.scale;
    const int rows = row > 0 ? roundHalfEven((height - 2 * list.border) / row) : 3;
    return {std::max(250, width), std::max(3, rows)};
}

int dragWidth(int x, int designOffset) {
    return std::max(30, x - designOffset);
}

bool onResizeEdge(int x, int windowWidth) {
    return x >= windowWidth - 10;
}

bool dragHolds(int x, int windowWidth) {
    return x >= windowWidth - 30;
}

F11Action f11Action(bool shift, bool ctrl) {
    if (ctrl) return {true, shift, kLauncherMonitor};
    return {false, false, shift ? kPrimaryScreen : kLauncherMonitor};
}

} // namespace lorvanta
