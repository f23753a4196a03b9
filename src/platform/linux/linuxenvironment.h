#pragma once

#include "platform/environment.h"

namespace lorvanta::platform {

// The running process's environment on Linux. Needs no Qt application
// object and no display, so command-line tools use it too.
class LinuxEnvironment final : public Environment {
public:
    QString programFolder() const override;
    QString configFolder() const override;
    QString homeFolder() const override;
    std::optional<QString> variable(const QString& name) const override;
    QStringList searchPath() const override;
};

} // namespace lorvanta::platform
