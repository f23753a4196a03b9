#include "fuzzy.h"

#include <QStringList>
#include <algorithm>

namespace lorvanta {

namespace {

// Characters of q in n in order, each searched after the previous hit.
bool isSubsequence(QStringView q, QStringView n) {
    qsizetype at = 0;
    for (QChar c : q) {
        at = n.indexOf(c, at);
        if (at < 0) return false;
        ++at;
    }
    return true;
}

int subsequenceScore(QStringView q, QStringView n, bool bonus) {
    if (q.isEmpty() || n.size() < q.size() || !isSubsequence(q, n)) return 0;
    int s = 100;
    if (bonus) {
        if (n.startsWith(q)) s += 1;
        if (n.front() == q.front()) s += 2;
        if (n.back() == q.back()) s += 1;
        if (n.endsWith(q)) s += 2;
    }
    return s * 10;
}

// The smallest i from 1 on where i reaches the shorter length, the i-th
// characters differ, or i is 20.
int prefixLength(QStringView a, QStringView b) {
    const qsizetype shorter = std::min(a.size(), b.size());
    for (int i = 1;; ++i)
        if (i >= shorter || a[i - 1] != b[i - 1] || i == 20) return i;
}

int reversedPrefixLength(QStringView a, QStringView b) {
    const qsizetype shorter = std::min(a.size(), b.size());
    for (int i = 1;; ++i)
        if (i >= shorter || a[a.size() - i] != b[b.size() - i] || i == 20) return i;
}

int wordScore(QStringView q, QStringView word, int acc) {
    if (word.size() < q.size()) return acc;
    if (const int r = subsequenceScore(q, word, true); r > 0) return r;
    if (word.front() == q.front()) return prefixLength(q, word) * 10 + acc;
    if (word.endsWith(q.last(std::min<qsizetype>(2, q.size()))))
        return reversedPrefixLength(q, word) * 10 + acc;
    return acc;
}

} // namespace

QString fuzzyPrepare(QStringView name) {
    QString n = name.trimmed().toString().toLower();
    // One pass from the left: three blanks become two.
    if (n.contains(u"  ")) n.replace(QStringLiteral("  "), QStringLiteral(" "));
    return n;
}

QString fuzzyPrepareQuery(QStringView query) {
    return query.trimmed().toString().toLower();
}

int FuzzyScorePrepared(QStringView q, QStringView n) {
    if (q.isEmpty() || n.isEmpty()) return 0;
    if (!n.contains(u' ')) return subsequenceScore(q, n, true);

    int acc = 0, words = 0;
    for (QStringView word : n.tokenize(u' ')) {
        ++words;
        acc = wordScore(q, word, acc);
    }
    int c = subsequenceScore(q, n, false);
    if (c > 50 && q.contains(u' ')) {
        QString rest = n.toString();
        for (QStringView qw : q.tokenize(u' ', Qt::SkipEmptyParts)) {
            const qsizetype at = rest.indexOf(qw);
            if (at < 0) continue;
            rest.remove(at, qw.size());
            c += 3;
        }
    }
    return std::max(acc, c) - words / 2;
}

int FuzzyScore(QStringView query, QStringView name) {
    return FuzzyScorePrepared(fuzzyPrepareQuery(query), fuzzyPrepare(name));
}

void FuzzyTable::offer(int score, int candidate) {
    if (!admits(score)) return;
    slots_[minSlot_] = Slot{score, candidate};
    findMin();
}

void FuzzyTable::findMin() {
    // The first slot holding the smallest score is the one replaced next.
    minSlot_ = 0;
    for (int i = 1; i < kSlots; ++i)
        if (slots_[i].score < slots_[minSlot_].score) minSlot_ = i;
}

} // namespace lorvanta
