#pragma once

#include "core/list/listobject.h"

#include <QString>

namespace lorvanta {

// A process-unique number naming one keyword object for as long as it lives,
// so that what refers to a keyword from elsewhere (a hotkey) can tell
// whether it still exists. A copy is another keyword and draws a number of
// its own, so a clone handed to an editor or appended as a new record never
// takes the original's identity; assigning one keyword to another changes
// what it holds, not which keyword it is. 0 is never drawn.
class KeywordUid {
public:
    KeywordUid() : value_(next()) {}
    KeywordUid(const KeywordUid&) : value_(next()) {}
    KeywordUid& operator=(const KeywordUid&) { return *this; }
    quint64 value() const { return value_; }

private:
    static quint64 next();
    quint64 value_;
};

// One keyword: the names a user types and what they run.
class TExeWord : public TClonable<TExeWord> {
public:
    // Names separated by ","; the first is the default name. Pieces are not
    // trimmed, so "a, b" has the names "a" and " b". "new..." marks a record
    // the user has not named yet.
    QString keywords;
    QString command;    // program, document, folder, URL or built-in commands
    QString path;       // working folder ("Start in")
    QString parameters; // parameters given to the program
    int open = 0;       // 0 normal, 1 minimised, 2 maximised, 3 hidden
    QString comment;    // the hint shown in the candidate list
    bool runas = false; // launch elevated
    bool addtohistory = true;
    int key = -1;    // virtual-key code of the hotkey, -1 none
    int keymod = -1; // hotkey modifier flags, -1 none
    QString group;   // tags, separated by single spaces
    QString iconpath;
    int iconidx = 0;
    bool onlyone = false;     // bring a running instance to the front instead
    int permissionlevel = -1; // page permission already granted, -1 none
    bool disabled = false;

    // See KeywordUid: stays with this object, never copied.
    quint64 uid() const { return uid_.value(); }

    using TClonable<TExeWord>::Clone; // the copy as a new list object
    void Clone(const TExeWord& source) { *this = source; }
    // The lower-cased first name.
    QString DefaultKeyword() const;
    // True for the placeholder of an unnamed record.
    bool IsDefault() const { return keywords == QStringLiteral("new..."); }
    // True when `s` equals one of the names, ignoring case. An empty name
    // never matches.
    bool matchesName(QStringView s) const;

private:
    KeywordUid uid_;
};

// Whether the keyword's command line takes typed parameters, which decides if
// completion appends a space after it.
bool TakesParameters(const TExeWord& word);

} // namespace lorvanta
