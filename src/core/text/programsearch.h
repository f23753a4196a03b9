#pragma once

#include <QString>
#include <QStringList>

namespace lorvanta {

// The full path of the program `name` on the search path `dirs`: the first
// regular file with its run bit. A name holding "/" is not searched for.
// Empty when none is found.
QString findProgram(const QString& name, const QStringList& dirs);

} // namespace lorvanta
