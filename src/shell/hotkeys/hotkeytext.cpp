#include "hotkeytext.h"

#include "platform/hotkeys.h"
#include "platform/keys/virtualkeys.h"

namespace lorvanta {

QString HotkeyText(int modifiers, int key) {
    if (key == -1) return QStringLiteral("None");
    using namespace platform;
    QString text;
    if (modifiers & kModWin) text += QLatin1String("WIN+");
    if (modifiers & kModAlt) text += QLatin1String("ALT+");
    if (modifiers & kModCtrl) text += QLatin1String("CTRL+");
    if (modifiers & kModShift) text += QLatin1String("SHIFT+");
    const QString name = virtualKeyName(key);
    return text + (name.isEmpty() ? QStringLiteral("Key %1").arg(key) : name);
}

} // namespace lorvanta
