#include "linuxlauncher.h"

#include <QProcess>

namespace lorvanta::platform {

int LinuxLauncher::shellExecute(const LaunchRequest& request) {
    return QProcess::startDetached(QStringLiteral("xdg-open"), {request.file}) ? result::Started
                                                                               : result::NoApplication;
}

QString LinuxLauncher::defaultBrowserProgram() { return {}; }

void LinuxLauncher::runAndCapture(const QString&, const QString&, const QString&, int,
                                  std::function<void(const QString&)> done) {
    done(QStringLiteral("Error"));
}

void LinuxLauncher::fetchUrlText(const QString&, int, std::function<void(const QString&)> done) {
    done(QString());
}

} // namespace lorvanta::platform
