#pragma once

#include "platform/environment.h"

#include <QString>

namespace lorvanta {

// The one folder that holds every file of the program. In order:
// 1. $LORVANTA_HOME when set (several profiles, tests);
// 2. the program's own folder when a "lorvanta.ini" lies there (portable use);
// 3. $XDG_CONFIG_HOME/Lorvanta/ (default ~/.config/Lorvanta/), created on demand;
// 4. the program's folder when no configuration folder can be determined.
// Worked out once, at construction; the path always ends with "/".
class DataFolder {
public:
    enum class Create { IfMissing, Never };

    explicit DataFolder(const platform::Environment& env, Create create = Create::IfMissing);
    // A fixed folder (lorvanta-cli --data, tests).
    static DataFolder at(const QString& folder);

    const QString& path() const { return path_; }
    QString file(const QString& name) const { return path_ + name; }

private:
    DataFolder() = default;
    QString path_;
};

} // namespace lorvanta
