#include "commandline.h"

#include <QDir>
#include <QTextStream>
#include <QUrl>

namespace lorvanta {

namespace {

QString tailAfterSwitch(const QStringList& args) {
    return args.mid(1).join(u' ');
}

bool secondArgumentHasText(const QStringList& args) {
    return args.size() > 1 && !args[1].trimmed().isEmpty();
}

// File managers may hand over file:// addresses; the receiver wants a path.
QString absolutePath(const QString& arg, const QString& workingFolder) {
    QString path = arg;
    if (arg.startsWith(u"file://", Qt::CaseInsensitive)) path = QUrl(arg).toLocalFile();
    return QDir::cleanPath(QDir(workingFolder).absoluteFilePath(path));
}

void sendPath(CommandLine& c, const QString& arg, const QString& workingFolder) {
    if (arg.trimmed().isEmpty()) return;
    const QString path = absolutePath(arg, workingFolder);
    c.first.sentPath = path;
    c.second = {message::SendTo, path};
}

// "-r", "-i" and "-I" with the text after them.
void textSwitch(CommandLine& c, const QStringList& args) {
    const QString& sw = args[0];
    const QString text = tailAfterSwitch(args);
    const bool hasText = secondArgumentHasText(args);
    if (sw == u"-r") {
        // Without text there is nothing to run, at start or in the instance.
        if (hasText) {
            c.first.textAction = FirstStart::Text::Execute;
            c.first.text = text;
            c.second = {message::Command, text};
        }
        return;
    }
    // At start even an empty text is placed: it empties the input box.
    const bool select = sw == u"-I";
    c.first.textAction = select ? FirstStart::Text::InputSelectAll : FirstStart::Text::Input;
    c.first.text = text;
    if (hasText) c.second = {select ? message::InputSelect : message::Input, text};
}

} // namespace

CommandLine parseCommandLine(const QStringList& args, const QString& workingFolder) {
    using R = CommandLine::Request;
    CommandLine c;
    if (args.isEmpty()) return c;
    const QString& first = args[0];
    const QString lower = first.toLower();

    if (first == u"--") {
        if (args.size() > 1) sendPath(c, args[1], workingFolder);
    } else if (first == u"-exit") {
        c.first.exitAtOnce = true;
        c.second.number = message::Close;
    } else if (first == u"-toggle") {
        // A first start with it is a normal, shown start.
        c.second.number = message::Toggle;
    } else if (first == u"-r" || first == u"-i" || first == u"-I") {
        textSwitch(c, args);
    } else if (first == u"-s") {
        c.first.silent = true;
    } else if (lower == u"-safemode") {
        c.first.safeMode = true;
    } else if (lower == u"-wizard") {
        c.first.wizard = true;
    } else if (first == u"-h" || first == u"--help") {
        c.request = R::Help;
    } else if (first == u"--version") {
        c.request = R::Version;
    } else if (first.startsWith(u'-')) {
        c.request = R::Unknown;
        c.unknownSwitch = first;
    } else {
        sendPath(c, first, workingFolder);
    }
    return c;
}

CommandLine readCommandLine(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    return parseCommandLine(args, QDir::currentPath());
}

QString commandLineUsage() {
    return QStringLiteral(
        "usage: lorvanta [SWITCH | [--] PATH]\n"
        "Starts the launcher, or hands the request to the launcher already running.\n"
        "\n"
        "  (nothing)      start, or bring the running launcher to the front\n"
        "  PATH           make a new keyword of a file or folder\n"
        "  -- PATH        the same for a path that begins with \"-\"\n"
        "  -r TEXT...     run TEXT as if it were typed and entered\n"
        "  -i TEXT...     put TEXT into the input box\n"
        "  -I TEXT...     put TEXT into the input box, selected\n"
        "  -s             start hidden when auto-hide is on\n"
        "  -safemode      start without network use and without the start-up keywords\n"
        "  -wizard        open the first-run wizard (not available yet)\n"
        "  -toggle        hide the running launcher when it is in front, show it\n"
        "                 otherwise; start it if it is not running (for a shortcut)\n"
        "  -exit          close the running launcher; start nothing\n"
        "  -h, --help     print this help and end\n"
        "  --version      print the version and end\n"
        "\n"
        "Only the first argument is read as a switch.\n");
}

std::optional<int> answerByItself(const CommandLine& cl, const QString& version) {
    switch (cl.request) {
    case CommandLine::Request::Start:
        return std::nullopt;
    case CommandLine::Request::Help:
        QTextStream(stdout) << commandLineUsage();
        return 0;
    case CommandLine::Request::Version:
        QTextStream(stdout) << "lorvanta " << version << "\n";
        return 0;
    case CommandLine::Request::Unknown:
        QTextStream(stderr) << "lorvanta: unknown switch: " << cl.unknownSwitch << "\n"
                            << commandLineUsage();
        return 2;
    }
    return std::nullopt;
}

} // namespace lorvanta
