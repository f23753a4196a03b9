#include "listitems.h"

#include <QLocale>

namespace lorvanta {

QString TMyNoteItem::Description() const {
    if (!hitline.isEmpty())
        return hitcount > 1 ? hitline + QStringLiteral("  (%1 hits)").arg(hitcount) : hitline;
    QString d = isdefault ? QStringLiteral("Default note (-n)")
                : pinned  ? QStringLiteral("Pinned note")
                          : QStringLiteral("Note");
    if (modified.isValid())
        d += QStringLiteral(" - modified ") + QLocale().toString(modified, QLocale::ShortFormat);
    return d;
}

namespace {

QString tagged(const char16_t* tag, const QString& value) {
    const QString t = QString::fromUtf16(tag);
    return u'<' + t + u'>' + value + QStringLiteral("</") + t + u'>';
}

} // namespace

QString ShellItemToText(const TMyShellItem& item) {
    return tagged(u"exet", QStringLiteral("1")) + tagged(u"exe1", item.name) +
           tagged(u"exe2", item.root) + tagged(u"exe3", item.path) +
           tagged(u"exe4", QString::fromLatin1(item.ps));
}

bool IsShellItemText(QStringView text) {
    return text.startsWith(u"<exet>");
}

QString ShellItemTag(QStringView text, QStringView tag) {
    const QString open = u'<' + tag.toString() + u'>';
    const QString close = QStringLiteral("</") + tag.toString() + u'>';
    const qsizetype start = text.indexOf(open);
    if (start < 0) return {};
    const qsizetype from = start + open.size();
    const qsizetype end = text.indexOf(close, from);
    if (end < 0) return {};
    return text.sliced(from, end - from).toString();
}

std::optional<TMyShellItem> ShellItemFromText(QStringView text) {
    if (!IsShellItemText(text) || ShellItemTag(text, u"exet") != u"1") return std::nullopt;
    TMyShellItem item;
    item.name = ShellItemTag(text, u"exe1");
    item.root = ShellItemTag(text, u"exe2");
    item.path = ShellItemTag(text, u"exe3");
    item.ps = ShellItemTag(text, u"exe4").toLatin1();
    return item;
}

} // namespace lorvanta
