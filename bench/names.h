#pragma once

// Deterministic application- and file-like names for the benchmarks.

#include <QString>
#include <QStringList>

namespace lorvanta::bench {

inline QStringList makeNames(int count, unsigned seed = 12345) {
    static const char* const syllables[] = {
        "fi",  "re",   "fox",  "thun", "der", "bird", "li",   "bre", "of",   "fice",
        "gim", "mp",   "vi",   "sual", "stu", "dio",  "code", "ter", "mi",   "nal",
        "doc", "u",    "ment", "pho",  "to",  "shop", "mu",   "sic", "play", "er",
        "net", "work", "ma",   "na",   "ger", "sys",  "tem",  "mo",  "ni",   "tor",
        "cal", "cu",   "la",   "tor",  "pdf", "view", "note", "pad", "ed",   "it"};
    constexpr unsigned n = sizeof syllables / sizeof *syllables;
    unsigned x = seed;
    const auto next = [&] {
        x = x * 1103515245u + 12345u;
        return (x >> 16) & 0x7fff;
    };
    QStringList out;
    out.reserve(count);
    for (int i = 0; i < count; ++i) {
        QString name;
        const int words = 1 + int(next() % 3);
        for (int w = 0; w < words; ++w) {
            if (w) name += u' ';
            const int parts = 1 + int(next() % 3);
            for (int p = 0; p < parts; ++p)
                name += QString::fromLatin1(syllables[next() % n]);
            if (w == 0) name[0] = name[0].toUpper();
        }
        out.append(name);
    }
    return out;
}

} // namespace lorvanta::bench
