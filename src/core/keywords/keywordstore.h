#pragma once

#include "exeword.h"

#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace lorvanta {

class TMemIniFile;

// The ordered list that owns every keyword. Order is the order of loading and
// insertion, and lookups return the first record that qualifies, so it
// decides between two keywords that share a name.
class KeywordStore {
public:
    int size() const { return int(words_.size()); }
    bool empty() const { return words_.empty(); }
    TExeWord& at(int i) { return *words_[size_t(i)]; }
    const TExeWord& at(int i) const { return *words_[size_t(i)]; }
    int indexOf(const TExeWord* word) const;
    std::vector<const TExeWord*> all() const;

    TExeWord& append(std::unique_ptr<TExeWord> word);
    TExeWord& prepend(std::unique_ptr<TExeWord> word);
    void remove(const TExeWord* word); // destroys it
    void clear();
    // The record with this uid (TExeWord::uid), or nothing once it is gone.
    TExeWord* findByUid(quint64 uid) const;
    // Told of every record just before the store destroys it (remove, clear,
    // finishEditing), so that what refers to it (its hotkey) goes with it.
    // One watcher; an empty function ends the watch.
    void setRemovalWatch(std::function<void(const TExeWord&)> watch) {
        removalWatch_ = std::move(watch);
    }

    // The first record one of whose names is `s`; disabled ones are passed
    // over when `skipDisabled`.
    TExeWord* FindKeyword(QStringView s, bool skipDisabled) const;
    // As FindKeyword; when no name matches and `allowfullmatch`, a record whose
    // whole names text equals `s` exactly (commas included) qualifies too.
    TExeWord* KeywordExistsEx(const QString& s, bool allowfullmatch, bool disableCheck) const;
    bool KeywordExists(const QString& s, bool allowfullmatch, bool disableCheck) const {
        return KeywordExistsEx(s, allowfullmatch, disableCheck) != nullptr;
    }
    // The first record that already owns one of the comma-separated names of
    // `s` (spaces removed); the editor warns about such names.
    TExeWord* MultiKeywordeExistCheck(const QString& s) const;

    // The distinct tags of all enabled keywords, sorted without case.
    void rebuildTagList();
    const QStringList& tagList() const { return tags_; }
    bool isTagName(const QString& text) const;

    // What closing the keyword editor does to the store: unnamed placeholders
    // go, and with `autosorteditor` the records are sorted by name with names
    // beginning with "?" last. Returns true when a record without a name
    // remains, which the user is warned about.
    bool finishEditing(bool autosort);
    void sortForEditor();

    // Fills the store as the settings file and keyword files are read (see
    // ReadWords) and writes it back.
    void ReadWords(TMemIniFile& ini, bool isImport);

private:
    // Destroys the records `doomed` picks, telling the watch first.
    template <class Pred> void eraseIf(Pred doomed);

    std::vector<std::unique_ptr<TExeWord>> words_;
    std::function<void(const TExeWord&)> removalWatch_;
    QStringList tags_;
    QSet<QString> tagKeys_; // lower-cased
};

// Writes keyword sections "W0", "W1", ... with only the keys that differ from
// the defaults, in the fixed key order.
void WriteWords(TMemIniFile& ini, std::span<const TExeWord* const> list, bool isExport,
                bool includeTags, bool includeHotkeys, bool includeIcons);
void WriteWords(TMemIniFile& ini, const KeywordStore& store, bool isExport, bool includeTags,
                bool includeHotkeys, bool includeIcons);
// As WriteWords, for a file whose keyword sections are then flattened to
// "[W]" (the settings file). Such sections load in reverse, so the records
// are written last first: a save followed by a load gives back the store's
// order.
void WriteWordsToFlatFile(TMemIniFile& ini, const KeywordStore& store, bool isExport,
                          bool includeTags, bool includeHotkeys, bool includeIcons);

// Reads keyword records from every section whose name begins with "W" (any
// case), erasing each section once read. A record from a section named just
// "W" goes to the front of `list`, any other to the end; a settings file,
// whose sections are all named "W", therefore loads in reverse order.
void ReadWords(TMemIniFile& ini, std::vector<std::unique_ptr<TExeWord>>& list, bool isImport);

} // namespace lorvanta
