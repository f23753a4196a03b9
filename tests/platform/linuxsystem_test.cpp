#include "platform/linux/linuxsystem.h"
#include "testsupport.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace lorvanta::platform;
using lorvanta::test::EnvGuard;
using lorvanta::test::PrivateBus;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::writeFile;

namespace {

// The calls the fake services received, in order, from their own thread.
class CallLog {
public:
    void add(const QString& call) {
        QMutexLocker lock(&mutex_);
        calls_ << call;
    }
    QStringList take() {
        QMutexLocker lock(&mutex_);
        return std::exchange(calls_, {});
    }

private:
    QMutex mutex_;
    QStringList calls_;
};

// A logind manager that records what it is asked; it refuses when told to.
class FakeLogin : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    explicit FakeLogin(CallLog& log) : log_(log) {}
    std::atomic<bool> refuse = false;

public Q_SLOTS:
    void PowerOff(bool interactive) { note(QStringLiteral("PowerOff"), interactive); }
    void Reboot(bool interactive) { note(QStringLiteral("Reboot"), interactive); }
    void Suspend(bool interactive) { note(QStringLiteral("Suspend"), interactive); }
    void Hibernate(bool interactive) { note(QStringLiteral("Hibernate"), interactive); }
    void TerminateSession(const QString& id) { note(QStringLiteral("TerminateSession"), id); }
    void LockSession(const QString& id) { note(QStringLiteral("LockSession"), id); }
    void LockSessions() { note(QStringLiteral("LockSessions"), QString()); }
    QDBusObjectPath GetSessionByPID(uint pid) {
        note(QStringLiteral("GetSessionByPID"), pid == uint(::getpid()) ? s("self") : s("other"));
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/login1/session/s42"));
    }

private:
    void note(const QString& method, const QVariant& argument) {
        log_.add(method + u'(' + argument.toString() + u')');
        if (refuse) sendErrorReply(QDBusError::AccessDenied, QStringLiteral("refused"));
    }
    CallLog& log_;
};

class FakeSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(QString Id READ id)
public:
    QString id() const { return QStringLiteral("s42"); }
};

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit FakeScreenSaver(CallLog& log) : log_(log) {}

public Q_SLOTS:
    bool SetActive(bool on) {
        log_.add(u"SetActive(" + QVariant(on).toString() + u')');
        return true;
    }

private:
    CallLog& log_;
};

const QString kLoginName = QStringLiteral("org.lorvanta.test.login1");
const QString kScreenSaverName = QStringLiteral("org.lorvanta.test.ScreenSaver");

// A private D-Bus daemon with fake logind and screen saver services under
// made-up names, served from a thread of their own so that the blocking
// calls of the code under test can be answered.
class FakeBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus_.installed()) GTEST_SKIP() << "dbus-daemon is not installed";
        address_ = bus_.address();
        ASSERT_FALSE(address_.isEmpty());

        QDBusConnection bus = QDBusConnection::connectToBus(address_, connectionName());
        ASSERT_TRUE(bus.isConnected());
        for (QObject* o : {static_cast<QObject*>(&login_), static_cast<QObject*>(&session_),
                           static_cast<QObject*>(&screenSaver_)})
            o->moveToThread(&thread_);
        thread_.start();
        ASSERT_TRUE(bus.registerObject(s("/org/freedesktop/login1"), &login_,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerObject(s("/org/freedesktop/login1/session/s42"), &session_,
                                       QDBusConnection::ExportAllProperties));
        ASSERT_TRUE(bus.registerObject(s("/org/freedesktop/ScreenSaver"), &screenSaver_,
                                       QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService(kLoginName));
        ASSERT_TRUE(bus.registerService(kScreenSaverName));
    }

    void TearDown() override {
        if (!address_.isEmpty()) QDBusConnection::disconnectFromBus(connectionName());
        thread_.quit();
        thread_.wait();
    }

    QString connectionName() const { return s("fake services ") + address_; }

    LinuxSystemSetup setup() const {
        LinuxSystemSetup setup;
        setup.busAddress = address_;
        setup.loginService = kLoginName;
        setup.screenSaverService = kScreenSaverName;
        return setup;
    }

    QTemporaryDir dir_;
    PrivateBus bus_;
    QString address_;
    CallLog log_;
    FakeLogin login_{log_};
    FakeSession session_;
    FakeScreenSaver screenSaver_{log_};
    QThread thread_;
    EnvGuard sessionId_{"XDG_SESSION_ID"};
};

