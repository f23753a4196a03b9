#include "portalhotkeys.h"

#include "platform/keys/virtualkeys.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QSet>
#include <QTimer>
#include <QXmlStreamReader>
#include <map>
#include <xkbcommon/xkbcommon.h>

namespace lorvanta::platform::portal {

// One entry of the a(sa{sv}) lists that BindShortcuts takes and answers.
struct Shortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const Shortcut& s) {
    out.beginStructure();
    out << s.id << s.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, Shortcut& s) {
    in.beginStructure();
    in >> s.id >> s.properties;
    in.endStructure();
    return in;
}

// Hands the D-Bus signals it is connected to on to a function.
class SignalRelay : public QObject {
    Q_OBJECT
public:
    std::function<void(const QDBusMessage&)> handler;

public Q_SLOTS:
    void deliver(const QDBusMessage& message) {
        if (handler) handler(message);
    }
};

} // namespace lorvanta::platform::portal

Q_DECLARE_METATYPE(lorvanta::platform::portal::Shortcut)

namespace lorvanta::platform {

namespace {

using portal::Shortcut;

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRegistry = QStringLiteral("org.freedesktop.host.portal.Registry");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
const QString kSession = QStringLiteral("org.freedesktop.portal.Session");
const QString kIdPrefix = QStringLiteral("hotkey-");
constexpr int kMainHotkey = 1;
// Starting the portal on demand takes a moment; a missing one answers at once.
constexpr int kProbeMs = 2000;

QDBusConnection connectBus(const PortalSetup& setup, const QString& name) {
    return setup.busAddress.isEmpty()
               ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
               : QDBusConnection::connectToBus(setup.busAddress, name);
}

bool offersShortcuts(const QString& introspection) {
    QXmlStreamReader xml(introspection);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"interface" &&
            xml.attributes().value(QLatin1StringView("name")) == kShortcuts)
            return true;
    return false;
}

// Our shortcut ids are "hotkey-<id>"; 0 for anything else.
int hotkeyIdOf(const QString& shortcutId) {
    if (!shortcutId.startsWith(kIdPrefix)) return 0;
    bool ok = false;
    const int id = QStringView(shortcutId).mid(kIdPrefix.size()).toInt(&ok);
    return ok && id > 0 ? id : 0;
}

QString errorReason(const QDBusMessage& error) {
    const QString detail =
        error.errorMessage().isEmpty() ? error.errorName() : error.errorMessage();
    return QStringLiteral("The desktop's shortcut service failed: %1").arg(detail);
}

QString responseReason(uint code) {
    return code == 1 ? QStringLiteral("The desktop declined the shortcut.")
                     : QStringLiteral("The desktop did not finish binding the shortcut.");
}

// Errors of a portal that predates the host registry: nothing to register.
bool registryMissing(const QDBusMessage& error) {
    const QString name = error.errorName();
    return name == u"org.freedesktop.DBus.Error.UnknownMethod" ||
           name == u"org.freedesktop.DBus.Error.UnknownInterface" ||
           name == u"org.freedesktop.DBus.Error.UnknownObject";
}

} // namespace

QString portalTrigger(int key, int modifiers) {
    const quint32 keysym = keysymOfVirtualKey(key);
    char name[64];
    if (keysym == 0 || xkb_keysym_get_name(keysym, name, sizeof name) <= 0) return {};
    QString trigger;
    if (modifiers & kModCtrl) trigger += u"CTRL+";
    if (modifiers & kModAlt) trigger += u"ALT+";
    if (modifiers & kModShift) trigger += u"SHIFT+";
    if (modifiers & kModWin) trigger += u"LOGO+";
    return trigger + QString::fromLatin1(name);
}

// The wanted shortcuts are bound in rounds, one at a time: each round opens
// a fresh session and binds the whole wanted set to it, since portals differ
// in whether a session may be bound twice. Changes during a round start
// another round after it. A portal that goes away takes its sessions and
// registrations along; the next one to come is asked again.
struct PortalHotkeys::Impl {
    Impl(GlobalHotkeys& f, const PortalSetup& setup);
    ~Impl();

    using ResponseHandler = std::function<void(uint code, const QVariantMap& results)>;

