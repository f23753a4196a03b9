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

// Keys as input handling distinguishes them; the window maps its key events.
enum class InputKey {
    Enter,
    Escape,
    ShiftEscape,
    Down,
    Up,
    ShiftDown,
    AltDown,
    CtrlR,
    CtrlBackspace,
    CtrlLeft,
    CtrlShiftLeft,
    CtrlRight,
    CtrlShiftRight,
    CtrlA,
    F3,
    AltDigit,
    PageDown,
    Other
};

// What input handling asks of the window around the box.
class InputView {
public:
    virtual ~InputView() = default;
    // The list was rebuilt: show it (focused or not).
    virtual void showList(bool focus) = 0;
    virtual void hideList() = 0;
    virtual bool listVisible() const = 0;
    // Alt+digit: take the list row with that number.
    virtual void takeNumberedRow(int number) = 0;
    virtual void hideWindow() = 0;
    virtual void setFailColour(bool failed) = 0;
    // Starts (or restarts) the deferred list rebuild after `ms`.
    virtual void scheduleListRefresh(int ms) = 0;
    virtual void toast(const QString& text) = 0;
};

// What every keystroke in the input box does: inline completion with the
// completed tail selected, continuing and cycling completions, the list
// requests, Enter, Escape and the word-wise editing keys.
class InputController {
public:
    InputController(const Setup& setup, const KeywordStore& store, const History& history,
                    CandidateList& list, Execution& execution, const platform::Environment& env,
                    InputBox& box, InputView& view);

    void setIndex(const IndexCollection* index) { index_ = index; }

    // A printable character typed; returns true when it was consumed here.
    bool keyPress(QChar c);
    // A key pressed; returns true when it was handled and must not reach the box.
    bool keyDown(InputKey key, bool shift = false, bool alt = false, int digit = 0);
    // After the key: text changes not made by completion, and the list refresh.
    void keyUp(InputKey key, bool backspaceOrDelete = false);
    // The deferred list rebuild is due.
    void listTimerFired();

    // The list requests 0 to 7.
    void ProcessInput(int typ, const QString& sender = {});
    bool SetAutoCompletion(int typ, bool calccount, bool isforward);
    void ResetCurrentSearch(bool cleartext);
    void SetNewWord(const QString& s, bool selectall, bool ignoredrop = false);
    bool TakeFirstCandidate(bool force);
    bool SearchUnknownInput();
    QString GetExtraExt(const QString& s) const;
    // Tab: select the next (or previous) path segment of the input.
    void tabSegment(bool forward);

    // The box shows the information line rather than typed text.
    void setInfoLine(bool shown) { infoLine_ = shown; }
    bool infoLine() const { return infoLine_; }
    // A change of the text that neither typing nor the program made (another
    // program wrote into the box): with `externaltext` the first one is taken
    // over as if the program had set it.
    void textChangedElsewhere(const QString& text);

private:
    struct Candidate {
        explicit Candidate(QString t, bool path = false, bool folder = false)
            : text(std::move(t)), isPath(path), isFolder(folder) {}
        QString text;
        bool isPath = false;
        bool isFolder = false;
        std::unique_ptr<TMyShellItem> item;
    };
    void gatherCandidates(const QString& word, std::vector<Candidate>& out) const;
    void refreshList(bool focus, const QString& sender = {});
    void requestRefresh();
    void ctrlBackspace();
    void wordMove(bool forward, bool extend);

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
