#pragma once

#include "platform/fake/fakeplatform.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace lorvanta::test {

// A private data folder for one test: LORVANTA_HOME points at a fresh
// temporary folder for the test's lifetime, and the fake platform reports
// that folder too, with a program folder and a config folder beside it.
class TempDataFolder {
public:
    TempDataFolder();
    ~TempDataFolder();
    TempDataFolder(const TempDataFolder&) = delete;
    TempDataFolder& operator=(const TempDataFolder&) = delete;

    // The data folder, ending with "/".
    QString path() const { return root_.path() + QStringLiteral("/data/"); }
    QString file(const QString& name) const { return path() + name; }
    // The fake program folder ("$H$"), ending with "/".
    QString programFolder() const { return root_.path() + QStringLiteral("/program/"); }
    QString root() const { return root_.path(); }

    platform::FakePlatform fake;

private:
    QTemporaryDir root_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

// Restores an environment variable when the test is done with it.
struct EnvGuard {
    explicit EnvGuard(const char* n)
        : name(n), had(qEnvironmentVariableIsSet(n)), old(qgetenv(n)) {}
    ~EnvGuard() { had ? qputenv(name, old) : qunsetenv(name); }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
    const char* name;
    bool had;
    QByteArray old;
};

// Keeps the event loop going (timers, child processes, an instance in the
// test process) until `done` holds; false when it never did within `ms`.
template <class Condition> bool waitUntil(Condition done, int ms = 30000) {
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// A D-Bus message bus of the test's own (a dbus-daemon child), on which
// fake desktop services are served under their real names.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // False when dbus-daemon is not installed: the test should skip.
    bool installed() const { return installed_; }
    // Empty when the daemon did not start.
    QString address() const { return address_; }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    bool installed_ = false;
};

// A QString from UTF-8 text, for the many literals of tests.
inline QString s(const char* text) {
    return QString::fromUtf8(text);
}

// Writes `bytes` to `path`, creating folders; fails the test on error.
void writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);
// Sets a file's modification time.
void setModified(const QString& path, const QDateTime& when);

} // namespace lorvanta::test

// Lets gtest print QStrings in failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral("|")).toStdString() << ']';
}
QT_END_NAMESPACE
