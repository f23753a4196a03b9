#pragma once

#include "platform/hotkeys.h"
#include "superkey.h"

#include <functional>
#include <optional>

namespace lorvanta {

struct Setup;

// Starts and stops the Super-key gestures from the settings. Modes 1..8
// watch every key of the desktop and feed a SuperKeyMachine; modes 9 and 10
// are plain hotkeys, Super+R and Super+Z, registered under the ids below.
// Either way the launcher opens through the one callback: the machine calls
// it directly (on the main thread), and whoever receives the hotkey presses
// routes ids kWinRHotkeyId and kWinZHotkeyId to it.
class WinKeyHook {
public:
    static constexpr int kWinRHotkeyId = 501; // mode 9: Super+R
    static constexpr int kWinZHotkeyId = 502; // mode 10: Super+Z

    // `setup` is read at every start, so it must outlive the hook.
    WinKeyHook(const Setup& setup, platform::KeyWatch& keys, platform::GlobalHotkeys& hotkeys,
               std::function<void(quint32 time)> open);
    ~WinKeyHook();
    WinKeyHook(const WinKeyHook&) = delete;
    WinKeyHook& operator=(const WinKeyHook&) = delete;

    // Starts what `gamingmode` and `hookwin` ask for (see winKeyModes());
    // with `restart`, everything running is stopped first. A watch or hotkey
    // the desktop refuses simply stays off, as a missing hook would.
    void StartWinKeyHook(bool restart);
    // Stops the key watch and removes the Super+R and Super+Z hotkeys.
    void StopWinKeyHook();

    // Whether a hotkey id belongs to modes 9 and 10.
    static bool isWinKeyHotkey(int id) { return id == kWinRHotkeyId || id == kWinZHotkeyId; }
    // The machine of the running key watch; null when no watch runs.
    const SuperKeyMachine* machine() const { return machine_ ? &*machine_ : nullptr; }

private:
    void startMode(int mode);

    const Setup& setup_;
    platform::KeyWatch& keys_;
    platform::GlobalHotkeys& hotkeys_;
    std::function<void(quint32 time)> open_; // the desktop's time of the key
    std::optional<SuperKeyMachine> machine_;
    bool winR_ = false, winZ_ = false;
};

} // namespace lorvanta
