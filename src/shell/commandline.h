#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace lorvanta {

// The numbers of the messages a second start sends to the running instance.
// They keep the window-message numbers, so the handlers keep their names.
namespace message {
inline constexpr int SendTo = 1136;      // text: a file or folder path; brings forward
inline constexpr int Open = 1137;        // brings forward, nothing else
inline constexpr int Command = 1138;     // text: a command line to execute; stays in the back
inline constexpr int Hide = 1139;        // hide under the hotkey-hide rule
inline constexpr int HotOpen = 1140;     // the hotkey's show
inline constexpr int Input = 1141;       // text: into the input box; brings forward
inline constexpr int InputSelect = 1142; // as Input, with the whole input selected
// "-exit": the orderly close of the running instance. Our own number; on
// Windows this was a posted WM_CLOSE.
inline constexpr int Close = 1143;
// "-toggle": hide the launcher when it is shown and active, show it
// otherwise. Our own number, for the desktop's own shortcut settings.
inline constexpr int Toggle = 1144;
} // namespace message

struct InstanceMessage {
    int number = message::Open;
    QString text;
    friend bool operator==(const InstanceMessage&, const InstanceMessage&) = default;
};

// What a start does when no instance is running yet.
struct FirstStart {
    enum class Text {
        None,
        Execute,        // "-r": run the text at the end of start-up
        Input,          // "-i": put the text into the input box
        InputSelectAll, // "-I": the same, with the input selected
    };
    bool exitAtOnce = false; // "-exit": nothing is started
    bool silent = false;     // "-s": start hidden when auto-hide is on
    bool safeMode = false;
    bool wizard = false;
    // A file or folder (absolute) to make a new keyword of at the first paint.
    QString sentPath;
    Text textAction = Text::None;
    QString text;
};

struct CommandLine {
    // What the start answers by itself, before any instance is looked for.
    enum class Request {
        Start,   // start, or hand over to the running instance
        Help,    // "-h", "--help": print the usage, end with 0
        Version, // "--version": print the version, end with 0
        Unknown, // any other switch: the usage on standard error, end with 2
    };
    Request request = Request::Start;
    QString unknownSwitch;  // the switch of Request::Unknown
    FirstStart first;       // what this start does if it becomes the instance
    InstanceMessage second; // what it sends if an instance already runs
};

// Reads the arguments (without the program). Only the first is a switch:
// "-exit", "-toggle", "-r", "-i", "-I", "-s", "-h", "--help", "--version" exactly as
// written, "-safemode" and "-wizard" in any case. Any other first argument
// beginning with "-" is an unknown switch; "--" ends the switches, so that the
// argument after it may be a path beginning with "-". A path is made absolute
// against `workingFolder` because the receiver runs elsewhere. "-safemode" and
// "-wizard" name no file, so a second start with them only brings the
// instance forward.
//
// The text of "-r", "-i" and "-I" is the arguments after the switch joined
// with single blanks: Linux hands over an argument vector, not the raw command
// line, so quotes and repeated blanks between arguments are already gone.
CommandLine parseCommandLine(const QStringList& args, const QString& workingFolder);

// The command line of main(): the arguments after the program's own name, in
// the locale's encoding, with paths made absolute against the current folder.
CommandLine readCommandLine(int argc, char** argv);

// The text of "--help": every switch with what it does.
QString commandLineUsage();

// Help, version and unknown switches, answered on standard output or error
// before any instance is looked for: the exit code, or nothing for a start.
std::optional<int> answerByItself(const CommandLine& cl, const QString& version);

} // namespace lorvanta
