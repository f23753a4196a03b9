#include "xdgdirs.h"

#include <QDir>

namespace lorvanta {

namespace {

QString absoluteOr(const QProcessEnvironment& env, const char* variable, const QString& fallback) {
    const QString value = env.value(QString::fromLatin1(variable));
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : fallback;
}

QStringList absoluteListOr(const QProcessEnvironment& env, const char* variable,
                           const QStringList& fallback) {
    QStringList out;
    for (const QString& dir :
         env.value(QString::fromLatin1(variable)).split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir)) out << QDir::cleanPath(dir);
    out.removeDuplicates();
    return out.isEmpty() ? fallback : out;
}

} // namespace

QString homeFolder(const QProcessEnvironment& env) {
    const QString h = env.value(QStringLiteral("HOME"));
    return QDir::cleanPath(h.isEmpty() ? QDir::homePath() : h);
}

QString xdgDataHome(const QProcessEnvironment& env) {
    return absoluteOr(env, "XDG_DATA_HOME", homeFolder(env) + QStringLiteral("/.local/share"));
}

QString xdgConfigHome(const QProcessEnvironment& env) {
    return absoluteOr(env, "XDG_CONFIG_HOME", homeFolder(env) + QStringLiteral("/.config"));
}

QStringList xdgDataDirs(const QProcessEnvironment& env) {
    return absoluteListOr(env, "XDG_DATA_DIRS",
                          {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
}

QStringList xdgConfigDirs(const QProcessEnvironment& env) {
    return absoluteListOr(env, "XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
}

QStringList xdgApplicationFolders(const QProcessEnvironment& env) {
    QStringList out{xdgDataHome(env) + QStringLiteral("/applications")};
    for (const QString& dir : xdgDataDirs(env))
        out << dir + QStringLiteral("/applications");
    out.removeDuplicates();
    return out;
}

} // namespace lorvanta