    void schedule();
    void startRound();
    void registerApp();
    void createSession();
    void bind();
    void finishRound();
    void fail(const QString& reason);
    template <class Wanted> void refuse(const QString& reason, Wanted affected);
    void closeSession();
    void request(const QString& method, const QVariantList& arguments, const QString& token,
                 ResponseHandler handler);
    void await(const QString& path, ResponseHandler handler);
    void stopAwaiting();
    void respond(const QDBusMessage& response);
    void activate(const QDBusMessage& signal);
    void portalChanged(const QString& oldOwner, const QString& newOwner);
    void call(const QDBusMessage& message, std::function<void(const QDBusMessage&)> done);
    QString description(int id) const;
    QString shortcutId(int id) const;
    int hotkeyOf(const QString& shortcut) const;
    QString nextToken() { return QStringLiteral("lorvanta%1").arg(++tokens); }

    GlobalHotkeys& fallback;
    const QString connectionName;
    QDBusConnection bus;
    HotkeyEvents events;
    std::map<int, QString> wanted; // id -> trigger
    QHash<int, QString> descriptions;
    QHash<int, QString> names;    // id -> the shortcut's id on the desktop
    std::map<int, QString> round; // what the round in flight asks for
    QString session;              // the session of the last round
    QString awaited;              // the request whose Response is due
    ResponseHandler onResponse;
    int tokens = 0;
    int generation = 0; // replies of an earlier portal instance are stale
    bool scheduled = false;
    bool busy = false;
    bool again = false;
    bool registered = false;
    bool lost = false; // the portal we spoke with went away
    portal::SignalRelay responses;
    portal::SignalRelay activations;
    // Last, so that they go first: no pending reply or timer outlives the rest.
    QObject context;
    // A desktop that never answers does not leave the hotkeys pending forever.
    QTimer answerLimit{&context};
    QDBusServiceWatcher portalOwner;
};

PortalHotkeys::Impl::Impl(GlobalHotkeys& f, const PortalSetup& setup)
    : fallback(f),
      // A connection of our own: the registry must be the first portal call on it.
      connectionName(QStringLiteral("lorvanta portal %1").arg(quintptr(this))),
      bus(connectBus(setup, connectionName)),
      portalOwner(kService, bus, QDBusServiceWatcher::WatchForOwnerChange) {
    qDBusRegisterMetaType<Shortcut>();
    qDBusRegisterMetaType<QList<Shortcut>>();
    answerLimit.setSingleShot(true);
    answerLimit.setInterval(setup.answerLimitMs);
    QObject::connect(&answerLimit, &QTimer::timeout, &context, [this] {
        if (awaited.isEmpty()) return;
        bus.send(
            QDBusMessage::createMethodCall(kService, awaited, kRequest, QStringLiteral("Close")));
        stopAwaiting();
        fail(QStringLiteral("The desktop did not answer."));
    });
    responses.handler = [this](const QDBusMessage& m) { respond(m); };
    activations.handler = [this](const QDBusMessage& m) { activate(m); };
    bus.connect(kService, kPath, kShortcuts, QStringLiteral("Activated"), &activations,
                SLOT(deliver(QDBusMessage)));
    QObject::connect(&portalOwner, &QDBusServiceWatcher::serviceOwnerChanged, &context,
                     [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                         portalChanged(oldOwner, newOwner);
                     });
}

// Leaving the bus ends our portal sessions.
PortalHotkeys::Impl::~Impl() {
    stopAwaiting();
    bus.disconnect(kService, kPath, kShortcuts, QStringLiteral("Activated"), &activations,
                   SLOT(deliver(QDBusMessage)));
    QDBusConnection::disconnectFromBus(connectionName);
}

void PortalHotkeys::Impl::schedule() {
    if (std::exchange(scheduled, true)) return;
    QTimer::singleShot(0, &context, [this] {
        scheduled = false;
        startRound();
    });
}

void PortalHotkeys::Impl::startRound() {
    if (busy) {
        again = true;
        return;
    }
    busy = true;
    round = wanted;
    closeSession();
    if (round.empty()) return finishRound();
    registered ? createSession() : registerApp();
}

void PortalHotkeys::Impl::registerApp() {
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, kPath, kRegistry, QStringLiteral("Register"));
    message << QString::fromLatin1(kApplicationId) << QVariantMap();
    call(message, [this](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage && !registryMissing(reply))
            return fail(errorReason(reply));
        registered = true;
        createSession();
    });
}

void PortalHotkeys::Impl::createSession() {
    const QString token = nextToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), nextToken()}};
    request(QStringLiteral("CreateSession"), {options}, token,
            [this](uint code, const QVariantMap& results) {
                if (code != 0) return fail(responseReason(code));
                // A string in the portal's documentation; some send an object path.
                const QVariant handle = results.value(QStringLiteral("session_handle"));
                session = handle.metaType() == QMetaType::fromType<QDBusObjectPath>()
                              ? handle.value<QDBusObjectPath>().path()
                              : handle.toString();
                if (session.isEmpty()) return fail(responseReason(2));
                bind();
            });
}

