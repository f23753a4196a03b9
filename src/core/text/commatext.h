#pragma once

#include <QString>
#include <QStringList>

namespace lorvanta {

// A comma text as the settings store lists: items separated by commas or
// blanks; an item in double quotes keeps its blanks and commas, and "" in it
// is one quote. Empty items between commas are kept.
QStringList commaText(const QString& text);

} // namespace lorvanta
