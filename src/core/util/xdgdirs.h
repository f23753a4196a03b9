#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace lorvanta {

// The XDG base folders as an environment names them: a variable that is
// unset, empty or relative gives the standard default below $HOME (or the
// standard system folders); list entries that are relative are ignored.
// $HOME, or the user's home folder when it is unset.
QString homeFolder(const QProcessEnvironment& env);
QString xdgDataHome(const QProcessEnvironment& env);       // ~/.local/share
QString xdgConfigHome(const QProcessEnvironment& env);     // ~/.config
QStringList xdgDataDirs(const QProcessEnvironment& env);   // /usr/local/share:/usr/share
QStringList xdgConfigDirs(const QProcessEnvironment& env); // /etc/xdg
// The "applications" folders of the data home, then of every data folder,
// each once, in that order.
QStringList xdgApplicationFolders(const QProcessEnvironment& env);

} // namespace lorvanta
