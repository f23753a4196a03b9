#include "core/text/desktopentry.h"
#include "shell/desktopfiles.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::readFile;
using lorvanta::test::s;

namespace {

// Points one XDG folder variable at a fresh folder for the test's lifetime.
class XdgFolder {
public:
    explicit XdgFolder(const char* name) : name_(name), old_(qgetenv(name)) {
        qputenv(name_, QFile::encodeName(dir_.path()));
    }
    ~XdgFolder() { qputenv(name_, old_); }
    XdgFolder(const XdgFolder&) = delete;
    XdgFolder& operator=(const XdgFolder&) = delete;
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    const char* name_;
    QByteArray old_;
};

TEST(DesktopFiles, AutostartEntryStartsTheLauncherSilently) {
    XdgFolder config("XDG_CONFIG_HOME");
    const QString file = config.path() + s("/autostart/lorvanta.desktop");
    ASSERT_EQ(autostartEntryPath(), file);

    ASSERT_TRUE(setAutostart(true, s("/opt/lorvanta/lorvanta")).ok());
    const auto entry = readDesktopEntry(file);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->type, s("Application"));
    EXPECT_EQ(entry->name, s("Lorvanta"));
    EXPECT_EQ(execArguments(entry->exec), (QStringList{s("/opt/lorvanta/lorvanta"), s("-s")}));
    EXPECT_FALSE(entry->noDisplay);
    EXPECT_EQ(QDir(config.path() + s("/autostart")).entryList(QDir::Files),
              QStringList{s("lorvanta.desktop")});

    ASSERT_TRUE(setAutostart(false, {}).ok());
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(setAutostart(false, {}).ok()); // already gone is fine
}

TEST(DesktopFiles, StartUpLeavesARightEntryAndTheUsersOwnAlone) {
    XdgFolder config("XDG_CONFIG_HOME");
    const QString file = config.path() + s("/autostart/lorvanta.desktop");
    ASSERT_TRUE(setAutostart(true, s("/usr/bin/lorvanta")).ok());
    const QDateTime old = QDateTime::currentDateTime().addDays(-1);
    lorvanta::test::setModified(file, old);
    ASSERT_TRUE(setAutostart(true, s("/usr/bin/lorvanta")).ok());
    EXPECT_EQ(QFileInfo(file).lastModified(), old) << "an entry that is right is not rewritten";

    // An entry the user made under the same name (a desktop's autostart
    // settings copy the application's own) survives the setting being off.
    const QByteArray mine = "[Desktop Entry]\nType=Application\nExec=lorvanta --mine\n";
    lorvanta::test::writeFile(file, mine);
    ASSERT_TRUE(setAutostart(false, {}).ok());
    EXPECT_EQ(readFile(file), mine);
}

TEST(DesktopFiles, OpenWithEntryIsHiddenAndTakesAnyFileOrFolder) {
    XdgFolder data("XDG_DATA_HOME");
    const QString file = data.path() + s("/applications/lorvanta-open.desktop");
    ASSERT_EQ(openWithEntryPath(), file);

    ASSERT_TRUE(setOpenWithEntry(true, s("/usr/bin/lorvanta")).ok());
    const auto entry = readDesktopEntry(file);
    ASSERT_TRUE(entry);
    EXPECT_TRUE(entry->noDisplay);
    EXPECT_TRUE(entry->exec.endsWith(s(" %F")));
    EXPECT_EQ(execArguments(entry->exec), QStringList{s("/usr/bin/lorvanta")});
    EXPECT_TRUE(readFile(file).contains(
        "\nMimeType=application/octet-stream;inode/directory;text/plain;\n"));

    ASSERT_TRUE(setOpenWithEntry(false, {}).ok());
    EXPECT_FALSE(QFile::exists(file));
}

TEST(DesktopFiles, ProgramPathsSurviveTheExecQuoting) {
    XdgFolder config("XDG_CONFIG_HOME");
    for (const char* program : {"/usr/bin/lorvanta", "/opt/my apps/lorvanta", "/home/u/100%/lv",
                                "/x/it's \"q\"/lv", "/x/back\\slash/lv", "/x/$HOME/`lv`"}) {
        SCOPED_TRACE(program);
        ASSERT_TRUE(writeAutostartEntry(s(program)).ok());
        const auto entry = readDesktopEntry(autostartEntryPath());
        ASSERT_TRUE(entry);
        EXPECT_EQ(execArguments(entry->exec), (QStringList{s(program), s("-s")}));
    }
}

} // namespace
