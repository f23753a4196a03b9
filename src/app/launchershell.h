#pragma once

#include "shell/hotkeys/hotkeyhandler.h"
#include "shell/hotkeys/hotkeymanager.h"
#include "shell/hotkeys/winkeyhook.h"
#include "shell/showhide/idleinfo.h"
#include "shell/showhide/incognito.h"
#include "shell/showhide/showhide.h"
#include "trayicon.h"

#include <QObject>

namespace lorvanta {

struct CoreState;
class DataFolder;
class LauncherWindow;
class Scheduler;
class Clock;
namespace platform {
struct Platform;
}

// Everything around the launcher window that brings it up and puts it away:
// showing and hiding with auto-hide, placement and opacity, the information
// line, the tray icon, incognito mode, the main and keyword hotkeys and the
// Super-key gestures. The logic lives in shell/; this class is the window's
// side of it and wires the desktop's events to it.
class LauncherShell final : public QObject,
                            public ShowHideView,
                            public IncognitoView,
                            public HotkeyHost {
    Q_OBJECT
public:
    LauncherShell(CoreState& core, const DataFolder& folder, platform::Platform& platform,
                  LauncherWindow& window, Scheduler& scheduler, const Clock& clock);
    ~LauncherShell() override;

    // The start-up steps: the main hotkey (its refusal reported), the keyword
    // hotkeys, the Super-key gestures (not in safe mode), the tray icon, the
    // incognito clean-up; `silent` is a start with "-s" that stays hidden.
    void start(bool silent, bool safeMode);
    // The orderly end: hotkeys and gestures are given back, the icon goes.
    void stop();

    ShowHide& showHide() { return showHide_; }
    Incognito& incognito() { return incognito_; }
    TmyHotKeyManager& hotkeys() { return manager_; }
    HotkeyHandler& hotkeyHandler() { return handler_; }
    WinKeyHook& winKeyHook() { return winKeyHook_; }
    TrayIcon& tray() { return tray_; }

    // The messages of second starts and other programs.
    void openMessage();    // "bring forward"
    void hotOpenMessage(); // the gestures' show
    void hideMessage();    // hide under the hotkey-hide rule
    // "-toggle": hides a launcher that is shown and active, shows it otherwise.
    void toggle();

    // ShowHideView
    bool mainWindowVisible() const override;
    bool mainWindowIsForeground() const override;
    bool settingsDialogOpen() const override { return false; }
    bool settingsDialogIsForeground() const override { return false; }
    bool browserOrNotesWindowActive() const override { return false; }
    bool listShownBefore() const override { return listShownBefore_; }
    bool customElementShown() const override;
    bool paneBeingActivated() const override;
    FocusedPart focusedPart() const override;
    void closeInputAssist() override {}
    void clearInput() override;
    void hideLauncher() override;
    void keepNotesWindowOnTop() override {}
    void showTrayIcon() override;
    void removeTrayIcon() override;
    void rememberPreviousWindow() override;
    void makeLauncherTopmost() override;
    bool startPageWouldShow() const override { return false; }
    void showMainWindow() override;
    void showResultPane() override;
    void activateMainWindow() override;
    bool inputBeginsWithCalcChar() const override;
    void resetSearch() override;
    void showStartPage() override {}
    void showListControl() override;
    void focusPaneEditor() override;
    void focusBrowserPage() override {}
    void keepDialogsInFront(bool) override {}
    void restoreSkinIcon() override {}
    void setOpacity(Opacity window, std::optional<Opacity> pane) override;
    void restoreInputColours() override;
    void hideTaskbarWindow() override {}
    void clearListSelection() override;
    void hideResultPane() override;
    void repaintAsOneWindow() override {}
    void closeCustomHint() override {}
    void rejoinClipboardViewer() override {}
    void refreshIndexOnFocus() override {
        if (onFocus_) onFocus_();
    }
    // What the launcher's activation refreshes (the index).
    void setFocusHook(std::function<void()> hook) { onFocus_ = std::move(hook); }
    // PlacementView
    Monitors monitors() const override;
    std::optional<QPoint> cursorPosition() const override;
    QRect launcherGeometry() const override;
    std::optional<QRect> previousWindowGeometry() const override;
    bool resultPaneVisible() const override;
    double designScale() const override { return 1.0; }
    int listBorderWidth() const override { return 1; }
    void moveLauncher(QPoint topLeft) override;
    void applyDesignForResize() override;
    void layoutListForHeight(int height) override;
    void redisplayList() override;
    // IdleInfoView
    QString inputText() const override;
    int selectionStart() const override;
    int selectionLength() const override;
    void setInputQuietly(const QString& text) override;
    void restoreInput(const QString& text, int selectionStart, int selectionLength) override;
    void setInputSelected(const QString& text) override;
    void hideDecorations() override {}
    void restoreDecorations() override {}
    void focusInput() override;
    // IncognitoView
    void showToast(const QString& text) override;
    void updateStateLetters() override {}
    void reapplyInput() override;
    void endIncognitoBrowser() override {}
    // HotkeyHost
    qint64 msSinceShowHide() const override;
    bool CheckAutoHideLogic() override { return showHide_.CheckAutoHideLogic(); }
    void placeAtMouse() override { showHide_.placer().SetPopUpPosition(); }
    void showWindow(int locktim, quint32 timestamp) override;
    void skipNextKeyRelease() override;
    void putName(const QString& name) override;
    void dismissCustomElements() override;
    void toast(const QString& text) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applicationStateChanged(Qt::ApplicationState state);
    void showFromTray();

    CoreState& core_;
    platform::Platform& platform_;
    LauncherWindow& window_;
    IdleInfo idle_;
    ShowHide showHide_;
    Incognito incognito_;
    TrayIcon tray_;
    TmyHotKeyManager manager_;
    HotkeyHandler handler_;
    WinKeyHook winKeyHook_;
    bool listShownBefore_ = false;
    // The desktop's time of the key press that asked for the next show.
    quint32 presentTimestamp_ = 0;
    bool holdingKeys_ = false;
    std::function<void()> onFocus_;
};

} // namespace lorvanta
