#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
