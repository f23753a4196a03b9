// The main of every test executable. Before any test runs, the user's home,
// configuration, data and runtime folders are pointed at a temporary folder,
// so that no test can read or write the real ones.

#include <QCoreApplication>
#ifdef LORVANTA_TEST_GUI
#include <QApplication>
#endif
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QTemporaryDir sandbox;
    const QByteArray root = QFile::encodeName(sandbox.path());
    for (const char* sub : {"home", "home/.config", "home/.local/share", "runtime"})
        QDir().mkpath(sandbox.path() + u'/' + QString::fromLatin1(sub));
    qputenv("HOME", root + "/home");
    qputenv("XDG_CONFIG_HOME", root + "/home/.config");
    qputenv("XDG_DATA_HOME", root + "/home/.local/share");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QFile::setPermissions(sandbox.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qunsetenv("LORVANTA_HOME");

#ifdef LORVANTA_TEST_GUI
    // Listing the tests at build time happens without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
