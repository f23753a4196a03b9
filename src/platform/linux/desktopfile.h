#pragma once

#include "core/text/desktopentry.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace lorvanta::platform {

// Desktop entries are read by the core's reader; the launcher starts them.
using DesktopFile = DesktopEntry;

inline std::optional<DesktopFile> readDesktopFile(const QString& file) {
    return readDesktopEntry(file);
}

// Splits a command line as a shell would, without expanding anything: blanks
// separate, single and double quotes group, a backslash escapes the next
// character (inside double quotes only " \ $ and `). A quote without a
// partner, and a single quote right after a letter or digit ("don't"), is
// taken as written, since typed text passes through here too. This is also
// the quoting of Exec values.
QStringList splitCommandLine(const QString& text);

// The argument vectors that starting `entry` with `items` (files or URLs)
// takes: one, or one per item when the Exec line takes a single file or URL.
// The program is left as written. Items go where %f %F %u %U stand; a line
// without such a code gets them appended.
QList<QStringList> execCommands(const DesktopFile& entry, const QStringList& items);

// "~" and "~/..." as the home folder.
QString expandTilde(const QString& path);

// The absolute path of a program: a path (with "~") that names an executable
// file, or a bare name found on $PATH; empty when there is none.
QString findProgram(const QString& name);

} // namespace lorvanta::platform
