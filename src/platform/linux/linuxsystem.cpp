#include "linuxsystem.h"

namespace lorvanta::platform {

bool LinuxSystem::power(PowerAction) { return false; }
bool LinuxSystem::lockSession() { return false; }
bool LinuxSystem::startScreenSaver() { return false; }
bool LinuxSystem::monitorOff() { return false; }
std::optional<int> LinuxSystem::emptyTrash() { return std::nullopt; }
QStringList LinuxSystem::ipv4Addresses() { return {}; }
std::optional<MemoryInfo> LinuxSystem::memory() { return std::nullopt; }

} // namespace lorvanta::platform
