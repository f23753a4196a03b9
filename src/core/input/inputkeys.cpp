// The keys of the input box: what each one does before (or instead of) the
// line edit's own handling.

#include "core/exec/execution.h"
#include "core/keywords/keywordstore.h"
#include "core/list/candidatelist.h"
#include "core/settings/setup.h"
#include "core/text/textkinds.h"
#include "inputcontroller.h"
#include "platform/environment.h"

#include <QFileInfo>

namespace lorvanta {

namespace {

// The delimiters of word-wise caret moves.
bool isDelimiter(QChar c) {
    return QStringView(u" :/\\&-.|+=?_@#;").contains(c);
}

} // namespace

bool InputController::keyDown(const KeyStroke& k) {
    switch (k.key) {
    case InputKey::Enter:
        if (k.ctrl)
            openEditor();
        else
            enter(k.shift, k.alt);
        return true;
    case InputKey::F10:
        openEditor();
        return true;
    case InputKey::F4:
        if (k.alt)
            view_.closeProgram();
        else if (setup_.expandf4)
            openEditor();
        else
            ProcessInput(3);
        return true;
    case InputKey::Escape:
        if (k.shift)
            view_.hideWindow();
        else
            escape();
        return true;
    case InputKey::Tab:
        tab(k);
        return true;
    case InputKey::Down:
        ProcessInput(k.alt ? 3 : k.shift ? 2 : setup_.autodropdown ? 3 : 0);
        return true;
    case InputKey::Up:
        ProcessInput(k.alt ? 3 : 1);
        return true;
    case InputKey::F5:
        if (k.ctrl) return false; // the menu's "Reload Skin"
        ProcessInput(2);
        return true;
    case InputKey::F3:
        view_.focusInput();
        return true;
    case InputKey::F8:
        view_.copyFullPath(k.shift);
        return true;
    case InputKey::Delete:
        if (!k.shift || k.ctrl) return false;
        view_.deleteCurrentFromHistory();
        return true;
    case InputKey::Digit:
        return numberedRow(k);
    default:
        return k.ctrl && ctrlKey(k);
    }
}

// Ctrl+R, Ctrl+A, Ctrl+E and the word-wise editing keys.
bool InputController::ctrlKey(const KeyStroke& k) {
    switch (k.key) {
    case InputKey::E:
        if (k.alt) return false;
        ProcessInput(6);
        return true;
    case InputKey::R:
        ProcessInput(5);
        return true;
    case InputKey::A:
        box_.selectAll();
        return true;
    case InputKey::Backspace:
        ctrlBackspace();
        return true;
    case InputKey::Left:
    case InputKey::Right:
        wordMove(k.key == InputKey::Right, k.shift);
        return true;
    default:
        return false;
    }
}

void InputController::enter(bool shift, bool alt) {
    const QString text = box_.text();
    if (text.isEmpty()) return;
    if (infoLine_) {
        infoLine_ = false;
        ResetCurrentSearch(true);
        return;
    }
    if (text.startsWith(u"->")) {
        box_.selectAll();
        return;
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
}

// Ctrl+Enter, F10, F4 with `expandf4`: the text goes to the editor, which has room.
void InputController::openEditor() {
    if (infoLine_) SetNewWord(QString(), false, true);
    view_.openExpandedEdit();
}

void InputController::escape() {
    view_.dismissCustomElements();
    if (box_.allSelected() && !setup_.fastesc) {
        ResetCurrentSearch(true);
    } else if (!setup_.stayontop || setup_.hide) {
        ResetCurrentSearch(false);
        view_.hideWindow();
    } else {
        // A window that stays on top is kept; the focus goes back instead.
        view_.activatePreviousWindow();
    }
}

// Tab moves between path segments and Ctrl+Tab completes; `switchtab` off swaps them.
void InputController::tab(const KeyStroke& k) {
    const bool completes = setup_.switchtab ? k.ctrl : !k.ctrl;
    if (completes)
        ProcessInput(k.shift ? 1 : 0);
    else
        tabSegment(!k.shift);
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
    const int caret = box_.caret();
    const qsizetype prev = caret >= 2 ? t.lastIndexOf(u'/', caret - 2) : -1;
    const int start = int(prev) + 1;
    box_.setSelection(start, std::max(0, caret - 1 - start));
}

// The number pad (0 counting as 1) and Alt+1 to Alt+9, also on the number
// pad, take a list row by its number; false leaves the digit to be typed.
bool InputController::numberedRow(const KeyStroke& k) {
    if (k.keypad && setup_.launchfromkeypad && keypadTakesRows()) {
        view_.takeNumberedRow(k.digit == 0 ? 1 : k.digit);
        return true;
    }
    if (!k.alt || !setup_.launchusingalt || k.digit < 1 || k.digit > 9) return false;
    view_.takeNumberedRow(k.digit);
    return true;
}

// A calculation takes digits, and with `numlockallow` so does the text after
// a keyword and a space unless it is all selected.
bool InputController::keypadTakesRows() const {
    const QString text = box_.text();
    if (!setup_.calcchar.isEmpty() && text.startsWith(setup_.calcchar)) return false;
    return !(setup_.numlockallow && text.contains(u' ') && !box_.allSelected());
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

} // namespace lorvanta
