#include "dropword.h"

#include "core/text/commatext.h"
#include "core/text/desktopentry.h"

#include <QFileInfo>
#include <algorithm>

namespace lorvanta {

namespace {

QString fileName(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    return p.mid(p.lastIndexOf(u'/') + 1);
}

QString withoutExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

// One argument as the launcher's command-line splitting reads it back.
QString shellQuoted(const QString& arg) {
    static const QString plain = QStringLiteral("-_./=:,+@%");
    const bool safe = !arg.isEmpty() && std::all_of(arg.begin(), arg.end(), [](QChar c) {
        return c.isLetterOrNumber() || plain.contains(c);
    });
    if (safe) return arg;
    QString quoted = arg;
    quoted.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + quoted + u'\'';
}

} // namespace

QString dropKeywordName(const QString& name) {
    if (name.contains(u':') || name.contains(u'/') || name.contains(u'\\'))
        return QStringLiteral("new...");
    const QString word = QString(name).remove(u' ').toLower();
    return word.isEmpty() ? QStringLiteral("new...") : word;
}

DroppedItem GetDrag(const QString& path, DropSender sender) {
    DroppedItem item;
    const QString name = fileName(path);
    if (sender == DropSender::EditorList && QFileInfo(name).suffix().toUpper() == u"EXC") {
        item.kind = DroppedItem::Kind::ImportKeywords;
        item.path = path;
        return item;
    }
    TExeWord& w = item.word;
    const QString stem = withoutExtension(name);
    w.keywords = dropKeywordName(stem);
    w.comment = stem;
    w.command = path;
    if (!name.endsWith(u".desktop", Qt::CaseInsensitive)) return item;

    const auto entry = readDesktopEntry(path);
    if (!entry) return item;
    if (!entry->name.isEmpty()) {
        w.keywords = dropKeywordName(entry->name);
        w.comment = entry->name;
    }
    // An entry without a program (a link) stays a file the launcher opens.
    const QStringList args = execArguments(entry->exec);
    if (!args.isEmpty()) {
        w.command = args.first();
        QStringList rest;
        for (qsizetype i = 1; i < args.size(); ++i)
            rest << shellQuoted(args[i]);
        w.parameters = rest.join(u' ');
    }
    w.path = entry->path;
    return item;
}

std::optional<TExeWord> GetSendToWord(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) return std::nullopt;
    return GetDrag(path, DropSender::Window).word;
}

void fillDroppedFields(TExeWord& edited, const TExeWord& dropped) {
    if (edited.IsDefault()) edited.keywords = dropped.keywords;
    edited.comment = dropped.comment;
    edited.command = dropped.command;
    if (!dropped.path.isEmpty()) edited.path = dropped.path;
    if (!dropped.parameters.isEmpty()) edited.parameters = dropped.parameters;
}

QStringList startupLines(const QString& startup) {
    QStringList lines;
    for (const QString& item : commaText(startup))
        if (!item.trimmed().isEmpty()) lines << item;
    return lines;
}

} // namespace lorvanta
