#pragma once

#include "listitems.h"

#include <QString>
#include <vector>

namespace lorvanta {

struct FolderEntry {
    QString text; // the typed folder prefix + the entry's name
    TMyShellItem item;
    bool isFolder = false;
};

// The entries of a typed path: everything in the folder up to the last "/"
// whose name begins with the rest, ignoring case, hidden entries included,
// "." and ".." left out; folders first, then files, each sorted without case.
// "~" stands for `home`, and relative paths ("./", "../") start there too.
// A network path ("//server", smb://...) is not listed when `ignoreNetwork`.
// The text "~" alone gives only itself, as the folder it names.
std::vector<FolderEntry> listTypedPath(const QString& typed, const QString& home,
                                       bool ignoreNetwork);

// The folder a typed path names: quotes removed, "~" and relative paths resolved.
QString resolveTypedPath(const QString& typed, const QString& home);

} // namespace lorvanta
