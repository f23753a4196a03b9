#include "linuxenvironment.h"

#include <QFileInfo>
#include <pwd.h>
#include <unistd.h>

extern char** environ;

namespace lorvanta::platform {

namespace {

QString withSlash(QString path) {
    if (!path.endsWith(u'/')) path += u'/';
    return path;
}

} // namespace

QString LinuxEnvironment::programFolder() const {
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    return withSlash(QFileInfo(exe.canonicalFilePath()).absolutePath());
}

QString LinuxEnvironment::configFolder() const {
    // An XDG base directory that is not absolute is invalid and must be ignored.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (xdg.startsWith(u'/')) return xdg;
    const QString home = homeFolder();
    return home.isEmpty() ? QString() : home + QStringLiteral("/.config");
}

QString LinuxEnvironment::homeFolder() const {
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty()) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return QString::fromLocal8Bit(pw->pw_dir);
    return {};
}

std::optional<QString> LinuxEnvironment::variable(const QString& name) const {
    if (name.isEmpty()) return std::nullopt;
    const QByteArray exact = name.toLocal8Bit();
    if (const char* v = ::getenv(exact.constData())) return QString::fromLocal8Bit(v);
    for (char** e = environ; e && *e; ++e) {
        const QString entry = QString::fromLocal8Bit(*e);
        const qsizetype eq = entry.indexOf(u'=');
        if (eq > 0 && QStringView(entry).first(eq).compare(name, Qt::CaseInsensitive) == 0)
            return entry.mid(eq + 1);
    }
    return std::nullopt;
}

QStringList LinuxEnvironment::searchPath() const {
    return qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
}

} // namespace lorvanta::platform
