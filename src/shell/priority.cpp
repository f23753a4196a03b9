#include "priority.h"

#include <QDir>
#include <sys/resource.h>

namespace lorvanta {

std::optional<int> niceForPriority(int priority) {
    switch (priority) {
    case 0:
        return 19;
    case 1:
        return 10;
    case 3:
        return -5;
    case 4:
        return -10;
    case 5:
        return -15;
    default:
        return std::nullopt;
    }
}

bool applyPriority(int priority) {
    if (priority == 2) return true;
    const std::optional<int> nice = niceForPriority(priority);
    if (!nice) return false;
    if (::setpriority(PRIO_PROCESS, 0, *nice) != 0) return false;
    bool all = true;
    const QStringList tasks =
        QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& task : tasks) {
        bool ok = false;
        const id_t tid = task.toUInt(&ok);
        if (ok && ::setpriority(PRIO_PROCESS, tid, *nice) != 0) all = false;
    }
    return all;
}

} // namespace lorvanta
