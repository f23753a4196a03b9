#include "commatext.h"

namespace lorvanta {

namespace {

bool isBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= u' ';
}

} // namespace

QStringList commaText(const QString& whole) {
    // The list reader ends at a NUL, as its C string did.
    const QString text = whole.left(whole.indexOf(QChar(0)));
    QStringList out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && isBlank(text[i]))
        ++i;
    while (i < n) {
        QString item;
        if (text[i] == u'"') {
            for (++i; i < n; ++i) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        item += u'"';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i];
            }
        } else {
            const qsizetype start = i;
            while (i < n && !isBlank(text[i]) && text[i] != u',')
                ++i;
            item = text.mid(start, i - start);
        }
        out << item;
        while (i < n && isBlank(text[i]))
            ++i;
        if (i < n && text[i] == u',') {
            if (i + 1 == n) out << QString(); // a trailing comma ends in an empty item
            do
                ++i;
            while (i < n && isBlank(text[i]));
        }
    }
    return out;
}

} // namespace lorvanta
