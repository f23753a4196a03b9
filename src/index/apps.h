#pragma once

#include "core/list/listitems.h"
#include "core/text/desktopentry.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <vector>

namespace lorvanta {

// Installed applications for the index: the desktop entries of the XDG
// application menu folders, filtered and named the way a desktop's own menu
// shows them. Flatpak and Snap applications come in through their export
// folders when the environment lists those in XDG_DATA_DIRS.

// The root of every application item. One name stands for the user's and
// the system's menus alike (the counterparts of rfStartMenu and
// rfCommonStartMenu), since desktop-file ids merge the two into one menu.
inline constexpr char16_t kApplicationsRoot[] = u"rfApplications";

// The "applications" folders of $XDG_DATA_HOME (default ~/.local/share),
// then of every $XDG_DATA_DIRS entry (default /usr/local/share:/usr/share),
// in that order. Relative entries are ignored; repeats are given once.
QStringList applicationFolders(const QProcessEnvironment& env);

// The desktops named by $XDG_CURRENT_DESKTOP (colon-separated).
QStringList currentDesktops(const QProcessEnvironment& env);

// The locale that picks translated names: $LC_ALL, $LC_MESSAGES, then $LANG
// (the first one set and not empty); "C" and "POSIX" give none.
QString messagesLocale(const QProcessEnvironment& env);

// The name of an entry for `locale` ("de_DE.UTF-8@euro" and the like):
// Name[ll_CC@mod], Name[ll_CC], Name[ll@mod], Name[ll], then Name.
QString localizedName(const DesktopEntry& entry, const QString& locale);

struct AppDiscovery {
    QString locale;         // as messagesLocale gives it
    QStringList desktops;   // as currentDesktops gives them
    QStringList searchPath; // folders where a TryExec program is looked for
    // The menu's applications, or the desktop's settings panels: entries in
    // the "Settings" category that the menu shows, and GNOME panels and KDE
    // modules (X-GNOME-Settings-Panel, X-KDE-settings-*, kcm_*) even when
    // hidden from the menu; root "rfSettings", title "System settings".
    enum class Pick { Menu, SettingsPanels } pick = Pick::Menu;
};

// Whether the user's menu shows the entry: Type is Application, neither
// NoDisplay nor Hidden, OnlyShowIn/NotShowIn let the current desktops in,
// and a TryExec program, if any, is there. With Pick::SettingsPanels:
// whether it is one of the settings panels instead.
bool listedEntry(const DesktopEntry& entry, const AppDiscovery& context);

// Walks each folder recursively (sub-folders in name order, files in name
// order) and makes an item of every desktop entry the user's menu would
// show. A desktop-file id (the path below its folder, "/" read as "-") is
// taken from the first folder that holds it, shown or not, so an entry in
// $XDG_DATA_HOME hides or overrides the same id further down. Left out:
// Type other than Application, NoDisplay, Hidden, OnlyShowIn/NotShowIn that
// exclude the current desktops, a TryExec program that is not there.
// Item: localized name; path: the .desktop file; root: kApplicationsRoot;
// title: the sub-folder below the applications folder, or "Applications".
// Folders reached twice on one path (a symbolic-link loop) are not entered
// again, and the walk goes no deeper than a fixed limit.
std::vector<TMyShellItem> discoverApplications(const QStringList& folders,
                                               const AppDiscovery& context);

} // namespace lorvanta
