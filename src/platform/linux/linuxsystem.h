#pragma once

#include "platform/system.h"

namespace lorvanta::platform {

// Where LinuxSystem sends its requests and reads its facts. The defaults are
// the real services; tests point them at a private bus and fixture files.
struct LinuxSystemSetup {
    // Empty: logind on the system bus and the screen saver on the session bus.
    QString busAddress;
    QString loginService = QStringLiteral("org.freedesktop.login1");
    QString loginPath = QStringLiteral("/org/freedesktop/login1");
    QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
    QString meminfoFile = QStringLiteral("/proc/meminfo");
    // Empty: $XDG_DATA_HOME/Trash.
    QString trashFolder;
};

// Power, lock and screen saver through logind, the X tools and the screen
// saver service; facts from /proc and the network interfaces; the
// freedesktop trash of the home folder.
class LinuxSystem final : public System {
public:
    explicit LinuxSystem(LinuxSystemSetup setup = {});

    bool power(PowerAction action) override;
    bool lockSession() override;
    bool startScreenSaver() override;
    bool monitorOff() override;
    std::optional<int> emptyTrash() override;
    QStringList ipv4Addresses() override;
    std::optional<MemoryInfo> memory() override;
    // X11: the screen-saver extension's idle time. Wayland: GNOME's idle
    // monitor on the session bus; other compositors do not say.
    std::optional<qint64> idleMilliseconds() override;

private:
    class Bus;
    QString sessionId(Bus& bus) const;

    LinuxSystemSetup setup_;
};

} // namespace lorvanta::platform
