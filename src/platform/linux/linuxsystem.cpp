#include "linuxsystem.h"

#include "mimeapps.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <unistd.h>

namespace lorvanta::platform {

namespace {

const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
// Power requests answer at once; a bus that does not should not hang the launcher long.
constexpr int kCallTimeoutMs = 5000;

// Starts a desktop tool; false when it is not installed or does not start.
bool startTool(const QString& name, const QStringList& arguments) {
    const QString program = QStandardPaths::findExecutable(name);
    return !program.isEmpty() && QProcess::startDetached(program, arguments);
}

// Removes a file or folder tree without following symbolic links, making
// read-only folders writable first so that their entries can go.
bool removeTree(const QString& path) {
    const QFileInfo info(path);
    if (info.isSymLink() || !info.isDir()) return QFile::remove(path);
    QFile::setPermissions(path, info.permissions() | QFileDevice::ReadOwner |
                                    QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    bool ok = true;
    const QDir dir(path);
    for (const QString& name :
         dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        ok = removeTree(dir.filePath(name)) && ok;
    return QDir().rmdir(path) && ok;
}

} // namespace

// The bus of one request: the configured private one, or the standard one.
class LinuxSystem::Bus {
public:
    Bus(const QString& address, QDBusConnection::BusType standard)
        : connection_(address.isEmpty()
                          ? (standard == QDBusConnection::SystemBus ? QDBusConnection::systemBus()
                                                                    : QDBusConnection::sessionBus())
                          : QDBusConnection::connectToBus(
                                address, QStringLiteral("lorvanta-system ") + address)) {}

    // The reply, or nothing when the call failed or was refused.
    std::optional<QDBusMessage> call(const QString& service, const QString& path,
                                     const QString& interface, const QString& method,
                                     const QVariantList& arguments = {}) {
        if (!connection_.isConnected()) return std::nullopt;
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        QDBusMessage reply = connection_.call(message, QDBus::Block, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage) return std::nullopt;
        return reply;
    }

private:
    QDBusConnection connection_;
};

LinuxSystem::LinuxSystem(LinuxSystemSetup setup) : setup_(std::move(setup)) {}

QString LinuxSystem::sessionId(Bus& bus) const {
    QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (!id.isEmpty()) return id;
    // Started outside the login environment: ask which session this process is in.
    const auto path = bus.call(setup_.loginService, setup_.loginPath, kManager,
                               QStringLiteral("GetSessionByPID"), {uint(::getpid())});
    if (!path || path->arguments().isEmpty()) return {};
    const auto property =
        bus.call(setup_.loginService, path->arguments().first().value<QDBusObjectPath>().path(),
                 QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                 {QStringLiteral("org.freedesktop.login1.Session"), QStringLiteral("Id")});
    if (!property || property->arguments().isEmpty()) return {};
    return property->arguments().first().value<QDBusVariant>().variant().toString();
}

bool LinuxSystem::power(PowerAction action) {
    Bus bus(setup_.busAddress, QDBusConnection::SystemBus);
    const auto ask = [&](const QString& method, const QVariantList& arguments) {
        return bus.call(setup_.loginService, setup_.loginPath, kManager, method, arguments)
            .has_value();
    };
    // "false": no interactive authentication; a refusal is an answer, not a prompt.
    switch (action) {
    case PowerAction::PowerOff:
        return ask(QStringLiteral("PowerOff"), {false});
    case PowerAction::Reboot:
        return ask(QStringLiteral("Reboot"), {false});
    case PowerAction::Suspend:
        return ask(QStringLiteral("Suspend"), {false});
    case PowerAction::Hibernate:
        return ask(QStringLiteral("Hibernate"), {false});
    case PowerAction::LogOut: {
        const QString id = sessionId(bus);
        return !id.isEmpty() && ask(QStringLiteral("TerminateSession"), {id});
    }
    }
    return false;
}

bool LinuxSystem::lockSession() {
    Bus bus(setup_.busAddress, QDBusConnection::SystemBus);
    const QString id = sessionId(bus);
    if (id.isEmpty())
        return bus
            .call(setup_.loginService, setup_.loginPath, kManager, QStringLiteral("LockSessions"))
            .has_value();
    return bus
        .call(setup_.loginService, setup_.loginPath, kManager, QStringLiteral("LockSession"), {id})
        .has_value();
}

bool LinuxSystem::startScreenSaver() {
    if (startTool(QStringLiteral("xdg-screensaver"), {QStringLiteral("activate")})) return true;
    Bus bus(setup_.busAddress, QDBusConnection::SessionBus);
    const auto reply = bus.call(
        setup_.screenSaverService, QStringLiteral("/org/freedesktop/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("SetActive"), {true});
    return reply && !reply->arguments().isEmpty() && reply->arguments().first().toBool();
}

bool LinuxSystem::monitorOff() {
    // DPMS is an X server's; without a display there is nothing to switch off.
    if (qEnvironmentVariable("DISPLAY").isEmpty()) return false;
    return startTool(QStringLiteral("xset"),
                     {QStringLiteral("dpms"), QStringLiteral("force"), QStringLiteral("off")});
}

std::optional<int> LinuxSystem::emptyTrash() {
    const QString trash = setup_.trashFolder.isEmpty() ? xdgDataHome() + QStringLiteral("/Trash")
                                                       : setup_.trashFolder;
    // An item is its file and its .trashinfo; either alone still counts once.
    QSet<QString> items;
    bool ok = true;
    for (const QString& sub : {QStringLiteral("files"), QStringLiteral("info")}) {
        const QString folder = trash + u'/' + sub;
        const QFileInfo info(folder);
        if (!info.exists()) continue;
        if (info.isSymLink() || !info.isDir()) return std::nullopt; // would lead out of the trash
        const QDir dir(folder);
        for (const QString& name :
             dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            ok = removeTree(dir.filePath(name)) && ok;
            const bool infoFile = sub == u"info" && name.endsWith(u".trashinfo");
            items.insert(infoFile ? name.chopped(10) : name);
        }
    }
    // The size cache of trashed folders describes nothing now.
    QFile::remove(trash + QStringLiteral("/directorysizes"));
    if (!ok) return std::nullopt;
    return int(items.size());
}

QStringList LinuxSystem::ipv4Addresses() {
    QStringList out;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces()) {
        const auto flags = interface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : interface.addressEntries()) {
            const QHostAddress ip = entry.ip();
            if (ip.protocol() == QAbstractSocket::IPv4Protocol && !ip.isLoopback())
                out << ip.toString();
        }
    }
    return out;
}

std::optional<MemoryInfo> LinuxSystem::memory() {
    QFile file(setup_.meminfoFile);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QHash<QByteArray, quint64> kB;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) continue;
        bool ok = false;
        const quint64 value = line.sliced(colon + 1).trimmed().split(' ').value(0).toULongLong(&ok);
        if (ok) kB.insert(line.first(colon), value);
    }
    if (!kB.contains("MemTotal")) return std::nullopt;
    // Kernels before 3.14 have no MemAvailable; free memory and caches come close.
    const quint64 available = kB.contains("MemAvailable")
                                  ? kB.value("MemAvailable")
                                  : kB.value("MemFree") + kB.value("Buffers") + kB.value("Cached");
    return MemoryInfo{kB.value("MemTotal") * 1024, available * 1024};
}

} // namespace lorvanta::platform
