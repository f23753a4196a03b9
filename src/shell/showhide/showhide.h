#pragma once

// Showing and hiding the launcher: ManageShowHide with its show lock, the
// application's activation events with auto-hide and the 150 ms guard, the
// hotkey-hide rule, the tray icon's presence and the window opacity. The
// decisions live here; the window does the work through ShowHideView, so a
// recording view tests every path without a display.

#include "idleinfo.h"
#include "launcherplacer.h"

#include <QDateTime>
#include <optional>

namespace lorvanta {

class Clock;

// Window opacity: nothing means opaque, otherwise alpha 0..254 of 255.
using Opacity = std::optional<int>;
// The opacity `transactive` (active) or `transinactive` gives.
Opacity blendFor(const Setup& setup, bool active);

// What the launcher's window side does for showing and hiding. Steps that
// need a part not built yet (notes window, settings dialog, browser) may be
// implemented as doing nothing, and queries about them answer false.
class ShowHideView : public PlacementView, public IdleInfoView {
public:
    // Where the focus was when the application lost it.
    enum class FocusedPart { Elsewhere, PaneEditor, PaneBrowserPage };

    // The window and its surroundings.
    virtual bool mainWindowVisible() const = 0;
    virtual bool mainWindowIsForeground() const = 0;
    virtual bool settingsDialogOpen() const = 0;
    virtual bool settingsDialogIsForeground() const = 0;
    // A separate browser window or the notes window is the active form.
    virtual bool browserOrNotesWindowActive() const = 0;
    virtual bool listShownBefore() const = 0;
    virtual bool customElementShown() const = 0;
    // The result pane itself is being activated.
    virtual bool paneBeingActivated() const = 0;
    virtual FocusedPart focusedPart() const = 0;

    // Hiding.
    virtual void closeInputAssist() = 0;
    // Empties the input: nothing selected, no drop-down.
    virtual void clearInput() = 0;
    // Hides the taskbar entry, the main window and the result pane.
    virtual void hideLauncher() = 0;
    // A visible notes window with its stay-on-top box checked goes topmost.
    virtual void keepNotesWindowOnTop() = 0;
    virtual void showTrayIcon() = 0;
    virtual void removeTrayIcon() = 0;

    // Showing.
    virtual void rememberPreviousWindow() = 0;
    // `stayontop`: the main window and an open settings dialog go topmost.
    virtual void makeLauncherTopmost() = 0;
    // What ShowStartPage(false, false, false) answers: a start page would show.
    virtual bool startPageWouldShow() const = 0;
    // Shows the main window after letting pending events run.
    virtual void showMainWindow() = 0;
    virtual void showResultPane() = 0;
    // Raises the main window and gives it the keyboard focus.
    virtual void activateMainWindow() = 0;
    virtual bool inputBeginsWithCalcChar() const = 0;
    // Empties the input and the search (ResetCurrentSearch).
    virtual void resetSearch() = 0;
    // ShowStartPage(false, true, false).
    virtual void showStartPage() = 0;
    virtual void showListControl() = 0;
    // Gives the focus back to the pane's editor when it is shown and on top.
    virtual void focusPaneEditor() = 0;
    // Gives the focus back to the page when it is visible in front.
    virtual void focusBrowserPage() = 0;
    // Brings open dialogs and message boxes in front of the launcher.
    virtual void keepDialogsInFront(bool stayOnTop) = 0;
    // Sets the skin icon when the input's own icon is not shown.
    virtual void restoreSkinIcon() = 0;

    // Activation.
    virtual void setOpacity(Opacity window, std::optional<Opacity> pane) = 0;
    virtual void restoreInputColours() = 0;
    virtual void hideTaskbarWindow() = 0;
    virtual void clearListSelection() = 0;
    virtual void hideResultPane() = 0;
    virtual void repaintAsOneWindow() = 0;
    virtual void closeCustomHint() = 0;
    virtual void rejoinClipboardViewer() = 0;
    virtual void refreshIndexOnFocus() = 0;
};

class ShowHide {
public:
    // The lock times callers use.
    static constexpr int kLockMs = 230;
    static constexpr int kMessageLockMs = 70;

    // The show state.
    static constexpr int kShown = 0;
    static constexpr int kHidden = 1;
    static constexpr int kUnlocked = -1;

    // Where the focus goes when the launcher shows again.
    enum class PendingFocus { Input = 0, Editor = 1, BrowserPage = 2 };

    ShowHide(Setup& setup, ShowHideView& view, const Clock& clock, IdleInfo& idle);

    void ManageShowHide(bool show, bool forceKeepInput = false, int locktim = kLockMs);
    // The hotkey-hide rule; true when it hid the launcher.
    bool CheckAutoHideLogic();
    void AppActivate();
    void AppDeactivate();
    void FormActivate();
    void SetBlend(bool active);
    // "Hide (Shift+Esc)".
    void hideByMenu() { ManageShowHide(false, false, kLockMs); }

    // The tray icon: added when missing; removed when present and forced
    // or not kept by `alwaystrayicon`.
    void AddIcon();
    void RemoveIcon(bool useforce);
    bool trayIconPresent() const { return trayIconPresent_; }

    // Start-up and shut-down.
    void setStarted(bool started) { started_ = started; }
    void setClosing(bool closing) { closing_ = closing; }
    // A start with "-s": hidden as after a hide (the tray icon, the
    // information line) but without the hide's time, whose guard would
    // swallow a hotkey pressed at once; the first activation does not show.
    void startHidden();
    bool skipsFirstActivation() const { return skipFirstActivation_; }

    int showState() const { return state_; }
    // The last executed show or hide; the hotkeys' guard reads it.
    QDateTime lastShowHide() const { return lastShowHide_; }
    // Whether ManageShowHide(true, ..., locktim) would show now (not closing,
    // not a repeated show within the lock).
    bool showWouldRun(int locktim) const {
        return !closing_ && (state_ != kShown || msSince(lastShowHide_) > locktim);
    }
    // Milliseconds since then; the largest number before the first.
    qint64 msSinceShowHide() const { return msSince(lastShowHide_); }
    PendingFocus pendingFocus() const { return pendingFocus_; }
    LauncherPlacer& placer() { return placer_; }

private:
    void hide();
    void show(bool forceKeepInput);
    void placeForShow(bool forceKeepInput);
    void fillInputOnShow(bool forceKeepInput);
    void restorePendingFocus(bool forceKeepInput);
    qint64 msSince(const QDateTime& t) const;

    Setup& setup_;
    ShowHideView& view_;
    const Clock& clock_;
    IdleInfo& idle_;
    LauncherPlacer placer_;
    int state_ = kUnlocked;
    QDateTime lastShowHide_;
    QDateTime lastDeactivation_;
    PendingFocus pendingFocus_ = PendingFocus::Input;
    bool trayIconPresent_ = false;
    bool started_ = false;
    bool closing_ = false;
    bool skipFirstActivation_ = false;
};

} // namespace lorvanta
