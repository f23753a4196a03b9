#include "processtree.h"

#include <QByteArray>
#include <QFile>

namespace lorvanta::platform {

namespace {

// A chain this long is a loop or a race with exiting processes, not a tree.
constexpr int kMaxDepth = 64;

} // namespace

pid_t parentProcess(pid_t pid) {
    if (pid <= 0) return 0;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QByteArray line = stat.readAll();
    // "PID (NAME) STATE PPID ...": the name may hold blanks and parentheses,
    // so the fields are counted from the last closing parenthesis.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0) return 0;
    const QList<QByteArray> fields = line.mid(close + 1).simplified().split(' ');
    if (fields.size() < 2) return 0;
    bool ok = false;
    const int parent = fields.at(1).toInt(&ok);
    return ok ? pid_t(parent) : 0;
}

bool descendsFrom(pid_t pid, pid_t ancestor) {
    if (pid <= 0 || ancestor <= 0) return false;
    for (int depth = 0; depth < kMaxDepth && pid > 1; ++depth) {
        if (pid == ancestor) return true;
        pid = parentProcess(pid);
    }
    return pid == ancestor;
}

} // namespace lorvanta::platform
