#include "scanitems.h"

#include "core/text/commatext.h"

namespace lorvanta {

namespace {

QString quoted(QString field) {
    field.remove(u'|');
    return u'"' + field + u'"';
}

} // namespace

QString writeScanDirs(const QVector<TMyScanItem>& items) {
    QString out;
    for (const TMyScanItem& item : items)
        out +=
            quoted(item.path) + u',' + quoted(item.extensions) + u',' + quoted(item.level) + u'|';
    return out;
}

QVector<TMyScanItem> readScanDirs(const QString& value) {
    QVector<TMyScanItem> items;
    QStringList entries = value.split(u'|');
    entries.removeLast(); // what follows the last "|" is no entry
    for (const QString& entry : entries) {
        const QStringList fields = commaText(entry);
        TMyScanItem item;
        item.path = fields.value(0);
        item.extensions = fields.value(1).toLower();
        item.level = fields.value(2).toLower();
        items << item;
    }
    return items;
}

std::optional<int> scanLevel(const TMyScanItem& item) {
    bool ok = false;
    const int level = item.level.trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
    return level;
}

QString extensionMask(const QString& extensions) {
    QString mask;
    for (const QString& ext : extensions.split(u';'))
        mask += u'.' + ext;
    mask = mask.toLower();
    if (mask == u"." || mask == u".*") return {};
    return mask;
}

bool includesFolders(const QString& extensions) {
    return extensions.contains(u'\\');
}

} // namespace lorvanta
