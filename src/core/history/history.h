#pragma once

#include "entrylist.h"

namespace lorvanta {

// What the user executed, newest first. Unlimited in memory; the first
// `maxhistory` entries are saved, and only with `savehistory` on.
class History : public EntryList {
public:
    History() : EntryList(QStringLiteral("History"), u'H') {}

    // Records an execution at the front, replacing equal entries. Nothing is
    // recorded for texts beginning with "->", in incognito mode (option "1"),
    // or with `noadd`.
    void AddToHistory(const QString& s, std::unique_ptr<TMyShellItem> ob, bool noadd,
                      const Setup& setup);
    // Deletes the first entry equal to the trimmed `s`; false when there is none.
    bool KillHist(const QString& s);

protected:
    int savedCount(const Setup& setup) const override;
};

// The user's favourites, in the user's order; no limit.
class Pinned : public EntryList {
public:
    Pinned() : EntryList(QStringLiteral("Pinned"), u'P') {}

    // Pins `s` (with a clone of `ob` when it is a file item): 1 pinned,
    // 2 already pinned, -1 unpinned (with `allowRemove`), 0 nothing done.
    int AddToPinned(const QString& s, const TListObject* ob, bool allowRemove);
    // Moves an entry: 1 to the top (posi 1), 2 to the bottom (posi 2), 3 one
    // place up or down, 0 when not found or already at that end.
    int MovePinned(const QString& s, bool up, int posi);
};

} // namespace lorvanta
