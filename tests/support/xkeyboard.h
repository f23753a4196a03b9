#pragma once

#include <QString>
#include <QtGlobal>
#include <memory>

namespace lorvanta::test {

// A second X client that types like a user: real key events through XTest on
// $DISPLAY, and what the server says about the input focus. For tests and
// benchmarks that drive a launcher from outside.
class XKeyboard {
public:
    XKeyboard();
    ~XKeyboard();
    XKeyboard(const XKeyboard&) = delete;
    XKeyboard& operator=(const XKeyboard&) = delete;

    bool connected() const;
    // Presses or releases the key of an X keysym; false when no key yields it.
    bool press(quint32 keysym);
    bool release(quint32 keysym);
    // Presses the keysyms in order, then releases them in reverse order.
    void chord(std::initializer_list<quint32> keysyms);
    // Types ASCII text key by key (Shift for capitals and shifted symbols).
    void type(const QString& text);
    // Waits until the server has handled every request sent so far.
    void sync();

    // The window that has the input focus now (0 for none or the root).
    quint32 focusWindow();
    // The top-level window whose _NET_WM_PID is `pid` and that is mapped; 0 when none.
    quint32 windowOfProcess(qint64 pid);
    // Whether the window is mapped (viewable).
    bool viewable(quint32 window);
    // The window manager's active window (_NET_ACTIVE_WINDOW); 0 for none.
    quint32 activeWindow();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace lorvanta::test
