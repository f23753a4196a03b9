#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

namespace lorvanta {

// The notification-area icon and its menu. A left click shows the launcher;
// the right click opens the menu. On a desktop without a notification area
// the icon counts as visible but nothing is drawn.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    // What the menu's entries and the click do.
    struct Actions {
        std::function<void()> show;       // "Open Lorvanta..." and the left click
        std::function<void()> addKeyword; // "Add Keyword..."
        std::function<void()> keywords;   // "Keywords..."
        std::function<void()> settings;   // "Settings..."
        std::function<void()> exit;       // "Exit..."
    };

    explicit TrayIcon(Actions actions, QObject* parent = nullptr);

    // Whether the icon is in the notification area (the show/hide logic
    // decides when).
    void setVisible(bool visible);
    bool visible() const { return icon_.isVisible(); }
    QMenu& menu() { return menu_; }
    // What the desktop reports for a click on the icon.
    void activated(QSystemTrayIcon::ActivationReason reason);

private:
    Actions actions_;
    QMenu menu_;
    QSystemTrayIcon icon_;
};

// The program's icon, drawn so that it needs no file.
QIcon lorvantaIcon();

} // namespace lorvanta
