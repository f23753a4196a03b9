#include "fuzzy.h"

#include <QStringList>
#include <algorithm>
#include <climits>

namespace lorvanta {

namespace {

// The score works on raw UTF-16 with hand loops: it runs over every indexed
// name on every keystroke, where call overhead per letter adds up.
struct Text {
    const char16_t* p;
    qsizetype n;
    char16_t front() const { return p[0]; }
    char16_t back() const { return p[n - 1]; }
};

Text raw(QStringView v) {
    return Text{reinterpret_cast<const char16_t*>(v.utf16()), v.size()};
}

bool startsWith(Text s, Text x) {
    return s.n >= x.n && std::equal(x.p, x.p + x.n, s.p);
}

bool endsWith(Text s, Text x) {
    return s.n >= x.n && std::equal(x.p, x.p + x.n, s.p + s.n - x.n);
}

// Characters of q in n in order, each searched after the previous hit.
bool isSubsequence(Text q, Text n) {
    qsizetype j = 0;
    for (qsizetype i = 0; i < n.n && j < q.n; ++i)
        if (n.p[i] == q.p[j]) ++j;
    return j == q.n;
}

int subsequenceScore(Text q, Text n, bool bonus) {
    if (q.n == 0 || n.n < q.n || !isSubsequence(q, n)) return 0;
    int s = 100;
    if (bonus) {
        if (startsWith(n, q)) s += 1;
        if (n.front() == q.front()) s += 2;
        if (n.back() == q.back()) s += 1;
        if (endsWith(n, q)) s += 2;
    }
    return s * 10;
}

// The smallest i from 1 on where i reaches the shorter length, the i-th
// characters differ, or i is 20.
int prefixLength(Text a, Text b) {
    const qsizetype shorter = std::min(a.n, b.n);
    for (int i = 1;; ++i)
        if (i >= shorter || a.p[i - 1] != b.p[i - 1] || i == 20) return i;
}

int reversedPrefixLength(Text a, Text b) {
    const qsizetype shorter = std::min(a.n, b.n);
    for (int i = 1;; ++i)
        if (i >= shorter || a.p[a.n - i] != b.p[b.n - i] || i == 20) return i;
}

// `inName`: whether q's letters are in order in the whole name; without that
// they cannot be in one of its words.
int wordScore(Text q, Text word, int acc, bool inName) {
    if (word.n < q.n) return acc;
    if (inName)
        if (const int r = subsequenceScore(q, word, true); r > 0) return r;
    if (word.front() == q.front()) return prefixLength(q, word) * 10 + acc;
    const Text last2{q.p + q.n - std::min<qsizetype>(2, q.n), std::min<qsizetype>(2, q.n)};
    if (endsWith(word, last2)) return reversedPrefixLength(q, word) * 10 + acc;
    return acc;
}

// The word-by-word score of n, each word scored by wordScore.
int wordsScore(Text q, Text n, bool inName) {
    int acc = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= n.n; ++i) {
        if (i < n.n && n.p[i] != u' ') continue;
        acc = wordScore(q, Text{n.p + start, i - start}, acc, inName);
        start = i + 1;
    }
    return acc;
}

// In one pass: whether q's letters are in order in n, and if not, the
// word-by-word score (`acc`). Most names a long query meets fail the order,
// so this spares them a second pass.
bool orderOrWordsScore(Text q, Text n, int& acc) {
    acc = 0;
    qsizetype j = 0, start = 0;
    for (qsizetype i = 0; i <= n.n; ++i) {
        if (i < n.n) {
            const char16_t c = n.p[i];
            if (j < q.n && c == q.p[j] && ++j == q.n) return true;
            if (c != u' ') continue;
        }
        acc = wordScore(q, Text{n.p + start, i - start}, acc, false);
        start = i + 1;
    }
    return false;
}

int scoreAbove(Text q, Text n, bool queryHasSpace, int floor, int words, int longestWord,
               bool mayBeInOrder) {
    if (q.n == 0 || n.n == 0) return 0;
    if (words <= 0) {
        words = 1;
        for (qsizetype i = 0; i < n.n; ++i)
            words += n.p[i] == u' ';
    }
    if (words == 1) return subsequenceScore(q, n, true);

    // Without the letters in order, only word starts and ends score, at
    // most min(20, |q|) * 10 each, and only in words at least as long as q,
    // of which a name of n letters holds at most (n + 1) / (|q| + 1): often
    // not enough to matter.
    const qsizetype scoring =
        longestWord < q.n ? 0 : std::min<qsizetype>(words, (n.n + 1) / (q.n + 1));
    const bool hopeless = scoring * std::min<qsizetype>(20, q.n) * 10 - words / 2 <= floor;
    bool sub;
    int acc = 0;
    if (hopeless) {
        sub = mayBeInOrder && isSubsequence(q, n);
        if (!sub) return 0;
    } else if (mayBeInOrder) {
        sub = orderOrWordsScore(q, n, acc);
    } else {
        sub = false;
        acc = wordsScore(q, n, false);
    }
    if (sub && longestWord >= q.n) acc = wordsScore(q, n, true);
    int c = sub && n.n >= q.n ? 1000 : 0;
    if (c > 50 && queryHasSpace) {
        QString rest = QString::fromUtf16(n.p, n.n);
        const QString query = QString::fromUtf16(q.p, q.n);
        for (QStringView qw : QStringView(query).tokenize(u' ', Qt::SkipEmptyParts)) {
            const qsizetype at = rest.indexOf(qw);
            if (at < 0) continue;
            rest.remove(at, qw.size());
            c += 3;
        }
    }
    return std::max(acc, c) - words / 2;
}

} // namespace

