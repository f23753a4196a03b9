#pragma once

#include <QByteArrayView>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace lorvanta {

// The fuzzy score of a search text against a name. Both are compared
// lower-cased and trimmed; 0 means no match. Letters found in order score
// 1000 and more, with bonuses for a shared first or last letter and for
// prefix or suffix matches; names of several words are also scored word by
// word. Example: "ffx" against "firefox" scores 1030.
int FuzzyScore(QStringView query, QStringView name);

// The same, on texts already prepared by `fuzzyPrepare` (lower-cased,
// trimmed, double blanks reduced once); the index keeps its names prepared so
// that a search over many items does no allocation per item.
int FuzzyScorePrepared(QStringView query, QStringView name);
QString fuzzyPrepare(QStringView name);
// The same, appended to a buffer without any allocation of its own. Gives
// what a scan over many names wants to know of it, found in the same pass.
struct PreparedName {
    quint64 mask = 0;    // fuzzyCharMask
    int words = 1;       // blanks plus one
    int longestWord = 0; // in letters; a query longer than it scores on no word
};
PreparedName appendFuzzyPrepared(QStringView name, std::vector<char16_t>& out);
// The same for a name of plain ASCII, with no UTF-16 copy of its own;
// nothing, and nothing appended, when the name is not plain ASCII.
std::optional<PreparedName> appendFuzzyPreparedAscii(QByteArrayView ascii,
                                                     std::vector<char16_t>& out);
// A prepared query for scoring many prepared names in a row.
struct FuzzyQuery {
    explicit FuzzyQuery(QString prepared)
        : text(std::move(prepared)), hasSpace(text.contains(u' ')) {}
    QString text;
    bool hasSpace;
    // As FuzzyScorePrepared of `name` with `words` words, none longer than
    // `longestWord`, but free to give up early with any value not above
    // `floor` once the name cannot beat it. `mayBeInOrder` false says the
    // name lacks a letter of the query (its mask shows it), so the query's
    // letters are not looked for in order.
    int scoreAbove(QStringView name, int words, int longestWord, int floor,
                   bool mayBeInOrder = true) const;
};
QString fuzzyPrepareQuery(QStringView query);

// Which characters a text holds, as bits: a name can contain a text (or hold
// its letters in order) only if its mask holds every bit of the text's mask.
// Lets a search over many names skip most of them with one AND.
quint64 fuzzyCharMask(QStringView text);
constexpr quint64 fuzzyCharBit(char16_t c) {
    int bit;
    if (c >= u'a' && c <= u'z')
        bit = c - u'a';
    else if (c >= u'0' && c <= u'9')
        bit = 26 + (c - u'0');
    else if (c == u' ')
        bit = 36;
    else
        bit = 37 + c % 27; // everything else shares the remaining bits
    return quint64(1) << bit;
}
inline bool maskHolds(quint64 name, quint64 text) {
    return (name & text) == text;
}

// The 20 best candidates of a fuzzy search. A candidate enters only with a
// score above the smallest one held, replacing the first slot that holds it.
class FuzzyTable {
public:
    static constexpr int kSlots = 20;
    struct Slot {
        int score = 0;
        int candidate = -1; // the caller's index of the candidate
    };

    // Whether a candidate with `score` would enter.
    bool admits(int score) const { return score > slots_[minSlot_].score; }
    int floor() const { return slots_[minSlot_].score; }
    void offer(int score, int candidate);
    const std::array<Slot, kSlots>& slots() const { return slots_; }

private:
    void findMin();
    std::array<Slot, kSlots> slots_{};
    int minSlot_ = 0;
};

// The value a held score is ranked by: shorter names first among equal scores.
inline int fuzzyRank(int score, int nameLength) {
    return score * 1000 - nameLength + 500;
}

} // namespace lorvanta
