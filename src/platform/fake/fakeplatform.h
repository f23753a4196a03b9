#pragma once

#include "platform/platform.h"

#include <QHash>
#include <QStringList>
#include <deque>
#include <memory>
#include <optional>

namespace lorvanta::platform {

// A platform that starts, opens and ends nothing: it records every call as
// one line of text ("openFolder /tmp/x") and answers questions from a queue.
// Tests and `lorvanta-cli run --dry-run` use it.
class FakePlatform {
public:
    FakePlatform();
    ~FakePlatform();
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    Platform& platform() { return *platform_; }
    // The same recording facilities around another environment (the real
    // one, for dry runs on the user's machine).
    Platform platformWith(Environment& environment);

    // Recorded calls, oldest first.
    const QStringList& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    void record(const QString& line) { calls_.append(line); }

    // The answers the next questions get, in order; -1 (closed) when empty.
    void queueAnswer(int buttonIndex) { answers_.push_back(buttonIndex); }
    int nextAnswer();

    // What the fake launcher and system answer.
    int launchResult = 42;             // for every shellExecute
    QHash<QString, int> launchResults; // per file, before launchResult
    QString browserEntry;              // the default browser's desktop entry
    QString captureOutput;
    QString urlText;
    bool powerOk = true;
    QStringList ipv4;
    std::optional<MemoryInfo> memoryInfo;
    // The window in front, and windows closed since (activating them fails).
    WindowHandle activeWindow = 0;
    QList<WindowHandle> goneWindows;
    // Where the windows are, for those that have a place.
    QHash<WindowHandle, QRect> windowGeometries;

    // Hotkeys: registrations of these (key, modifiers) pairs are refused;
    // `heldChecks` is how many more times held() answers true.
    QList<QPair<int, int>> refusedHotkeys;
    int heldChecks = 0;
    // The registered hotkeys by id, as (key, modifiers).
    QHash<int, QPair<int, int>> hotkeys;
    // Acts as the desktop: a press of hotkey `id`, a refusal that arrives
    // later, one key seen by the key watch (when it is started).
    void pressHotkey(int id, quint32 timestamp = 0);
    void refuseHotkeyLater(int id, const QString& reason);
    void seeKey(const RawKey& key);
    bool keyWatchRunning() const;

    // What the fake environment reports.
    QString programFolder; // with trailing "/"
    QString configFolder;
    QString homeFolder;
    QHash<QString, QString> variables;
    QStringList searchPath;

private:
    struct Impl;
    QStringList calls_;
    std::deque<int> answers_;
    std::unique_ptr<Impl> impl_;
    std::unique_ptr<Platform> platform_;
};

} // namespace lorvanta::platform
