#include "platform/linux/portalhotkeys.h"
#include "testsupport.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

using namespace lorvanta::platform;
using lorvanta::test::EnvGuard;
using lorvanta::test::PrivateBus;
using lorvanta::test::s;
using lorvanta::test::waitUntil;

namespace {

// One entry of the shortcut lists, in the portal's a(sa{sv}) form.
struct Shortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const Shortcut& shortcut) {
    out.beginStructure();
    out << shortcut.id << shortcut.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, Shortcut& shortcut) {
    in.beginStructure();
    in >> shortcut.id >> shortcut.properties;
    in.endStructure();
    return in;
}

} // namespace

Q_DECLARE_METATYPE(Shortcut)

namespace {

const QString kService = s("org.freedesktop.portal.Desktop");
const QString kPath = s("/org/freedesktop/portal/desktop");
const QString kShortcuts = s("org.freedesktop.portal.GlobalShortcuts");
const QString kFakeConnection = s("fake portal");

// A desktop portal that records what it is asked, one line per call, and
// answers as its settings say. Served from a thread of its own.
class FakePortal : public QDBusVirtualObject {
public:
    std::atomic<bool> hasShortcuts = true;
    std::atomic<bool> hasRegistry = true;
    std::atomic<bool> refuseRegistry = false;
    std::atomic<uint> bindResponse = 0; // 1 denied, 2 cancelled
    std::atomic<int> omitted = 0;       // a hotkey id the desktop leaves unbound
    // The answer overtakes the reply to the call, as it may on a busy bus.
    std::atomic<bool> answerFirst = false;
    // Binds are answered with a reply but never with a Response.
    std::atomic<bool> silentBind = false;

    QStringList take() {
        QMutexLocker lock(&mutex_);
        return std::exchange(calls_, {});
    }
    int count() {
        QMutexLocker lock(&mutex_);
        return int(calls_.size());
    }
    QString session() {
        QMutexLocker lock(&mutex_);
        return session_;
    }

