#include "programsearch.h"

#include <QFileInfo>

namespace lorvanta {

QString findProgram(const QString& name, const QStringList& dirs) {
    if (name.isEmpty() || name.contains(u'/')) return {};
    for (const QString& dir : dirs) {
        const QFileInfo f(dir + u'/' + name);
        if (f.isFile() && f.isExecutable()) return f.absoluteFilePath();
    }
    return {};
}

} // namespace lorvanta
