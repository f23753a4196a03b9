#include "trayicon.h"

#include <QPainter>
#include <QPixmap>

namespace lorvanta {

QIcon lorvantaIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2d, 0x6c, 0xdf));
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 5.0, size / 5.0);
        p.setPen(Qt::white);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        font.setPixelSize(size * 3 / 4);
        p.setFont(font);
        p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("L"));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

TrayIcon::TrayIcon(Actions actions, QObject* parent)
    : QObject(parent), actions_(std::move(actions)) {
    const auto add = [this](const QString& text, const std::function<void()>& fn) {
        menu_.addAction(text, this, [fn] {
            if (fn) fn();
        });
    };
    add(QStringLiteral("Add Keyword..."), actions_.addKeyword);
    add(QStringLiteral("Keywords..."), actions_.keywords);
    add(QStringLiteral("Settings..."), actions_.settings);
    menu_.addSeparator();
    add(QStringLiteral("Open Lorvanta..."), actions_.show);
    menu_.addSeparator();
    add(QStringLiteral("Exit..."), actions_.exit);
    icon_.setIcon(lorvantaIcon());
    icon_.setToolTip(QStringLiteral("Lorvanta"));
    icon_.setContextMenu(&menu_);
    connect(&icon_, &QSystemTrayIcon::activated, this, &TrayIcon::activated);
}

void TrayIcon::setVisible(bool visible) {
    icon_.setVisible(visible);
}

void TrayIcon::activated(QSystemTrayIcon::ActivationReason reason) {
    // The right click opens the context menu by itself.
    if (reason == QSystemTrayIcon::Trigger && actions_.show) actions_.show();
}

} // namespace lorvanta
