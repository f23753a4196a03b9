#include "envexpand.h"

#include "platform/environment.h"

namespace lorvanta {

QString expandEnvironmentVariables(const QString& text, const platform::Environment& env) {
    if (!text.contains(u'%')) return text;
    QString out;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'%', i);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u'%', open + 1);
        if (close < 0) {
            out += QStringView(text).sliced(i);
            break;
        }
        out += QStringView(text).sliced(i, open - i);
        const QString name = text.mid(open + 1, close - open - 1);
        if (const auto value = name.isEmpty() ? std::nullopt : env.variable(name)) {
            out += *value;
            i = close + 1;
        } else {
            // Not a variable: keep the first "%" and look again from the second.
            out += u'%';
            i = open + 1;
        }
    }
    return out;
}

} // namespace lorvanta
