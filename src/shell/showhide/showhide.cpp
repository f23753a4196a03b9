#include "showhide.h"

#include "core/settings/setup.h"
#include "core/util/seams.h"

#include <limits>

namespace lorvanta {

namespace {
constexpr int kDeactivationGuardMs = 150;
}

Opacity blendFor(const Setup& setup, bool active) {
    const int v = active ? setup.transactive : setup.transinactive;
    if (v > 254) return std::nullopt;
    return std::max(0, v);
}

ShowHide::ShowHide(Setup& setup, ShowHideView& view, const Clock& clock, IdleInfo& idle)
    : setup_(setup), view_(view), clock_(clock), idle_(idle), placer_(setup, view) {}

qint64 ShowHide::msSince(const QDateTime& t) const {
    return t.isValid() ? t.msecsTo(clock_.now()) : std::numeric_limits<qint64>::max();
}

void ShowHide::ManageShowHide(bool show, bool forceKeepInput, int locktim) {
    if (closing_) return;
    if (msSince(lastShowHide_) > locktim) state_ = kUnlocked;
    if (!show)
        hide();
    else if (state_ != kShown)
        this->show(forceKeepInput);
}

void ShowHide::hide() {
    lastShowHide_ = clock_.now();
    state_ = kHidden;
    view_.closeInputAssist();
    if (setup_.infoonfocus && !setup_.holdtext) view_.clearInput();
    view_.hideLauncher();
    if (setup_.infoenabled) idle_.DisplayIdleInfo(true);
    if (setup_.trayicon || setup_.alwaystrayicon) AddIcon();
    view_.keepNotesWindowOnTop();
}

void ShowHide::show(bool forceKeepInput) {
    lastShowHide_ = clock_.now();
    state_ = kShown;
    view_.rememberPreviousWindow();
    RemoveIcon(false);
    if (setup_.stayontop) view_.makeLauncherTopmost();
    view_.keepNotesWindowOnTop();
    if (setup_.infoenabled) idle_.leaveIdle(forceKeepInput);
    placeForShow(forceKeepInput);
    view_.showMainWindow();
    if (view_.listShownBefore() && setup_.autodropdown && !setup_.listbehaveslikedropdown)
        view_.showResultPane();
    view_.activateMainWindow();
    if (setup_.infoenabled) idle_.DisplayIdleInfo(false);
    fillInputOnShow(forceKeepInput);
    if (!forceKeepInput) view_.showStartPage();
    if (setup_.startautoshow) view_.showListControl();
    restorePendingFocus(forceKeepInput);
    view_.keepDialogsInFront(setup_.stayontop);
    view_.restoreSkinIcon();
}

void ShowHide::placeForShow(bool forceKeepInput) {
    if (setup_.center == 0) return;
    const bool withList = !setup_.autodropdown && !forceKeepInput && view_.startPageWouldShow();
    placer_.CenterLauncher(placer_.CenterMonitor(), withList);
}

void ShowHide::fillInputOnShow(bool forceKeepInput) {
    if (setup_.infoonfocus && !forceKeepInput && !setup_.holdtext) idle_.startFocusRefresh();
    if (setup_.clearlast && !setup_.infoonfocus && !forceKeepInput && !setup_.holdtext &&
        !view_.inputBeginsWithCalcChar())
        view_.resetSearch();
}

void ShowHide::restorePendingFocus(bool forceKeepInput) {
    if (forceKeepInput || !view_.resultPaneVisible()) return;
    if (pendingFocus_ == PendingFocus::Editor) view_.focusPaneEditor();
    if (pendingFocus_ == PendingFocus::BrowserPage && setup_.browserfocus) view_.focusBrowserPage();
    pendingFocus_ = PendingFocus::Input;
}

void ShowHide::startHidden() {
    skipFirstActivation_ = true;
    state_ = kHidden;
    if (setup_.infoenabled) idle_.DisplayIdleInfo(true);
    if (setup_.trayicon || setup_.alwaystrayicon) AddIcon();
}

bool ShowHide::CheckAutoHideLogic() {
    if (!setup_.hotkeyhide || !view_.mainWindowVisible()) return false;
    if (!setup_.hide && !view_.mainWindowIsForeground()) return false;
    if (view_.settingsDialogOpen() && !view_.settingsDialogIsForeground()) return false;
    ManageShowHide(false, false, kLockMs);
    return true;
}

void ShowHide::AppActivate() {
    if (closing_ || !started_ || view_.browserOrNotesWindowActive()) return;
    if (skipFirstActivation_) {
        skipFirstActivation_ = false;
        return;
    }
    SetBlend(true);
    ManageShowHide(true, false, kLockMs);
    view_.rejoinClipboardViewer();
    if (const int mode = resolvedAutoIndex(setup_); mode == 2 || mode == 3)
        view_.refreshIndexOnFocus();
}

void ShowHide::AppDeactivate() {
    if (closing_ || !started_ || view_.settingsDialogOpen()) return;
    pendingFocus_ = PendingFocus::Input;
    if (msSince(lastDeactivation_) <= kDeactivationGuardMs) return;
    lastDeactivation_ = clock_.now();
    SetBlend(false);
    switch (view_.focusedPart()) {
    case ShowHideView::FocusedPart::PaneEditor:
        if ((!setup_.clearlast && !setup_.infoonfocus) || setup_.holdtext)
            pendingFocus_ = PendingFocus::Editor;
        break;
    case ShowHideView::FocusedPart::PaneBrowserPage:
        pendingFocus_ = PendingFocus::BrowserPage;
        break;
    case ShowHideView::FocusedPart::Elsewhere:
        break;
    }
    // A launcher that is already hidden (Escape, the hotkey) is not hidden
    // again: the desktop reports the loss of focus a moment later, and a
    // second hide would restart the guard that swallows the next hotkey.
    if (setup_.hide && view_.mainWindowVisible()) ManageShowHide(false, false, kLockMs);
    if ((setup_.autodropdown && setup_.listbehaveslikedropdown) ||
        (!setup_.hide && !setup_.autodropdown)) {
        if (!view_.customElementShown()) view_.hideResultPane();
    }
    if (setup_.infoenabled) idle_.DisplayIdleInfo(true);
    view_.closeCustomHint();
}

void ShowHide::FormActivate() {
    view_.restoreInputColours();
    view_.hideTaskbarWindow();
    SetBlend(true);
    view_.clearListSelection();
    if (!setup_.autodropdown && !view_.customElementShown() && !view_.paneBeingActivated())
        view_.hideResultPane();
    if (setup_.onewindow) view_.repaintAsOneWindow();
}

void ShowHide::SetBlend(bool active) {
    const Opacity window = blendFor(setup_, active);
    view_.setOpacity(window, setup_.listinherittransparency ? std::optional<Opacity>(window)
                                                            : std::nullopt);
}

void ShowHide::AddIcon() {
    if (trayIconPresent_) return;
    trayIconPresent_ = true;
    view_.showTrayIcon();
}

void ShowHide::RemoveIcon(bool useforce) {
    if (!trayIconPresent_ || (!useforce && setup_.alwaystrayicon)) return;
    trayIconPresent_ = false;
    view_.removeTrayIcon();
}

} // namespace lorvanta