TEST_F(FakeBusTest, PowerActionsAskLogindWithoutInteraction) {
    LinuxSystem system(setup());
    const struct {
        PowerAction action;
        const char* sessionId;
        QStringList calls;
    } cases[] = {
        {PowerAction::PowerOff, "c7", {s("PowerOff(false)")}},
        {PowerAction::Reboot, "c7", {s("Reboot(false)")}},
        {PowerAction::Suspend, "c7", {s("Suspend(false)")}},
        {PowerAction::Hibernate, "c7", {s("Hibernate(false)")}},
        {PowerAction::LogOut, "c7", {s("TerminateSession(c7)")}},
        {PowerAction::LogOut, nullptr, {s("GetSessionByPID(self)"), s("TerminateSession(s42)")}},
    };
    for (const auto& c : cases) {
        c.sessionId ? qputenv("XDG_SESSION_ID", c.sessionId) : qunsetenv("XDG_SESSION_ID");
        EXPECT_TRUE(system.power(c.action)) << c.calls.join(u' ').toStdString();
        EXPECT_EQ(log_.take(), c.calls);
    }
}

TEST_F(FakeBusTest, RefusalsAndMissingServicesAreFailures) {
    login_.refuse = true;
    qputenv("XDG_SESSION_ID", "c7");
    EXPECT_FALSE(LinuxSystem(setup()).power(PowerAction::PowerOff));
    EXPECT_FALSE(LinuxSystem(setup()).lockSession());
    EXPECT_EQ(log_.take(), (QStringList{s("PowerOff(false)"), s("LockSession(c7)")}));

    LinuxSystemSetup absent = setup();
    absent.loginService = s("org.lorvanta.test.nobody");
    EXPECT_FALSE(LinuxSystem(absent).power(PowerAction::Reboot));
    LinuxSystemSetup noBus = setup();
    noBus.busAddress = s("unix:path=") + dir_.filePath(s("no-bus-here"));
    EXPECT_FALSE(LinuxSystem(noBus).power(PowerAction::Reboot));
    EXPECT_TRUE(log_.take().isEmpty());
}

TEST_F(FakeBusTest, LockSessionLocksTheCallersSession) {
    LinuxSystem system(setup());
    qputenv("XDG_SESSION_ID", "c7");
    EXPECT_TRUE(system.lockSession());
    EXPECT_EQ(log_.take(), QStringList{s("LockSession(c7)")});
    qunsetenv("XDG_SESSION_ID");
    EXPECT_TRUE(system.lockSession());
    EXPECT_EQ(log_.take(), (QStringList{s("GetSessionByPID(self)"), s("LockSession(s42)")}));
}

// $PATH holds only the test's own stand-ins for the desktop tools.
class ToolTest : public FakeBusTest {
protected:
    void SetUp() override {
        FakeBusTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        qputenv("PATH", QFile::encodeName(bin_.path()));
        qputenv("DISPLAY", ":79");
    }

    // A stand-in that records its arguments into out/NAME.
    void tool(const QString& name) {
        const QString file = bin_.filePath(name);
        const QByteArray out = QFile::encodeName(dir_.filePath(name));
        writeFile(file, "#!/bin/sh\necho \"$@\" > '" + out + ".tmp' && /bin/mv '" + out +
                            ".tmp' '" + out + "'\n");
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner);
    }

    QString toolRan(const QString& name) {
        const QString file = dir_.filePath(name);
        QDeadlineTimer deadline(20000);
        while (!QFileInfo::exists(file) && !deadline.hasExpired())
            QThread::msleep(10);
        return QString::fromUtf8(readFile(file).trimmed());
    }

    EnvGuard path_{"PATH"}, display_{"DISPLAY"};
    QTemporaryDir bin_;
};

TEST_F(ToolTest, ScreenSaverStartsByToolElseByTheService) {
    LinuxSystem system(setup());
    EXPECT_TRUE(system.startScreenSaver());
    EXPECT_EQ(log_.take(), QStringList{s("SetActive(true)")});

    tool(s("xdg-screensaver"));
    EXPECT_TRUE(system.startScreenSaver());
    EXPECT_EQ(toolRan(s("xdg-screensaver")), s("activate"));
    EXPECT_TRUE(log_.take().isEmpty());
}

TEST_F(ToolTest, MonitorOffNeedsXsetAndADisplay) {
    LinuxSystem system(setup());
    EXPECT_FALSE(system.monitorOff());
    tool(s("xset"));
    qunsetenv("DISPLAY");
    EXPECT_FALSE(system.monitorOff());
    qputenv("DISPLAY", ":79");
    EXPECT_TRUE(system.monitorOff());
    EXPECT_EQ(toolRan(s("xset")), s("dpms force off"));
}

