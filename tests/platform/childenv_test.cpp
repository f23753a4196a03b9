// Programs the launcher starts get the user's environment without the
// variables that only concern the launcher itself: its Qt platform choice and
// the start-up and activation tokens the desktop handed to it. A child that
// inherited them would use the wrong display backend or swallow a token
// meant for the launcher's own window.

#include "platform/linux/linuxlauncher.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace lorvanta::platform;
using lorvanta::test::EnvGuard;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::waitUntil;
using lorvanta::test::writeFile;

namespace {

const char* const kLauncherOnly[] = {"QT_QPA_PLATFORM", "DESKTOP_AUTOSTART_ID",
                                     "XDG_ACTIVATION_TOKEN"};

// The variable names a child's `env` output holds.
QStringList names(const QByteArray& envOutput) {
    QStringList out;
    for (const QByteArray& line : envOutput.split('\n'))
        if (const qsizetype eq = line.indexOf('='); eq > 0)
            out.append(QString::fromUtf8(line.first(eq)));
    return out;
}

class ChildEnvironment : public ::testing::Test {
protected:
    ChildEnvironment() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("DESKTOP_AUTOSTART_ID", "autostart-123");
        qputenv("XDG_ACTIVATION_TOKEN", "token-456");
        qputenv("LORVANTA_CHILD_MARK", "kept");
        // A program that writes its environment to out.env, whole or not at all.
        const QByteArray out = QFile::encodeName(tmp_.filePath(s("out.env")));
        writeFile(program(), "#!/bin/sh\n/usr/bin/env > '" + out + ".tmp' && mv '" + out +
                                 ".tmp' '" + out + "'\n/usr/bin/env\n");
        QFile::setPermissions(program(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
        writeFile(tmp_.filePath(s("printenv.desktop")),
                  "[Desktop Entry]\nType=Application\nName=Env\nExec=" +
                      QFile::encodeName(program()) + "\n");
    }
    QString program() const { return tmp_.filePath(s("printenv")); }

    EnvGuard guards_[4]{EnvGuard("QT_QPA_PLATFORM"), EnvGuard("DESKTOP_AUTOSTART_ID"),
                        EnvGuard("XDG_ACTIVATION_TOKEN"), EnvGuard("LORVANTA_CHILD_MARK")};
    QTemporaryDir tmp_;
    LinuxLauncher launcher_;
};

} // namespace

TEST_F(ChildEnvironment, ChildrenDoNotInheritTheLaunchersOwnVariables) {
    const QString written = tmp_.filePath(s("out.env"));
    auto started = [&](const QString& file) {
        LaunchRequest r;
        r.file = file;
        EXPECT_EQ(launcher_.shellExecute(r), result::Started);
        EXPECT_TRUE(waitUntil([&] { return QFile::exists(written); }));
        const QByteArray env = readFile(written);
        QFile::remove(written);
        return env;
    };
    const struct {
        const char* route;
        std::function<QByteArray()> run;
    } routes[] = {
        {"a program", [&] { return started(program()); }},
        {"a desktop entry", [&] { return started(tmp_.filePath(s("printenv.desktop"))); }},
        {"a captured program",
         [&] {
             auto text = std::make_shared<QString>();
             auto done = std::make_shared<bool>(false);
             launcher_.runAndCapture(program(), {}, tmp_.path(), 10000,
                                     [=](const QString& t) { *text = t, *done = true; });
             EXPECT_TRUE(waitUntil([&] { return *done; }));
             return text->toUtf8();
         }},
    };
    for (const auto& r : routes) {
        SCOPED_TRACE(r.route);
        const QStringList seen = names(r.run());
        EXPECT_TRUE(seen.contains(s("LORVANTA_CHILD_MARK"))) << "the rest is inherited";
        EXPECT_TRUE(seen.contains(s("PATH")));
        for (const char* name : kLauncherOnly)
            EXPECT_FALSE(seen.contains(QString::fromLatin1(name))) << name;
    }
    // The launcher keeps them: only what its children get changes.
    for (const char* name : kLauncherOnly)
        EXPECT_TRUE(qEnvironmentVariableIsSet(name)) << name;
}