namespace {

bool isSpace(char16_t c) {
    return QChar::isSpace(c);
}

// Each ASCII character lower-cased, with its fuzzyCharBit, looked up: most
// names are plain ASCII, and every indexed name passes here.
struct AsciiFold {
    char16_t lower[128];
    quint64 bit[128];
};

constexpr AsciiFold makeAsciiFold() {
    AsciiFold f{};
    for (int c = 0; c < 128; ++c) {
        f.lower[c] = char16_t(c >= 'A' && c <= 'Z' ? c + 32 : c);
        f.bit[c] = fuzzyCharBit(f.lower[c]);
    }
    return f;
}

constexpr AsciiFold kAsciiFold = makeAsciiFold();

// With `asciiOnly`, a character beyond ASCII makes it give up: it returns
// false and leaves `out` as it was.
template <bool asciiOnly, typename Char>
bool appendPrepared(const Char* p, qsizetype n, std::vector<char16_t>& out, PreparedName& facts) {
    const auto blank = [](Char c) { return (!asciiOnly || c < 0x80) && isSpace(char16_t(c)); };
    while (n > 0 && blank(p[n - 1]))
        --n;
    while (n > 0 && blank(p[0])) {
        ++p;
        --n;
    }
    const size_t at = out.size();
    out.resize(at + size_t(n)); // the most it can take
    char16_t* o = out.data() + at;
    int word = 0;
    for (qsizetype i = 0; i < n; ++i) {
        char16_t c = char16_t(p[i]);
        // One pass from the left turns each pair of blanks into one: three become two.
        if (c == u' ' && i + 1 < n && p[i + 1] == ' ') ++i;
        if (c < 0x80) {
            facts.mask |= kAsciiFold.bit[c];
            c = kAsciiFold.lower[c];
        } else if (asciiOnly) {
            out.resize(at);
            return false;
        } else {
            c = QChar::toLower(c);
            facts.mask |= fuzzyCharBit(c);
        }
        *o++ = c;
        facts.words += c == u' ';
        word = c == u' ' ? 0 : word + 1;
        facts.longestWord = std::max(facts.longestWord, word);
    }
    out.resize(size_t(o - out.data()));
    return true;
}

} // namespace

PreparedName appendFuzzyPrepared(QStringView name, std::vector<char16_t>& out) {
    PreparedName facts;
    appendPrepared<false>(reinterpret_cast<const char16_t*>(name.utf16()), name.size(), out, facts);
    return facts;
}

std::optional<PreparedName> appendFuzzyPreparedAscii(QByteArrayView ascii,
                                                     std::vector<char16_t>& out) {
    PreparedName facts;
    if (!appendPrepared<true>(reinterpret_cast<const unsigned char*>(ascii.data()), ascii.size(),
                              out, facts))
        return std::nullopt;
    return facts;
}

QString fuzzyPrepare(QStringView name) {
    std::vector<char16_t> buffer;
    buffer.reserve(size_t(name.size()));
    appendFuzzyPrepared(name, buffer);
    return QString::fromUtf16(buffer.data(), qsizetype(buffer.size()));
}

quint64 fuzzyCharMask(QStringView text) {
    quint64 m = 0;
    for (QChar ch : text)
        m |= fuzzyCharBit(ch.unicode());
    return m;
}

QString fuzzyPrepareQuery(QStringView query) {
    return query.trimmed().toString().toLower();
}

int FuzzyScorePrepared(QStringView q, QStringView n) {
    return scoreAbove(raw(q), raw(n), q.contains(u' '), INT_MIN, 0, INT_MAX, true);
}

int FuzzyQuery::scoreAbove(QStringView name, int words, int longestWord, int floor,
                           bool mayBeInOrder) const {
    return lorvanta::scoreAbove(raw(text), raw(name), hasSpace, floor, words, longestWord,
                                mayBeInOrder);
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
