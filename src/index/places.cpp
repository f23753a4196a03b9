#include "places.h"

#include "core/util/xdgdirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lorvanta {

namespace {

// The folder of one value: "\"$HOME/Music\"" or "\"/data/music\"".
QString folderOfValue(QStringView value, const QString& home) {
    if (value.size() < 2 || !value.startsWith(u'"') || !value.endsWith(u'"')) return {};
    QString text;
    const QStringView inner = value.sliced(1, value.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        if (inner[i] == u'\\' && i + 1 < inner.size()) ++i; // shell escapes: keep the next
        text += inner[i];
    }
    if (text == u"$HOME" || text.startsWith(u"$HOME/"))
        text = home + text.sliced(5);
    else if (!text.startsWith(u'/'))
        return {};
    text = QDir::cleanPath(text);
    return text == home ? QString() : text;
}

TMyShellItem place(QString name, QString root, QString path) {
    TMyShellItem item;
    item.name = std::move(name);
    item.root = std::move(root);
    item.path = std::move(path);
    item.title = QStringLiteral("Places");
    return item;
}

} // namespace

QMap<QString, QString> userFolders(const QProcessEnvironment& env) {
    QMap<QString, QString> out = configuredUserFolders(env);
    // Without a setting, the desktop is ~/Desktop (xdg-user-dirs' own
    // default), and the documents ~/Documents, when they are there.
    const QString home = homeFolder(env);
    for (const auto& [key, name] : {std::pair{"DESKTOP", "/Desktop"}, {"DOCUMENTS", "/Documents"}})
        if (!out.contains(QString::fromLatin1(key)) &&
            QFileInfo(home + QString::fromLatin1(name)).isDir())
            out.insert(QString::fromLatin1(key), home + QString::fromLatin1(name));
    return out;
}

QMap<QString, QString> configuredUserFolders(const QProcessEnvironment& env) {
    QMap<QString, QString> out;
    QFile f(xdgConfigHome(env) + u"/user-dirs.dirs");
    if (!f.open(QIODevice::ReadOnly)) return out;
    const QString home = homeFolder(env);
    const QString text = QString::fromUtf8(f.readAll());
    for (QStringView raw : QStringView(text).tokenize(u'\n')) {
        const QStringView line = raw.trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (line.startsWith(u'#') || eq < 0) continue;
        const QStringView key = line.first(eq);
        if (!key.startsWith(u"XDG_") || !key.endsWith(u"_DIR") || key.size() <= 8) continue;
        const QString folder = folderOfValue(line.sliced(eq + 1), home);
        if (!folder.isEmpty()) out.insert(key.sliced(4).chopped(4).toString(), folder);
    }
    return out;
}

std::vector<TMyShellItem> discoverPlaces(const QProcessEnvironment& env) {
    std::vector<TMyShellItem> out;
    QStringList given;
    auto add = [&](QString name, QString root, const QString& path) {
        if (path.isEmpty() || given.contains(path) || !QFileInfo(path).isDir()) return;
        given.append(path);
        out.push_back(place(std::move(name), std::move(root), path));
    };
    add(QStringLiteral("Home"), QStringLiteral("rfProfile"), homeFolder(env));
    const QMap<QString, QString> folders = userFolders(env);
    for (const char* key : {"DESKTOP", "DOCUMENTS", "DOWNLOAD", "MUSIC", "PICTURES", "VIDEOS",
                            "TEMPLATES", "PUBLICSHARE"}) {
        const QString path = folders.value(QString::fromLatin1(key));
        const QString root = qstrcmp(key, "DESKTOP") == 0     ? QStringLiteral("rfDesktop")
                             : qstrcmp(key, "DOCUMENTS") == 0 ? QStringLiteral("rfPersonal")
                                                              : path;
        add(QFileInfo(path).fileName(), root, path);
    }
    add(QStringLiteral("Trash"), QStringLiteral("rfRecycleBin"),
        xdgDataHome(env) + u"/Trash/files");
    return out;
}

} // namespace lorvanta
