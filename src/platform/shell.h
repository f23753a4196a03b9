#pragma once

#include <QString>

namespace lorvanta::platform {

// Hands documents and folders to the desktop.
class Shell {
public:
    virtual ~Shell() = default;

    // Opens a folder in the user's file manager; false when nothing could be started.
    virtual bool openFolder(const QString& path) = 0;
};

} // namespace lorvanta::platform
