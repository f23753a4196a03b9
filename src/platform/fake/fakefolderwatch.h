#pragma once

#include "platform/folderwatch.h"

#include <QSet>

namespace lorvanta::platform {

// A FolderWatch that watches nothing: it keeps the folders it was given and
// reports the changes a test hands it, as the system would.
class FakeFolderWatch final : public FolderWatch {
public:
    bool add(const QString& folder) override {
        folders.insert(folder);
        return true;
    }
    void remove(const QString& folder) override { folders.remove(folder); }
    void clear() override { folders.clear(); }
    int count() const override { return int(folders.size()); }
    int capacity() const override { return limit; }

    void happen(const FolderChange& change) const { report(change); }

    QSet<QString> folders;
    int limit = 8192;
};

} // namespace lorvanta::platform
