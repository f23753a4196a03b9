// The launcher window's side of showing and hiding, placement and the
// information line: what LauncherShell does when the logic asks.

#include "core/corestate.h"
#include "launchershell.h"
#include "launcherwindow.h"
#include "pane/resultpane.h"
#include "platform/platform.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace lorvanta {

bool LauncherShell::mainWindowVisible() const {
    return window_.isVisible();
}

bool LauncherShell::mainWindowIsForeground() const {
    return window_.isActiveWindow();
}

bool LauncherShell::customElementShown() const {
    return window_.customElementShown();
}

bool LauncherShell::paneBeingActivated() const {
    return window_.pane().isActiveWindow();
}

ShowHideView::FocusedPart LauncherShell::focusedPart() const {
    if (window_.pane().isActiveWindow() && window_.pane().editShown())
        return FocusedPart::PaneEditor;
    return FocusedPart::Elsewhere;
}

void LauncherShell::clearInput() {
    window_.controller().SetNewWord(QString(), false, true);
}

void LauncherShell::hideLauncher() {
    window_.pane().hide();
    window_.hide();
}

void LauncherShell::showTrayIcon() {
    tray_.setVisible(true);
}

void LauncherShell::removeTrayIcon() {
    tray_.setVisible(false);
}

void LauncherShell::rememberPreviousWindow() {
    window_.previousWindow().remember();
}

void LauncherShell::makeLauncherTopmost() {
    window_.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

void LauncherShell::showMainWindow() {
    window_.show();
}

// The list as it stands: nothing is searched or completed again.
void LauncherShell::showResultPane() {
    window_.showList(InputView::ListFocus::Keep);
}

void LauncherShell::activateMainWindow() {
    window_.raise();
    window_.activateWindow();
    // Asked as the key press that summoned it, so that focus-stealing
    // prevention lets the launcher have the focus.
    platform_.focus.present(window_.winId(), presentTimestamp_);
    window_.input().setFocus();
}

bool LauncherShell::inputBeginsWithCalcChar() const {
    const QString calc =
        core_.setup.calcchar.isEmpty() ? QStringLiteral("#") : core_.setup.calcchar;
    return window_.input().text().startsWith(calc);
}

void LauncherShell::resetSearch() {
    window_.controller().ResetCurrentSearch(true);
}

void LauncherShell::showListControl() {
    window_.showList(InputView::ListFocus::Keep);
}

void LauncherShell::focusPaneEditor() {
    if (!window_.pane().editShown()) return;
    window_.pane().activateWindow();
}

void LauncherShell::setOpacity(Opacity window, std::optional<Opacity> pane) {
    const auto level = [](Opacity o) { return o ? *o / 255.0 : 1.0; };
    window_.setWindowOpacity(level(window));
    if (pane) window_.pane().setWindowOpacity(level(*pane));
}

void LauncherShell::restoreInputColours() {
    window_.setFailColour(false);
}

void LauncherShell::clearListSelection() {
    window_.pane().list().setCurrentRow(-1);
}

void LauncherShell::hideResultPane() {
    window_.hideListPane();
}

// ------------------------------------------------------------ PlacementView

Monitors LauncherShell::monitors() const {
    Monitors list;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) list.append({primary->geometry(), primary->availableGeometry()});
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary) list.append({screen->geometry(), screen->availableGeometry()});
    return list;
}

std::optional<QPoint> LauncherShell::cursorPosition() const {
    // Off the X server (offscreen, or a Wayland compositor) the pointer is unknown.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return std::nullopt;
    return QCursor::pos();
}

QRect LauncherShell::launcherGeometry() const {
    return window_.frameGeometry();
}

std::optional<QRect> LauncherShell::previousWindowGeometry() const {
    const platform::WindowHandle previous = window_.previousWindow().handle();
    if (previous == 0) return std::nullopt;
    return platform_.focus.geometry(previous);
}

bool LauncherShell::resultPaneVisible() const {
    return window_.pane().isVisible();
}

void LauncherShell::moveLauncher(QPoint topLeft) {
    window_.move(topLeft);
}

void LauncherShell::applyDesignForResize() {
    window_.applyWidth();
}

void LauncherShell::layoutListForHeight(int) {
    if (window_.pane().isVisible()) window_.showList(InputView::ListFocus::Keep);
}

void LauncherShell::redisplayList() {
    if (window_.pane().isVisible()) window_.showList(InputView::ListFocus::Keep);
}

// ------------------------------------------------------------ IdleInfoView

QString LauncherShell::inputText() const {
    return window_.input().text();
}

int LauncherShell::selectionStart() const {
    const WordEdit& edit = window_.input();
    return edit.hasSelectedText() ? edit.selectionStart() : edit.cursorPosition();
}

int LauncherShell::selectionLength() const {
    return int(window_.input().selectedText().size());
}

void LauncherShell::setInputQuietly(const QString& text) {
    window_.setInputQuietly(text);
}

void LauncherShell::restoreInput(const QString& text, int selectionStart, int selectionLength) {
    window_.setInputQuietly(text);
    if (selectionLength > 0)
        window_.input().setSelection(selectionStart, selectionLength);
    else
        window_.input().setCursorPosition(selectionStart);
}

void LauncherShell::setInputSelected(const QString& text) {
    window_.controller().SetNewWord(text, true, true);
}

void LauncherShell::focusInput() {
    window_.input().setFocus();
}

} // namespace lorvanta