void PortalHotkeys::Impl::bind() {
    QList<Shortcut> shortcuts;
    for (const auto& [id, trigger] : round)
        shortcuts.append({shortcutId(id),
                          {{QStringLiteral("description"), description(id)},
                           {QStringLiteral("preferred_trigger"), trigger}}});
    const QString token = nextToken();
    const QVariantList arguments{QVariant::fromValue(QDBusObjectPath(session)),
                                 QVariant::fromValue(shortcuts), QString(),
                                 QVariantMap{{QStringLiteral("handle_token"), token}}};
    request(QStringLiteral("BindShortcuts"), arguments, token,
            [this](uint code, const QVariantMap& results) {
                if (code != 0) return fail(responseReason(code));
                QSet<int> bound;
                const QVariant list = results.value(QStringLiteral("shortcuts"));
                for (const Shortcut& s : qdbus_cast<QList<Shortcut>>(list))
                    bound.insert(hotkeyOf(s.id));
                refuse(QStringLiteral("The desktop did not bind the shortcut."),
                       [&bound](int id) { return !bound.contains(id); });
                finishRound();
            });
}

void PortalHotkeys::Impl::finishRound() {
    busy = false;
    round.clear();
    if (std::exchange(again, false)) schedule();
}

void PortalHotkeys::Impl::fail(const QString& reason) {
    closeSession();
    refuse(reason, [](int) { return true; });
    finishRound();
}

// Ids of the round that are still wanted as they were asked for, and
// `affected`, are no longer registered; the app hears of each.
template <class Wanted> void PortalHotkeys::Impl::refuse(const QString& reason, Wanted affected) {
    QList<int> refused;
    for (const auto& [id, trigger] : round) {
        const auto it = wanted.find(id);
        if (it == wanted.end() || it->second != trigger || !affected(id)) continue;
        wanted.erase(it);
        refused.append(id);
    }
    for (int id : refused)
        if (events.refused) events.refused(id, reason);
}

void PortalHotkeys::Impl::closeSession() {
    if (session.isEmpty()) return;
    bus.send(QDBusMessage::createMethodCall(kService, std::exchange(session, {}), kSession,
                                            QStringLiteral("Close")));
}

// Calls a portal method whose answer comes as the Response of a request
// object; its path is subscribed to before the call so that no answer is
// missed.
void PortalHotkeys::Impl::request(const QString& method, const QVariantList& arguments,
                                  const QString& token, ResponseHandler handler) {
    QString sender = bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString path = kPath + u"/request/" + sender + u'/' + token;
    await(path, std::move(handler));
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kShortcuts, method);
    message.setArguments(arguments);
    // The Response may come first; then the round has moved on and the reply
    // says nothing new.
    call(message, [this, path](const QDBusMessage& reply) {
        if (awaited != path) return;
        if (reply.type() == QDBusMessage::ErrorMessage) {
            stopAwaiting();
            return fail(errorReason(reply));
        }
        // Portals before the handle_token rule answer on a path of their own.
        const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
        if (!handle.isEmpty() && handle != path) await(handle, std::exchange(onResponse, {}));
    });
}

void PortalHotkeys::Impl::await(const QString& path, ResponseHandler handler) {
    stopAwaiting();
    awaited = path;
    onResponse = std::move(handler);
    answerLimit.start();
    bus.connect(kService, path, kRequest, QStringLiteral("Response"), &responses,
                SLOT(deliver(QDBusMessage)));
}

void PortalHotkeys::Impl::stopAwaiting() {
    answerLimit.stop();
    if (awaited.isEmpty()) return;
    bus.disconnect(kService, std::exchange(awaited, {}), kRequest, QStringLiteral("Response"),
                   &responses, SLOT(deliver(QDBusMessage)));
}

void PortalHotkeys::Impl::respond(const QDBusMessage& response) {
    if (awaited.isEmpty() || response.path() != awaited) return;
    stopAwaiting();
    const QVariantList arguments = response.arguments();
    const ResponseHandler handler = std::exchange(onResponse, {});
    handler(arguments.value(0).toUInt(), qdbus_cast<QVariantMap>(arguments.value(1)));
}

void PortalHotkeys::Impl::activate(const QDBusMessage& signal) {
    const QVariantList arguments = signal.arguments();
    if (session.isEmpty() || arguments.value(0).value<QDBusObjectPath>().path() != session) return;
    const int id = hotkeyOf(arguments.value(1).toString());
    if (!wanted.contains(id) || !events.pressed) return;
    // The portal's time has 64 bits; the X11 form of the event, 32.
    // The portal's timestamp is not the X server's time, which is what a
    // press's timestamp is used as (focus requests, keyboard grabs).
    events.pressed(id, 0);
}

