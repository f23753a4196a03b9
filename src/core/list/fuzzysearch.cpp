// The fuzzy suggestions of the candidate list.

#include "core/keywords/keywordstore.h"
#include "core/text/programsearch.h"
#include "core/text/textkinds.h"
#include "emitter.h"
#include "fuzzy.h"
#include "matching.h"
#include "platform/environment.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <thread>

namespace lorvanta {

namespace {

// The name a row is ranked by when a special list is re-ranked.
QString rankedName(const ListRow& row) {
    const TListObject* o = row.object.get();
    if (const auto* w = dynamic_cast<const TMyWindowItem*>(o)) return w->name;
    if (const auto* c = dynamic_cast<const TMyClipItem*>(o)) return c->clipb;
    if (const auto* n = dynamic_cast<const TMyNoteItem*>(o)) return n->name;
    if (const auto* p = dynamic_cast<const TMyScriptItem*>(o)) return p->item.Title;
    if (const auto* s = dynamic_cast<const TMyShellItem*>(o)) return s->name;
    return row.text;
}

// Scores index names against a prepared query.
class NameScan {
public:
    NameScan(const NameTable& names, const QString& q)
        : names_(names), query_(q), all_(fuzzyCharMask(q)), first_(fuzzyCharMask(q.first(1))),
          last2_(fuzzyCharMask(q.last(std::min<qsizetype>(2, q.size())))),
          perWord_(int(std::min<qsizetype>(20, q.size())) * 10), length_(int(q.size())) {}

