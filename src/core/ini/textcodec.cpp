#include "textcodec.h"

#include <QStringDecoder>

namespace lorvanta {

namespace {

// 0x80..0x9F of Windows-1252; 0 marks the five bytes the code page leaves
// undefined, which are then taken as the C1 control of the same value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Length of the valid UTF-8 sequence at p (1..4), or 0 when the byte there
// does not start one. Overlong forms, surrogates and values past U+10FFFF are
// rejected, as a strict decoder must.
int validSequenceLength(const unsigned char* p, qsizetype left, char32_t& cp) {
    const unsigned char b0 = p[0];
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    int len = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (left < len) return 0;
    for (int i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

QString decodeUtf8Lenient(const char* data, qsizetype size) {
    // Nearly every file is valid UTF-8: Qt's decoder handles that fast, and
    // only a file with an invalid byte takes the byte-by-byte path.
    QStringDecoder strict(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString fast = strict(QByteArrayView(data, size));
    if (!strict.hasError()) return fast;

    QString out;
    out.reserve(size);
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    qsizetype i = 0;
    while (i < size) {
        // Runs of ASCII are the common case: copy them without the checks.
        if (p[i] < 0x80) {
            out.append(QChar(char16_t(p[i])));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int len = validSequenceLength(p + i, size - i, cp);
        if (len == 0) {
            out.append(windows1252Char(p[i]));
            ++i;
        } else {
            if (cp >= 0x10000) {
                out.append(QChar::highSurrogate(cp));
                out.append(QChar::lowSurrogate(cp));
            } else {
                out.append(QChar(char16_t(cp)));
            }
            i += len;
        }
    }
    return out;
}

} // namespace

QChar windows1252Char(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F && kHighControls[byte - 0x80] != 0)
        return QChar(kHighControls[byte - 0x80]);
    return QChar(char16_t(byte));
}

QString decodeText(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return decodeUtf8Lenient(bytes.constData() + 3, n - 3);
    if (n >= 4 && p[0] == 0xFF && p[1] == 0xFE && p[2] == 0 && p[3] == 0) {
        QStringDecoder dec(QStringConverter::Utf32LE);
        return dec(QByteArrayView(bytes).sliced(4));
    }
    if (n >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF) {
        QStringDecoder dec(QStringConverter::Utf32BE);
        return dec(QByteArrayView(bytes).sliced(4));
    }
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        QStringDecoder dec(QStringConverter::Utf16LE);
        return dec(QByteArrayView(bytes).sliced(2));
    }
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
        QStringDecoder dec(QStringConverter::Utf16BE);
        return dec(QByteArrayView(bytes).sliced(2));
    }
    return decodeUtf8Lenient(bytes.constData(), n);
}

QByteArray encodeUtf8WithBom(const QString& text) {
    QByteArray out("\xEF\xBB\xBF");
    out.append(text.toUtf8());
    return out;
}

} // namespace lorvanta
