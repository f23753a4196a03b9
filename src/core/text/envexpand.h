#pragma once

#include <QString>

namespace lorvanta {

namespace platform {
class Environment;
}

// Replaces every %NAME% by the value of the environment variable NAME (the
// exact name first, then one that differs only in case); unknown names and
// lone "%" stay as they are.
QString expandEnvironmentVariables(const QString& text, const platform::Environment& env);

} // namespace lorvanta
