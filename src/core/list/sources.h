#pragma once

#include "listitems.h"
#include "rowlist.h"

#include <QStringList>
#include <vector>

namespace lorvanta {

// The collections other subsystems own, as the candidate list reads them.
// Each may be missing (a null pointer in ListSources): its source then adds
// nothing, as when the subsystem is switched off.

// One indexed file or application, with its name prepared for matching.
struct IndexItem {
    TMyShellItem item;
    QString lowerName; // the name lower-cased
    QString prepared;  // the name as the fuzzy score wants it (fuzzyPrepare)
};

class IndexCollection {
public:
    virtual ~IndexCollection() = default;
    virtual bool hasIndexFolders() const = 0;
    virtual const std::vector<IndexItem>& items() const = 0;
};

class WindowCollection {
public:
    virtual ~WindowCollection() = default;
    virtual std::vector<TMyWindowItem> windows() const = 0;
};

class ClipCollection {
public:
    virtual ~ClipCollection() = default;
    virtual std::vector<TMyClipItem> clips() const = 0; // newest first
};

class NoteCollection {
public:
    virtual ~NoteCollection() = default;
    virtual std::vector<TMyNoteItem> notes() const = 0;
    // Notes containing `text`, with search text, hit line and hit count set.
    virtual std::vector<TMyNoteItem> search(const QString& text) const = 0;
};

class PluginCollection {
public:
    virtual ~PluginCollection() = default;
    virtual QStringList pluginKeywords() const = 0;
    // Whether the input line addresses a plugin (its keyword and a search).
    virtual bool addressesPlugin(const QString& input) const = 0;
    // The plugin's answers to the input that are known so far.
    virtual void addResults(const QString& input, RowList& rows) = 0;
    // The rows of the plugin management list.
    virtual void addManagement(RowList& rows) = 0;
};

class RecentCollection {
public:
    virtual ~RecentCollection() = default;
    virtual std::vector<TMyShellItem> recent() const = 0; // newest first
};

struct ListSources {
    const IndexCollection* index = nullptr;
    const WindowCollection* windows = nullptr;
    const ClipCollection* clips = nullptr;
    const NoteCollection* notes = nullptr;
    PluginCollection* plugins = nullptr;
    const RecentCollection* recent = nullptr;
};

// An index held in memory (tests, the command-line client, and the index
// subsystem's finished scans).
class MemoryIndex final : public IndexCollection {
public:
    void add(TMyShellItem item);
    void setIndexFolders(bool defined) { folders_ = defined; }
    bool hasIndexFolders() const override { return folders_; }
    const std::vector<IndexItem>& items() const override { return items_; }

private:
    std::vector<IndexItem> items_;
    bool folders_ = false;
};

// The desktop's recent documents file, read when the list asks.
class XbelRecentDocuments final : public RecentCollection {
public:
    explicit XbelRecentDocuments(QString path) : path_(std::move(path)) {}
    std::vector<TMyShellItem> recent() const override;

private:
    QString path_;
};

} // namespace lorvanta
