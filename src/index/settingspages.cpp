#include "settingspages.h"

#include <QFile>

namespace lorvanta {

std::vector<TMyShellItem> parseSettingsPages(const QString& text) {
    std::vector<TMyShellItem> items;
    for (QStringView raw : QStringView(text).split(u'\n')) {
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';')) continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0) continue;
        const QString name = line.left(eq).trimmed().toString();
        const QString target = line.mid(eq + 1).trimmed().toString();
        if (name.isEmpty() || target.isEmpty()) continue;
        TMyShellItem item;
        item.name = name;
        item.path = target;
        item.root = QStringLiteral("rfSettings");
        item.title = QStringLiteral("System settings");
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<TMyShellItem> readSettingsPages(const QString& dataFolder,
                                            const QString& programFolder) {
    for (const QString& folder : {dataFolder, programFolder}) {
        QFile file(folder + QStringLiteral("windowssettings.txt"));
        if (!file.open(QIODevice::ReadOnly)) continue;
        // UTF-8; a byte order mark is read as such.
        QString text = QString::fromUtf8(file.readAll());
        if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
        return parseSettingsPages(text);
    }
    return {};
}

} // namespace lorvanta
