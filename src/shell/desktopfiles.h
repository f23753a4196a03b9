#pragma once

#include "core/ini/iostatus.h"

#include <QString>

namespace lorvanta {

// The Linux forms of the Windows start-up entry and the "Send to" shortcut,
// as desktop entries. `program` is the launcher's full path; both files are
// written atomically, only when their text changes, and refer to it by
// absolute path. Removing leaves an entry of the same name that this program
// did not write.

// $XDG_CONFIG_HOME/autostart/lorvanta.desktop, starting the launcher with "-s"
// (the `autostart` setting).
QString autostartEntryPath();
IoStatus writeAutostartEntry(const QString& program);
IoStatus removeAutostartEntry();

// $XDG_DATA_HOME/applications/lorvanta-open.desktop: a hidden entry file
// managers offer under "Open with" for any file or folder, which hands the
// chosen items to the launcher as its arguments (the `sendtomenu` setting).
QString openWithEntryPath();
IoStatus writeOpenWithEntry(const QString& program);
IoStatus removeOpenWithEntry();

// What clicking the two check boxes does.
IoStatus setAutostart(bool on, const QString& program);
IoStatus setOpenWithEntry(bool on, const QString& program);

// `arg` as one argument of an Exec value, quoted where the Desktop Entry
// rules ask for it.
QString quoteExecArgument(const QString& arg);

} // namespace lorvanta