void PortalHotkeys::Impl::portalChanged(const QString& oldOwner, const QString& newOwner) {
    // The bus starting the portal for our first call is no change of portal.
    if (!oldOwner.isEmpty() && (registered || busy || !session.isEmpty())) {
        ++generation;
        stopAwaiting();
        session.clear();
        round.clear();
        registered = busy = again = false;
        lost = true;
    }
    if (!newOwner.isEmpty() && std::exchange(lost, false) && !wanted.empty()) schedule();
}

void PortalHotkeys::Impl::call(const QDBusMessage& message,
                               std::function<void(const QDBusMessage&)> done) {
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), &context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context,
                     [this, watcher, done = std::move(done), sent = generation] {
                         watcher->deleteLater();
                         if (sent == generation) done(watcher->reply());
                     });
}

QString PortalHotkeys::Impl::shortcutId(int id) const {
    return names.value(id, kIdPrefix + QString::number(id));
}

// The hotkey a shortcut id of ours stands for; 0 for none.
int PortalHotkeys::Impl::hotkeyOf(const QString& shortcut) const {
    for (const auto& [id, trigger] : wanted)
        if (shortcutId(id) == shortcut) return id;
    for (const auto& [id, trigger] : round)
        if (shortcutId(id) == shortcut) return id;
    const int id = hotkeyIdOf(shortcut);
    return names.contains(id) ? 0 : id;
}

QString PortalHotkeys::Impl::description(int id) const {
    if (const auto it = descriptions.find(id); it != descriptions.end()) return *it;
    return id == kMainHotkey ? QStringLiteral("Show Lorvanta")
                             : QStringLiteral("Run keyword %1").arg(id);
}

PortalHotkeys::PortalHotkeys(GlobalHotkeys& fallback, const PortalSetup& setup)
    : impl_(std::make_unique<Impl>(fallback, setup)) {}
PortalHotkeys::~PortalHotkeys() = default;

bool PortalHotkeys::offered(const PortalSetup& setup) {
    if (qgetenv("XDG_SESSION_TYPE") != "wayland") return false;
    // A connection of its own, dropped afterwards, so that the asking counts
    // as no portal call of the launcher's.
    const QString name = QStringLiteral("lorvanta portal probe");
    bool found = false;
    {
        const QDBusConnection bus = connectBus(setup, name);
        if (bus.isConnected()) {
            const QDBusMessage reply =
                bus.call(QDBusMessage::createMethodCall(
                             kService, kPath, QStringLiteral("org.freedesktop.DBus.Introspectable"),
                             QStringLiteral("Introspect")),
                         QDBus::Block, kProbeMs);
            found = reply.type() == QDBusMessage::ReplyMessage &&
                    offersShortcuts(reply.arguments().value(0).toString());
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return found;
}

void PortalHotkeys::setDescription(int id, const QString& text) {
    if (impl_->descriptions.value(id) == text) return;
    impl_->descriptions.insert(id, text);
    if (impl_->wanted.contains(id)) impl_->schedule();
}

void PortalHotkeys::describe(int id, const QString& name, const QString& description) {
    if (impl_->names.value(id) != name) {
        impl_->names.insert(id, name);
        if (impl_->wanted.contains(id)) impl_->schedule();
    }
    setDescription(id, description);
}

void PortalHotkeys::setEvents(HotkeyEvents events) {
    impl_->events = std::move(events);
}

bool PortalHotkeys::add(int id, int key, int modifiers) {
    const QString trigger = portalTrigger(key, modifiers);
    if (trigger.isEmpty() || !impl_->bus.isConnected()) return false;
    const auto [it, added] = impl_->wanted.try_emplace(id, trigger);
    if (!added && it->second == trigger) return true;
    it->second = trigger;
    impl_->schedule();
    return true;
}

void PortalHotkeys::remove(int id) {
    if (impl_->wanted.erase(id) > 0) impl_->schedule();
}

bool PortalHotkeys::held(int key, int modifiers) {
    return impl_->fallback.held(key, modifiers);
}
void PortalHotkeys::holdKeyboard(quint32 timestamp) {
    impl_->fallback.holdKeyboard(timestamp);
}
void PortalHotkeys::releaseKeyboard() {
    impl_->fallback.releaseKeyboard();
}

} // namespace lorvanta::platform

#include "portalhotkeys.moc"
