#pragma once

#include "platform/launcher.h"

#include <memory>

QT_BEGIN_NAMESPACE
class QNetworkAccessManager;
class QObject;
QT_END_NAMESPACE

namespace lorvanta::platform {

class StartedWindows;
class X11Desktop;

// Launching on a Linux desktop: programs directly, desktop entries by their
// Exec line, documents, folders and URLs in the default application of the
// MIME applications rules (mimeapps.list), xdg-open as the last resort. The
// program name "x-terminal-emulator" stands for the user's terminal, looked
// up in a fixed order ($TERMINAL first). A show command other than normal is
// given to the first window the started program shows.
class LinuxLauncher final : public Launcher {
public:
    LinuxLauncher();
    ~LinuxLauncher() override;
    LinuxLauncher(const LinuxLauncher&) = delete;
    LinuxLauncher& operator=(const LinuxLauncher&) = delete;

    int shellExecute(const LaunchRequest& request) override;
    QString defaultBrowserEntry() override;
    void runAndCapture(const QString& file, const QString& parameters, const QString& folder,
                       int timeoutMs, std::function<void(const QString&)> done) override;
    void fetchUrlText(const QString& url, int timeoutMs,
                      std::function<void(const QString&)> done) override;

    // Limits of captured output and fetched documents.
    static constexpr qsizetype kCaptureLimit = qsizetype(16) << 20;
    static constexpr qsizetype kFetchLimit = qsizetype(64) << 20;

private:
    QNetworkAccessManager* network();

    // Outlives context_, whose objects use it.
    std::unique_ptr<X11Desktop> desktop_;
    // Owns running captures and fetches; work posted to it is dropped with the launcher.
    std::unique_ptr<QObject> context_;
    QNetworkAccessManager* network_ = nullptr;
    StartedWindows* startedWindows_ = nullptr; // owned by context_
};

} // namespace lorvanta::platform
