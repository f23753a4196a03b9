#pragma once

#include "listitems.h"
#include "rowlist.h"

#include <QStringList>
#include <vector>

namespace lorvanta {

struct PreparedName;

// The collections other subsystems own, as the candidate list reads them.
// Each may be missing (a null pointer in ListSources): its source then adds
// nothing, as when the subsystem is switched off.

// The index's names as the fuzzy search and the list scan them on every
// keystroke: prepared (fuzzyPrepare) and packed into one buffer, with a mask
// of their characters, so that a scan over 100,000 names reads memory in
// order and skips most names without touching their text.
class NameTable {
public:
    struct Entry {
        quint64 mask = 0; // fuzzyCharMask of the prepared name
        quint32 at = 0;   // in the buffer; the name ends where the next one starts
        quint16 words = 1;
        quint16 longestWord = 0; // in letters; both stop at 65535
    };
    void add(QStringView name);
    // Adds a name of plain ASCII; false, adding nothing, for any other.
    bool addAscii(QByteArrayView name);
    // Adds every name of `other` after these.
    void append(const NameTable& other);
    void reserve(size_t names, size_t characters);
    size_t size() const { return entries_.size(); }
    const Entry& entry(size_t i) const { return entries_[i]; }
    QStringView prepared(size_t i) const {
        const size_t end = i + 1 < entries_.size() ? entries_[i + 1].at : pool_.size();
        return QStringView(pool_.data() + entries_[i].at, qsizetype(end - entries_[i].at));
    }

private:
    void record(quint32 at, const PreparedName& facts);
    std::vector<char16_t> pool_;
    std::vector<Entry> entries_;
};

class IndexCollection {
public:
    virtual ~IndexCollection() = default;
    virtual bool hasIndexFolders() const = 0;
    // The prepared names; entry i is the name of item i.
    virtual const NameTable& names() const = 0;
    // Item i, made when a row needs it.
    virtual TMyShellItem item(size_t i) const = 0;
    size_t size() const { return names().size(); }
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

// An index of file items held in memory (tests, and the index subsystem's
// finished scans).
class MemoryIndex final : public IndexCollection {
public:
    void add(TMyShellItem item);
    void setIndexFolders(bool defined) { folders_ = defined; }
    bool hasIndexFolders() const override { return folders_; }
    const NameTable& names() const override { return names_; }
    TMyShellItem item(size_t i) const override { return items_[i]; }

private:
    std::vector<TMyShellItem> items_;
    NameTable names_;
    bool folders_ = false;
};

// An index of bare names, one per line of UTF-8 text (lorvanta-cli --items):
// the text is kept as it came (raw data must outlive the index) and a name
// becomes an item only when listed.
class NameListIndex final : public IndexCollection {
public:
    explicit NameListIndex(const QByteArray& utf8Lines);
    bool hasIndexFolders() const override { return false; }
    const NameTable& names() const override { return names_; }
    TMyShellItem item(size_t i) const override;

private:
    QByteArray utf8_;
    std::vector<quint32> starts_; // of the names' lines, in bytes
    NameTable names_;
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
