#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace lorvanta::platform {

// Facts about the running program and the user's session.
class Environment {
public:
    virtual ~Environment() = default;

    // Folder of the running executable, with a trailing "/".
    virtual QString programFolder() const = 0;
    // The user's configuration folder ($XDG_CONFIG_HOME, else ~/.config), no
    // trailing "/"; empty when it cannot be determined.
    virtual QString configFolder() const = 0;
    virtual QString homeFolder() const = 0;
    // An environment variable: the exact name first, then a name that differs
    // only in case. Nothing when neither is set.
    virtual std::optional<QString> variable(const QString& name) const = 0;
    // Every directory of the program search path ($PATH), in order.
    virtual QStringList searchPath() const = 0;
};

} // namespace lorvanta::platform
