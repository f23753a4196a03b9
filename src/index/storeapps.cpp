#include "storeapps.h"

#include "core/ini/atomicfile.h"
#include "core/ini/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <optional>

namespace lorvanta {

namespace {

constexpr char16_t kFlatpakTail[] = u"/flatpak/exports/share/applications";
constexpr char16_t kSnapTail[] = u"/snapd/desktop/applications";
constexpr char16_t kAppIdKey[] = u"X-Lorvanta-AppId=";
// A file name takes 255 bytes; ".desktop" needs eight of them.
constexpr qsizetype kMaxShortcutNameBytes = 247;

QString storeSource(const QString& folder) {
    const QString f = QDir::cleanPath(folder);
    if (f.endsWith(kFlatpakTail)) return QStringLiteral("flatpak");
    if (f.endsWith(kSnapTail)) return QStringLiteral("snap");
    return {};
}

// Line breaks in a name would split its "uwp.csv" and "index.dat" lines.
QString oneLine(QString name) {
    for (QChar& c : name)
        if (c.category() == QChar::Other_Control) c = u' ';
    return name.trimmed();
}

QString quoted(QString field) {
    field.replace(u'"', QStringLiteral("\"\""));
    return u'"' + field + u'"';
}

bool heldEarlier(const QStringList& folders, qsizetype before, const QString& id) {
    for (qsizetype i = 0; i < before; ++i)
        if (QFileInfo::exists(folders[i] + u'/' + id)) return true;
    return false;
}

// The lines of a text file, with or without CR before each LF.
QStringList fileLines(QFile& file) {
    QStringList lines = decodeText(file.readAll()).split(u'\n');
    for (QString& line : lines)
        if (line.endsWith(u'\r')) line.chop(1);
    return lines;
}

struct Pair {
    QString name;
    QString identifier;
};
using Pairs = std::vector<Pair>;

QString folded(const QString& name) {
    return name.toCaseFolded();
}

// "index.dat": nothing when it is there but cannot be read.
std::optional<Pairs> loadIndex(const QString& file) {
    QFile f(file);
    if (!f.exists()) return Pairs();
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    Pairs pairs;
    for (const QString& line : fileLines(f)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0) pairs.push_back({line.first(eq), line.sliced(eq + 1)});
    }
    return pairs;
}

QString formatIndex(const Pairs& pairs) {
    QString text;
    for (const Pair& p : pairs)
        text += p.name + u'=' + p.identifier + u"\r\n";
    return text;
}

// The [Desktop Entry] group of an exported entry, with the app's identifier.
QByteArray shortcutText(const QString& entryFile, const QString& identifier) {
    QFile f(entryFile);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString out;
    bool inGroup = false;
    for (const QString& line : fileLines(f)) {
        if (line.startsWith(u'[')) {
            if (inGroup) break;
            inGroup = line.trimmed() == u"[Desktop Entry]";
        }
        if (inGroup && !line.startsWith(kAppIdKey)) out += line + u'\n';
    }
    if (out.isEmpty()) return {};
    while (out.endsWith(u"\n\n"))
        out.chop(1);
    return (out + kAppIdKey + identifier + u'\n').toUtf8();
}

bool stopping(const StoreAppContext& ctx) {
    return ctx.stop != nullptr && ctx.stop->load(std::memory_order_relaxed);
}

// Deletes only a folder that lies below the data folder, so that a wrong
// path can never take anything else with it.
void removeInsideDataFolder(const QString& folder, const QString& dataFolder) {
    const QString target = QFileInfo(folder).canonicalFilePath();
    QString data = QFileInfo(dataFolder).canonicalFilePath();
    if (target.isEmpty() || data.isEmpty()) return;
    if (!data.endsWith(u'/')) data += u'/';
    if (target.startsWith(data)) QDir(target).removeRecursively();
}

void deleteFiles(const QDir& dir) {
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(dir.filePath(name));
}

// One run over "uwp.csv": keeps, replaces and adds pairs and shortcuts.
class Sync {
public:
    Sync(const QDir& dir, Pairs pairs, const std::vector<StoreApp>& apps)
        : dir_(dir), pairs_(std::move(pairs)) {
        for (const StoreApp& a : apps)
            entries_.insert(a.identifier, a.entryFile);
    }

    void line(const QString& csvLine) {
        const QStringList fields = splitQuotedFields(csvLine, u';');
        if (fields.size() < 2 || fields[1].count(u'!') != 1) return;
        const QString name = fields[0].trimmed().remove(u'=');
        const QString& identifier = fields[1];
        if (name.isEmpty()) return;
        const auto old = std::find_if(pairs_.begin(), pairs_.end(), [&](const Pair& p) {
            return folded(p.name) == folded(name);
        });
        if (old != pairs_.end() && old->identifier == identifier) {
            present_.insert(folded(name));
            refresh(shortcutPath(name), identifier);
            return;
        }
        if (old != pairs_.end()) pairs_.erase(old);
        const QString file = shortcutPath(name);
        QFile::remove(file);
        // Only a shortcut that is there counts, so a failed one is tried again next time.
        const QByteArray text = shortcutText(entries_.value(identifier), identifier);
        if (text.isEmpty() || !writeFileAtomically(file, text).ok()) return;
        pairs_.push_back({name, identifier});
        present_.insert(folded(name));
    }

