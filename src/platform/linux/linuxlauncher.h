#pragma once

#include "platform/launcher.h"

namespace lorvanta::platform {

// Launching on a Linux desktop.
class LinuxLauncher final : public Launcher {
public:
    int shellExecute(const LaunchRequest& request) override;
    QString defaultBrowserProgram() override;
    void runAndCapture(const QString& file, const QString& parameters, const QString& folder,
                       int timeoutMs, std::function<void(const QString&)> done) override;
    void fetchUrlText(const QString& url, int timeoutMs,
                      std::function<void(const QString&)> done) override;
};

} // namespace lorvanta::platform
