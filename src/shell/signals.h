#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

namespace lorvanta {

// Turns SIGTERM, SIGINT and SIGHUP (the end of the session, Ctrl+C, a closed
// terminal) into shutdownRequested() on the thread that made the bridge, so
// the launcher closes in order and saves everything instead of dying.
//
// The handler only writes the signal number into a pipe; the notifier reads
// it on the event loop. One bridge per process; the previous handlers come
// back when it is destroyed.
class SignalBridge : public QObject {
    Q_OBJECT
public:
    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;

    // False when the pipe or a handler could not be set up.
    bool isActive() const { return notifier_ != nullptr; }
    // The signal behind the latest shutdownRequested(), 0 before any.
    int lastSignal() const { return lastSignal_; }

Q_SIGNALS:
    // Once per signal; the receiver refuses a second close while closing.
    void shutdownRequested();

private:
    void readPipe();

    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_[3]{};
    bool installed_ = false;
    int lastSignal_ = 0;
};

} // namespace lorvanta
