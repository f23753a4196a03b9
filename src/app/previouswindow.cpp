#include "previouswindow.h"

#include <QApplication>
#include <QWidget>

namespace lorvanta {

namespace {

bool ownWindow(platform::WindowHandle window) {
    const QWidgetList widgets = QApplication::topLevelWidgets();
    // Windows not created yet have no id; asking winId() would create them.
    return std::any_of(widgets.begin(), widgets.end(), [window](const QWidget* w) {
        return platform::WindowHandle(w->internalWinId()) == window;
    });
}

} // namespace

void PreviousWindow::remember() {
    const platform::WindowHandle window = focus_.activeWindow();
    if (window != 0 && !ownWindow(window)) window_ = window;
}

void PreviousWindow::activate() {
    if (window_ != 0 && !focus_.activate(window_)) window_ = 0;
}

} // namespace lorvanta
