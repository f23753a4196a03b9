#pragma once

#include <QString>
#include <functional>

namespace lorvanta::platform {

// What changed in a watched folder. Only the folder's own entries are
// reported, never those of its sub-folders (they need watches of their own).
struct FolderChange {
    enum class Kind {
        Created,    // a new entry
        Deleted,    // an entry removed
        MovedIn,    // an entry renamed or moved into the folder
        MovedOut,   // an entry renamed or moved away
        Modified,   // a file written and closed
        FolderGone, // the watched folder itself was deleted, moved or unmounted
        Overflow,   // changes were lost: everything watched may have changed
    };
    Kind kind = Kind::Created;
    QString folder;        // the watched folder as it was added; empty for Overflow
    QString name;          // the entry; empty for FolderGone and Overflow
    bool isFolder = false; // the entry is a folder
};

// Watches folders for changes to their entries. Changes are delivered on
// the thread that made the watch, from its event loop.
class FolderWatch {
public:
    using Handler = std::function<void(const FolderChange&)>;

    virtual ~FolderWatch() = default;

    // Starts watching `folder` (a path ending in "/"); false when the folder
    // cannot be watched (missing, not a folder, no watches left). Adding a
    // folder already watched is true and changes nothing.
    virtual bool add(const QString& folder) = 0;
    // Stops watching `folder`; nothing when it was not watched.
    virtual void remove(const QString& folder) = 0;
    // Stops watching every folder.
    virtual void clear() = 0;
    // Folders watched now.
    virtual int count() const = 0;
    // How many folders one user of the watch should watch at most, so that
    // a huge tree leaves watches for the rest of the desktop.
    virtual int capacity() const = 0;

    void setHandler(Handler handler) { handler_ = std::move(handler); }

protected:
    void report(const FolderChange& change) const {
        if (handler_) handler_(change);
    }

private:
    Handler handler_;
};

} // namespace lorvanta::platform
