#pragma once

// Applies the placement rules of placement.h to the launcher window: reads
// the screens, the mouse and the window through a PlacementView and moves or
// resizes the window through it, keeping `width`, `customwidth` and
// `maxvisible` in the settings up to date.

#include "placement.h"

namespace lorvanta {

struct Setup;

// What the launcher window offers for placing it. The window implements it.
class PlacementView {
public:
    virtual ~PlacementView() = default;
    virtual Monitors monitors() const = 0;
    // Nothing when the mouse position cannot be read.
    virtual std::optional<QPoint> cursorPosition() const = 0;
    // The main window's frame (without the result pane).
    virtual QRect launcherGeometry() const = 0;
    // The frame of the window that was in front before the launcher came
    // up; nothing when there is none or it is one of our own windows.
    virtual std::optional<QRect> previousWindowGeometry() const = 0;
    virtual bool resultPaneVisible() const = 0;
    // The design's scale factor and the list's border width (scaled).
    virtual double designScale() const = 0;
    virtual int listBorderWidth() const = 0;
    virtual void moveLauncher(QPoint topLeft) = 0;
    // Applies the design after a size change (sender "resize").
    virtual void applyDesignForResize() = 0;
    // Lays the list out for a window of height `height` (sender "resize").
    virtual void layoutListForHeight(int height) = 0;
    // Shows the list again with the current `maxvisible`.
    virtual void redisplayList() = 0;
};

class LauncherPlacer {
public:
    LauncherPlacer(Setup& setup, PlacementView& view) : setup_(setup), view_(view) {}

    // Before a show with `popatcursor`: the window goes to the mouse.
    void SetPopUpPosition();
    // The monitor the `center` setting chooses now.
    int CenterMonitor() const;
    // Centres the launcher on `monitor`, counting the list's height when
    // the pane is visible, `autodropdown` is on or `withList`.
    void CenterLauncher(int monitor, bool withList = false);
    void FitLauncherToScreen(bool force);
    void ResizeLauncher(int width, int height);
    // Dragging the right edge to `x` (window coordinates).
    void dragRightEdge(int x, int designOffset = 0);
    // F11 with its modifiers.
    void f11(bool shift, bool ctrl);
    // "Fit on screen if oversized (panic)".
    void fitOnScreenPanic();

private:
    ListMetrics listMetrics() const;
    QRect geometryWithList(bool withList) const;
    void setWidth(int width);

    Setup& setup_;
    PlacementView& view_;
};

} // namespace lorvanta
