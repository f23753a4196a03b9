#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace lorvanta::test {

TempDataFolder::TempDataFolder() {
    EXPECT_TRUE(root_.isValid());
    QDir().mkpath(path());
    QDir().mkpath(programFolder());
    hadPrevious_ = qEnvironmentVariableIsSet("LORVANTA_HOME");
    previous_ = qgetenv("LORVANTA_HOME");
    qputenv("LORVANTA_HOME", QFile::encodeName(path()));

    fake.programFolder = programFolder();
    fake.configFolder = root_.path() + QStringLiteral("/config");
    fake.homeFolder = root_.path() + QStringLiteral("/home");
    fake.variables.insert(QStringLiteral("LORVANTA_HOME"), path());
}

TempDataFolder::~TempDataFolder() {
    if (hadPrevious_)
        qputenv("LORVANTA_HOME", previous_);
    else
        qunsetenv("LORVANTA_HOME");
}

PrivateBus::PrivateBus() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    installed_ = !daemon.isEmpty();
    if (!installed_) return;
    const QString config = dir_.filePath(QStringLiteral("bus.conf"));
    writeFile(config, "<busconfig><type>session</type><listen>unix:path=" +
                          QFile::encodeName(dir_.filePath(QStringLiteral("bus"))) +
                          "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                          "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                          "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    daemon_.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                           QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(10000)) return;
    const QDeadlineTimer deadline(10000);
    while (!daemon_.canReadLine() && !deadline.hasExpired())
        daemon_.waitForReadyRead(100);
    address_ = QString::fromUtf8(daemon_.readLine().trimmed());
}

PrivateBus::~PrivateBus() {
    daemon_.kill();
    daemon_.waitForFinished();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void setModified(const QString& path, const QDateTime& when) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

} // namespace lorvanta::test
