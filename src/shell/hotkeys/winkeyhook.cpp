#include "winkeyhook.h"

#include "core/settings/setup.h"

namespace lorvanta {

WinKeyHook::WinKeyHook(const Setup& setup, platform::KeyWatch& keys,
                       platform::GlobalHotkeys& hotkeys, std::function<void(quint32)> open)
    : setup_(setup), keys_(keys), hotkeys_(hotkeys), open_(std::move(open)) {}

WinKeyHook::~WinKeyHook() {
    StopWinKeyHook();
}

void WinKeyHook::StartWinKeyHook(bool restart) {
    if (restart) StopWinKeyHook();
    for (int mode : winKeyModes(setup_))
        startMode(mode);
}

void WinKeyHook::startMode(int mode) {
    if (mode >= 1 && mode <= 8) {
        // A new watch with a fresh count, as a new hook thread would have.
        if (machine_) keys_.stop();
        machine_.emplace(mode, setup_.presstwicetime);
        const bool started = keys_.start([this](const platform::RawKey& key) {
            if (machine_ && machine_->feed(key).open && open_) open_(key.time);
        });
        if (!started) machine_.reset();
    } else if (mode == 9) {
        winR_ = hotkeys_.add(kWinRHotkeyId, 'R', platform::kModWin);
    } else if (mode == 10) {
        winZ_ = hotkeys_.add(kWinZHotkeyId, 'Z', platform::kModWin);
    }
}

void WinKeyHook::StopWinKeyHook() {
    if (machine_) {
        keys_.stop();
        machine_.reset();
    }
    if (winR_) hotkeys_.remove(kWinRHotkeyId);
    if (winZ_) hotkeys_.remove(kWinZHotkeyId);
    winR_ = winZ_ = false;
}

} // namespace lorvanta
