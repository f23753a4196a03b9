#include "core/util/seams.h"
#include "expansion.h"

#include <vector>

namespace lorvanta {

using namespace Qt::StringLiterals;

namespace {

constexpr int kMinLength = 4;
// Far beyond any real password; keeps a typo like 10000000 from eating memory.
constexpr int kMaxLength = 4096;

QChar pick(QStringView alphabet, Random& random) {
    return alphabet[qsizetype(random.below(quint32(alphabet.size())))];
}

} // namespace

QString generatePassword(int length, bool symbols, Random& random) {
    if (length < kMinLength) return u"Characters must be higher than 3"_s;
    if (length > kMaxLength) return u"Characters must be at most 4096"_s;

    static constexpr QStringView kLower = u"abcdefghijklmnopqrstuvwxyz";
    static constexpr QStringView kUpper = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    static constexpr QStringView kDigits = u"0123456789";
    static constexpr QStringView kSymbols = u"_.!#$%";
    static constexpr QStringView kFill =
        u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_.!#$%";

    QString password(length, QChar());
    std::vector<int> places(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i)
        places[size_t(i)] = i;

    // One character of each class at a random free place: drawing among the
    // free places needs no retries, however many are taken.
    const QStringView classes[] = {kLower, kUpper, kDigits, kSymbols};
    for (int c = 0; c < (symbols ? 4 : 3); ++c) {
        const auto slot = size_t(random.below(quint32(places.size())));
        password[places[slot]] = pick(classes[c], random);
        places.erase(places.begin() + qsizetype(slot));
    }

    const QStringView fill = symbols ? kFill : kFill.first(62);
    for (const int i : places)
        password[i] = pick(fill, random);
    return password;
}

} // namespace lorvanta
