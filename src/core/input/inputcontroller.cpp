// Typing, key release and the list requests of the input box; inline
// completion is in inputcompletion.cpp, the other keys in inputkeys.cpp.

#include "inputcontroller.h"

#include "core/keywords/keywordstore.h"
#include "core/list/candidatelist.h"
#include "core/settings/setup.h"
#include "core/text/textkinds.h"

namespace lorvanta {

InputController::InputController(const Setup& setup, const KeywordStore& store,
                                 const History& history, CandidateList& list, Execution& execution,
                                 const platform::Environment& env, InputBox& box, InputView& view)
    : setup_(setup), store_(store), history_(history), list_(list), execution_(execution),
      env_(env), box_(box), view_(view) {}

// ---------------------------------------------------------------- typing

bool InputController::keyPress(QChar c) {
    keyHandled_ = false;
    if (continuesCompletion(c)) return true;
    if (setup_.searchtype == 1) requestRefresh();
    const QString text = box_.text();
    const int selStart = box_.selectionStart();
    const int caret = box_.caret();
    const int selLength = selStart >= 0 ? box_.selectionLength() : 0;
    const QString newText = text.left(caret) + c + text.mid(caret + selLength);
    if (newText == lastSeen_) return false;
    view_.setFailColour(false);
    if (acceptsCompletedTail(c)) return false;
    if (setup_.lessauto && caret < text.size() && selStart < 0) return false;

    // Completion runs on the text as it is with the character.
    box_.setText(newText);
    box_.setCursorPosition(caret + 1);
    completionIndex_ = 0;
    bool isshell = false;
    if (!SetAutoCompletion(0, false, true, &isshell)) {
        // The character stands as typed; key release takes the text.
        return true;
    }
    if (!isshell) {
        list_.clearSuggestions();
        list_.clearCurrentItem();
    }
    takeCompletedText();
    keyHandled_ = true;
    requestRefresh();
    return true;
}

// The next letter of the shown completion only moves the selection on.
bool InputController::continuesCompletion(QChar c) {
    const QString text = box_.text();
    const int selStart = box_.selectionStart();
    if (lastCompleted_.isEmpty() || selStart < 0 ||
        !lastCompleted_.startsWith(text.left(selStart) + c, Qt::CaseInsensitive) ||
        text.trimmed().compare(lastCompleted_, Qt::CaseInsensitive) != 0)
        return false;
    box_.setSelection(selStart + 1, int(text.size()) - selStart - 1);
    keyHandled_ = true;
    requestRefresh();
    return true;
}

// A "/" typed where the input has one but none from the caret on goes to the
// end: the completed tail is accepted and the "/" follows it, completing
// nothing.
bool InputController::acceptsCompletedTail(QChar c) {
    const QString text = box_.text();
    const int caret = box_.caret();
    if (c != u'/' || !text.contains(u'/') || text.indexOf(u'/', caret) >= 0) return false;
    box_.setCursorPosition(int(text.size()));
    return true;
}

// ---------------------------------------------------------------- key release

void InputController::keyUp(const KeyStroke& key) {
    if (view_.closing()) return;
    const bool erase = key.key == InputKey::Backspace || key.key == InputKey::Delete;
    const bool navigation = key.key == InputKey::Up || key.key == InputKey::Down;
    const bool changed = box_.text() != lastSeen_;
    if (changed && !keyHandled_ && !erase && !navigation)
        takeTypedText();
    else if (changed)
        takeEditedText();
    else if (erase && box_.text().isEmpty())
        ResetCurrentSearch(false);
    keyHandled_ = false;
    listTypedFolder();
    runRequestedRefresh();
}

// The text was typed: a fuzzy suggestion may stand for it, any other
// current item named an earlier text.
void InputController::takeTypedText() {
    const QString text = box_.text();
    view_.setFailColour(false);
    completionIndex_ = 0;
    if (!(fuzzyOn() && dynamic_cast<const TMyFuzzyItem*>(list_.currentItem())))
        list_.clearCurrentItem();
    lastCompleted_ = text.trimmed();
    lastSeen_ = text;
    requestRefresh();
}

// The text was changed by erasing (or another key): the current item goes,
// and a suggestion that was current is looked for again for the new text.
void InputController::takeEditedText() {
    const QString text = box_.text();
    if (text.isEmpty()) {
        // Nothing left: a fresh search, suggestions and all.
        ResetCurrentSearch(false);
        return;
    }
    view_.setFailColour(false);
    lastCompleted_.clear();
    lastSeen_ = text;
    const bool suggested = dynamic_cast<const TMyFuzzyItem*>(list_.currentItem()) != nullptr;
    list_.clearCurrentItem();
    completionIndex_ = 0;
    if (suggested) list_.FuzzySearch(text, 2, true, 0, infoLine_);
    if (setup_.autodropdown) requestRefresh();
}

// A typed folder is listed as soon as its "/" is there.
void InputController::listTypedFolder() {
    const QString text = box_.text();
    if (!refreshRequested_ && setup_.autodropdown && text.endsWith(u'/') &&
        box_.cursorPosition() == text.size() &&
        (looksLikeFilePath(text) || looksLikeFilePath(text.section(u' ', 1))))
        requestRefresh();
}

void InputController::runRequestedRefresh() {
    if (!refreshRequested_ || !setup_.autodropdown) return;
    refreshRequested_ = false;
    if (setup_.autodelay <= 0)
        ProcessInput(4);
    else
        view_.scheduleListRefresh(setup_.autodelay);
}

void InputController::listTimerFired() {
    if (!view_.closing() && view_.inputFocused()) ProcessInput(4);
}

void InputController::textChangedElsewhere(const QString& text) {
    if (!setup_.externaltext || externalTaken_ || text == lastSeen_) return;
    externalTaken_ = true;
    SetNewWord(text, false);
}

// ---------------------------------------------------------------- list requests

void InputController::ProcessInput(int typ, const QString& sender) {
    if (box_.text().startsWith(u"->")) {
        view_.hideList();
        return;
    }
    switch (typ) {
    case 0:
        completeForward();
        return;
    case 1:
        completeBackward();
        return;
    case 2:
        buildList(true);
        view_.showList(InputView::ListFocus::List);
        return;
    case 3:
        buildList(false);
        view_.showList(InputView::ListFocus::List);
        return;
    case 4:
        refresh(sender);
        return;
    case 5:
        reverse_ = !reverse_;
        buildList(false);
        view_.showList(InputView::ListFocus::List);
        return;
    case 6:
    case 7:
        expandFolder(typ == 7);
        return;
    default:
        return;
    }
}

// The completion after the one shown, back to the first past the last.
void InputController::completeForward() {
    list_.clearCurrentItem();
    ++completionIndex_;
    if (!SetAutoCompletion(1, false, true)) {
        completionIndex_ = 0;
        SetAutoCompletion(1, false, true);
    }
    takeCompletedText();
}

// The completion before the one shown; from the first, the last.
void InputController::completeBackward() {
    list_.clearCurrentItem();
    if (completionIndex_ == 0) {
        SetAutoCompletion(1, true, false);
        completionIndex_ = std::max(0, completionCount_ - 1);
    } else {
        --completionIndex_;
    }
    SetAutoCompletion(1, false, false);
    takeCompletedText();
}

void InputController::takeCompletedText() {
    lastCompleted_ = box_.text().trimmed();
    lastSeen_ = box_.text();
}

void InputController::buildList(bool matchall) {
    InputState in;
    in.text = box_.text();
    if (!matchall) {
        in.caret = box_.caret();
        in.selStart = box_.selectionStart();
        in.selLength = box_.selectionLength();
        in.infoLine = infoLine_;
    }
    list_.BuildListContent(in, matchall, reverse_);
}

// The list follows the input, the focus going back to the input box. A
// drop-down list is hidden while there is nothing typed; the view hides a
// list without rows. The refresh after a command is quiet: a command's output
// may hold the focus.
void InputController::refresh(const QString& sender) {
    buildList(false);
    if (setup_.autodropdown && setup_.listbehaveslikedropdown &&
        (box_.text().isEmpty() || infoLine_) && !view_.customElementShown() &&
        sender != u"refreshpinned") {
        view_.hideList();
        return;
    }
    view_.showList(sender == u"aftercommand" ? InputView::ListFocus::Keep
                                             : InputView::ListFocus::Input);
}

// The folder of the current item or input is listed, or (`intoInput`) its
// path with the file name becomes the input.
void InputController::expandFolder(bool intoInput) {
    const QString text = box_.text();
    const QString path = list_.GetPathFromItem(text, intoInput);
    if (!looksLikeFilePath(path)) {
        view_.toast(QStringLiteral("Could not detect a folder path from current input"));
        return;
    }
    if (intoInput) {
        SetNewWord(path, false);
        return;
    }
    InputState in;
    in.text = text;
    list_.BuildListContent(in, false, false, true, path);
    view_.showList(InputView::ListFocus::List);
}

void InputController::ResetCurrentSearch(bool cleartext) {
    view_.setFailColour(false);
    if (cleartext) {
        lastSeen_.clear(); // the emptied box is the program's own change
        box_.setText(QString());
    }
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
