#include "folderlisting.h"

#include "core/text/textkinds.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <ctime>
#include <sys/stat.h>

namespace lorvanta {

namespace {

// The entries of a folder. Completion and the list both read the typed
// folder on every keystroke, so the last reading is kept while the folder's
// modification time (which every added, removed or renamed entry changes)
// stays the same. File times are coarse, so a reading taken within a second
// of the folder's last change is not kept: a change in the same tick could
// not be told apart.
QFileInfoList folderEntries(const QString& folder) {
    struct Reading {
        QString folder;
        timespec modified{};
        bool trusted = false;
        QFileInfoList entries;
    };
    thread_local Reading last;
    struct stat st;
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0) return {};
    if (last.trusted && last.folder == folder && last.modified.tv_sec == st.st_mtim.tv_sec &&
        last.modified.tv_nsec == st.st_mtim.tv_nsec)
        return last.entries;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    last.folder = folder;
    last.modified = st.st_mtim;
    last.trusted = now.tv_sec > st.st_mtim.tv_sec + 1;
    last.entries = QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                              QDir::NoDotAndDotDot);
    return last.entries;
}

} // namespace

QString resolveTypedPath(const QString& typed, const QString& home) {
    QString t = typed;
    if (t.size() >= 2 && t.startsWith(u'"') && t.endsWith(u'"')) t = t.mid(1, t.size() - 2);
    t = expandTilde(t, home);
    if (t.startsWith(u"./") || t.startsWith(u"../")) t = home + u'/' + t;
    return t;
}

std::vector<FolderEntry> listTypedPath(const QString& typedRaw, const QString& home,
                                       bool ignoreNetwork) {
    std::vector<FolderEntry> out;
    QString typed = typedRaw;
    if (typed.size() >= 2 && typed.startsWith(u'"') && typed.endsWith(u'"'))
        typed = typed.mid(1, typed.size() - 2);
    if (isNetworkPath(typed) && (ignoreNetwork || typed.contains(u"://"))) return out;

    if (typed == u"~") {
        if (QFileInfo(home).isDir()) {
            FolderEntry e{typed, {}, true};
            e.item.name = typed;
            e.item.root = e.item.path = home;
            out.push_back(std::move(e));
        }
        return out;
    }
    const qsizetype slash = typed.lastIndexOf(u'/');
    const QString prefix = slash < 0 ? typed : typed.left(slash + 1);
    const QString stem = slash < 0 ? QString() : typed.mid(slash + 1);
    const QString folder = resolveTypedPath(prefix, home);

    const QFileInfoList infos = folderEntries(folder);
    std::vector<FolderEntry> folders, files;
    for (const QFileInfo& info : infos) {
        const QString name = info.fileName();
        if (!name.startsWith(stem, Qt::CaseInsensitive)) continue;
        FolderEntry e;
        e.text = prefix + name;
        e.isFolder = info.isDir();
        e.item.name = name;
        e.item.root = folder;
        e.item.path = info.filePath();
        e.item.title = folder;
        (e.isFolder ? folders : files).push_back(std::move(e));
    }
    const auto byName = [](const FolderEntry& a, const FolderEntry& b) {
        return a.item.name.compare(b.item.name, Qt::CaseInsensitive) < 0;
    };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    out = std::move(folders);
    std::move(files.begin(), files.end(), std::back_inserter(out));
    return out;
}

} // namespace lorvanta