    // The desktop saw the shortcut's trigger pressed.
    void activate(const QString& session, const QString& shortcut, qulonglong time) {
        QDBusMessage signal = QDBusMessage::createSignal(kPath, kShortcuts, s("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << shortcut << time
               << QVariantMap();
        QDBusConnection(kFakeConnection).send(signal);
    }

    QString introspect(const QString& path) const override {
        if (path != kPath) return {};
        QString xml = s("<interface name=\"org.freedesktop.portal.Settings\"/>");
        if (hasShortcuts) xml += u"<interface name=\"" + kShortcuts + u"\"/>";
        if (hasRegistry) xml += s("<interface name=\"org.freedesktop.host.portal.Registry\"/>");
        return xml;
    }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override {
        const QString call = m.interface() + u'.' + m.member();
        if (call == u"org.freedesktop.host.portal.Registry.Register") {
            if (!hasRegistry)
                return bus.send(m.createErrorReply(QDBusError::UnknownMethod, s("no registry")));
            if (refuseRegistry)
                return bus.send(m.createErrorReply(QDBusError::AccessDenied, s("no entry")));
            note(u"Register " + m.arguments().value(0).toString());
            return bus.send(m.createReply());
        }
        if (call == kShortcuts + u".CreateSession") return createSession(m, bus);
        if (call == kShortcuts + u".BindShortcuts") return bindShortcuts(m, bus);
        if (call == u"org.freedesktop.portal.Session.Close") {
            note(m.path() == session() ? s("Close") : s("Close of another session"));
            return bus.send(m.createReply());
        }
        return false;
    }

private:
    static QString senderPart(const QDBusMessage& m) {
        return m.service().mid(1).replace(u'.', u'_');
    }

    // Replies with the request object and answers on it at once.
    bool answer(const QDBusMessage& m, const QDBusConnection& bus, const QString& token, uint code,
                const QVariantMap& results) {
        const QString request = kPath + u"/request/" + senderPart(m) + u'/' + token;
        const QDBusMessage reply = m.createReply(QVariant::fromValue(QDBusObjectPath(request)));
        QDBusMessage response = QDBusMessage::createTargetedSignal(
            m.service(), request, s("org.freedesktop.portal.Request"), s("Response"));
        response << code << results;
        if (answerFirst) return bus.send(response) && bus.send(reply);
        return bus.send(reply) && bus.send(response);
    }

    bool createSession(const QDBusMessage& m, const QDBusConnection& bus) {
        const QVariantMap options = qdbus_cast<QVariantMap>(m.arguments().value(0));
        const QString session = kPath + u"/session/" + senderPart(m) + u'/' +
                                options.value(s("session_handle_token")).toString();
        {
            QMutexLocker lock(&mutex_);
            session_ = session;
        }
        note(s("CreateSession"));
        return answer(m, bus, options.value(s("handle_token")).toString(), 0,
                      {{s("session_handle"), session}});
    }

    bool bindShortcuts(const QDBusMessage& m, const QDBusConnection& bus) {
        const QVariantList args = m.arguments();
        if (m.signature() != u"oa(sa{sv})sa{sv}" ||
            args.value(0).value<QDBusObjectPath>().path() != session()) {
            note(u"BindShortcuts with " + m.signature() + u" on another session");
            return bus.send(m.createErrorReply(QDBusError::InvalidArgs, s("bad call")));
        }
        QList<Shortcut> bound;
        QStringList asked;
        for (Shortcut shortcut : qdbus_cast<QList<Shortcut>>(args.value(1))) {
            const QString trigger = shortcut.properties.value(s("preferred_trigger")).toString();
            asked << shortcut.id + u'=' + trigger + u" (" +
                         shortcut.properties.value(s("description")).toString() + u')';
            shortcut.properties.insert(s("trigger_description"), trigger);
            if (shortcut.id != u"hotkey-" + QString::number(omitted)) bound << shortcut;
        }
        asked.sort();
        note(u"BindShortcuts " + asked.join(s("; ")));
        const QString token =
            qdbus_cast<QVariantMap>(args.value(3)).value(s("handle_token")).toString();
        QVariantMap results;
        if (bindResponse == 0) results.insert(s("shortcuts"), QVariant::fromValue(bound));
        if (silentBind) {
            const QString request = kPath + u"/request/" + senderPart(m) + u'/' + token;
            return bus.send(m.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        }
        return answer(m, bus, token, bindResponse, results);
    }

    void note(const QString& call) {
        QMutexLocker lock(&mutex_);
        calls_ << call;
    }

    QMutex mutex_;
    QStringList calls_;
    QString session_;
};

const QString kRegister = s("Register io.github.lorvanta.Lorvanta");
const QString kMainAndNotes =
    s("BindShortcuts hotkey-1=SHIFT+LOGO+z (Show Lorvanta); hotkey-7=CTRL+ALT+F1 (Run keyword 7)");

// A private bus with the fake portal under its real name.
class PortalTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus_.installed()) GTEST_SKIP() << "dbus-daemon is not installed";
        ASSERT_FALSE(bus_.address().isEmpty());
        qDBusRegisterMetaType<Shortcut>();
        qDBusRegisterMetaType<QList<Shortcut>>();
        qputenv("XDG_SESSION_TYPE", "wayland");
        portal_.moveToThread(&thread_);
        thread_.start();
        servePortal();
    }

    // The fake portal takes its name on a connection of its own, from its
    // own thread, where the objects of its registration must live.
    void servePortal() {
        bool served = false;
        QMetaObject::invokeMethod(
            &portal_,
            [&] {
                QDBusConnection bus =
                    QDBusConnection::connectToBus(bus_.address(), kFakeConnection);
                served = bus.isConnected() &&
                         bus.registerVirtualObject(kPath, &portal_, QDBusConnection::SubPath) &&
                         bus.registerService(kService);
            },
            Qt::BlockingQueuedConnection);
        ASSERT_TRUE(served);
    }

    void TearDown() override {
        hotkeys_.reset();
        QDBusConnection::disconnectFromBus(kFakeConnection);
        thread_.quit();
        thread_.wait();
    }

    PortalSetup setup() const { return PortalSetup{bus_.address(), answerLimitMs_}; }
    int answerLimitMs_ = 120000;

    // The hotkeys under test; what they report goes to events_.
    PortalHotkeys& hotkeys() {
        if (!hotkeys_) {
            hotkeys_ = std::make_unique<PortalHotkeys>(fake_.platform().hotkeys, setup());
            hotkeys_->setEvents(
                {[this](int id, quint32 time) { events_ << s("pressed %1 %2").arg(id).arg(time); },
                 [this](int id, const QString& reason) {
                     events_ << s("refused %1").arg(id) +
                                    (reason.isEmpty() ? s(" silently") : QString());
                 }});
        }
        return *hotkeys_;
    }

