#pragma once

#include <QByteArray>

namespace lorvanta::test {

// The text of a minimal desktop entry that the menu shows, with extra keys.
inline QByteArray entry(const char* name, const QByteArray& extra = {}) {
    return QByteArray("[Desktop Entry]\nType=Application\nExec=true\nName=")
        .append(name)
        .append('\n')
        .append(extra);
}

} // namespace lorvanta::test
