#include "apps.h"

#include "core/text/programsearch.h"
#include "core/util/xdgdirs.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace lorvanta {

namespace {

// Deep enough for any real menu; stops a tree that keeps going.
constexpr int kMaxDepth = 16;

bool shownOnDesktop(const DesktopEntry& e, const QStringList& desktops) {
    for (const QString& d : desktops)
        if (e.notShowIn.contains(d)) return false;
    if (e.onlyShowIn.isEmpty()) return true;
    for (const QString& d : desktops)
        if (e.onlyShowIn.contains(d)) return true;
    return false;
}

bool tryExecFound(const QString& tryExec, const QStringList& searchPath) {
    if (tryExec.isEmpty()) return true;
    if (!tryExec.contains(u'/')) return !findProgram(tryExec, searchPath).isEmpty();
    const QFileInfo fi(tryExec);
    return fi.isAbsolute() && fi.isFile() && fi.isExecutable();
}

// GNOME's panels and KDE's modules hide from the menu (NoDisplay) yet are
// what the desktop's settings program shows.
bool settingsModule(const DesktopEntry& e) {
    if (QFileInfo(e.file).fileName().startsWith(u"kcm_")) return true;
    for (const QString& c : e.categories)
        if (c == u"X-GNOME-Settings-Panel" || c.startsWith(u"X-KDE-settings")) return true;
    return false;
}

using FolderKey = std::pair<dev_t, ino_t>;

// One walk over all folders: the ids seen so far and the items made.
class AppWalk {
public:
    explicit AppWalk(const AppDiscovery& context) : context_(context) {}

    void walkTop(const QString& folder) {
        std::set<FolderKey> onPath;
        walk(folder, QString(), onPath, 0);
    }
    std::vector<TMyShellItem> take() { return std::move(items_); }

private:
    void walk(const QString& folder, const QString& rel, std::set<FolderKey>& onPath, int depth) {
        struct stat st {};
        if (depth > kMaxDepth || ::stat(QFile::encodeName(folder).constData(), &st) != 0) return;
        const FolderKey key{st.st_dev, st.st_ino};
        if (!onPath.insert(key).second) return; // a link back to a folder above
        const QDir dir(folder);
        for (const QString& name :
             dir.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name))
            addEntry(dir.filePath(name), rel, name);
        for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            walk(dir.filePath(sub), rel.isEmpty() ? sub : rel + u'/' + sub, onPath, depth + 1);
        onPath.erase(key);
    }

    void addEntry(const QString& file, const QString& rel, const QString& name) {
        QString id = rel.isEmpty() ? name : rel + u'/' + name;
        id.replace(u'/', u'-');
        if (seenIds_.contains(id)) return;
        const std::optional<DesktopEntry> e = readDesktopEntry(file);
        if (!e) return; // an unreadable file does not hide the id further down
        seenIds_.insert(id);
        if (!listedEntry(*e, context_)) return;
        TMyShellItem item;
        item.name = localizedName(*e, context_.locale);
        item.path = file;
        if (context_.pick == AppDiscovery::Pick::SettingsPanels) {
            item.root = QStringLiteral("rfSettings");
            item.title = QStringLiteral("System settings");
        } else {
            item.root = QString::fromUtf16(kApplicationsRoot);
            item.title = rel.isEmpty() ? QStringLiteral("Applications") : rel;
        }
        if (!item.name.isEmpty()) items_.push_back(std::move(item));
    }

    const AppDiscovery& context_;
    QSet<QString> seenIds_;
    std::vector<TMyShellItem> items_;
};

} // namespace

QStringList applicationFolders(const QProcessEnvironment& env) {
    return xdgApplicationFolders(env);
}

QStringList currentDesktops(const QProcessEnvironment& env) {
    return env.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(u':', Qt::SkipEmptyParts);
}

QString messagesLocale(const QProcessEnvironment& env) {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString v = env.value(QString::fromLatin1(var));
        if (v.isEmpty()) continue;
        return v == u"C" || v == u"POSIX" || v.startsWith(u"C.") ? QString() : v;
    }
    return {};
}

QString localizedName(const DesktopEntry& entry, const QString& locale) {
    // ll_CC.ENCODING@MODIFIER: the encoding never takes part in the match.
    QString rest = locale;
    QString modifier;
    if (const qsizetype at = rest.indexOf(u'@'); at >= 0) {
        modifier = rest.sliced(at);
        rest.truncate(at);
    }
    if (const qsizetype dot = rest.indexOf(u'.'); dot >= 0) rest.truncate(dot);
    const QString lang = rest.section(u'_', 0, 0);
    QStringList keys;
    if (rest != lang) {
        if (!modifier.isEmpty()) keys << rest + modifier;
        keys << rest;
    }
    if (!modifier.isEmpty()) keys << lang + modifier;
    keys << lang;
    for (const QString& k : keys) {
        const QString v = entry.localizedNames.value(k);
        if (!k.isEmpty() && !v.isEmpty()) return v;
    }
    return entry.name;
}

bool listedEntry(const DesktopEntry& e, const AppDiscovery& context) {
    if (e.type != u"Application" || e.hidden || !shownOnDesktop(e, context.desktops)) return false;
    if (context.pick == AppDiscovery::Pick::SettingsPanels) {
        const bool panel =
            settingsModule(e) || (!e.noDisplay && e.categories.contains(u"Settings"));
        if (!panel) return false;
    } else if (e.noDisplay) {
        return false;
    }
    return tryExecFound(e.tryExec, context.searchPath);
}

std::vector<TMyShellItem> discoverApplications(const QStringList& folders,
                                               const AppDiscovery& context) {
    AppWalk walk(context);
    for (const QString& f : folders)
        walk.walkTop(f);
    return walk.take();
}

} // namespace lorvanta
