#include "datafolder.h"

#include <QDir>
#include <QFileInfo>

namespace lorvanta {

namespace {

QString withSlash(QString path) {
    if (!path.endsWith(u'/')) path += u'/';
    return path;
}

} // namespace

DataFolder::DataFolder(const platform::Environment& env, Create create) {
    QString chosen;
    if (const auto home = env.variable(QStringLiteral("LORVANTA_HOME")); home && !home->isEmpty())
        chosen = QDir::cleanPath(*home);
    else if (QFileInfo::exists(env.programFolder() + QStringLiteral("lorvanta.ini")))
        chosen = env.programFolder();
    else if (const QString config = env.configFolder(); !config.isEmpty())
        chosen = config + QStringLiteral("/Lorvanta");
    else
        chosen = env.programFolder();
    path_ = withSlash(chosen);
    if (create == Create::IfMissing) QDir().mkpath(path_);
}

DataFolder DataFolder::at(const QString& folder) {
    DataFolder d;
    d.path_ = withSlash(QDir::cleanPath(folder));
    return d;
}

} // namespace lorvanta
