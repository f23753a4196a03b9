#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace lorvanta {

// The [Desktop Entry] group of a freedesktop .desktop file: what the
// launcher needs to list, describe and start it.
struct DesktopEntry {
    QString file; // where it was read from (%k)
    QString type;
    QString name;
    QHash<QString, QString> localizedNames; // "Name[de_DE]" values by locale ("de_DE")
    QString genericName;
    QString comment;
    QString exec;
    QString tryExec;
    QString path; // working folder
    QString icon;
    QString url; // Type=Link
    QStringList mimeTypes;
    bool terminal = false;
    bool noDisplay = false;
    bool hidden = false;
    QStringList onlyShowIn;
    QStringList notShowIn;
    QStringList categories;
};

// Reads the file; nothing when it cannot be read or has no [Desktop Entry]
// group. Only the first group counts; of the localised keys only "Name[..]"
// is kept (in localizedNames), the others give way to the plain ones; "\;"
// in lists is a literal ";".
std::optional<DesktopEntry> readDesktopEntry(const QString& file);

// The argument vector of an Exec value: quoting and escapes as the Desktop
// Entry rules give them, "%%" as "%", and the field codes left out.
QStringList execArguments(const QString& exec);

} // namespace lorvanta
