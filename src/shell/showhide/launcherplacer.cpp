#include "launcherplacer.h"

#include "core/settings/setup.h"

namespace lorvanta {

void LauncherPlacer::SetPopUpPosition() {
    const QRect window = view_.launcherGeometry();
    const QPoint to = lorvanta::SetPopUpPosition(window, view_.cursorPosition(), view_.monitors());
    if (to != window.topLeft()) view_.moveLauncher(to);
}

int LauncherPlacer::CenterMonitor() const {
    const Monitors monitors = view_.monitors();
    CenterContext context;
    context.monitorCount = int(monitors.size());
    if (const auto mouse = view_.cursorPosition()) {
        // A mouse in a gap between screens counts for the nearest one.
        context.mouseMonitor = monitorAt(monitors, *mouse);
        if (!context.mouseMonitor && !monitors.isEmpty())
            context.mouseMonitor = nearestMonitor(monitors, QRect(*mouse, QSize(1, 1)));
    }
    if (const auto previous = view_.previousWindowGeometry(); previous && !monitors.isEmpty())
        context.previousWindowMonitor = nearestMonitor(monitors, *previous);
    return lorvanta::CenterMonitor(setup_.center, context);
}

ListMetrics LauncherPlacer::listMetrics() const {
    return {setup_.listrowheight, setup_.maxvisible, view_.designScale(), view_.listBorderWidth()};
}

QRect LauncherPlacer::geometryWithList(bool withList) const {
    QRect window = view_.launcherGeometry();
    if (view_.resultPaneVisible() || setup_.autodropdown || withList)
        window.setHeight(window.height() + listHeight(listMetrics()));
    return window;
}

void LauncherPlacer::CenterLauncher(int monitor, bool withList) {
    if (const auto to =
            lorvanta::CenterLauncher(monitor, geometryWithList(withList), view_.monitors()))
        view_.moveLauncher(*to);
}

void LauncherPlacer::FitLauncherToScreen(bool force) {
    if (const auto size =
            lorvanta::FitLauncherToScreen(force, geometryWithList(false), view_.monitors()))
        ResizeLauncher(size->width(), size->height());
}

void LauncherPlacer::setWidth(int width) {
    setup_.width = width;
    setup_.customwidth = width; // the scale design keeps the chosen width here
    view_.applyDesignForResize();
}

void LauncherPlacer::ResizeLauncher(int width, int height) {
    const ResizeResult result = lorvanta::ResizeLauncher(width, height, listMetrics());
    setWidth(result.width);
    view_.layoutListForHeight(height);
    setup_.maxvisible = result.maxVisible;
    view_.redisplayList();
}

void LauncherPlacer::dragRightEdge(int x, int designOffset) {
    setWidth(dragWidth(x, designOffset));
    view_.layoutListForHeight(geometryWithList(false).height());
}

void LauncherPlacer::f11(bool shift, bool ctrl) {
    const F11Action action = f11Action(shift, ctrl);
    if (action.fit) FitLauncherToScreen(action.forceFit);
    CenterLauncher(action.monitor);
}

void LauncherPlacer::fitOnScreenPanic() {
    FitLauncherToScreen(false);
    CenterLauncher(kLauncherMonitor);
}

} // namespace lorvanta
