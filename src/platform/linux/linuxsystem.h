#pragma once

#include "platform/system.h"

namespace lorvanta::platform {

// Power, lock and screen saver through logind and the X server; facts from
// /proc and the network interfaces; the freedesktop trash.
class LinuxSystem final : public System {
public:
    bool power(PowerAction action) override;
    bool lockSession() override;
    bool startScreenSaver() override;
    bool monitorOff() override;
    std::optional<int> emptyTrash() override;
    QStringList ipv4Addresses() override;
    std::optional<MemoryInfo> memory() override;
};

} // namespace lorvanta::platform