    // Drops the pairs not seen in this run, then the shortcuts of no pair.
    void prune() {
        std::erase_if(pairs_, [&](const Pair& p) { return !present_.contains(folded(p.name)); });
        QSet<QString> kept;
        for (const Pair& p : pairs_)
            kept.insert(folded(storeShortcutFileName(p.name)));
        for (const QString& file : dir_.entryList({QStringLiteral("*.desktop")}, QDir::Files))
            if (!kept.contains(folded(file))) QFile::remove(dir_.filePath(file));
    }

    const Pairs& pairs() const { return pairs_; }

private:
    // An update of the app may change its Exec or Icon lines: the copy
    // follows, or it would start what is no longer installed.
    void refresh(const QString& file, const QString& identifier) const {
        const QByteArray text = shortcutText(entries_.value(identifier), identifier);
        if (text.isEmpty()) return;
        QFile current(file);
        if (current.open(QIODevice::ReadOnly) && current.readAll() == text) return;
        writeFileAtomically(file, text);
    }

    QString shortcutPath(const QString& name) const {
        return dir_.filePath(storeShortcutFileName(name));
    }

    const QDir& dir_;
    Pairs pairs_;
    QHash<QString, QString> entries_; // identifier -> exported entry
    QSet<QString> present_;           // folded names
};

} // namespace

bool isStoreAppFolder(const QString& applicationsFolder) {
    return !storeSource(applicationsFolder).isEmpty();
}

std::vector<StoreApp> listStoreApps(const QStringList& applicationFolders,
                                    const AppDiscovery& discovery) {
    std::vector<StoreApp> apps;
    for (qsizetype i = 0; i < applicationFolders.size(); ++i) {
        const QString source = storeSource(applicationFolders[i]);
        if (source.isEmpty()) continue;
        const QDir dir(applicationFolders[i]);
        for (const QString& id :
             dir.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name)) {
            if (heldEarlier(applicationFolders, i, id)) continue;
            const std::optional<DesktopEntry> e = readDesktopEntry(dir.filePath(id));
            if (!e || !listedEntry(*e, discovery)) continue;
            const QString name = oneLine(localizedName(*e, discovery.locale));
            if (!name.isEmpty()) apps.push_back({name, source + u'!' + id, dir.filePath(id)});
        }
    }
    return apps;
}

QByteArray formatStoreAppsCsv(const std::vector<StoreApp>& apps) {
    QString text =
        quoted(QStringLiteral("Name")) + u';' + quoted(QStringLiteral("AppID")) + u"\r\n";
    for (const StoreApp& a : apps)
        text += quoted(a.name) + u';' + quoted(a.identifier) + u"\r\n";
    return text.toUtf8();
}

QStringList splitQuotedFields(const QString& line, QChar separator) {
    QStringList fields;
    QString field;
    bool inQuotes = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"' && inQuotes && i + 1 < line.size() && line[i + 1] == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (c == separator && !inQuotes) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

QString storeShortcutFileName(const QString& name) {
    QString base = name;
    for (QChar& c : base)
        if (c == u'/' || c.category() == QChar::Other_Control) c = u'_';
    while (base.toUtf8().size() > kMaxShortcutNameBytes)
        base.chop(base.size() >= 2 && base.back().isLowSurrogate() ? 2 : 1);
    return base + QStringLiteral(".desktop");
}

QString SyncStoreApps(const QString& appsFolder, bool flush, bool remove,
                      const StoreAppContext& ctx) {
    if (remove) {
        removeInsideDataFolder(appsFolder, ctx.dataFolder);
        return QStringLiteral("0");
    }
    const QDir dir(appsFolder);
    if (flush) deleteFiles(dir);
    const QString indexFile = dir.filePath(QStringLiteral("index.dat"));
    std::optional<Pairs> loaded = loadIndex(indexFile);
    if (!loaded) return QStringLiteral("0");
    const qsizetype loadedCount = qsizetype(loaded->size());
    QDir().mkpath(appsFolder);
    const QString csvFile = dir.filePath(QStringLiteral("uwp.csv"));
    QFile::remove(csvFile);
    const std::vector<StoreApp> apps = listStoreApps(ctx.applicationFolders, ctx.discovery);
    QFile csv(csvFile);
    if (!writeFileAtomically(csvFile, formatStoreAppsCsv(apps)).ok() ||
        !csv.open(QIODevice::ReadOnly))
        return QString::number(loadedCount);

    Sync sync(dir, std::move(*loaded), apps);
    bool stopped = false;
    for (const QString& line : fileLines(csv)) {
        if ((stopped = stopping(ctx))) break;
        sync.line(line);
    }
    if (!stopped) sync.prune();
    writeFileAtomically(indexFile, encodeUtf8WithBom(formatIndex(sync.pairs())));
    return QString::number(sync.pairs().size());
}

} // namespace lorvanta