    // Offers names [from, to) in order; `admitted` gets, in order, every
    // candidate the table took. A name at or below `lower`, a floor the table
    // of one pass in order is known to have reached by then, is passed over.
    // `published` is kept at the table's floor.
    void run(size_t from, size_t to, FuzzyTable& table, std::atomic<int>* published,
             const std::atomic<int>* lower = nullptr,
             std::vector<FuzzyTable::Slot>* admitted = nullptr) const {
        for (size_t i = from; i < to; ++i) {
            const int floor = lower
                                  ? std::max(table.floor(), lower->load(std::memory_order_relaxed))
                                  : table.floor();
            const NameTable::Entry& e = names_.entry(i);
            const bool allLetters = maskHolds(e.mask, all_);
            if (!allLetters) {
                // Without all its letters a name can only score on word starts and
                // ends, which needs q's first letter or its last two.
                if (!maskHolds(e.mask, first_) && !maskHolds(e.mask, last2_)) continue;
                if (e.words == 1 || e.longestWord < length_ ||
                    e.words * perWord_ - e.words / 2 <= floor)
                    continue;
            }
            // A count that reached the most an entry holds is no count: 0 has it made again.
            constexpr quint16 kFull = 65535;
            const int score = query_.scoreAbove(names_.prepared(i), e.words == kFull ? 0 : e.words,
                                                e.longestWord == kFull ? INT_MAX : e.longestWord,
                                                floor, allLetters);
            if (score <= floor) continue;
            table.offer(score, int(i));
            if (published) published->store(table.floor(), std::memory_order_relaxed);
            if (admitted) admitted->push_back({score, int(i)});
        }
    }

private:
    const NameTable& names_;
    const FuzzyQuery query_;
    const quint64 all_, first_, last2_;
    const int perWord_, length_;
};

// Offers the first `count` index names to `table` as one pass in order
// would. A long index is scanned in two halves at once: the second half's
// table starts empty, so it takes every name the real table would take
// there (and more); offering those in order afterwards gives the same table.
// The real table's floor in the second half is at least the first half's
// floor at any moment, so the second half may pass over names not above it.
void offerIndexNames(const NameTable& names, size_t count, const QString& q, FuzzyTable& table) {
    const NameScan scan(names, q);
    if (count < 20000) {
        scan.run(0, count, table, nullptr);
        return;
    }
    const size_t half = count / 2;
    FuzzyTable secondTable;
    std::vector<FuzzyTable::Slot> second;
    std::atomic<int> firstFloor{table.floor()};
    std::thread worker([&] { scan.run(half, count, secondTable, nullptr, &firstFloor, &second); });
    scan.run(0, half, table, &firstFloor);
    worker.join();
    for (const FuzzyTable::Slot& slot : second)
        table.offer(slot.score, slot.candidate);
}

} // namespace

bool CandidateList::isRecognised(const QString& text, bool infoLine, bool keywordAlone) const {
    const QString t = text.trimmed();
    if (isUrl(t) || isBareDomain(t) || looksLikeFilePath(t)) return true;
    if (t.startsWith(u'-') || t.startsWith(u'"') || t.startsWith(u"mailto:", Qt::CaseInsensitive))
        return true;
    if (!setup_.calcchar.isEmpty() && t.startsWith(setup_.calcchar)) return true;
    if (!setup_.separator.isEmpty() && t.contains(setup_.separator)) return true;
    if (infoLine) return true;
    const QString word = t.section(u' ', 0, 0);
    if ((keywordAlone || t.contains(u' ')) && store_.FindKeyword(word, true)) return true;
    if (store_.isTagName(t)) return true;
    const QStringList path = env_.searchPath();
    if (!findProgram(word, path).isEmpty()) return true;
    return t != word && !findProgram(t, path).isEmpty();
}

bool CandidateList::FuzzySearch(const QString& text, int mode, bool autoApply, int source,
                                bool infoLine) {
    suggestions_.clear();
    if (source == 0 && (text.size() < 3 || isRecognised(text, infoLine))) return false;
    const QString q = fuzzyPrepareQuery(text);
    if (q.isEmpty()) return false;

    FuzzyTable table;
    // Candidates are numbered: source 1 by row; source 0 index items first, then keywords.
    std::vector<const TExeWord*> words;
    const IndexCollection* index = sources_.index;
    const int indexCount = source == 0 && index && fuzzyIndexOn() ? int(index->size()) : 0;
    if (source == 1) {
        for (int i = 0; i < rows_.size(); ++i)
            if (!rows_.at(i).isHeader()) table.offer(FuzzyScore(q, rankedName(rows_.at(i))), i);
    } else {
        if (indexCount > 0 && setup_.autoshort >= 2)
            offerIndexNames(sources_.index->names(), size_t(indexCount), q, table);
        if (fuzzyKeywordsOn() && setup_.autoshort >= 1)
            for (int i = 0; i < store_.size(); ++i) {
                const TExeWord& w = store_.at(i);
                if (w.disabled) continue;
                words.push_back(&w);
                table.offer(FuzzyScore(q, w.DefaultKeyword()), indexCount + int(words.size()) - 1);
            }
    }

    struct Held {
        int rank;
        QString name;
        std::unique_ptr<TListObject> object;
    };
    std::vector<Held> held;
    for (const FuzzyTable::Slot& slot : table.slots()) {
        if (slot.score <= 0) continue;
        Held h;
        if (source == 1) {
            const ListRow& row = rows_.at(slot.candidate);
            h.name = rankedName(row);
            if (row.object) {
                h.object = row.object->Clone();
            } else {
                auto simple = std::make_unique<TMySimpleItem>();
                simple->name = row.text;
                h.object = std::move(simple);
            }
        } else if (slot.candidate < indexCount) {
            TMyShellItem item = index->item(size_t(slot.candidate));
            h.name = item.name;
            h.object = std::make_unique<TMyShellItem>(std::move(item));
        } else {
            const TExeWord& w = *words[size_t(slot.candidate - indexCount)];
            h.name = w.DefaultKeyword();
            h.object = w.Clone();
        }
        h.rank = fuzzyRank(slot.score, int(h.name.size()));
        held.push_back(std::move(h));
    }
    std::stable_sort(held.begin(), held.end(),
                     [](const Held& a, const Held& b) { return a.rank > b.rank; });
    for (Held& h : held)
        suggestions_.append(h.name, std::move(h.object));

    if (mode != 2 || !autoApply || suggestions_.empty()) return false;
    const ExclusionFilter filter(setup_);
    for (const ListRow& s : suggestions_.rows()) {
        if (filter.dropsFromCompletion(s.text)) continue;
        if (!setup_.autoshortlistonly)
            current_ = std::make_unique<TMyFuzzyItem>(s.text, CloneListObject(s.object.get()));
        break;
    }
    return true;
}

} // namespace lorvanta
