#pragma once

#include "platform/platform.h"

#include <memory>

namespace lorvanta::platform {

// The facilities on a Linux desktop (X11 and freedesktop services).
class LinuxPlatform {
public:
    LinuxPlatform();
    ~LinuxPlatform();
    LinuxPlatform(const LinuxPlatform&) = delete;
    LinuxPlatform& operator=(const LinuxPlatform&) = delete;

    Platform& platform() { return *platform_; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::unique_ptr<Platform> platform_;
};

} // namespace lorvanta::platform
