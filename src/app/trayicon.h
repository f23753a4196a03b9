#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

namespace lorvanta {

// The notification-area icon: added while the launcher is hidden (or always
// with `alwaystrayicon`). A left click shows the launcher; the right click
// opens its menu. On a desktop without a notification area the icon is kept
// as present but nothing is drawn.
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

    // Adds the icon when it is not present yet.
    void AddIcon();
    // Removes a present icon when `useforce` or `alwaysIcon` is off.
    void RemoveIcon(bool useforce, bool alwaysIcon);
    bool present() const { return present_; }
    QMenu& menu() { return menu_; }
    // What the desktop reports for a click on the icon.
    void activated(QSystemTrayIcon::ActivationReason reason);

private:
    Actions actions_;
    QMenu menu_;
    QSystemTrayIcon icon_;
    bool present_ = false;
};

// The program's icon, drawn so that it needs no file.
QIcon lorvantaIcon();

} // namespace lorvanta