TEST(LinuxSystemFacts, MemoryFromMeminfo) {
    QTemporaryDir dir;
    const struct {
        const char* name;
        QByteArray text;
        std::optional<std::pair<quint64, quint64>> kB;
    } cases[] = {
        {"current kernel",
         "MemTotal:       16318844 kB\nMemFree:         1181628 kB\nMemAvailable:    9216404 kB\n"
         "Buffers:          612404 kB\n",
         std::pair<quint64, quint64>{16318844, 9216404}},
        {"without MemAvailable",
         "MemTotal: 2048 kB\nMemFree: 100 kB\nBuffers: 20 kB\nCached: 3 kB\nSwapCached: 999 kB\n",
         std::pair<quint64, quint64>{2048, 123}},
        {"without MemTotal", "MemFree: 100 kB\n", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        LinuxSystemSetup setup;
        setup.meminfoFile = dir.filePath(QString::fromLatin1(c.name));
        writeFile(setup.meminfoFile, c.text);
        const auto memory = LinuxSystem(setup).memory();
        ASSERT_EQ(memory.has_value(), c.kB.has_value()) << c.name;
        if (!memory) continue;
        EXPECT_EQ(memory->totalBytes, c.kB->first * 1024) << c.name;
        EXPECT_EQ(memory->availableBytes, c.kB->second * 1024) << c.name;
    }
    LinuxSystemSetup missing;
    missing.meminfoFile = dir.filePath(s("not-there"));
    EXPECT_FALSE(LinuxSystem(missing).memory().has_value());
}

TEST(LinuxSystemFacts, MemoryOfThisMachineIsPlausible) {
    const auto memory = LinuxSystem().memory();
    ASSERT_TRUE(memory.has_value());
    EXPECT_GT(memory->totalBytes, quint64(0));
    EXPECT_LE(memory->availableBytes, memory->totalBytes);
}

TEST(LinuxSystemFacts, Ipv4AddressesLeaveOutLoopback) {
    for (const QString& address : LinuxSystem().ipv4Addresses()) {
        const QHostAddress ip(address);
        EXPECT_EQ(ip.protocol(), QAbstractSocket::IPv4Protocol) << address.toStdString();
        EXPECT_FALSE(address.startsWith(u"127.")) << address.toStdString();
    }
}

TEST(LinuxSystemTrash, EmptyingRemovesEveryItemAndNothingOutside) {
    EnvGuard dataHome("XDG_DATA_HOME");
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(s("data"))));
    const QString trash = dir.filePath(s("data/Trash"));
    const QString outside = dir.filePath(s("outside"));
    writeFile(outside + s("/keep.txt"), "keep");

    writeFile(trash + s("/files/a.txt"), "a");
    writeFile(trash + s("/files/.hidden"), "h");
    writeFile(trash + s("/files/tree/deep/locked/x.txt"), "x");
    QFile::setPermissions(trash + s("/files/tree/deep/locked"),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ASSERT_TRUE(QFile::link(outside, trash + s("/files/folder-link")));
    ASSERT_TRUE(QFile::link(outside + s("/keep.txt"), trash + s("/files/file-link")));
    for (const char* name : {"a.txt", ".hidden", "tree", "folder-link", "file-link", "orphan"})
        writeFile(trash + s("/info/") + QString::fromLatin1(name) + s(".trashinfo"),
                  "[Trash Info]\n");
    writeFile(trash + s("/directorysizes"), "1 2 tree\n");

    LinuxSystem system;
    EXPECT_EQ(system.emptyTrash(), std::optional<int>(6));
    EXPECT_TRUE(
        QDir(trash + s("/files"))
            .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_TRUE(
        QDir(trash + s("/info"))
            .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_FALSE(QFileInfo::exists(trash + s("/directorysizes")));
    EXPECT_EQ(readFile(outside + s("/keep.txt")), QByteArray("keep"));

    EXPECT_EQ(system.emptyTrash(), std::optional<int>(0));
    QDir(trash).removeRecursively();
    EXPECT_EQ(system.emptyTrash(), std::optional<int>(0));
}

TEST(LinuxSystemTrash, LinkedTrashFoldersAreNotFollowed) {
    QTemporaryDir dir;
    writeFile(dir.filePath(s("elsewhere/precious.txt")), "mine");
    QDir().mkpath(dir.filePath(s("Trash")));
    ASSERT_TRUE(QFile::link(dir.filePath(s("elsewhere")), dir.filePath(s("Trash/files"))));
    LinuxSystemSetup setup;
    setup.trashFolder = dir.filePath(s("Trash"));
    EXPECT_FALSE(LinuxSystem(setup).emptyTrash().has_value());
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(s("elsewhere/precious.txt"))));
}

} // namespace

#include "linuxsystem_test.moc"
