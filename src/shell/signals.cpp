#include "signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace lorvanta {

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};
int pipeFds[2] = {-1, -1};

extern "C" void onShutdownSignal(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    // A full pipe already holds a pending request; losing this one is harmless.
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

SignalBridge::SignalBridge(QObject* parent) : QObject(parent) {
    if (pipeFds[0] >= 0) return; // another bridge owns the handlers
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeFds[0] = pipeFds[1] = -1;
        return;
    }
    struct sigaction sa {};
    sa.sa_handler = onShutdownSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &sa, &previous_[i]);
    installed_ = true;
    notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalBridge::readPipe);
}

SignalBridge::~SignalBridge() {
    if (!installed_) return;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    delete notifier_;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void SignalBridge::readPipe() {
    unsigned char bytes[16];
    ssize_t n;
    while ((n = ::read(pipeFds[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            lastSignal_ = bytes[i];
            Q_EMIT shutdownRequested();
        }
    }
}

} // namespace lorvanta
