#pragma once

#include <QString>
#include <optional>

namespace lorvanta {

class TExeWord;
class TMyClipItem;
class TMyNoteItem;
class TMyScriptItem;
class TMyWindowItem;

// The launcher window as execution and the built-in commands see it. The
// window implements it; tests and dry runs record the calls.
class ExecutionHost {
public:
    virtual ~ExecutionHost() = default;

    // The input box.
    virtual QString inputText() const = 0;
    // Shows a text in the box, fully selected.
    virtual void setNewWord(const QString& text) = 0;
    // The failure colour (`failcolor`) or the normal one (`textcolor`).
    virtual void setFailColour(bool failed) = 0;
    virtual bool showsFailColour() const = 0;
    virtual void selectInput(bool selected) = 0;
    // Puts text back for more typing, caret at the end, focused.
    virtual void putBackInput(const QString& text) = 0;

    virtual void toast(const QString& text) = 0;
    virtual void messageBox(const QString& caption, const QString& text) = 0;
    // Asks for a text, prefilled ("Lorvanta - Calculation result").
    virtual void inputDialog(const QString& caption, const QString& prompt,
                             const QString& value) = 0;
    virtual void showInfoText(const QString& text, bool focus) = 0;
    virtual void bringToFront() = 0;
    // The multi-line "Edit text" editor, opened on the text of the input box.
    virtual void openEditText() = 0;

    // The list: the special list of the input (list request 3), a quiet
    // refresh (list request 4), taking its first row as the input.
    virtual void showListForInput() = 0;
    virtual void refreshListQuietly(const QString& sender) = 0;
    virtual bool takeFirstCandidate(bool force) = 0;
    virtual void hideListPane() = 0;
    // Drops a pending deferred rebuild of the list (`autodelay`).
    virtual void stopListTimer() = 0;

    virtual void hideWindow() = 0;
    virtual void closeProgram() = 0;
    virtual bool closing() const = 0;
};

// A page for the browser pane, with what the markers of its line asked for.
struct BrowserRequest {
    QString url;        // the target, every marker removed
    QString parameters; // typed into the page once it is open
    const TExeWord* keyword = nullptr;
    QString input; // the input line the page opens for
    bool focus = false;
    bool connect = false;  // $BCONNECT$: the page talks to the launcher
    bool noReload = false; // $BNORELOAD$: keep an open page of the same keyword
    QString click;         // the selector between two $BCLICK$ markers
};

// What execution hands to other subsystems; each returns false (and the
// caller says so) while its subsystem is not there.
class ExecutionServices {
public:
    virtual ~ExecutionServices() = default;

    virtual bool useClip(const TMyClipItem&) { return false; }
    virtual bool runScriptItem(const TMyScriptItem&, int /*action*/) { return false; }
    virtual bool openNote(const TMyNoteItem&) { return false; }
    virtual bool activateWindow(const TMyWindowItem&) { return false; }
    // Brings a running instance of `program` to the front; false when none runs.
    virtual bool bringRunningInstanceToFront(const QString& /*program*/) { return false; }
    // Types or pastes text into the window in front (kinds 0 to 3).
    virtual bool sendText(const QString& /*text*/, int /*kind*/, const QString& /*richFile*/) {
        return false;
    }
    // The calculator: the result of an expression, nothing when it is none.
    virtual std::optional<QString> calculate(const QString& /*expression*/) { return std::nullopt; }
    virtual bool hasCalculator() const { return false; }
    virtual bool CheckMinusCommand(const QString& /*line*/) { return false; }
    // Whether the browser pane exists. Until it does, lines with browser
    // words are launched as they stand, in the user's browser.
    virtual bool hasBrowserPane() const { return false; }
    // The browser pane; false when it could not open the page.
    virtual bool openInBrowser(const BrowserRequest&) { return false; }
    // A separate browser window of the launcher's own.
    virtual bool openBrowserWindow(const QString& /*url*/, bool /*fullScreen*/) { return false; }
    // The maintenance markers ($BROWSERFLUSHALL$ ... $BROWSERTOGGLE$) and a
    // lone $BSETFOCUS$; a lone $BCLICK$ block clicks its element.
    virtual bool browserMaintenance(const QString& /*marker*/) { return false; }
    virtual bool browserClick(const QString& /*selector*/) { return false; }
    virtual void playSoundFile(const QString& /*path*/) {}
};

// The "'%s' is not a valid integer value" failure of a command: it aborts
// the whole execution, which then records nothing and keeps the window.
struct InvalidInteger {
    QString text;
    QString message() const {
        return QStringLiteral("'%1' is not a valid integer value").arg(text);
    }
};

// The built-in command dispatcher as execution uses it.
class BuiltinDispatch {
public:
    virtual ~BuiltinDispatch() = default;
    // Throws InvalidInteger (commands/commandhost.h) for a row that needs a
    // number and gets none.
    virtual bool CheckDoInternalCMD(const QString& mycmdline, const QString& para,
                                    bool& noaddhistory, bool& noaftercommand, bool iskeyd,
                                    const TExeWord* exw, bool forcebrowser) = 0;
    // Whether a command of the last line could not do its work (not
    // available here, refused): execution then reports a failure.
    virtual bool lastLineFailed() const = 0;
    virtual const QString& PendingAfterCommand() const = 0;
    virtual void runPending() = 0;
    // Forgets the pending power command (its execution was aborted).
    virtual void dropPending() = 0;
    virtual void setTagDepth(int depth) = 0;
};

} // namespace lorvanta
