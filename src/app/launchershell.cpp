#include "launchershell.h"

#include "commands/engine.h"
#include "core/corestate.h"
#include "core/datafolder.h"
#include "launcherwindow.h"
#include "pane/resultpane.h"
#include "platform/platform.h"

#include <QEvent>
#include <QGuiApplication>

namespace lorvanta {

LauncherShell::LauncherShell(CoreState& core, const DataFolder& folder,
                             platform::Platform& platform, LauncherWindow& window,
                             Scheduler& scheduler, const Clock& clock)
    : core_(core), platform_(platform), window_(window),
      idle_(core.setup, *this, scheduler,
            [&window](const QString& syntax) {
                return window.engine().expander.ExpandInfoLine(syntax);
            }),
      showHide_(core.setup, *this, clock, idle_),
      incognito_(core.setup, core.file, folder.path(), *this),
      tray_(TrayIcon::Actions{[this] { showFromTray(); },
                              [this] {
                                  showFromTray();
                                  window_.addKeyword();
                              },
                              [this] {
                                  showFromTray();
                                  toast(QStringLiteral("The keyword editor is not available yet"));
                              },
                              [this] {
                                  showFromTray();
                                  toast(QStringLiteral("The settings dialog is not available yet"));
                              },
                              [this] { window_.closeProgram(); }}),
      manager_(platform, core.store),
      handler_(core.setup, manager_, platform.hotkeys, window.engine().execution, scheduler, *this),
      winKeyHook_(core.setup, platform.keys, platform.hotkeys,
                  [this](quint32 time) { handler_.HotOpen(HotkeyHandler::kHotOpenLockMs, time); }) {
    window_.setShowHide(&showHide_);
    window_.installEventFilter(this);
    window_.input().installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            &LauncherShell::applicationStateChanged);
    connect(&window_, &LauncherWindow::listShown, this, [this] { listShownBefore_ = true; });
}

LauncherShell::~LauncherShell() {
    stop();
    window_.setShowHide(nullptr);
}

void LauncherShell::start(bool silent, bool safeMode) {
    handler_.listen();
    manager_.RegisterMainHotkey(core_.setup, true);
    manager_.RegisterAllHotkeys();
    if (!safeMode) winKeyHook_.StartWinKeyHook(false);
    if (core_.setup.alwaystrayicon) showHide_.AddIcon();
    incognito_.ClearIncognitoFolder(true);
    if (silent) showHide_.startHidden();
    showHide_.setStarted(true);
}

void LauncherShell::stop() {
    showHide_.setClosing(true);
    winKeyHook_.StopWinKeyHook();
    manager_.CleanUp();
    platform_.hotkeys.remove(TmyHotKeyManager::kMainHotkeyId);
    if (holdingKeys_) platform_.hotkeys.releaseKeyboard();
    holdingKeys_ = false;
    showHide_.RemoveIcon(true);
}

void LauncherShell::openMessage() {
    if (core_.setup.popatcursor) showHide_.placer().SetPopUpPosition();
    if (!window_.isVisible())
        showHide_.ManageShowHide(true, false, ShowHide::kMessageLockMs);
    else
        activateMainWindow(); // a second start brings the launcher forward
}

void LauncherShell::hotOpenMessage() {
    handler_.HotOpen(HotkeyHandler::kHotOpenLockMs);
}

void LauncherShell::hideMessage() {
    showHide_.CheckAutoHideLogic();
}

void LauncherShell::toggle() {
    // Qt can lose track of its activation when the launcher is hidden and
    // shown again quickly; the window manager's active window, where there
    // is one to read, is the truth.
    // On any other platform plugin the X server's answer is about XWayland.
    const platform::WindowHandle active = QGuiApplication::platformName() == u"xcb"
                                              ? platform_.focus.activeWindow()
                                              : platform::WindowHandle(0);
    const bool inFront = active != 0 ? active == window_.winId() : window_.isActiveWindow();
    if (window_.isVisible() && inFront)
        showHide_.ManageShowHide(false, false, ShowHide::kLockMs);
    else
        handler_.HotOpen(HotkeyHandler::kHotOpenLockMs);
}

void LauncherShell::showFromTray() {
    showHide_.ManageShowHide(true, false, ShowHide::kLockMs);
}

void LauncherShell::applicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive)
        showHide_.AppActivate();
    else if (state == Qt::ApplicationInactive)
        showHide_.AppDeactivate();
}

bool LauncherShell::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::WindowActivate) showHide_.FormActivate();
    // The input box has the keyboard: the keys typed since the hotkey follow.
    if (holdingKeys_ && watched == &window_.input() && event->type() == QEvent::FocusIn &&
        window_.isActiveWindow()) {
        holdingKeys_ = false;
        platform_.hotkeys.releaseKeyboard();
    }
    return false;
}

// ------------------------------------------------------------ HotkeyHost

qint64 LauncherShell::msSinceShowHide() const {
    return showHide_.msSinceShowHide();
}

void LauncherShell::showWindow(int locktim, quint32 timestamp) {
    const bool wasShown = window_.isVisible() && window_.isActiveWindow();
    if (!wasShown && showHide_.showWouldRun(locktim)) {
        // Keys typed before the input box has the focus are kept for it.
        platform_.hotkeys.holdKeyboard(timestamp);
        holdingKeys_ = true;
    }
    presentTimestamp_ = timestamp;
    showHide_.ManageShowHide(true, false, locktim);
    presentTimestamp_ = 0;
    if (holdingKeys_ && window_.isActiveWindow() && window_.input().hasFocus()) {
        holdingKeys_ = false;
        platform_.hotkeys.releaseKeyboard();
    }
}

// The hotkey's own key release goes to its grab, never to the input box, so
// there is no release to skip.
void LauncherShell::skipNextKeyRelease() {}

void LauncherShell::putName(const QString& name) {
    window_.controller().SetNewWord(name, true, true);
}

void LauncherShell::dismissCustomElements() {
    window_.dismissCustomElements();
}

void LauncherShell::toast(const QString& text) {
    window_.toast(text);
}

// ------------------------------------------------------------ IncognitoView

void LauncherShell::showToast(const QString& text) {
    window_.toast(text);
}

void LauncherShell::reapplyInput() {
    const WordEdit& edit = window_.input();
    const bool selected = !edit.text().isEmpty() && edit.selectedText() == edit.text();
    window_.controller().SetNewWord(edit.text(), selected);
}

} // namespace lorvanta
