#include "commandline.h"

#include <QDir>
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

} // namespace

CommandLine parseCommandLine(const QStringList& args, const QString& workingFolder) {
    CommandLine c;
    if (args.isEmpty()) return c;
    const QString& first = args[0];
    const QString lower = first.toLower();

    if (first == u"-exit") {
        c.first.exitAtOnce = true;
        c.second.number = message::Close;
    } else if (first == u"-r" || first == u"-i" || first == u"-I") {
        const QString text = tailAfterSwitch(args);
        const bool hasText = secondArgumentHasText(args);
        if (first == u"-r") {
            // Without text there is nothing to run, at start or in the instance.
            if (hasText) {
                c.first.textAction = FirstStart::Text::Execute;
                c.first.text = text;
                c.second = {message::Command, text};
            }
        } else {
            // At start even an empty text is placed: it empties the input box.
            const bool select = first == u"-I";
            c.first.textAction =
                select ? FirstStart::Text::InputSelectAll : FirstStart::Text::Input;
            c.first.text = text;
            if (hasText) c.second = {select ? message::InputSelect : message::Input, text};
        }
    } else if (first == u"-s") {
        c.first.silent = true;
    } else if (lower == u"-safemode") {
        c.first.safeMode = true;
    } else if (lower == u"-wizard") {
        c.first.wizard = true;
    } else if (!first.trimmed().isEmpty()) {
        const QString path = absolutePath(first, workingFolder);
        c.first.sentPath = path;
        c.second = {message::SendTo, path};
    }
    return c;
}

} // namespace lorvanta
