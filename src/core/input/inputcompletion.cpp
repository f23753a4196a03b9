// Inline completion: the candidates of the completion sources, the one shown
// while typing or cycling, and the fuzzy suggestion when none completes.

#include "core/history/history.h"
#include "core/keywords/keywordstore.h"
#include "core/list/candidatelist.h"
#include "core/list/folderlisting.h"
#include "core/list/fuzzy.h"
#include "core/list/matching.h"
#include "core/list/sources.h"
#include "core/settings/setup.h"
#include "core/text/textkinds.h"
#include "inputcontroller.h"
#include "platform/environment.h"

namespace lorvanta {

namespace {

bool begins(const QString& text, const QString& word) {
    return text.startsWith(word, Qt::CaseInsensitive);
}

} // namespace

bool InputController::fuzzyOn() const {
    return setup_.autofuzz > 0 || setup_.autoshort > 0;
}

// Tags, then the sources of `autoorder` in their order; each matching
// candidate counts once.
void InputController::gatherCandidates(const QString& word, Candidates& out) const {
    if (!incognitoSuppresses(setup_, u"6"))
        for (const QString& tag : store_.tagList())
            if (begins(tag, word)) out.emplace_back(Source::Tag, tag);
    const QStringList order = sourceOrder(setup_.autoorder);
    for (int pos = 0; pos < std::min<qsizetype>(4, order.size()); ++pos) {
        const QString& source = order[pos];
        if (source.compare(u"History", Qt::CaseInsensitive) == 0)
            addHistoryCandidates(word, out);
        else if (source.compare(u"Keywords", Qt::CaseInsensitive) == 0)
            addKeywordCandidates(word, out);
        else if (source.compare(u"File system", Qt::CaseInsensitive) == 0)
            addFileSystemCandidates(word, out);
        else if (source.compare(u"Indexed items", Qt::CaseInsensitive) == 0)
            addIndexedCandidates(word, out);
    }
}

void InputController::addHistoryCandidates(const QString& word, Candidates& out) const {
    if (!setup_.autohistory || incognitoSuppresses(setup_, u"2")) return;
    const ExclusionFilter filter(setup_);
    for (const HistoryEntry& h : history_.entries()) {
        if (!begins(h.text, word) || filter.dropsFromCompletion(h.text)) continue;
        Candidate& c = out.emplace_back(Source::History, h.text);
        if (h.item) c.item = std::make_unique<TMyShellItem>(*h.item);
    }
}

void InputController::addKeywordCandidates(const QString& word, Candidates& out) const {
    if (!setup_.autowords) return;
    for (int i = 0; i < store_.size(); ++i) {
        const TExeWord& w = store_.at(i);
        if (w.disabled) continue;
        for (QStringView name : QStringView(w.keywords).tokenize(u','))
            if (!name.isEmpty() && name.startsWith(word, Qt::CaseInsensitive)) {
                out.emplace_back(Source::Keywords, name.toString());
                break;
            }
    }
}

void InputController::addFileSystemCandidates(const QString& word, Candidates& out) const {
    if (!setup_.autofilesystem || !looksLikeFilePath(word)) return;
    const ExclusionFilter filter(setup_);
    for (FolderEntry& e : listTypedPath(word, env_.homeFolder(), setup_.ignorenetwork)) {
        if (!begins(e.text, word) || filter.dropsFromCompletion(e.text, true)) continue;
        Candidate& c = out.emplace_back(Source::FileSystem, e.text);
        c.isPath = true;
        c.isFolder = e.isFolder;
        c.item = std::make_unique<TMyShellItem>(std::move(e.item));
    }
}

void InputController::addIndexedCandidates(const QString& word, Candidates& out) const {
    if (!setup_.autoprograms || !index_ || word.isEmpty()) return;
    const ExclusionFilter filter(setup_);
    // The index's prepared names turn most entries away without making items.
    const QString prepared = fuzzyPrepare(word);
    for (size_t i = 0; i < index_->size(); ++i) {
        if (!index_->names().prepared(i).startsWith(prepared)) continue;
        TMyShellItem item = index_->item(i);
        if (!begins(item.name, word) || filter.dropsFromCompletion(item.name)) continue;
        Candidate& c = out.emplace_back(Source::Indexed, item.name);
        c.item = std::make_unique<TMyShellItem>(std::move(item));
    }
}

// The candidate at the completion index. While typing, when that falls to
// the indexed items, the one most nearly the word is shown instead: the
// shortest once the word is taken out of it (the first of equals).
int InputController::chosenCandidate(int typ, const QString& word,
                                     const Candidates& candidates) const {
    const int index = completionIndex_;
    const int count = int(candidates.size());
    if (typ != 0 || index >= count || candidates[size_t(index)].source != Source::Indexed)
        return index;
    int best = index;
    qsizetype bestRest = -1;
    for (int i = index; i < count && candidates[size_t(i)].source == Source::Indexed; ++i) {
        QString rest = candidates[size_t(i)].text;
        rest.remove(word, Qt::CaseInsensitive);
        if (bestRest < 0 || rest.size() < bestRest) best = i, bestRest = rest.size();
    }
    return best;
}

// The input becomes the kept prefix and the candidate, the part not typed
// selected, so that typing on overwrites it.
void InputController::applyCandidate(Candidate& c, const QString& prefix, int selectFrom) {
    QString completed = c.text;
    if (c.isFolder && !(isNetworkPath(completed) && setup_.ignorenetwork) &&
        !completed.endsWith(u'/'))
        completed += u'/';
    const QString newText = c.isPath
                                ? QString(prefix + completed)
                                : QString(prefix + completed + GetExtraExt(prefix + completed));
    box_.setText(newText);
    box_.setSelection(selectFrom, int(newText.size()) - selectFrom);
    if (c.item) list_.setCurrentItem(std::move(c.item));
}

// Nothing completed: a fuzzy suggestion may stand for the word instead.
void InputController::suggestInstead(const QString& word, int counted) {
    if (!fuzzyOn()) return;
    if (counted == 0) {
        if (!list_.FuzzySearch(word, 2, true, 0, infoLine_)) {
            list_.clearSuggestions();
            list_.clearCurrentItem();
        }
    } else if (setup_.autoshortalways) {
        list_.clearSuggestions();
        list_.clearCurrentItem();
    }
}

bool InputController::SetAutoCompletion(int typ, bool calccount, bool, bool* isshell) {
    if (isshell) *isshell = false;
    const QString text = box_.text();
    if (text.startsWith(u"->") || incognitoSuppresses(setup_, u"8")) return false;
    const int caret = box_.caret();

    // The part before the completed segment is kept, as the list keeps it.
    const InputSegment segment = currentSegment(text, caret, setup_.separator);
    const QString word = typ == 1 ? segment.text.left(segment.caret) : segment.text;

    Candidates candidates;
    gatherCandidates(word, candidates);
    const int count = int(candidates.size());
    if (calccount) {
        completionCount_ = count;
    } else if (const int chosen = chosenCandidate(typ, word, candidates); chosen < count) {
        Candidate& c = candidates[size_t(chosen)];
        if (isshell) *isshell = c.item != nullptr;
        const int typed = std::max<int>(1, int(segment.kept.size() + word.size()));
        applyCandidate(c, segment.kept, typ == 1 ? caret : typed);
        completionIndex_ = chosen;
        return true;
    }
    suggestInstead(word, count);
    return false;
}

QString InputController::GetExtraExt(const QString& s) const {
    if (setup_.notrailingspace) return {};
    if (!setup_.smartparam) return QStringLiteral(" ");
    if (s.contains(u' ')) return {};
    const TExeWord* w = store_.FindKeyword(s.section(u' ', 0, 0), true);
    if (w && (TakesParameters(*w) || w->command.contains(u"$PLUGIN ", Qt::CaseInsensitive)))
        return QStringLiteral(" ");
    return {};
}

} // namespace lorvanta
