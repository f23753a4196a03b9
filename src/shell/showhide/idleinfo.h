#pragma once

// The information line: while the launcher is hidden or inactive (with
// `infoenabled`) the input box shows `ExpandInfoLine(infosyntax)` instead of
// the input, refreshed every second; the input comes back when the launcher
// is shown. With `infoonfocus` the line is also put, selected, into the
// input box on show and kept current every two seconds while it stays so.

#include <QString>
#include <functional>
#include <memory>

namespace lorvanta {

struct Setup;
class Scheduler;

// What the information line needs of the launcher window.
class IdleInfoView {
public:
    virtual ~IdleInfoView() = default;
    virtual QString inputText() const = 0;
    // The caret position when nothing is selected.
    virtual int selectionStart() const = 0;
    virtual int selectionLength() const = 0;
    // Sets the input without the change handling (no completion, no list).
    virtual void setInputQuietly(const QString& text) = 0;
    // Sets the input and its selection (length 0: the caret at the start).
    virtual void restoreInput(const QString& text, int selectionStart, int selectionLength) = 0;
    // Puts `text` into the input box wholly selected, as input handling
    // does, without opening the list as a drop-down.
    virtual void setInputSelected(const QString& text) = 0;
    // Hides the icon, the arrow button and the title line; showing them
    // again restores exactly those that were visible before.
    virtual void hideDecorations() = 0;
    virtual void restoreDecorations() = 0;
    virtual void focusInput() = 0;
};

// The input saved while the information line stands in its place.
struct SavedInput {
    QString text;
    int selectionStart = -1; // -1: nothing saved
    int selectionLength = 0;
    bool saved() const { return selectionStart != -1; }
};

class IdleInfo {
public:
    using Expand = std::function<QString(const QString& syntax)>;

    // `expand` is the window's ExpandInfoLine.
    IdleInfo(const Setup& setup, IdleInfoView& view, Scheduler& scheduler, Expand expand);

    // Shows (and re-arms the one-second refresh of) or hides the line.
    void DisplayIdleInfo(bool doshow);
    bool shown() const { return shown_; }
    // The show path: stops the refresh; unless `keepInput`, puts the saved
    // input back; forgets it either way.
    void leaveIdle(bool keepInput);
    const SavedInput& savedInput() const { return saved_; }

    // `infoonfocus` on show: the line, selected, refreshed every 2000 ms
    // for as long as the input still shows it wholly selected.
    void startFocusRefresh();
    void stopFocusRefresh() { ++focusGeneration_; }

private:
    void stopRefresh() { ++refreshGeneration_; }
    void armRefresh();
    void armFocusRefresh();
    bool showsFocusLine() const;

    const Setup& setup_;
    IdleInfoView& view_;
    Scheduler& scheduler_;
    Expand expand_;
    SavedInput saved_;
    QString focusLine_;
    bool shown_ = false;
    // A timer that fires with an old generation was stopped meanwhile.
    quint64 refreshGeneration_ = 0;
    quint64 focusGeneration_ = 0;
    // Refreshes left with the scheduler check that the line still exists.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace lorvanta
