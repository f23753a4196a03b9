#include "setup.h"

#include "core/ini/myinifiles.h"

#include <QLocale>

namespace lorvanta {

namespace {

#define SETUP_KEY(name, type, def, owner, flag)                                                    \
    SetupKeyDef{u"" #name, SetupType::type, u"" def, owner, SetupFlag::flag, &Setup::name},
const SetupKeyDef kKeys[] = {
#include "setupkeys.inc"
};
#undef SETUP_KEY

const QString kSection = QString::fromUtf16(kSetupSection);

QString keyName(const SetupKeyDef& k) {
    return QString::fromUtf16(k.name);
}

// Stores `text` into the member of `k` the way the file layer reads it;
// unreadable text leaves the member unchanged.
void assignText(Setup& s, const SetupKeyDef& k, const QString& text) {
    std::visit(
        [&](auto member) {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, QString>) {
                s.*member = text;
            } else if constexpr (std::is_same_v<T, double>) {
                bool ok = false;
                const double v = QLocale::c().toDouble(text, &ok);
                if (ok) s.*member = v;
            } else {
                int v = 0;
                if (parseIniInteger(text, v)) s.*member = T(v);
            }
        },
        k.member);
}

void readKey(const TMemIniFile& ini, Setup& s, const SetupKeyDef& k) {
    const QString name = keyName(k);
    std::visit(
        [&](auto member) {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, QString>)
                s.*member = ini.ReadString(kSection, name, s.*member);
            else if constexpr (std::is_same_v<T, bool>)
                s.*member = ini.ReadBool(kSection, name, s.*member);
            else if constexpr (std::is_same_v<T, int>)
                s.*member = ini.ReadInteger(kSection, name, s.*member);
            else
                s.*member = ini.ReadFloat(kSection, name, s.*member);
        },
        k.member);
}

// "Programs" was the old name of the indexed-items source; old lists also
// lacked it altogether.
QString normaliseSourceOrder(QString order) {
    if (!order.contains(u"programs", Qt::CaseInsensitive) &&
        !order.contains(u"indexed items", Qt::CaseInsensitive))
        order += QStringLiteral(",Programs");
    order.replace(QStringLiteral("\"Programs\""), QStringLiteral("Programs"), Qt::CaseInsensitive);
    order.replace(QStringLiteral("Programs"), QStringLiteral("\"Indexed items\""),
                  Qt::CaseInsensitive);
    return order;
}

} // namespace

Setup::Setup() {
    ReadSetup(TMemIniFile::FromText(QString()), *this);
}

std::span<const SetupKeyDef> setupKeys() {
    return kKeys;
}

const SetupKeyDef* findSetupKey(QStringView name) {
    for (const SetupKeyDef& k : kKeys)
        if (name.compare(QStringView(k.name), Qt::CaseInsensitive) == 0) return &k;
    return nullptr;
}

QString setupValueText(const Setup& s, const SetupKeyDef& k) {
    return std::visit(
        [&](auto member) -> QString {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, QString>)
                return s.*member;
            else if constexpr (std::is_same_v<T, bool>)
                return s.*member ? QStringLiteral("1") : QStringLiteral("0");
            else if constexpr (std::is_same_v<T, int>)
                return QString::number(s.*member);
            else
                return QLocale::c().toString(s.*member, 'g', 15);
        },
        k.member);
}

void ReadSetup(const TMemIniFile& ini, Setup& s) {
    for (const SetupKeyDef& k : kKeys)
        assignText(s, k, QString::fromUtf16(k.defaultText));
    for (const SetupKeyDef& k : kKeys) {
        // uselist is only ever written, for older readers.
        if (k.flag == SetupFlag::Derived || QStringView(k.name) == u"uselist") continue;
        readKey(ini, s, k);
    }

    if (s.hookwinr) s.hookwin = 9;
    if (s.hookwinz) s.hookwin = 10;
    if (s.autocenter) s.center = 1;
    if (s.unknownlaunchtype == -1) s.unknownlaunchtype = s.defaultenter ? 1 : 0;
    s.width = std::max(s.width, s.skintype > 1 ? 130 : 30);

    // Keys whose default follows other keys, in dependency order.
    s.expandf4 =
        ini.ReadBool(kSection, QStringLiteral("expandf4"), s.autodropdown || s.skintype > 2);
    s.scanwindowsitems = ini.ReadBool(kSection, QStringLiteral("scanwindowsitems"), s.dropprograms);
    s.indexwinsettings =
        ini.ReadBool(kSection, QStringLiteral("indexwinsettings"), s.scanwindowsitems);
    s.inputwindowcolor =
        ini.ReadInteger(kSection, QStringLiteral("inputwindowcolor"), s.windowcolor);
    s.infobgcolor = ini.ReadInteger(kSection, QStringLiteral("infobgcolor"), s.windowcolor);

    s.comboorder = normaliseSourceOrder(s.comboorder);
    s.autoorder = normaliseSourceOrder(s.autoorder);
    if (s.autoindex == -1) s.autoindex = s.noindexrefresh ? 1 : 3;
}

void WriteSetup(TMemIniFile& ini, const Setup& s) {
    for (const SetupKeyDef& k : kKeys) {
        if (k.flag == SetupFlag::Legacy) continue;
        const QString name = keyName(k);
        if (name == u"version")
            ini.WriteInteger(kSection, name, kSettingsVersion);
        else if (name == u"uselist")
            ini.WriteInteger(kSection, name, 1);
        else
            ini.WriteString(kSection, name, setupValueText(s, k));
    }
}

int resolvedAutoIndex(const Setup& setup) {
    if (setup.autoindex == -1) return setup.noindexrefresh ? 1 : 3;
    return setup.autoindex;
}

} // namespace lorvanta
