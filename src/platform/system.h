#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace lorvanta::platform {

enum class PowerAction { PowerOff, Reboot, Suspend, Hibernate, LogOut };

struct MemoryInfo {
    quint64 totalBytes = 0;
    quint64 availableBytes = 0;
};

// The machine and the session: power, lock, screen saver, trash, facts.
class System {
public:
    virtual ~System() = default;

    // Asks the session manager; false when it refused or is not there.
    virtual bool power(PowerAction action) = 0;
    virtual bool lockSession() = 0;
    virtual bool startScreenSaver() = 0;
    virtual bool monitorOff() = 0;
    // Empties the user's trash; the number of entries removed, or nothing on failure.
    virtual std::optional<int> emptyTrash() = 0;
    // The host's IPv4 addresses other than loopback, in interface order.
    virtual QStringList ipv4Addresses() = 0;
    virtual std::optional<MemoryInfo> memory() = 0;
    // Milliseconds since the user's last input anywhere on the desktop;
    // nothing when the session does not tell.
    virtual std::optional<qint64> idleMilliseconds() { return std::nullopt; }
};

} // namespace lorvanta::platform
