#include "textdecode.h"

#include <QStringDecoder>

namespace lorvanta::platform {

namespace {

// 0x80..0x9F; the five bytes Windows-1252 leaves undefined keep their C1 code points.
constexpr char16_t kHigh1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QChar char1252(unsigned char b) {
    return (b >= 0x80 && b < 0xA0) ? QChar(kHigh1252[b - 0x80]) : QChar(char16_t(b));
}

// The length of the valid UTF-8 sequence at `p`, or 0.
int sequenceLength(const unsigned char* p, qsizetype left) {
    const unsigned char b = p[0];
    if (b < 0x80) return 1;
    int n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lo = 0xA0; // overlong
        if (b == 0xED) hi = 0x9F; // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lo = 0x90; // overlong
        if (b == 0xF4) hi = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (left < n || p[1] < lo || p[1] > hi) return 0;
    for (int i = 2; i < n; ++i)
        if ((p[i] & 0xC0) != 0x80) return 0;
    return n;
}

} // namespace

QString decodeUtf8Or1252(QByteArrayView bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype runStart = 0; // start of the current run of valid UTF-8
    qsizetype i = 0;
    while (i < size) {
        const int n = sequenceLength(p + i, size - i);
        if (n > 0) {
            i += n;
            continue;
        }
        out += QString::fromUtf8(bytes.sliced(runStart, i - runStart));
        out += char1252(p[i]);
        runStart = ++i;
    }
    out += QString::fromUtf8(bytes.sliced(runStart, size - runStart));
    return out;
}

QString decodeByBom(QByteArrayView bytes) {
    struct Bom {
        QByteArrayView mark;
        QStringDecoder::Encoding encoding;
    };
    // UTF-32 LE first: its mark begins with the UTF-16 LE one.
    static const Bom boms[] = {
        {QByteArrayView("\xFF\xFE\x00\x00", 4), QStringDecoder::Utf32LE},
        {QByteArrayView("\x00\x00\xFE\xFF", 4), QStringDecoder::Utf32BE},
        {QByteArrayView("\xFF\xFE", 2), QStringDecoder::Utf16LE},
        {QByteArrayView("\xFE\xFF", 2), QStringDecoder::Utf16BE},
    };
    if (bytes.startsWith(QByteArrayView("\xEF\xBB\xBF", 3)))
        return decodeUtf8Or1252(bytes.sliced(3));
    for (const Bom& bom : boms) {
        if (!bytes.startsWith(bom.mark)) continue;
        QStringDecoder decoder(bom.encoding, QStringDecoder::Flag::Stateless);
        return decoder.decode(bytes.sliced(bom.mark.size()));
    }
    return decodeUtf8Or1252(bytes);
}

} // namespace lorvanta::platform