    // Binds the main hotkey (Shift+Super+Z) and hotkey 7 (Ctrl+Alt+F1).
    void bindMainAndNotes() {
        EXPECT_TRUE(hotkeys().add(1, 'Z', kModShift | kModWin));
        EXPECT_TRUE(hotkeys().add(7, 112, kModCtrl | kModAlt));
    }

    bool callsReach(int n) {
        return waitUntil([&] { return portal_.count() >= n; });
    }
    bool eventsReach(int n) {
        return waitUntil([&] { return events_.size() >= n; });
    }
    // Presses hotkey `id` and waits until the launcher hears of it, which
    // also shows that the bind before is done.
    void press(int id) {
        const int before = int(events_.size());
        portal_.activate(portal_.session(), s("hotkey-%1").arg(id), 5);
        ASSERT_TRUE(eventsReach(before + 1));
        // The portal's time is not the X server's: presses carry none.
        EXPECT_EQ(events_.takeLast(), s("pressed %1 0").arg(id));
    }

    PrivateBus bus_;
    FakePortal portal_;
    QThread thread_;
    FakePlatform fake_;
    QStringList events_;
    std::unique_ptr<PortalHotkeys> hotkeys_;
    EnvGuard sessionType_{"XDG_SESSION_TYPE"};
};

TEST_F(PortalTest, OfferedOnlyInWaylandSessionsWhoseBusHasTheShortcutsPortal) {
    const struct {
        const char* sessionType; // nullptr: unset
        bool service;
        bool shortcuts;
        bool offered;
    } cases[] = {
        {"wayland", true, true, true},   {"x11", true, true, false},
        {nullptr, true, true, false},    {"wayland", true, false, false},
        {"wayland", false, true, false}, {"tty", false, false, false},
    };
    QDBusConnection bus(kFakeConnection);
    for (const auto& c : cases) {
        c.sessionType ? qputenv("XDG_SESSION_TYPE", c.sessionType) : qunsetenv("XDG_SESSION_TYPE");
        portal_.hasShortcuts = c.shortcuts;
        c.service ? bus.registerService(kService) : bus.unregisterService(kService);
        EXPECT_EQ(PortalHotkeys::offered(setup()), c.offered)
            << (c.sessionType ? c.sessionType : "unset") << " service " << c.service
            << " shortcuts " << c.shortcuts;
    }
    qputenv("XDG_SESSION_TYPE", "wayland");
    EXPECT_FALSE(PortalHotkeys::offered(PortalSetup{s("unix:path=/nonexistent/lorvanta-bus")}));
}

TEST_F(PortalTest, OneBindAfterTheRegistryCarriesEveryTriggerAndId) {
    EXPECT_TRUE(hotkeys().add(1, 'Z', kModShift | kModWin));
    EXPECT_TRUE(hotkeys().add(7, 'Q', kModAlt));
    EXPECT_TRUE(hotkeys().add(7, 112, kModCtrl | kModAlt)); // replaces Alt+Q
    EXPECT_TRUE(hotkeys().add(9, 33, 0));
    hotkeys().setDescription(9, s("Open the notes"));
    EXPECT_FALSE(hotkeys().add(10, 0, kModCtrl)) << "a key with no keysym";
    ASSERT_TRUE(callsReach(3));
    press(1);
    EXPECT_EQ(portal_.take(), (QStringList{kRegister, s("CreateSession"),
                                           s("BindShortcuts hotkey-1=SHIFT+LOGO+z (Show Lorvanta); "
                                             "hotkey-7=CTRL+ALT+F1 (Run keyword 7); "
                                             "hotkey-9=Prior (Open the notes)")}));
    EXPECT_TRUE(events_.isEmpty()) << events_.join(u',').toStdString();

    PortalHotkeys offline(fake_.platform().hotkeys, PortalSetup{s("unix:path=/nonexistent/bus")});
    EXPECT_FALSE(offline.add(1, 'Z', kModShift | kModWin));
}

TEST_F(PortalTest, ActivatedOnOurSessionPressesTheHotkey) {
    bindMainAndNotes();
    ASSERT_TRUE(callsReach(3));
    const QString session = portal_.session();
    press(1);
    const struct {
        QString session;
        QString shortcut;
        qulonglong time;
    } ignored[] = {
        {kPath + s("/session/1_99/other"), s("hotkey-7"), 10},
        {session, s("hotkey-99"), 11},
        {session, s("hotkey-"), 12},
        {session, s("show"), 13},
    };
    for (const auto& a : ignored)
        portal_.activate(a.session, a.shortcut, a.time);
    portal_.activate(session, s("hotkey-7"), 0x1'0000'0042ULL);
    portal_.activate(session, s("hotkey-1"), 0);
    ASSERT_TRUE(eventsReach(2));
    EXPECT_EQ(events_, (QStringList{s("pressed 7 0"), s("pressed 1 0")}));
}

TEST_F(PortalTest, ADeniedOrCancelledBindRefusesEveryIdAndForgetsThem) {
    for (const uint response : {1u, 2u}) {
        SCOPED_TRACE(response);
        hotkeys_.reset();
        portal_.take();
        portal_.bindResponse = response;
        bindMainAndNotes();
        ASSERT_TRUE(eventsReach(2));
        EXPECT_EQ(events_, (QStringList{s("refused 1"), s("refused 7")}));
        events_.clear();

        // The refused ids are not asked for again with the next hotkey.
        portal_.bindResponse = 0;
        EXPECT_TRUE(hotkeys().add(9, 'N', kModWin));
        ASSERT_TRUE(callsReach(6));
        press(9);
        EXPECT_EQ(
            portal_.take(),
            (QStringList{kRegister, s("CreateSession"), kMainAndNotes, s("Close"),
                         s("CreateSession"), s("BindShortcuts hotkey-9=LOGO+n (Run keyword 9)")}));
        EXPECT_TRUE(events_.isEmpty()) << events_.join(u',').toStdString();
    }
}

TEST_F(PortalTest, AShortcutLeftUnboundIsRefusedAlone) {
    portal_.omitted = 7;
    bindMainAndNotes();
    ASSERT_TRUE(eventsReach(1));
    EXPECT_EQ(events_, QStringList{s("refused 7")});
    events_.clear();
    press(1);
    portal_.activate(portal_.session(), s("hotkey-7"), 9); // no longer ours
    press(1);
    EXPECT_TRUE(events_.isEmpty()) << events_.join(u',').toStdString();
}

TEST_F(PortalTest, ChangesRebindTheWholeSetOnAFreshSession) {
    portal_.answerFirst = true; // a late reply must not be taken for another request's
    bindMainAndNotes();
    ASSERT_TRUE(callsReach(3));
    press(7);
    portal_.take();
    const QString first = portal_.session();

    hotkeys().remove(7);
    hotkeys().remove(42); // never added: no change
    ASSERT_TRUE(callsReach(3));
    press(1);
    EXPECT_EQ(portal_.take(),
              (QStringList{s("Close"), s("CreateSession"),
                           s("BindShortcuts hotkey-1=SHIFT+LOGO+z (Show Lorvanta)")}));
    EXPECT_NE(portal_.session(), first);
    portal_.activate(first, s("hotkey-1"), 3); // the closed session
    portal_.activate(portal_.session(), s("hotkey-7"), 4);

    EXPECT_TRUE(hotkeys().add(1, 32, kModCtrl)); // Ctrl+Space now
    hotkeys().setDescription(1, s("Show the launcher"));
    ASSERT_TRUE(callsReach(3));
    press(1);
    EXPECT_EQ(portal_.take(),
              (QStringList{s("Close"), s("CreateSession"),
                           s("BindShortcuts hotkey-1=CTRL+space (Show the launcher)")}));
    EXPECT_TRUE(hotkeys().add(1, 32, kModCtrl)); // the same again: nothing to do
    press(1);
    EXPECT_TRUE(events_.isEmpty()) << events_.join(u',').toStdString();
    EXPECT_EQ(portal_.count(), 0);
}

TEST_F(PortalTest, ARestartedPortalIsAskedAgain) {
    bindMainAndNotes();
    ASSERT_TRUE(callsReach(3));
    press(1);
    portal_.take();
    QDBusConnection::disconnectFromBus(kFakeConnection);
    servePortal();
    ASSERT_TRUE(callsReach(3));
    press(7);
    EXPECT_EQ(portal_.take(), (QStringList{kRegister, s("CreateSession"), kMainAndNotes}));
    EXPECT_TRUE(events_.isEmpty()) << events_.join(u',').toStdString();
}

TEST_F(PortalTest, TheRegistryComesFirstWhereThePortalHasOne) {
    const struct {
        const char* name;
        bool hasRegistry;
        bool refuses;
        QStringList calls;
        QStringList events;
    } cases[] = {
        {"registry", true, false, {kRegister, s("CreateSession"), kMainAndNotes}, {}},
        {"older portal", false, false, {s("CreateSession"), kMainAndNotes}, {}},
        {"refusing registry", true, true, {}, {s("refused 1"), s("refused 7")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hotkeys_.reset();
        portal_.take();
        events_.clear();
        portal_.hasRegistry = c.hasRegistry;
        portal_.refuseRegistry = c.refuses;
        bindMainAndNotes();
        if (c.events.isEmpty()) {
            ASSERT_TRUE(callsReach(int(c.calls.size())));
            press(1);
        } else {
            ASSERT_TRUE(eventsReach(int(c.events.size())));
        }
        EXPECT_EQ(portal_.take(), c.calls);
        EXPECT_EQ(events_, c.events);
    }
}

TEST(PortalTrigger, NamesKeysAsTheShortcutsFormDoes) {
    const struct {
        int key;
        int modifiers;
        const char* trigger;
    } cases[] = {
        {'Z', kModShift | kModWin, "SHIFT+LOGO+z"},
        {'A', kModWin | kModShift | kModCtrl | kModAlt, "CTRL+ALT+SHIFT+LOGO+a"},
        {'5', kModCtrl, "CTRL+5"},
        {112, kModAlt, "ALT+F1"},
        {135, 0, "F24"},
        {103, kModCtrl, "CTRL+KP_7"},
        {33, 0, "Prior"},
        {19, 0, "Pause"},
        {186, kModCtrl, "CTRL+semicolon"},
        {173, 0, "XF86AudioMute"},
        {32, kModAlt, "ALT+space"},
        {0, kModCtrl, ""},
        {7, 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(portalTrigger(c.key, c.modifiers), s(c.trigger)) << c.key << '/' << c.modifiers;
}

// A desktop that never answers a bind: the hotkeys are refused after the
// limit, and the next change binds again instead of waiting behind it.
TEST_F(PortalTest, ABindTheDesktopNeverAnswersIsRefusedAfterTheLimit) {
    answerLimitMs_ = 300;
    portal_.silentBind = true;
    bindMainAndNotes();
    ASSERT_TRUE(eventsReach(2));
    EXPECT_EQ(events_, (QStringList{s("refused 1"), s("refused 7")}));
    events_.clear();
    portal_.silentBind = false;
    portal_.take();
    EXPECT_TRUE(hotkeys().add(1, 'Z', kModShift | kModWin));
    QStringList calls;
    ASSERT_TRUE(waitUntil([&] {
        calls << portal_.take();
        return calls.join(u'\n').contains(s("BindShortcuts"));
    }));
    press(1);
}

// A keyword's hotkey is known to the desktop by the keyword's name, not by an
// id that follows the keyword order at each start: the key the user chose in
// the desktop's settings stays with the keyword.
TEST_F(PortalTest, ADescribedHotkeyIsBoundAndPressedUnderItsName) {
    hotkeys().describe(7, s("keyword-notes"), s("Run the keyword \"notes\""));
    EXPECT_TRUE(hotkeys().add(7, 112, kModCtrl | kModAlt));
    ASSERT_TRUE(callsReach(3));
    const int before = int(events_.size());
    portal_.activate(portal_.session(), s("hotkey-7"), 5); // not its name any more
    portal_.activate(portal_.session(), s("keyword-notes"), 6);
    ASSERT_TRUE(eventsReach(before + 1));
    EXPECT_EQ(events_, (QStringList{s("pressed 7 0")}));
    EXPECT_EQ(
        portal_.take(),
        (QStringList{kRegister, s("CreateSession"),
                     s("BindShortcuts keyword-notes=CTRL+ALT+F1 (Run the keyword \"notes\")")}));
}

} // namespace
