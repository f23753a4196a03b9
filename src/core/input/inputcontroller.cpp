#include "inputcontroller.h"

#include "core/exec/execution.h"
#include "core/history/history.h"
#include "core/keywords/keywordstore.h"
#include "core/list/candidatelist.h"
#include "core/list/folderlisting.h"
#include "core/list/fuzzy.h"
#include "core/list/matching.h"
#include "core/list/sources.h"
#include "core/settings/setup.h"
#include "core/text/textkinds.h"
#include "platform/environment.h"

#include <QFileInfo>

namespace lorvanta {

namespace {

// The delimiters of word-wise caret moves.
bool isDelimiter(QChar c) {
    return QStringView(u" :/\\&-.|+=?_@#;").contains(c);
}

} // namespace

InputController::InputController(const Setup& setup, const KeywordStore& store,
                                 const History& history, CandidateList& list, Execution& execution,
                                 const platform::Environment& env, InputBox& box, InputView& view)
    : setup_(setup), store_(store), history_(history), list_(list), execution_(execution),
      env_(env), box_(box), view_(view) {}

// ---------------------------------------------------------------- completion

void InputController::gatherCandidates(const QString& word, std::vector<Candidate>& out) const {
    const ExclusionFilter filter(setup_);
    const auto starts = [&](const QString& t) { return t.startsWith(word, Qt::CaseInsensitive); };
    if (!incognitoSuppresses(setup_, u"6"))
        for (const QString& tag : store_.tagList())
            if (starts(tag)) out.push_back(Candidate{tag});
    const QStringList order = sourceOrder(setup_.autoorder);
    for (int pos = 0; pos < std::min<qsizetype>(4, order.size()); ++pos) {
        const QString& source = order[pos];
        if (source.compare(u"History", Qt::CaseInsensitive) == 0) {
            if (!setup_.autohistory || incognitoSuppresses(setup_, u"2")) continue;
            for (const HistoryEntry& h : history_.entries()) {
                if (!starts(h.text) || filter.dropsFromCompletion(h.text)) continue;
                Candidate c{h.text};
                if (h.item) c.item = std::make_unique<TMyShellItem>(*h.item);
                out.push_back(std::move(c));
            }
        } else if (source.compare(u"Keywords", Qt::CaseInsensitive) == 0) {
            if (!setup_.autowords) continue;
            for (int i = 0; i < store_.size(); ++i) {
                const TExeWord& w = store_.at(i);
                if (w.disabled) continue;
                for (QStringView name : QStringView(w.keywords).tokenize(u','))
                    if (!name.isEmpty() && name.startsWith(word, Qt::CaseInsensitive)) {
                        out.push_back(Candidate{name.toString()});
                        break;
                    }
            }
        } else if (source.compare(u"File system", Qt::CaseInsensitive) == 0) {
            if (!setup_.autofilesystem || !looksLikeFilePath(word)) continue;
            for (FolderEntry& e : listTypedPath(word, env_.homeFolder(), setup_.ignorenetwork)) {
                if (!starts(e.text) || filter.dropsFromCompletion(e.text, true)) continue;
                Candidate c{e.text, true, e.isFolder};
                c.item = std::make_unique<TMyShellItem>(std::move(e.item));
                out.push_back(std::move(c));
            }
        } else if (source.compare(u"Indexed items", Qt::CaseInsensitive) == 0) {
            if (!setup_.autoprograms || !index_ || word.isEmpty()) continue;
            // The index's prepared names turn most entries away without making items.
            const QString prepared = fuzzyPrepare(word);
            for (size_t i = 0; i < index_->size(); ++i) {
                if (!index_->names().prepared(i).startsWith(prepared)) continue;
                TMyShellItem item = index_->item(i);
                if (!starts(item.name) || filter.dropsFromCompletion(item.name)) continue;
                Candidate c{item.name};
                c.item = std::make_unique<TMyShellItem>(std::move(item));
                out.push_back(std::move(c));
            }
        }
    }
}

bool InputController::SetAutoCompletion(int typ, bool calccount, bool) {
    const QString text = box_.text();
    if (text.startsWith(u"->") || incognitoSuppresses(setup_, u"8")) return false;
    const int caret = box_.selectionStart() >= 0 ? box_.selectionStart() : box_.cursorPosition();

    // The part before the completed segment is kept, as the list keeps it.
    const InputSegment segment = currentSegment(text, caret, setup_.separator);
    const QString& prefix = segment.kept;
    QString word = segment.text;
    if (typ == 1) word = word.left(segment.caret);

    std::vector<Candidate> candidates;
    gatherCandidates(word, candidates);
    const int count = int(candidates.size());
    if (calccount) {
        completionCount_ = count;
        return false;
    }
    int index = completionIndex_;
    if (typ == 0 && index_ && setup_.autoprograms) {
        // While typing, the indexed item that is most nearly the word is shown.
        int best = -1;
        qsizetype bestRest = 0;
        for (int i = 0; i < count; ++i) {
            if (!candidates[size_t(i)].item || candidates[size_t(i)].isPath) continue;
            QString rest = candidates[size_t(i)].text;
            rest.remove(word, Qt::CaseInsensitive);
            if (best < 0 || rest.size() < bestRest) best = i, bestRest = rest.size();
        }
        if (best >= 0 && index == 0) index = best;
    }
    if (index < count) {
        Candidate& c = candidates[size_t(index)];
        QString completed = c.text;
        if (c.isFolder && !(isNetworkPath(completed) && setup_.ignorenetwork) &&
            !completed.endsWith(u'/'))
            completed += u'/';
        const QString newText = c.isPath
                                    ? QString(prefix + completed)
                                    : QString(prefix + completed + GetExtraExt(prefix + completed));
        const int start = typ == 1 ? caret : std::max<int>(1, int(prefix.size() + word.size()));
        box_.setText(newText);
        box_.setSelection(start, int(newText.size()) - start);
        completionIndex_ = index;
        if (c.item) list_.setCurrentItem(std::move(c.item));
        return true;
    }
    if (setup_.autofuzz > 0 || setup_.autoshort > 0) {
        if (count == 0) {
            if (!list_.FuzzySearch(word, 2, true, 0)) {
                list_.clearSuggestions();
                list_.clearCurrentItem();
            }
        } else if (setup_.autoshortalways) {
            list_.clearSuggestions();
            list_.clearCurrentItem();
        }
    }
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

// ---------------------------------------------------------------- typing

bool InputController::keyPress(QChar c) {
    keyHandled_ = false;
    const QString text = box_.text();
    const int selStart = box_.selectionStart();
    const int caret = selStart >= 0 ? selStart : box_.cursorPosition();
    const QString upToCaret = text.left(caret);

    // The next letter of the shown completion only moves the selection on.
    if (!lastCompleted_.isEmpty() && selStart >= 0 &&
        lastCompleted_.startsWith(upToCaret + c, Qt::CaseInsensitive) &&
        text.trimmed().compare(lastCompleted_, Qt::CaseInsensitive) == 0) {
        box_.setSelection(caret + 1, int(text.size()) - caret - 1);
        keyHandled_ = true;
        requestRefresh();
        return true;
    }
    if (setup_.searchtype == 1) requestRefresh();
    const int selLength = selStart >= 0 ? box_.selectionLength() : 0;
    const QString newText = text.left(caret) + c + text.mid(caret + selLength);
    if (newText != lastSeen_) view_.setFailColour(false);
    // Typing "/" accepts a completed tail first.
    if (c == u'/' && text.contains(u'/') && text.indexOf(u'/', caret) < 0 && selStart >= 0) {
        box_.setText(text + c);
        box_.setCursorPosition(int(text.size()) + 1);
        keyHandled_ = true;
        requestRefresh();
        return true;
    }
    if (setup_.lessauto && caret < text.size() && selStart < 0) return false;

    box_.setText(newText);
    box_.setCursorPosition(caret + 1);
    completionIndex_ = 0;
    if (SetAutoCompletion(0, false, true)) {
        if (!dynamic_cast<const TMyShellItem*>(list_.currentItem())) {
            list_.clearSuggestions();
        }
        lastCompleted_ = box_.text().trimmed();
        lastSeen_ = box_.text();
        keyHandled_ = true;
        requestRefresh();
        return true;
    }
    // No completion: the character stands as typed.
    keyHandled_ = true;
    lastCompleted_ = newText.trimmed();
    lastSeen_ = newText;
    requestRefresh();
    return true;
}

void InputController::requestRefresh() {
    refreshRequested_ = true;
}

void InputController::keyUp(InputKey key, bool backspaceOrDelete) {
    const QString text = box_.text();
    if (!keyHandled_ && text != lastSeen_) {
        view_.setFailColour(false);
        lastSeen_ = text;
        completionIndex_ = 0;
        if (backspaceOrDelete) {
            lastCompleted_.clear();
            list_.clearCurrentItem();
            if (text.isEmpty()) {
                ResetCurrentSearch(false);
                return;
            }
        } else {
            lastCompleted_ = text.trimmed();
            if (!dynamic_cast<const TMyFuzzyItem*>(list_.currentItem())) list_.clearCurrentItem();
        }
        requestRefresh();
    }
    keyHandled_ = false;
    Q_UNUSED(key);
    // A typed folder is listed as soon as its "/" is there.
    if (!refreshRequested_ && setup_.autodropdown && text.endsWith(u'/') &&
        box_.cursorPosition() == text.size() &&
        (looksLikeFilePath(text) || looksLikeFilePath(text.section(u' ', 1))))
        refreshRequested_ = true;
    if (refreshRequested_ && setup_.autodropdown) {
        refreshRequested_ = false;
        if (setup_.autodelay <= 0)
            ProcessInput(4);
        else
            view_.scheduleListRefresh(setup_.autodelay);
    }
}

void InputController::listTimerFired() {
    ProcessInput(4);
}

void InputController::textChangedElsewhere(const QString& text) {
    if (!setup_.externaltext || externalTaken_ || text == lastSeen_) return;
    externalTaken_ = true;
    SetNewWord(text, false);
}

// ---------------------------------------------------------------- keys

bool InputController::keyDown(InputKey key, bool shift, bool alt, int digit) {
    switch (key) {
    case InputKey::Enter: {
        const QString text = box_.text();
        if (text.isEmpty()) return true;
        if (infoLine_) {
            infoLine_ = false;
            ResetCurrentSearch(true);
            return true;
        }
        if (text.startsWith(u"->")) {
            box_.selectAll();
            return true;
        }
        if (setup_.unknownlaunchtype == 1)
            TakeFirstCandidate(false);
        else if (setup_.unknownlaunchtype == 2)
            SearchUnknownInput();
        ExecuteFlags f;
        f.iskeydown = true;
        f.forcerunas = shift;
        f.forcebrowser = alt;
        execution_.DoExecute(box_.text(), f);
        return true;
    }
    case InputKey::Down:
        ProcessInput(setup_.autodropdown ? 3 : 0);
        return true;
    case InputKey::Up:
        ProcessInput(1);
        return true;
    case InputKey::ShiftDown:
        ProcessInput(2);
        return true;
    case InputKey::AltDown:
        ProcessInput(3);
        return true;
    case InputKey::CtrlR:
        ProcessInput(5);
        return true;
    case InputKey::Escape: {
        const QString text = box_.text();
        const bool allSelected =
            !text.isEmpty() && box_.selectionStart() == 0 && box_.selectionLength() == text.size();
        if (allSelected && !setup_.fastesc) {
            ResetCurrentSearch(true);
        } else {
            ResetCurrentSearch(false);
            view_.hideWindow();
        }
        return true;
    }
    case InputKey::ShiftEscape:
        view_.hideWindow();
        return true;
    case InputKey::CtrlBackspace:
        ctrlBackspace();
        return true;
    case InputKey::CtrlLeft:
    case InputKey::CtrlShiftLeft:
        wordMove(false, key == InputKey::CtrlShiftLeft);
        return true;
    case InputKey::CtrlRight:
    case InputKey::CtrlShiftRight:
        wordMove(true, key == InputKey::CtrlShiftRight);
        return true;
    case InputKey::CtrlA:
        box_.selectAll();
        return true;
    case InputKey::AltDigit:
        if (!setup_.launchusingalt || digit < 1 || digit > 9) return false;
        view_.takeNumberedRow(digit);
        return true;
    default:
        return false;
    }
}

void InputController::tabSegment(bool forward) {
    if (forward && dynamic_cast<const TMyShellItem*>(list_.currentItem())) {
        ProcessInput(7);
        return;
    }
    const QString t = box_.text();
    if (forward) {
        if (const TExeWord* w = store_.FindKeyword(t.trimmed(), true);
            w && looksLikeFilePath(w->command) &&
            QFileInfo(expandTilde(w->command, env_.homeFolder())).isDir()) {
            SetNewWord(w->command.endsWith(u'/') ? w->command : w->command + u'/', false);
            return;
        }
        const int caret = box_.selectionStart() >= 0
                              ? box_.selectionStart() + box_.selectionLength()
                              : box_.cursorPosition();
        const qsizetype next = t.indexOf(u'/', caret);
        if (next < 0) {
            box_.setCursorPosition(int(t.size()));
            return;
        }
        const qsizetype after = t.indexOf(u'/', next + 1);
        const int start = int(next) + 1;
        box_.setSelection(start, int(after < 0 ? t.size() : after) - start);
        return;
    }
    const int caret = box_.selectionStart() >= 0 ? box_.selectionStart() : box_.cursorPosition();
    const qsizetype prev = caret >= 2 ? t.lastIndexOf(u'/', caret - 2) : -1;
    const int start = int(prev) + 1;
    box_.setSelection(start, std::max(0, caret - 1 - start));
}

void InputController::ctrlBackspace() {
    const QString text = box_.text();
    // Back to (and keeping) the last separator before the last character.
    qsizetype cut = -1;
    for (qsizetype i = text.size() - 2; i >= 0; --i)
        if (QStringView(u" /\\&").contains(text[i])) {
            cut = i;
            break;
        }
    if (cut < 0) {
        ResetCurrentSearch(true);
        return;
    }
    box_.setText(text.left(cut + 1));
    box_.setCursorPosition(int(cut) + 1);
    lastSeen_ = box_.text();
    lastCompleted_.clear();
    list_.clearCurrentItem();
    if (setup_.autodropdown) ProcessInput(4);
}

void InputController::wordMove(bool forward, bool extend) {
    const QString t = box_.text();
    const int anchor = box_.selectionStart() >= 0 && extend
                           ? (box_.cursorPosition() == box_.selectionStart()
                                  ? box_.selectionStart() + box_.selectionLength()
                                  : box_.selectionStart())
                           : -1;
    int pos = box_.cursorPosition();
    if (forward) {
        while (pos < t.size() && isDelimiter(t[pos]))
            ++pos;
        while (pos < t.size() && !isDelimiter(t[pos]))
            ++pos;
    } else {
        while (pos > 0 && isDelimiter(t[pos - 1]))
            --pos;
        while (pos > 0 && !isDelimiter(t[pos - 1]))
            --pos;
    }
    if (extend) {
        const int from = anchor >= 0 ? anchor : box_.cursorPosition();
        box_.setSelection(from, pos - from);
    } else {
        box_.setCursorPosition(pos);
    }
}

// ---------------------------------------------------------------- list requests

void InputController::refreshList(bool focus, const QString&) {
    InputState in;
    in.text = box_.text();
    in.caret = box_.selectionStart() >= 0 ? box_.selectionStart() : box_.cursorPosition();
    in.selStart = box_.selectionStart();
    in.selLength = box_.selectionLength();
    in.infoLine = infoLine_;
    list_.BuildListContent(in, false, reverse_);
    view_.showList(focus);
}

void InputController::ProcessInput(int typ, const QString& sender) {
    const QString text = box_.text();
    if (text.startsWith(u"->")) {
        view_.hideList();
        return;
    }
    switch (typ) {
    case 0:
        list_.clearCurrentItem();
        ++completionIndex_;
        if (!SetAutoCompletion(1, false, true)) {
            completionIndex_ = 0;
            SetAutoCompletion(1, false, true);
        }
        lastCompleted_ = box_.text().trimmed();
        lastSeen_ = box_.text();
        return;
    case 1:
        list_.clearCurrentItem();
        if (completionIndex_ == 0) {
            SetAutoCompletion(1, true, false);
            completionIndex_ = std::max(0, completionCount_ - 1);
        } else {
            --completionIndex_;
        }
        SetAutoCompletion(1, false, false);
        lastCompleted_ = box_.text().trimmed();
        lastSeen_ = box_.text();
        return;
    case 2: {
        InputState in;
        in.text = text;
        list_.BuildListContent(in, true, reverse_);
        view_.showList(true);
        return;
    }
    case 3:
        refreshList(true);
        return;
    case 4: {
        InputState in;
        in.text = text;
        in.caret = box_.selectionStart() >= 0 ? box_.selectionStart() : box_.cursorPosition();
        in.selStart = box_.selectionStart();
        in.selLength = box_.selectionLength();
        list_.BuildListContent(in, false, reverse_);
        if (setup_.autodropdown && setup_.listbehaveslikedropdown && text.isEmpty() &&
            sender != u"refreshpinned") {
            view_.hideList();
            return;
        }
        if (list_.rows().empty() && !(setup_.autodropdown && setup_.listfixedsize)) {
            view_.hideList();
            return;
        }
        view_.showList(false);
        return;
    }
    case 5:
        reverse_ = !reverse_;
        refreshList(true);
        return;
    case 6:
    case 7: {
        const QString path = list_.GetPathFromItem(text, typ == 7);
        if (!looksLikeFilePath(path)) {
            view_.toast(QStringLiteral("Could not detect a folder path from current input"));
            return;
        }
        if (typ == 7) {
            SetNewWord(path, false);
            return;
        }
        InputState in;
        in.text = text;
        list_.BuildListContent(in, false, false, true, path);
        view_.showList(true);
        return;
    }
    default:
        return;
    }
}

void InputController::ResetCurrentSearch(bool cleartext) {
    view_.setFailColour(false);
    if (cleartext) lastSeen_.clear();
    if (cleartext) box_.setText(QString());
    lastSeen_ = box_.text();
    lastCompleted_.clear();
    completionIndex_ = 0;
    list_.clearSuggestions();
    list_.clearCurrentItem();
    if (setup_.autodropdown) ProcessInput(4);
}

void InputController::SetNewWord(const QString& s, bool selectall, bool ignoredrop) {
    infoLine_ = false;
    lastSeen_ = s; // before the text: the change is the program's own
    box_.setText(s);
    view_.setFailColour(false);
    lastCompleted_.clear();
    completionIndex_ = 0;
    list_.clearSuggestions();
    list_.clearCurrentItem();
    if (selectall)
        box_.selectAll();
    else
        box_.setCursorPosition(int(s.size()));
    if (setup_.autodropdown && !ignoredrop) ProcessInput(4);
}

bool InputController::TakeFirstCandidate(bool force) {
    if (!view_.listVisible() && !setup_.autodropdown) return false;
    const QString text = box_.text();
    if (!force && (list_.currentItem() || list_.isRecognised(text, false, true))) return false;
    const int first = list_.rows().firstNonHeader();
    if (first < 0) return false;
    const ListRow& row = list_.rows().at(first);
    std::unique_ptr<TListObject> object = CloneListObject(row.object.get());
    SetNewWord(row.text, true, true);
    if (object) list_.setCurrentItem(std::move(object));
    return true;
}

bool InputController::SearchUnknownInput() {
    const QString text = box_.text();
    for (const QString& p : setup_.launchignorelist.split(u','))
        if (!p.trimmed().isEmpty() && text.startsWith(p.trimmed(), Qt::CaseInsensitive))
            return false;
    if (list_.currentItem() || list_.isRecognised(text, false, true)) return false;
    const TExeWord* w = store_.FindKeyword(setup_.fastsearch, true);
    if (!w || w->command.contains(u"$ce$", Qt::CaseInsensitive)) return false;
    SetNewWord(w->DefaultKeyword() + u' ' + text, true, true);
    return true;
}

} // namespace lorvanta
