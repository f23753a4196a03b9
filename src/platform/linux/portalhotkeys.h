#pragma once

#include "platform/hotkeys.h"

#include <QString>
#include <memory>

namespace lorvanta::platform {

// The reverse-DNS application id under which the launcher registers with
// desktop portals; its desktop entry "<id>.desktop" is installed with it.
inline constexpr char kApplicationId[] = "io.github.lorvanta.Lorvanta";

// Where the portal is looked for. Empty: the user's session bus; tests
// point it at a private bus.
struct PortalSetup {
    QString busAddress;
    // How long a request may wait for the desktop's answer; the user may be
    // looking at the desktop's confirmation dialog meanwhile.
    int answerLimitMs = 120000;
};

// A stored hotkey as a portal trigger in the freedesktop shortcuts form
// ("SHIFT+LOGO+z", "CTRL+ALT+F5", "KP_7"): CTRL, ALT, SHIFT and LOGO, then
// the xkb keysym name. Empty when the key has no keysym.
QString portalTrigger(int key, int modifiers);

// Global hotkeys through the XDG GlobalShortcuts portal on the session bus,
// for Wayland sessions where X11 grabs do not see the user's keys. Each add()
// is accepted at once and bound with the others a moment later; a refused or
// denied bind arrives through HotkeyEvents::refused, and the id is then no
// longer registered. Keys held and keys typed while the launcher comes up
// are the fallback's (usually X11 through XWayland) business, as the portal
// tells neither.
class PortalHotkeys final : public GlobalHotkeys {
public:
    // `fallback` answers held(), holdKeyboard() and releaseKeyboard().
    explicit PortalHotkeys(GlobalHotkeys& fallback, const PortalSetup& setup = {});
    ~PortalHotkeys() override;
    PortalHotkeys(const PortalHotkeys&) = delete;
    PortalHotkeys& operator=(const PortalHotkeys&) = delete;

    // Whether this session should use the portal: a Wayland session whose
    // session bus offers org.freedesktop.portal.GlobalShortcuts. Asks the bus
    // once, waiting two seconds at most.
    static bool offered(const PortalSetup& setup = {});

    // What the desktop's shortcut settings show for `id` ("Show Lorvanta" for
    // the main hotkey 1, "Run keyword <id>" for the others unless named here).
    // Named before add(), it goes with the first bind; a change later binds
    // the hotkeys again.
    void setDescription(int id, const QString& text);
    // The shortcut's id on the desktop becomes `name` (else "hotkey-<id>"),
    // so that the key the user gave it stays with it across restarts.
    void describe(int id, const QString& name, const QString& description) override;

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
