#include "desktopfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace lorvanta::platform {

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

// Whether the quote at `at` opens a quoted part: it has a partner later, and
// a single quote right after a letter or digit is an apostrophe ("don't").
bool opensQuote(const QString& text, qsizetype at) {
    const QChar quote = text[at];
    if (quote == u'\'')
        return (at == 0 || !text[at - 1].isLetterOrNumber()) && text.indexOf(u'\'', at + 1) > 0;
    for (qsizetype i = at + 1; i < text.size(); ++i) {
        if (text[i] == u'\\')
            ++i;
        else if (text[i] == u'"')
            return true;
    }
    return false;
}

} // namespace

QStringList splitCommandLine(const QString& text) {
    QStringList out;
    QString arg;
    bool inArg = false; // "" is an argument, blanks are not
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quote == u'\'') {
            if (c == u'\'')
                quote = QChar();
            else
                arg += c;
        } else if (quote == u'"') {
            if (c == u'"') {
                quote = QChar();
            } else if (c == u'\\' && i + 1 < text.size() &&
                       QStringView(u"\"\\$`").contains(text[i + 1])) {
                arg += text[++i];
            } else {
                arg += c;
            }
        } else if (isBlank(c)) {
            if (inArg) out << arg;
            arg.clear();
            inArg = false;
        } else {
            inArg = true;
            if ((c == u'\'' || c == u'"') && opensQuote(text, i))
                quote = c;
            else if (c == u'\\' && i + 1 < text.size())
                arg += text[++i];
            else
                arg += c;
        }
    }
    if (inArg) out << arg;
    return out;
}

QList<QStringList> execCommands(const DesktopFile& entry, const QStringList& items) {
    const QStringList tokens = splitCommandLine(entry.exec);
    if (tokens.isEmpty()) return {};

    bool takesList = false, takesOne = false;
    for (const QString& t : tokens) {
        for (qsizetype i = 0; i + 1 < t.size(); ++i) {
            if (t[i] != u'%') continue;
            const QChar code = t[++i];
            takesList = takesList || code == u'F' || code == u'U';
            takesOne = takesOne || code == u'f' || code == u'u';
        }
    }

    const auto expand = [&](const QStringList& given) {
        QStringList argv;
        for (const QString& t : tokens) {
            if (t == u"%F" || t == u"%U") {
                argv += given;
            } else if (t == u"%f" || t == u"%u") {
                if (!given.isEmpty()) argv << given.first();
            } else if (t == u"%i") {
                if (!entry.icon.isEmpty()) argv << QStringLiteral("--icon") << entry.icon;
            } else {
                QString arg;
                for (qsizetype i = 0; i < t.size(); ++i) {
                    if (t[i] != u'%') {
                        arg += t[i];
                        continue;
                    }
                    if (++i == t.size()) break;
                    switch (t[i].unicode()) {
                    case u'f':
                    case u'u':
                    case u'F':
                    case u'U':
                        arg += given.value(0);
                        break;
                    case u'i':
                        arg += entry.icon;
                        break;
                    case u'c':
                        arg += entry.name;
                        break;
                    case u'k':
                        arg += entry.file;
                        break;
                    case u'%':
                        arg += u'%';
                        break;
                    default:
                        break; // deprecated or unknown codes are dropped
                    }
                }
                argv << arg;
            }
        }
        if (!takesList && !takesOne) argv += given;
        return argv;
    };

    QList<QStringList> commands;
    if (takesOne && !takesList && items.size() > 1) {
        for (const QString& item : items)
            commands << expand({item});
    } else {
        commands << expand(items);
    }
    return commands;
}

QString expandTilde(const QString& path) {
    if (path == u"~") return QDir::homePath();
    if (path.startsWith(u"~/")) return QDir::homePath() + path.sliced(1);
    return path;
}

QString findProgram(const QString& name) {
    if (name.isEmpty()) return {};
    const QString path = expandTilde(name);
    if (!path.contains(u'/')) return QStandardPaths::findExecutable(path);
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
}

} // namespace lorvanta::platform
