#include "mimeapps.h"

#include "core/util/xdgdirs.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QSet>

namespace lorvanta::platform {

namespace {

// One mimeapps.list: MIME type to desktop ids, per group.
struct MimeApps {
    QHash<QString, QStringList> defaults, added, removed;
};

MimeApps readMimeApps(const QString& file) {
    MimeApps apps;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return apps;
    QHash<QString, QStringList>* group = nullptr;
    const QString text = QString::fromUtf8(f.readAll());
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (line.startsWith(u'[')) {
            group = line == u"[Default Applications]"   ? &apps.defaults
                    : line == u"[Added Associations]"   ? &apps.added
                    : line == u"[Removed Associations]" ? &apps.removed
                                                        : nullptr;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!group || eq <= 0) continue;
        QStringList& ids = (*group)[line.first(eq).trimmed().toString()];
        for (QStringView id : line.sliced(eq + 1).split(u';', Qt::SkipEmptyParts))
            if (!id.trimmed().isEmpty()) ids << id.trimmed().toString();
    }
    return apps;
}

QStringList idsFor(const QHash<QString, QStringList>& group, const QStringList& names) {
    QStringList ids;
    for (const QString& name : names)
        ids += group.value(name);
    return ids;
}

// The desktop entries of one lookup, read at most once each. The folders
// are walked only when every entry is needed.
class DesktopIndex {
public:
    // Ids in folder order, the most important folder's entry for each.
    const QStringList& ids() {
        if (!walked_) walk();
        return ids_;
    }

    const std::optional<DesktopFile>& entry(const QString& id) {
        auto it = entries_.find(id);
        if (it == entries_.end()) {
            const QString file = walked_ ? files_.value(id) : findDesktopEntry(id);
            it = entries_.insert(id, file.isEmpty() ? std::nullopt : readDesktopFile(file));
        }
        return *it;
    }

    std::optional<DesktopFile> launchable(const QString& id) {
        const auto& e = entry(id);
        return e && isLaunchable(*e) ? e : std::nullopt;
    }

private:
    void walk() {
        walked_ = true;
        for (const QString& folder : applicationFolders()) {
            const QDir root(folder);
            QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                            QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
            QStringList found;
            while (it.hasNext())
                found << it.next();
            found.sort(); // a stable order among entries that list a type themselves
            for (const QString& file : found) {
                const QString id = root.relativeFilePath(file).replace(u'/', u'-');
                if (files_.contains(id)) continue;
                files_.insert(id, file);
                ids_ << id;
            }
        }
    }

    bool walked_ = false;
    QHash<QString, QString> files_;
    QStringList ids_;
    QHash<QString, std::optional<DesktopFile>> entries_;
};

} // namespace

// The process's own environment, read when asked: tests change it.
QString xdgDataHome() {
    return lorvanta::xdgDataHome(QProcessEnvironment::systemEnvironment());
}

QStringList xdgDataDirs() {
    return lorvanta::xdgDataDirs(QProcessEnvironment::systemEnvironment());
}

QString xdgConfigHome() {
    return lorvanta::xdgConfigHome(QProcessEnvironment::systemEnvironment());
}

QStringList xdgConfigDirs() {
    return lorvanta::xdgConfigDirs(QProcessEnvironment::systemEnvironment());
}

QStringList applicationFolders() {
    return xdgApplicationFolders(QProcessEnvironment::systemEnvironment());
}

QStringList mimeappsFiles() {
    QStringList desktops;
    for (const QString& d :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        desktops << d.toLower();
    QStringList folders{xdgConfigHome()};
    folders += xdgConfigDirs();
    folders += applicationFolders();
    QStringList out;
    for (const QString& folder : folders) {
        for (const QString& d : desktops)
            out << folder + u'/' + d + QStringLiteral("-mimeapps.list");
        out << folder + QStringLiteral("/mimeapps.list");
    }
    out.removeDuplicates();
    out.removeIf([](const QString& f) { return !QFileInfo(f).isFile(); });
    return out;
}

QString findDesktopEntry(const QString& id) {
    // Each "-" of an id may stand for a subfolder; ids have few of them.
    QList<qsizetype> dashes;
    for (qsizetype i = 0; i < id.size(); ++i)
        if (id[i] == u'-') dashes << i;
    if (dashes.size() > 8) dashes.resize(8);
    for (const QString& folder : applicationFolders()) {
        for (quint32 mask = 0; mask < (1u << dashes.size()); ++mask) {
            QString relative = id;
            for (qsizetype d = 0; d < dashes.size(); ++d)
                if (mask & (1u << d)) relative[dashes[d]] = u'/';
            const QString file = folder + u'/' + relative;
            if (QFileInfo(file).isFile()) return file;
        }
    }
    return {};
}

bool isLaunchable(const DesktopFile& entry) {
    if (entry.hidden || entry.exec.isEmpty()) return false;
    if (!entry.type.isEmpty() && entry.type != u"Application") return false;
    if (!entry.tryExec.isEmpty() && findProgram(entry.tryExec).isEmpty()) return false;
    const QStringList argv = splitCommandLine(entry.exec);
    return !argv.isEmpty() && !findProgram(argv.first()).isEmpty();
}

QList<QStringList> mimeTypesForFile(const QString& path) {
    const QMimeDatabase db;
    const QMimeType type = db.mimeTypeForFile(path);
    QList<QStringList> out;
    const auto add = [&](const QMimeType& t) {
        if (t.isValid()) out << (QStringList{t.name()} + t.aliases());
    };
    add(type);
    for (const QString& ancestor : type.allAncestors())
        add(db.mimeTypeForName(ancestor));
    return out;
}

std::optional<DesktopFile> defaultApplication(const QList<QStringList>& types) {
    QList<MimeApps> lists;
    for (const QString& file : mimeappsFiles())
        lists << readMimeApps(file);
    DesktopIndex index;

    for (const QStringList& names : types) {
        // A removal holds for the files after the one that makes it: a more
        // important file can take back what a system-wide one says, and the
        // same file's default or addition wins over its own removal.
        QSet<QString> removed;
        const auto firstOf = [&](QHash<QString, QStringList> MimeApps::*group) {
            removed.clear();
            for (const MimeApps& list : lists) {
                for (const QString& id : idsFor(list.*group, names))
                    if (!removed.contains(id))
                        if (auto e = index.launchable(id)) return e;
                for (const QString& id : idsFor(list.removed, names))
                    removed.insert(id);
            }
            return std::optional<DesktopFile>();
        };
        if (auto e = firstOf(&MimeApps::defaults)) return e;
        if (auto e = firstOf(&MimeApps::added)) return e;
        for (const QString& id : index.ids()) {
            if (removed.contains(id)) continue;
            const auto& e = index.entry(id);
            if (!e) continue;
            bool listed = false;
            for (const QString& name : names)
                listed = listed || e->mimeTypes.contains(name);
            if (listed && isLaunchable(*e)) return e;
        }
    }
    return std::nullopt;
}

} // namespace lorvanta::platform
