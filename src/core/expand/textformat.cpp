// The text helpers of expansion: URL encoding, parameter words and the
// traditional date format letters that keywords and settings are written in.

#include "core/text/textkinds.h"
#include "expansion.h"

#include <string_view>

namespace lorvanta {

using namespace Qt::StringLiterals;

QString urlEncode(const QString& text) {
    static constexpr std::string_view kReserved = " !\"#$%&'()*+,/:;<=>?@[\\]^`{|}~";
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = text.toUtf8();
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 128 || kReserved.find(c) != std::string_view::npos) {
            out += u'%';
            out += QLatin1Char(kHex[b >> 4]);
            out += QLatin1Char(kHex[b & 15]);
        } else {
            out += QLatin1Char(c);
        }
    }
    return out;
}

QStringList parameterWords(const QString& parameters) {
    QStringList words;
    const qsizetype n = parameters.size();
    const auto at = [&](qsizetype i) { return i < n ? parameters[i].unicode() : char16_t(0); };
    qsizetype i = 0;
    while (true) {
        // Blanks, and quote pairs with nothing between them, separate words.
        while (true) {
            while (i < n && at(i) <= u' ')
                ++i;
            if (at(i) == u'"' && at(i + 1) == u'"')
                i += 2;
            else
                break;
        }
        if (i >= n) break;
        QString word;
        while (i < n && at(i) > u' ') {
            if (at(i) == u'"') {
                ++i;
                while (i < n && at(i) != u'"')
                    word += parameters[i++];
                if (i < n) ++i; // the closing quote
            } else {
                word += parameters[i++];
            }
        }
        words.append(word);
    }
    return words;
}

namespace {

QString padded(int value, int width) {
    return QString::number(value).rightJustified(width, u'0');
}

// The locale's time format without its time-zone letters: the traditional
// "t" and "tt" never showed a zone.
QString timeFormatWithoutZone(const QLocale& locale, QLocale::FormatType type) {
    const QString format = locale.timeFormat(type);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u't') continue;
        out += c;
    }
    return out.simplified();
}

QString shortTime(const QTime& time, const QLocale& locale) {
    return locale.toString(time, timeFormatWithoutZone(locale, QLocale::ShortFormat));
}

QString longTime(const QTime& time, const QLocale& locale) {
    return locale.toString(time, timeFormatWithoutZone(locale, QLocale::LongFormat));
}

} // namespace

QString formatDateTime(const QDateTime& when, const QString& format, const QLocale& locale) {
    // An empty format shows date and time, as it always did.
    const QString fmt = format.isEmpty() ? u"c"_s : format;
    const QDate date = when.date();
    const QTime time = when.time();
    const bool twelveHour = fmt.contains(u"am/pm"_s, Qt::CaseInsensitive) ||
                            fmt.contains(u"a/p"_s, Qt::CaseInsensitive) ||
                            fmt.contains(u"ampm"_s, Qt::CaseInsensitive);
    const bool pm = time.hour() >= 12;
    const qsizetype n = fmt.size();
    QString out;
    // The last letter token decides whether "m" is a month or a minute.
    QChar last;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = fmt[i];
        if (c == u'"' || c == u'\'') {
            qsizetype end = fmt.indexOf(c, i + 1);
            if (end < 0) end = n;
            out += QStringView(fmt).sliced(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (!isAsciiLetter(c)) {
            out += c;
            ++i;
            continue;
        }
        QChar token = c.toUpper();
        if (token == u'A') {
            const QStringView rest = QStringView(fmt).sliced(i);
            if (rest.startsWith(u"am/pm", Qt::CaseInsensitive)) {
                const bool upper = c.isUpper();
                out += pm ? (upper ? u"PM"_s : u"pm"_s) : (upper ? u"AM"_s : u"am"_s);
                i += 5;
            } else if (rest.startsWith(u"a/p", Qt::CaseInsensitive)) {
                const bool upper = c.isUpper();
                out += pm ? (upper ? u"P"_s : u"p"_s) : (upper ? u"A"_s : u"a"_s);
                i += 3;
            } else if (rest.startsWith(u"ampm", Qt::CaseInsensitive)) {
                out += pm ? locale.pmText() : locale.amText();
                i += 4;
            } else {
                out += c;
                ++i;
            }
            last = token;
            continue;
        }
        int count = 1;
        while (i + count < n && fmt[i + count].toUpper() == token)
            ++count;
        if (token == u'M' && last == u'H') token = u'N';
        last = token;
        switch (token.unicode()) {
        case u'D':
            if (count == 1)
                out += QString::number(date.day());
            else if (count == 2)
                out += padded(date.day(), 2);
            else if (count == 3)
                out += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            else if (count == 4)
                out += locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
            else if (count == 5)
                out += locale.toString(date, QLocale::ShortFormat);
            else
                out += locale.toString(date, QLocale::LongFormat);
            break;
        case u'M':
            if (count <= 2)
                out += count == 1 ? QString::number(date.month()) : padded(date.month(), 2);
            else
                out += locale.monthName(date.month(),
                                        count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case u'N':
            out += count == 1 ? QString::number(time.minute()) : padded(time.minute(), 2);
            break;
        case u'Y':
            out += count <= 2 ? padded(date.year() % 100, 2) : padded(date.year(), 4);
            break;
        case u'H': {
            int hour = time.hour();
            if (twelveHour) hour = hour % 12 == 0 ? 12 : hour % 12;
            out += count == 1 ? QString::number(hour) : padded(hour, 2);
            break;
        }
        case u'S':
            out += count == 1 ? QString::number(time.second()) : padded(time.second(), 2);
            break;
        case u'Z':
            out += count < 3 ? QString::number(time.msec()) : padded(time.msec(), 3);
            break;
        case u'T':
            out += count == 1 ? shortTime(time, locale) : longTime(time, locale);
            break;
        case u'C':
            // One date-and-time per letter; midnight shows the date alone.
            count = 1;
            out += locale.toString(date, QLocale::ShortFormat);
            if (time != QTime(0, 0)) out += u' ' + longTime(time, locale);
            break;
        default:
            out += QStringView(fmt).sliced(i, count);
            break;
        }
        i += count;
    }
    return out;
}

QString timeText(const QDateTime& when, const QString& custom, const QLocale& locale) {
    if (!custom.isEmpty()) return formatDateTime(when, custom, locale);
    return formatDateTime(when, u"tt, dddd dd. mmmm yyyy"_s, locale) + u" (week "_s +
           QString::number(when.date().weekNumber()) + u')';
}

} // namespace lorvanta
