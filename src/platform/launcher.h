#pragma once

#include <QString>
#include <QStringList>
#include <algorithm>
#include <functional>

namespace lorvanta::platform {

// How a started program's first window should appear.
enum class ShowCommand { Normal = 0, Minimized = 1, Maximized = 2, Hidden = 3 };

// One launch as the launcher asks for it: a program, document, folder or URL
// with its parameters, working folder and window state.
struct LaunchRequest {
    QString file;
    QString parameters; // one text, split like a shell command line
    QString folder;     // working folder; empty or missing: the home folder
    ShowCommand show = ShowCommand::Normal;
    bool elevated = false; // run through pkexec
};

// Launch result codes: above 32 is success.
namespace result {
inline constexpr int Started = 42;
inline constexpr int Handled = 33; // done without a launch
inline constexpr int Async = 35;   // handed to a background launch
inline constexpr int InBrowser = 5000;
inline constexpr int FileNotFound = 2;
inline constexpr int PathNotFound = 3;
inline constexpr int AccessDenied = 5;
inline constexpr int NoApplication = 31;
inline constexpr int NoTerminal = 30; // a command for the terminal, and none is there
inline constexpr int Failed = 32;
} // namespace result

// The program name that stands for the user's terminal, whichever it is and
// whether or not a program of this name is installed.
inline const QString kTerminalName = QStringLiteral("x-terminal-emulator");

// The parameters text that holds exactly `argument`: as it is, or in single
// quotes when a blank, quote or backslash would split or change it.
inline QString quotedParameter(const QString& argument) {
    const bool plain =
        !argument.isEmpty() && std::none_of(argument.begin(), argument.end(), [](QChar c) {
            return c.isSpace() || c == u'\'' || c == u'"' || c == u'\\';
        });
    if (plain) return argument;
    QString quoted = argument;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

// Starting things on the desktop.
class Launcher {
public:
    virtual ~Launcher() = default;

    // Programs start directly (argument vector, working folder), detached;
    // documents, folders and URLs open in the user's default application for
    // their type or scheme. Returns a result code.
    virtual int shellExecute(const LaunchRequest& request) = 0;
    // The desktop entry (.desktop file) of the default web browser, to be
    // started like any entry with the address as its parameter; empty when
    // none is known.
    virtual QString defaultBrowserEntry() = 0;
    // Runs a program hidden and hands its standard output and error, as text,
    // to `done` on the main thread when it ends. After `timeoutMs` the
    // program and its children are killed and the text says so. "Error"
    // when it cannot be started.
    virtual void runAndCapture(const QString& file, const QString& parameters,
                               const QString& folder, int timeoutMs,
                               std::function<void(const QString&)> done) = 0;
    // Fetches a document as text and hands it to `done` on the main thread;
    // empty on any failure, a status other than 200, or after `timeoutMs`.
    virtual void fetchUrlText(const QString& url, int timeoutMs,
                              std::function<void(const QString&)> done) = 0;
};

} // namespace lorvanta::platform
