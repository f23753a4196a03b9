#pragma once

#include <QString>

namespace lorvanta {

// The input box as input handling sees it: a one-line text with a caret and
// a selection. The window adapts its line edit to it; tests may use a plain one.
class InputBox {
public:
    virtual ~InputBox() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString& text) = 0;
    virtual int cursorPosition() const = 0;
    virtual void setCursorPosition(int position) = 0;
    // Selects `length` characters from `start`, the caret at the end of them.
    virtual void setSelection(int start, int length) = 0;
    virtual int selectionStart() const = 0; // -1 without a selection
    virtual int selectionLength() const = 0;
    virtual void selectAll() { setSelection(0, int(text().size())); }

    // Where typing goes in: the selection's start, else the caret.
    int caret() const { return selectionStart() >= 0 ? selectionStart() : cursorPosition(); }
    // A text that is there and wholly selected.
    bool allSelected() const {
        return !text().isEmpty() && selectionStart() == 0 && selectionLength() == text().size();
    }
};

} // namespace lorvanta
