// The fuzzy suggestions of the candidate list.

#include "core/keywords/keywordstore.h"
#include "core/text/programsearch.h"
#include "core/text/textkinds.h"
#include "emitter.h"
#include "fuzzy.h"
#include "matching.h"
#include "platform/environment.h"

#include <algorithm>

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
        if (indexCount > 0 && setup_.autoshort >= 2) {
            const quint64 all = fuzzyCharMask(q);
            // Without all its letters a name can only score on word starts and
            // ends, which needs q's first letter or its last two.
            const quint64 first = fuzzyCharMask(q.first(1));
            const quint64 last2 = fuzzyCharMask(q.last(std::min<qsizetype>(2, q.size())));
            const int perWord = int(std::min<qsizetype>(20, q.size())) * 10;
            const NameTable& names = sources_.index->names();
            const FuzzyQuery query(q);
            for (int i = 0; i < indexCount; ++i) {
                const NameTable::Entry& e = names.entry(size_t(i));
                if (!maskHolds(e.mask, all)) {
                    if (!maskHolds(e.mask, first) && !maskHolds(e.mask, last2)) continue;
                    if (e.words == 1 || e.words * perWord - e.words / 2 <= table.floor()) continue;
                }
                const int score =
                    query.scoreAbove(names.prepared(size_t(i)), e.words, table.floor());
                if (table.admits(score)) table.offer(score, i);
            }
        }
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
