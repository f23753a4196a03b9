#pragma once

#include "core/list/listitems.h"
#include "inputbox.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace lorvanta {

struct Setup;
class KeywordStore;
class History;
class CandidateList;
class TMyShellItem;
class Execution;
class IndexCollection;
namespace platform {
class Environment;
}

// The keys input handling tells apart; the window only translates its key
// events into these, and the controller decides what they do.
enum class InputKey {
    Enter,
    Escape,
    Tab, // Shift+Tab comes as Tab with `shift`
    Down,
    Up,
    Left,
    Right,
    Backspace,
    Delete,
    F3,
    F4,
    F5,
    F8,
    F10,
    A,
    E,
    R,
    Digit, // 0 to 9 of the main keys or, with `keypad`, of the number pad
    Other
};

// One key as it was pressed: the key and the modifiers held.
struct KeyStroke {
    InputKey key = InputKey::Other;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    bool keypad = false; // from the number pad
    int digit = -1;      // for InputKey::Digit
};

// What input handling asks of the window around the box.
class InputView {
public:
    virtual ~InputView() = default;
    // Where the focus goes when a rebuilt list is shown: to the list on its
    // first row, back to the input box, or (a quiet refresh) nowhere.
    enum class ListFocus { List, Input, Keep };
    // The list was rebuilt: show it; a list without rows hides the pane
    // unless a custom element holds it.
    virtual void showList(ListFocus focus) = 0;
    virtual void hideList() = 0;
    virtual bool listVisible() const = 0;
    // Take the list row with this quick-launch number (1 to 9).
    virtual void takeNumberedRow(int number) = 0;
    virtual void hideWindow() = 0;
    virtual void closeProgram() = 0;
    // The program is closing: key release and the deferred rebuild do nothing.
    virtual bool closing() const = 0;
    virtual bool inputFocused() const = 0;
    // Hands the focus back to the window that had it before the launcher.
    virtual void activatePreviousWindow() = 0;
    // Hides the text box and the editor of the pane; the list comes back.
    virtual void dismissCustomElements() = 0;
    // The pane shows the text box or the editor rather than the list.
    virtual bool customElementShown() const = 0;
    // The multi-line editor with the input text and caret.
    virtual void openExpandedEdit() = 0;
    virtual void focusInput() = 0;
    // The path the input or its current item names, onto the clipboard or
    // (`intoInput`) into the box.
    virtual void copyFullPath(bool intoInput) = 0;
    // Forgets the input in the history and clears it.
    virtual void deleteCurrentFromHistory() = 0;
    virtual void setFailColour(bool failed) = 0;
    // Starts (or restarts) the deferred list rebuild after `ms`.
    virtual void scheduleListRefresh(int ms) = 0;
    virtual void toast(const QString& text) = 0;
};

// What every keystroke in the input box does: inline completion with the
// completed tail selected, continuing and cycling completions, the list
// requests, Enter, Escape, Tab, the editor keys, launching rows by number and
// the word-wise editing keys. The one place where keys become actions.
class InputController {
public:
    InputController(const Setup& setup, const KeywordStore& store, const History& history,
                    CandidateList& list, Execution& execution, const platform::Environment& env,
                    InputBox& box, InputView& view);

    void setIndex(const IndexCollection* index) { index_ = index; }

    // A key pressed; returns true when it was handled and must not reach the box.
    bool keyDown(const KeyStroke& key);
    // A printable character typed; returns true when it was consumed here.
    bool keyPress(QChar c);
    // After the key: text changes not made by completion, and the list refresh.
    void keyUp(const KeyStroke& key);
    // The deferred list rebuild is due; it runs while the input box has the focus.
    void listTimerFired();

    // The list requests 0 to 7.
    void ProcessInput(int typ, const QString& sender = {});
    // Inline completion; true when a completion was applied. `isshell` tells
    // whether it came with a file item (which then is the current item).
    bool SetAutoCompletion(int typ, bool calccount, bool isforward, bool* isshell = nullptr);
    void ResetCurrentSearch(bool cleartext);
    void SetNewWord(const QString& s, bool selectall, bool ignoredrop = false);
    bool TakeFirstCandidate(bool force);
    bool SearchUnknownInput();
    QString GetExtraExt(const QString& s) const;

    // The box shows the information line rather than typed text.
    void setInfoLine(bool shown) { infoLine_ = shown; }
    bool infoLine() const { return infoLine_; }
    // A change of the text that neither typing nor the program made (another
    // program wrote into the box): with `externaltext` the first one is taken
    // over as if the program had set it.
    void textChangedElsewhere(const QString& text);

private:
    enum class Source { Tag, History, Keywords, FileSystem, Indexed };
    struct Candidate {
        Candidate(Source s, QString t) : source(s), text(std::move(t)) {}
        Source source;
        QString text;
        bool isPath = false;
        bool isFolder = false;
        std::unique_ptr<TMyShellItem> item;
    };
    using Candidates = std::vector<Candidate>;

    // Completion (inputcompletion.cpp).
    void gatherCandidates(const QString& word, Candidates& out) const;
    void addHistoryCandidates(const QString& word, Candidates& out) const;
    void addKeywordCandidates(const QString& word, Candidates& out) const;
    void addFileSystemCandidates(const QString& word, Candidates& out) const;
    void addIndexedCandidates(const QString& word, Candidates& out) const;
    int chosenCandidate(int typ, const QString& word, const Candidates& candidates) const;
    void applyCandidate(Candidate& c, const QString& prefix, int selectFrom);
    void suggestInstead(const QString& word, int counted);
    bool fuzzyOn() const;

    // Typing and key release (inputcontroller.cpp).
    bool continuesCompletion(QChar c);
    bool acceptsCompletedTail(QChar c);
    void takeTypedText();
    void takeEditedText();
    void listTypedFolder();
    void runRequestedRefresh();
    void requestRefresh() { refreshRequested_ = true; }

    // Keys (inputkeys.cpp).
    bool ctrlKey(const KeyStroke& key);
    void enter(bool shift, bool alt);
    void openEditor();
    void escape();
    void tab(const KeyStroke& key);
    void tabSegment(bool forward);
    bool numberedRow(const KeyStroke& key);
    bool keypadTakesRows() const;
    void ctrlBackspace();
    void wordMove(bool forward, bool extend);

    // List requests (inputcontroller.cpp).
    void completeForward();
    void completeBackward();
    void buildList(bool matchall);
    void refresh(const QString& sender);
    void expandFolder(bool intoInput);
    void takeCompletedText();

    const Setup& setup_;
    const KeywordStore& store_;
    const History& history_;
    CandidateList& list_;
    Execution& execution_;
    const platform::Environment& env_;
    InputBox& box_;
    InputView& view_;
    const IndexCollection* index_ = nullptr;

    QString lastSeen_;
    QString lastCompleted_;
    int completionIndex_ = 0;
    int completionCount_ = 0;
    bool refreshRequested_ = false;
    bool keyHandled_ = false;
    bool reverse_ = false;
    bool infoLine_ = false;
    bool externalTaken_ = false;
};

} // namespace lorvanta
