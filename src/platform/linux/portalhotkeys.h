#pragma once

#include "platform/hotkeys.h"

#include <memory>

namespace lorvanta::platform {

// The reverse-DNS application id under which the launcher registers with
// desktop portals; its desktop entry "<id>.desktop" is installed with it.
inline constexpr char kApplicationId[] = "io.github.lorvanta.Lorvanta";

// Global hotkeys through the XDG GlobalShortcuts portal on the session bus,
// for Wayland sessions where X11 grabs do not see the user's keys. Each add()
// is accepted at once and bound with the others a moment later; a refused or
// denied bind arrives through HotkeyEvents::refused. Keys held and keys typed
// while the launcher comes up are the fallback's (usually X11 through
// XWayland) business, as the portal tells neither.
class PortalHotkeys final : public GlobalHotkeys {
public:
    // `fallback` answers held(), holdKeyboard() and releaseKeyboard().
    explicit PortalHotkeys(GlobalHotkeys& fallback);
    ~PortalHotkeys() override;
    PortalHotkeys(const PortalHotkeys&) = delete;
    PortalHotkeys& operator=(const PortalHotkeys&) = delete;

    // Whether this session should use the portal: a Wayland session whose
    // session bus offers org.freedesktop.portal.GlobalShortcuts.
    static bool offered();

    void setEvents(HotkeyEvents events) override;
    bool add(int id, int key, int modifiers) override;
    void remove(int id) override;
    bool held(int key, int modifiers) override;
    void holdKeyboard(quint32 timestamp) override;
    void releaseKeyboard() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace lorvanta::platform
