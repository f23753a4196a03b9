#pragma once

#include "core/list/listitems.h"
#include "core/settings/settingsfile.h"

#include <memory>
#include <vector>

namespace lorvanta {

// One history or pinned entry: a trimmed text, unique without case in its
// list, optionally with the file item it was launched or pinned from.
struct HistoryEntry {
    QString text;
    std::unique_ptr<TMyShellItem> item;
};

// An ordered list of entries stored in lorvanta.ini as one section of
// numbered keys ("H0", "H1", ... or "P0", ...). An entry with a file item is
// stored in the item's tagged text form, any other with "{BR}" marking.
class EntryList : public SettingsSection {
public:
    EntryList(QString section, QChar keyPrefix)
        : section_(std::move(section)), prefix_(keyPrefix) {}

    int size() const { return int(entries_.size()); }
    bool empty() const { return entries_.empty(); }
    const HistoryEntry& at(int i) const { return entries_[size_t(i)]; }
    const std::vector<HistoryEntry>& entries() const { return entries_; }
    // Index of the first entry whose text equals the trimmed `s` ignoring case; -1 if none.
    int indexOf(const QString& s) const;
    void clear() { entries_.clear(); }

    void load(const TMemIniFile& ini) override;
    void save(TMemIniFile& ini, const Setup& setup) const override;

protected:
    // How many entries `save` writes.
    virtual int savedCount(const Setup&) const { return size(); }

    std::vector<HistoryEntry> entries_;

private:
    QString section_;
    QChar prefix_;
};

// Whether `incognitoconfig` names `letter` (or "all"), ignoring case and
// whether incognito mode is on.
bool incognitoConfigured(const Setup& setup, QStringView letter);
// Whether incognito mode suppresses what `letter` stands for: the mode is on
// and configured for it.
bool incognitoSuppresses(const Setup& setup, QStringView letter);

} // namespace lorvanta
