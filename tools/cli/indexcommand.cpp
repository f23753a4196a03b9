// `index`: the index of the data folder, and the index folder editor's test.

#include "commands.h"
#include "index/testscan.h"
#include "indexsource.h"

#include <QEventLoop>

namespace lorvanta::cli {

namespace {

// One value per field: the characters that would break the line or the
// columns are written as backslash escapes.
QString escapedField(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            out += u"\\\\";
        else if (c == u'\t')
            out += u"\\t";
        else if (c == u'\n')
            out += u"\\n";
        else if (c == u'\r')
            out += u"\\r";
        else
            out += c;
    }
    return out;
}

struct IndexArgs {
    bool rebuild = false;
    bool test = false;
    TMyScanItem folder; // extensions empty: every file; level 0
};

bool parseIndexArgs(const QStringList& args, IndexArgs& a) {
    a.folder.level = QStringLiteral("0");
    bool extOrLevel = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--rebuild") {
            a.rebuild = true;
            continue;
        }
        if (i + 1 >= args.size()) return false;
        if (arg == u"--test") {
            a.test = true;
            a.folder.path = args[++i];
        } else if (arg == u"--ext") {
            a.folder.extensions = args[++i];
            extOrLevel = true;
        } else if (arg == u"--level") {
            a.folder.level = args[++i];
            extOrLevel = true;
        } else {
            return false;
        }
    }
    return a.test ? !a.rebuild && !a.folder.path.isEmpty() : !extOrLevel;
}

void runTestScan(Loaded& loaded, const TMyScanItem& folder, Output& o) {
    IndexTestScan scan;
    QEventLoop loop;
    QObject::connect(&scan, &IndexTestScan::finished, &loop, &QEventLoop::quit);
    scan.start(folder, [&loaded](const QString& path) { return expandIndexPath(loaded, path); });
    loop.exec();
    for (const QString& path : scan.lines())
        o.line(escapedField(path));
    o.line(scan.label());
}

} // namespace

int runIndex(const QString& data, const QStringList& args, Output& o) {
    IndexArgs a;
    if (!parseIndexArgs(args, a)) {
        o.err = kUsage;
        return Usage;
    }
    Loaded loaded(data);
    if (a.test) {
        runTestScan(loaded, a.folder, o);
        return Ok;
    }
    const IndexList list = readIndex(loaded, a.rebuild);
    for (const IndexList::Entry& e : list.entries()) {
        if (!e.item) continue;
        o.line(escapedField(e.item->name) + u'\t' + escapedField(e.item->title) + u'\t' +
               escapedField(e.item->path));
    }
    return Ok;
}

} // namespace lorvanta::cli
