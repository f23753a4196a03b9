#pragma once

// Internal to the candidate list: how one source adds its rows.

#include "candidatelist.h"
#include "core/settings/setup.h"

namespace lorvanta {

// Adds one source's rows. The header goes in front of the first row, so a
// source without rows leaves no header; a limited source stops once the list
// holds more than `maxdropdown` rows, headers included.
struct CandidateList::Emitter {
    Emitter(CandidateList& l, QString h, bool isLimited, bool withHeader)
        : list(l), header(std::move(h)), limited(isLimited), wantHeader(withHeader) {}

    bool full() const { return limited && list.rows_.size() > list.setup_.maxdropdown; }

    // False when the limit stopped the row (and every later one).
    bool add(QString text, std::unique_ptr<TListObject> object = nullptr) {
        if (full()) return false;
        if (!started && wantHeader) list.rows_.append(header);
        started = true;
        list.rows_.append(std::move(text), std::move(object));
        ++count;
        return true;
    }

    CandidateList& list;
    QString header;
    bool limited;
    bool wantHeader;
    bool started = false;
    int count = 0;
};

} // namespace lorvanta
