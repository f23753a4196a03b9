#pragma once

#include <QString>
#include <QStringList>

namespace lorvanta::platform {

// Modal questions and messages. The logic never draws a dialog itself, so
// tests answer them through the fake.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Asks `text` with the buttons in the given order; returns the index of
    // the button chosen, or -1 when the dialog was closed without a choice.
    virtual int question(const QString& caption, const QString& text,
                         const QStringList& buttons) = 0;
    // An information or warning message with one button.
    virtual void message(const QString& caption, const QString& text) = 0;
};

} // namespace lorvanta::platform
