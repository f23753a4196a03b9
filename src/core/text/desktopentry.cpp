#include "desktopentry.h"

#include "core/ini/textcodec.h"

#include <QFile>

namespace lorvanta {

namespace {

QString unescapeValue(QStringView v) {
    QString out;
    out.reserve(v.size());
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] != u'\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        const QChar c = v[++i];
        out += c == u's'   ? QChar(u' ')
               : c == u'n' ? QChar(u'\n')
               : c == u't' ? QChar(u'\t')
               : c == u'r' ? QChar(u'\r')
                           : c;
    }
    return out;
}

QStringList splitList(const QString& v) {
    return v.split(u';', Qt::SkipEmptyParts);
}

bool isTrue(const QString& v) {
    return v.trimmed() == u"true";
}

} // namespace

std::optional<DesktopEntry> readDesktopEntry(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QString text = decodeText(f.readAll());
    DesktopEntry e;
    bool inGroup = false, found = false;
    for (QStringView raw : QStringView(text).tokenize(u'\n')) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            inGroup = line == u"[Desktop Entry]";
            found = found || inGroup;
            continue;
        }
        if (!inGroup) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0) continue;
        const QStringView key = line.first(eq).trimmed();
        const QString value = unescapeValue(line.sliced(eq + 1).trimmed());
        if (key == u"Type")
            e.type = value;
        else if (key == u"Name")
            e.name = value;
        else if (key == u"GenericName")
            e.genericName = value;
        else if (key == u"Comment")
            e.comment = value;
        else if (key == u"Exec")
            e.exec = value;
        else if (key == u"TryExec")
            e.tryExec = value;
        else if (key == u"Path")
            e.path = value;
        else if (key == u"Icon")
            e.icon = value;
        else if (key == u"Terminal")
            e.terminal = isTrue(value);
        else if (key == u"NoDisplay")
            e.noDisplay = isTrue(value);
        else if (key == u"Hidden")
            e.hidden = isTrue(value);
        else if (key == u"OnlyShowIn")
            e.onlyShowIn = splitList(value);
        else if (key == u"NotShowIn")
            e.notShowIn = splitList(value);
        else if (key == u"Categories")
            e.categories = splitList(value);
    }
    if (!found) return std::nullopt;
    return e;
}

QStringList execArguments(const QString& exec) {
    QStringList args;
    QString cur;
    bool inQuotes = false, have = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < exec.size() &&
                       QStringView(u"\"`$\\").contains(exec[i + 1])) {
                cur += exec[++i];
            } else {
                cur += c;
            }
            continue;
        }
        if (c == u'"') {
            inQuotes = have = true;
        } else if (c == u' ' || c == u'\t') {
            if (have) args.append(cur);
            cur.clear();
            have = false;
        } else if (c == u'%' && i + 1 < exec.size()) {
            const QChar code = exec[++i];
            if (code == u'%') {
                cur += u'%';
                have = true;
            }
            // Field codes (%f %u %i %c %k ...) stand for nothing here.
        } else {
            cur += c;
            have = true;
        }
    }
    if (have) args.append(cur);
    return args;
}

} // namespace lorvanta
