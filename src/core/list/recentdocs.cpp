#include "recentdocs.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QXmlStreamReader>
#include <algorithm>

namespace lorvanta {

QString recentDocumentsPath(const QString& dataHome, const QString& home) {
    const QString base =
        dataHome.startsWith(u'/') ? dataHome : home + QStringLiteral("/.local/share");
    return base + QStringLiteral("/recently-used.xbel");
}

std::vector<TMyShellItem> readRecentDocuments(const QString& xbelPath) {
    QFile f(xbelPath);
    if (!f.open(QIODevice::ReadOnly)) return {};
    struct Entry {
        QDateTime when;
        TMyShellItem item;
    };
    std::vector<Entry> entries;
    QXmlStreamReader xml(&f);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"bookmark") continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QUrl url(a.value(QStringLiteral("href")).toString());
        if (!url.isLocalFile()) continue;
        const QFileInfo info(url.toLocalFile());
        if (!info.exists()) continue;
        QDateTime when =
            QDateTime::fromString(a.value(QStringLiteral("visited")).toString(), Qt::ISODate);
        const QDateTime modified =
            QDateTime::fromString(a.value(QStringLiteral("modified")).toString(), Qt::ISODate);
        if (!when.isValid() || (modified.isValid() && modified > when)) when = modified;
        Entry e;
        e.when = when;
        e.item.name = info.fileName();
        e.item.path = info.absoluteFilePath();
        e.item.root = QFileInfo(xbelPath).absolutePath();
        e.item.title = info.absolutePath();
        entries.push_back(std::move(e));
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& x, const Entry& y) { return x.when > y.when; });
    std::vector<TMyShellItem> out;
    out.reserve(entries.size());
    for (Entry& e : entries)
        out.push_back(std::move(e.item));
    return out;
}

} // namespace lorvanta
