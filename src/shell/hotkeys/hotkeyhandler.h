#pragma once

// What a press of a system-wide hotkey does: the main hotkey shows the
// launcher, a keyword hotkey runs its keyword (after the hotkey's own keys
// are up when the keyword sends keys or pastes), and the Super+R / Super+Z
// grabs open the launcher as the Super-key gestures do.

#include <QString>
#include <QtGlobal>
#include <deque>
#include <memory>

namespace lorvanta {

namespace platform {
class GlobalHotkeys;
}
struct Setup;
class Execution;
class Scheduler;
class TExeWord;
class TmyHotKeyManager;

// What the handler asks of the launcher window and its show/hide logic.
class HotkeyHost {
public:
    virtual ~HotkeyHost() = default;
    // Milliseconds since the window was last shown or hidden.
    virtual qint64 msSinceShowHide() const = 0;
    // With `hotkeyhide`, hides a window that is up and in front; true when it hid.
    virtual bool CheckAutoHideLogic() = 0;
    // Moves the window to the mouse pointer (`popatcursor`).
    virtual void placeAtMouse() = 0;
    // Shows the window (ManageShowHide(true, false, locktim)) with the focus,
    // as the key press at `timestamp` asked; it also holds the keys typed
    // meanwhile (GlobalHotkeys::holdKeyboard) so none is lost.
    virtual void showWindow(int locktim, quint32 timestamp) = 0;
    // Notes the window in front: paste commands write into it.
    virtual void rememberPreviousWindow() = 0;
    // The next key release in the input box leaves the candidate list alone
    // (input handling's key-handled flag).
    virtual void skipNextKeyRelease() = 0;
    // Puts `name` into the input box, selected, without opening the list.
    virtual void putName(const QString& name) = 0;
    // Hides the pane's text box and editor so that the list shows.
    virtual void dismissCustomElements() = 0;
    virtual void toast(const QString& text) = 0;
};

class HotkeyHandler {
public:
    // How long a press of the main hotkey is ignored after a show or hide.
    static constexpr int kMainLockMs = 230;
    // The same for the gestures that open the launcher (Super key, Super+R/Z).
    static constexpr int kHotOpenLockMs = 70;
    // The key-release wait: a check every 10 ms, at most 200 of them.
    static constexpr int kReleasePollMs = 10;
    static constexpr int kMaxReleaseChecks = 200;
    // Shown when the desktop refuses the main hotkey after accepting it.
    static const QString kMainHotkeyUnavailable;

    HotkeyHandler(const Setup& setup, TmyHotKeyManager& manager, platform::GlobalHotkeys& hotkeys,
                  Execution& execution, Scheduler& scheduler, HotkeyHost& host);
    ~HotkeyHandler();
    HotkeyHandler(const HotkeyHandler&) = delete;
    HotkeyHandler& operator=(const HotkeyHandler&) = delete;

    // Takes the desktop's hotkey events: presses come to WMHotkey, a later
    // refusal of the main hotkey becomes a toast.
    void listen();

    // A hotkey was pressed at `timestamp` (the desktop's time of the key).
    // Keyword hotkeys run one after the other in the order pressed: one
    // pressed while an earlier one still waits for its keys waits behind it.
    void WMHotkey(int id, quint32 timestamp);
    // Opens the launcher as a gesture asks (Super key, Super+R/Z): ignored
    // within `locktim` ms of a show or hide, or when it rather hid the window.
    void HotOpen(int locktim, quint32 timestamp = 0);

    // Keyword runs still waiting for their keys to be released.
    int waitingRuns() const { return int(runs_.size()); }

private:
    // One keyword hotkey press on its way to execution. The keyword is held
    // by uid: it may be deleted while the press waits.
    struct Run {
        quint64 keyword = 0;
        int key = -1, keymod = 0; // the hotkey whose release is awaited
        quint32 timestamp = 0;
        bool silent = false;  // "$HOLDTEXT$": the input box is left alone
        bool list = false;    // a list command
        bool display = false; // a display command
        bool wait = false;    // sends keys or pastes: wait for the release
        int checks = 0;       // key-state checks made so far
    };

    void showIfDue(int locktim, quint32 timestamp);
    void runNext();
    void execute(const Run& run);

    const Setup& setup_;
    TmyHotKeyManager& manager_;
    platform::GlobalHotkeys& hotkeys_;
    Execution& execution_;
    Scheduler& scheduler_;
    HotkeyHost& host_;
    std::deque<Run> runs_;
    bool busy_ = false; // runs are being worked through or a check is due
    // Work left with the scheduler checks that the handler still exists.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace lorvanta
