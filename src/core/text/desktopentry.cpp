#include "desktopentry.h"

#include "core/ini/textcodec.h"

#include <QFile>

namespace lorvanta {

namespace {

// The escapes of desktop entry values; "\\;" stays for list values to split.
QString unescapeValue(QStringView raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != u'\\' || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        switch (raw[++i].unicode()) {
        case u's':
            out += u' ';
            break;
        case u'n':
            out += u'\n';
            break;
        case u't':
            out += u'\t';
            break;
        case u'r':
            out += u'\r';
            break;
        case u'\\':
            out += u'\\';
            break;
        default:
            out += u'\\';
            out += raw[i];
        }
    }
    return out;
}

QStringList splitList(const QString& value) {
    QStringList out;
    QString item;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size() && value[i + 1] == u';') {
            item += u';';
            ++i;
        } else if (value[i] == u';') {
            if (!item.isEmpty()) out << item;
            item.clear();
        } else {
            item += value[i];
        }
    }
    if (!item.isEmpty()) out << item;
    return out;
}

bool isTrue(const QString& value) {
    return value == u"true" || value == u"1";
}

} // namespace

std::optional<DesktopEntry> readDesktopEntry(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QString text = decodeText(f.readAll());
    DesktopEntry e;
    e.file = file;
    bool inGroup = false, found = false;
    for (QStringView raw : QStringView(text).tokenize(u'\n')) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            if (found) break; // only the first group counts
            inGroup = line == u"[Desktop Entry]";
            found = inGroup;
            continue;
        }
        if (!inGroup) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        const QStringView key = line.first(eq).trimmed();
        const QString value = unescapeValue(line.sliced(eq + 1).trimmed());
        if (key == u"Type")
            e.type = value;
        else if (key == u"Name")
            e.name = value;
        else if (key.startsWith(u"Name[") && key.endsWith(u']'))
            e.localizedNames.insert(key.sliced(5).chopped(1).toString(), value);
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
        else if (key == u"URL")
            e.url = value;
        else if (key == u"MimeType")
            e.mimeTypes = splitList(value);
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
