#include "enginefixture.h"
#include "platform/linux/desktopfile.h"
#include "platform/linux/linuxlauncher.h"
#include "platform/linux/mimeapps.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

using namespace lorvanta::platform;
using lorvanta::test::EnvGuard;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::waitUntil;
using lorvanta::test::writeFile;

namespace {

void makeExecutable(const QString& path) {
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                    QFileDevice::ExeGroup);
}

LaunchRequest launchRequest(const QString& file, const QString& parameters = {},
                            const QString& folder = {}, bool elevated = false) {
    LaunchRequest r;
    r.file = file;
    r.parameters = parameters;
    r.folder = folder;
    r.elevated = elevated;
    return r;
}

// What a recording program saw: its arguments and working folder.
struct Recorded {
    QStringList args;
    QString cwd;
};

// A data folder holding only the system's MIME database, for the whole run:
// type detection needs it, and it must not bring the system's applications.
QString mimeOnlyDataFolder() {
    static const QString folder = [] {
        const QString root = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/mime-only");
        QDir().mkpath(root);
        const QString dirs =
            qEnvironmentVariable("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
        for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts)) {
            if (QFileInfo(dir + QStringLiteral("/mime")).isDir()) {
                QFile::link(dir + QStringLiteral("/mime"), root + QStringLiteral("/mime"));
                break;
            }
        }
        return root;
    }();
    return folder;
}

// Every test gets its own XDG folders and a $PATH holding only its own
// programs, so that nothing installed here (xdg-open, pkexec, terminals)
// takes part.
class LauncherTest : public ::testing::Test {
protected:
    LauncherTest() {
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("TERMINAL");
        useRoot(tmp_.path());
    }

    // Points the XDG folders and $PATH below `root`.
    void useRoot(const QString& root) {
        root_ = root;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path(s("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path(s("data"))));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(path(s("sysconfig"))));
        qputenv("XDG_DATA_DIRS",
                QFile::encodeName(path(s("sysdata")) + u':' + mimeOnlyDataFolder()));
        qputenv("PATH", QFile::encodeName(path(s("bin"))));
        for (const char* sub :
             {"bin", "out", "config", "data/applications", "sysdata/applications"})
            QDir().mkpath(path(QString::fromLatin1(sub)));
    }

    QString path(const QString& relative) const { return root_ + u'/' + relative; }

    // A program that records its arguments and folder under out/NAME; it is
    // written to bin/NAME unless `where` says otherwise.
    QString recorder(const QString& name, const QString& where = {}) {
        const QString file = where.isEmpty() ? path(u"bin/" + name) : where;
        const QByteArray out = QFile::encodeName(path(u"out/" + name));
        writeFile(file,
                  "#!/bin/sh\nPATH=/usr/bin:/bin\n{ for a in \"$@\"; do printf '%s\\n' \"$a\"; "
                  "done; printf 'cwd=%s\\n' \"$(pwd -P)\"; } > '" +
                      out + ".tmp' && mv '" + out + ".tmp' '" + out + "'\n");
        makeExecutable(file);
        return file;
    }

    // Waits for the recorder NAME to have run once.
    Recorded ran(const QString& name) {
        const QString file = path(u"out/" + name);
        EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(file); }))
            << "never ran: " << name.toStdString();
        QStringList lines = QString::fromUtf8(readFile(file)).split(u'\n');
        lines.removeLast(); // after the last line end
        Recorded run;
        if (!lines.isEmpty() && lines.last().startsWith(u"cwd="))
            run.cwd = lines.takeLast().sliced(4);
        run.args = lines;
        QFile::remove(file);
        return run;
    }

    void entry(const QString& relative, const QString& body) {
        writeFile(path(relative), "[Desktop Entry]\nType=Application\n" + body.toUtf8());
    }

    QString canonical(const QString& relative) const {
        return QFileInfo(path(relative)).canonicalFilePath();
    }

    EnvGuard env_[7]{
        EnvGuard("XDG_CONFIG_HOME"), EnvGuard("XDG_DATA_HOME"), EnvGuard("XDG_CONFIG_DIRS"),
        EnvGuard("XDG_DATA_DIRS"),   EnvGuard("PATH"),          EnvGuard("XDG_CURRENT_DESKTOP"),
        EnvGuard("TERMINAL")};
    QTemporaryDir tmp_;
    QString root_;
    LinuxLauncher launcher_;
};

// The launcher's logic on the real desktop launcher, the rest faked.
struct RealLaunches {
    explicit RealLaunches(Launcher& launcher)
        : platform{fake.environment, fake.dialogs, fake.shell,   fake.process, launcher,
                   fake.system,      fake.focus,   fake.hotkeys, fake.keys},
          engine(f.core, f.folder, platform, f.host, f.expansion, f.services, f.scheduler, f.clock,
                 f.random) {}
    bool enter(const QString& input) {
        f.host.input = input;
        const bool r = engine.execution.DoExecute(input);
        f.scheduler.run();
        return r;
    }
    lorvanta::test::EngineFixture f;
    Platform& fake = f.dir.fake.platform();
    Platform platform;
    lorvanta::Engine engine;
};

TEST(CommandLine, SplitsLikeAShell) {
    const struct {
        const char* text;
        QStringList args;
    } cases[] = {
        {"", {}},
        {"  one   two\tthree ", {s("one"), s("two"), s("three")}},
        {"\"two words\" 'single quoted'", {s("two words"), s("single quoted")}},
        {"back\\ slash \\\"bare\\\"", {s("back slash"), s("\"bare\"")}},
        {"\"say \\\"hi\\\" \\$HOME \\x\"", {s("say \"hi\" $HOME \\x")}},
        {"'no \\escapes \"here'", {s("no \\escapes \"here")}},
        {"\"\" '' x\"y\"'z'", {QString(), QString(), s("xyz")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitCommandLine(s(c.text)), c.args) << c.text;
}

// Typed text is split too: an apostrophe inside a word and a quote that is
// never closed are the user's characters, not quoting.
TEST(CommandLine, ApostrophesAndLoneQuotesAreText) {
    const struct {
        const char* text;
        QStringList args;
    } cases[] = {
        {"don't stop", {s("don't"), s("stop")}},
        {"it's Bob's turn", {s("it's"), s("Bob's"), s("turn")}},
        {"'open and more", {s("'open"), s("and"), s("more")}},
        {"say \"hi there", {s("say"), s("\"hi"), s("there")}},
        {"I'm 'quoted words'", {s("I'm"), s("quoted words")}},
        {"--name='a b' x", {s("--name=a b"), s("x")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitCommandLine(s(c.text)), c.args) << c.text;
}

// A keyword's program gets the typed words as the user wrote them.
TEST_F(LauncherTest, TypedWordsReachTheProgramAsWritten) {
    RealLaunches real(launcher_);
    real.f.keyword("say", qPrintable(recorder(s("speak"))));
    EXPECT_TRUE(real.enter(s("say don't stop, it's late")));
    EXPECT_EQ(ran(s("speak")).args, (QStringList{s("don't"), s("stop,"), s("it's"), s("late")}));
}

TEST(DesktopExec, FieldCodesExpandAsTheDesktopEntryRulesSay) {
    DesktopFile entry;
    entry.file = s("/apps/viewer.desktop");
    entry.name = s("My Viewer");
    entry.icon = s("viewer-icon");
    const QStringList two{s("/a 1"), s("/b")};
    const struct {
        const char* exec;
        QStringList items;
        QList<QStringList> commands;
    } cases[] = {
        {"view %F", two, {{s("view"), s("/a 1"), s("/b")}}},
        {"view %U --end", {}, {{s("view"), s("--end")}}},
        {"view %f", two, {{s("view"), s("/a 1")}, {s("view"), s("/b")}}},
        {"view %u", {}, {{s("view")}}},
        {"view", two, {{s("view"), s("/a 1"), s("/b")}}},
        {"view %i %c %k",
         {},
         {{s("view"), s("--icon"), s("viewer-icon"), s("My Viewer"), s("/apps/viewer.desktop")}}},
        {"view --file=%f 100%% %d%D%n%N%v%m",
         {s("/x")},
         {{s("view"), s("--file=/x"), s("100%"), QString()}}},
        {"\"/opt/my app/run\" \"a \\\"q\\\"\" \"back\\\\slash\"",
         {},
         {{s("/opt/my app/run"), s("a \"q\""), s("back\\slash")}}},
    };
    for (const auto& c : cases) {
        entry.exec = s(c.exec);
        EXPECT_EQ(execCommands(entry, c.items), c.commands) << c.exec;
    }
}

TEST_F(LauncherTest, ProgramGetsItsArgumentVectorAndFolder) {
    const QString program = recorder(s("prog"));
    QDir().mkpath(path(s("work")));
    ASSERT_EQ(launcher_.shellExecute(launchRequest(
                  program, s("one \"two words\" 'it''s' back\\ slash \"\""), path(s("work")))),
              result::Started);
    const Recorded run = ran(s("prog"));
    EXPECT_EQ(run.args,
              (QStringList{s("one"), s("two words"), s("its"), s("back slash"), QString()}));
    EXPECT_EQ(run.cwd, canonical(s("work")));
}

TEST_F(LauncherTest, ProgramsAreFoundByPathHomeAndSearchPath) {
    recorder(s("onpath"));
    QDir().mkpath(QDir::homePath() + s("/tools"));
    recorder(s("inhome"), QDir::homePath() + s("/tools/inhome"));
    QDir().mkpath(path(s("rel")));
    recorder(s("relative"), path(s("rel/relative")));
    const struct {
        QString file, folder, recorder;
    } cases[] = {
        {s("onpath"), {}, s("onpath")},
        {s("~/tools/inhome"), {}, s("inhome")},
        {s("./relative"), path(s("rel")), s("relative")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(launcher_.shellExecute(launchRequest(c.file, s("x"), c.folder)), result::Started)
            << c.file.toStdString();
        EXPECT_EQ(ran(c.recorder).args, QStringList{s("x")});
    }
}

TEST_F(LauncherTest, WorkingFolderDefaultsToHome) {
    const QString program = recorder(s("where"));
    const struct {
        QString folder, cwd;
    } cases[] = {
        {QString(), QDir(QDir::homePath()).canonicalPath()},
        {path(s("no/such/folder")), QDir(QDir::homePath()).canonicalPath()},
        {s("~"), QDir(QDir::homePath()).canonicalPath()},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(launcher_.shellExecute(launchRequest(program, {}, c.folder)), result::Started);
        EXPECT_EQ(ran(s("where")).cwd, c.cwd) << c.folder.toStdString();
    }
}

TEST_F(LauncherTest, FailuresGiveTheirResultCodes) {
    writeFile(path(s("docs/plain.file")), "x");
    QFile::copy(s("/usr/bin/true"), path(s("docs/binary")));
    QFile::setPermissions(path(s("docs/binary")), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    writeFile(path(s("docs/unknown.lvq")), "\x01\x02\x03\x04");
    entry(s("docs/trying.desktop"), s("Exec=prog\nTryExec=not-installed-anywhere\n"));
    entry(s("docs/noprog.desktop"), s("Exec=not-installed-anywhere %f\n"));
    recorder(s("prog"));

    const struct {
        QString file;
        bool elevated;
        int code;
    } cases[] = {
        {path(s("docs/missing.txt")), false, result::FileNotFound},
        {s("no-such-program-here"), false, result::FileNotFound},
        {path(s("gone/missing.txt")), false, result::PathNotFound},
        {path(s("docs/plain.file/below")), false, result::PathNotFound},
        {path(s("docs/binary")), false, result::AccessDenied},
        {path(s("bin/prog")), true, result::AccessDenied}, // no pkexec on $PATH
        {path(s("docs/unknown.lvq")), false, result::NoApplication},
        {s("lorvanta-test-scheme://somewhere"), false, result::NoApplication},
        {path(s("docs/trying.desktop")), false, result::FileNotFound},
        {path(s("docs/noprog.desktop")), false, result::FileNotFound},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(launcher_.shellExecute(launchRequest(c.file, {}, {}, c.elevated)), c.code)
            << c.file.toStdString();
    }
}

TEST_F(LauncherTest, UnreadableDocumentIsAccessDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    writeFile(path(s("secret.txt")), "x");
    QFile::setPermissions(path(s("secret.txt")), QFileDevice::WriteOwner);
    EXPECT_EQ(launcher_.shellExecute(launchRequest(path(s("secret.txt")))), result::AccessDenied);
}

TEST_F(LauncherTest, ElevatedProgramRunsThroughPkexecButNeverAnEntry) {
    recorder(s("pkexec"));
    const QString program = recorder(s("prog"));
    ASSERT_EQ(launcher_.shellExecute(launchRequest(program, s("--flag 'a b'"), {}, true)),
              result::Started);
    EXPECT_EQ(ran(s("pkexec")).args, (QStringList{program, s("--flag"), s("a b")}));

    // A desktop entry runs by its own Exec line, as the user.
    entry(s("apps/prog.desktop"), s("Exec=prog --entry\n"));
    ASSERT_EQ(launcher_.shellExecute(launchRequest(path(s("apps/prog.desktop")), {}, {}, true)),
              result::Started);
    EXPECT_EQ(ran(s("prog")).args, QStringList{s("--entry")});
    EXPECT_FALSE(QFileInfo::exists(path(s("out/pkexec"))));
}

TEST_F(LauncherTest, DocumentsFoldersAndUrlsOpenInTheirDefaultApplications) {
    recorder(s("editor"));
    recorder(s("files"));
    recorder(s("mail"));
    entry(s("data/applications/editor.desktop"), s("Exec=editor --edit %f\n"));
    entry(s("data/applications/files.desktop"), s("Exec=files %U\n"));
    entry(s("sysdata/applications/mail.desktop"), s("Exec=mail --compose %u\n"));
    writeFile(path(s("config/mimeapps.list")),
              "[Default Applications]\ntext/plain=editor.desktop\ninode/directory=files.desktop;\n"
              "x-scheme-handler/mailto=mail.desktop\n");
    writeFile(path(s("docs/notes.txt")), "some notes\n");
    writeFile(path(s("docs/write.desktop")),
              "[Desktop Entry]\nType=Link\nURL=mailto:me@example.org\n");

    const struct {
        QString file, recorder;
        QStringList args;
    } cases[] = {
        {path(s("docs/notes.txt")), s("editor"), {s("--edit"), path(s("docs/notes.txt"))}},
        {QUrl::fromLocalFile(path(s("docs/notes.txt"))).toString(),
         s("editor"),
         {s("--edit"), path(s("docs/notes.txt"))}},
        {path(s("docs")), s("files"), {path(s("docs"))}},
        {s("mailto:someone@example.org"),
         s("mail"),
         {s("--compose"), s("mailto:someone@example.org")}},
        {path(s("docs/write.desktop")), s("mail"), {s("--compose"), s("mailto:me@example.org")}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(launcher_.shellExecute(launchRequest(c.file)), result::Started)
            << c.file.toStdString();
        EXPECT_EQ(ran(c.recorder).args, c.args) << c.file.toStdString();
    }
}

TEST_F(LauncherTest, XdgOpenIsTheLastResort) {
    recorder(s("xdg-open"));
    writeFile(path(s("docs/unknown.lvq")), "\x01\x02\x03\x04");
    const QString url = s("lorvanta-test-scheme://somewhere/x");
    for (const QString& target : {path(s("docs/unknown.lvq")), url}) {
        EXPECT_EQ(launcher_.shellExecute(launchRequest(target)), result::Started);
        EXPECT_EQ(ran(s("xdg-open")).args, QStringList{target});
    }
}

// Which entry wins for text/plain, given the files of each case.
TEST_F(LauncherTest, DefaultApplicationFollowsTheMimeApplicationsRules) {
    const QString app = s("[Desktop Entry]\nExec=app %f\n");
    struct File {
        const char* path;
        QString body;
    };
    const struct {
        const char* name;
        std::vector<File> files;
        const char* winner;
    } cases[] = {
        {"the user's default beats the system's",
         {{"config/mimeapps.list", s("[Default Applications]\ntext/plain=mine.desktop\n")},
          {"sysdata/applications/mimeapps.list",
           s("[Default Applications]\ntext/plain=theirs.desktop\n")},
          {"data/applications/mine.desktop", app},
          {"sysdata/applications/theirs.desktop", app}},
         "mine.desktop"},
        {"a default that is not installed gives way to the next",
         {{"config/mimeapps.list",
           s("[Default Applications]\ntext/plain=gone.desktop;next.desktop\n")},
          {"data/applications/next.desktop", app}},
         "next.desktop"},
        {"an added association without a default",
         {{"sysconfig/mimeapps.list", s("[Added Associations]\ntext/plain=added.desktop;\n")},
          {"data/applications/added.desktop", app}},
         "added.desktop"},
        {"a removed association hides what less important files add",
         {{"config/mimeapps.list", s("[Removed Associations]\ntext/plain=added.desktop\n")},
          {"sysconfig/mimeapps.list",
           s("[Added Associations]\ntext/plain=added.desktop;other.desktop\n")},
          {"data/applications/added.desktop", app},
          {"data/applications/other.desktop", app}},
         "other.desktop"},
        {"an entry that lists the type itself",
         {{"sysdata/applications/self.desktop", app + s("MimeType=image/png;text/plain;\n")}},
         "self.desktop"},
        {"a removal hides an entry that lists the type itself",
         {{"config/mimeapps.list", s("[Removed Associations]\ntext/plain=self.desktop;\n")},
          {"sysdata/applications/self.desktop", app + s("MimeType=text/plain;\n")}},
         ""},
        {"ids name subfolders with dashes",
         {{"config/mimeapps.list", s("[Default Applications]\ntext/plain=vendor-tool.desktop\n")},
          {"sysdata/applications/vendor/tool.desktop", app}},
         "vendor/tool.desktop"},
        {"a hidden entry masks the system's entry of the same id",
         {{"config/mimeapps.list",
           s("[Default Applications]\ntext/plain=masked.desktop;fallback.desktop\n")},
          {"data/applications/masked.desktop", app + s("Hidden=true\n")},
          {"sysdata/applications/masked.desktop", app},
          {"sysdata/applications/fallback.desktop", app}},
         "fallback.desktop"},
        {"entries whose programs are missing do not count",
         {{"config/mimeapps.list",
           s("[Default Applications]\ntext/plain=tries.desktop;broken.desktop;ok.desktop\n")},
          {"data/applications/tries.desktop", app + s("TryExec=not-installed-anywhere\n")},
          {"data/applications/broken.desktop", s("[Desktop Entry]\nExec=not-installed-anywhere\n")},
          {"data/applications/ok.desktop", app}},
         "ok.desktop"},
        {"the desktop's own list comes first",
         {{"config/lorvanta-mimeapps.list", s("[Default Applications]\ntext/plain=desk.desktop\n")},
          {"config/mimeapps.list", s("[Default Applications]\ntext/plain=mine.desktop\n")},
          {"data/applications/desk.desktop", app},
          {"data/applications/mine.desktop", app}},
         "desk.desktop"},
    };
    qputenv("XDG_CURRENT_DESKTOP", "Other:Lorvanta");
    int n = 0;
    for (const auto& c : cases) {
        useRoot(tmp_.path() + QStringLiteral("/case%1").arg(++n));
        recorder(s("app"));
        for (const File& f : c.files)
            writeFile(path(QString::fromLatin1(f.path)), f.body.toUtf8());
        const auto found = defaultApplication({{s("text/plain")}});
        EXPECT_EQ(found ? found->file.section(s("/applications/"), -1) : QString(),
                  QString::fromLatin1(c.winner))
            << c.name;
    }
}

TEST_F(LauncherTest, DerivedTypesUseTheirParentsDefault) {
    recorder(s("editor"));
    entry(s("data/applications/editor.desktop"), s("Exec=editor %f\n"));
    writeFile(path(s("config/mimeapps.list")),
              "[Default Applications]\ntext/plain=editor.desktop\n");
    writeFile(path(s("src/main.c")), "int main(void) { return 0; }\n");
    ASSERT_EQ(launcher_.shellExecute(launchRequest(path(s("src/main.c")))), result::Started);
    EXPECT_EQ(ran(s("editor")).args, QStringList{path(s("src/main.c"))});
}

TEST_F(LauncherTest, DesktopEntryRunsItsExecInItsPath) {
    recorder(s("viewer"));
    QDir().mkpath(path(s("work")));
    entry(s("apps/viewer.desktop"), s("Name=Viewer App\nIcon=viewer-icon\nPath=") +
                                        path(s("work")) +
                                        s("\nExec=viewer --name %c %i --file=%k %F 100%%\n"));
    ASSERT_EQ(launcher_.shellExecute(launchRequest(path(s("apps/viewer.desktop")), s("a 'b c'"))),
              result::Started);
    const Recorded run = ran(s("viewer"));
    EXPECT_EQ(run.args, (QStringList{s("--name"), s("Viewer App"), s("--icon"), s("viewer-icon"),
                                     s("--file=") + path(s("apps/viewer.desktop")), s("a"),
                                     s("b c"), s("100%")}));
    EXPECT_EQ(run.cwd, canonical(s("work")));
}

TEST_F(LauncherTest, InstalledDesktopEntryStartsByItsId) {
    recorder(s("tool"));
    entry(s("sysdata/applications/vendor/tool.desktop"), s("Exec=tool --from-id\n"));
    ASSERT_EQ(launcher_.shellExecute(launchRequest(s("vendor-tool.desktop"))), result::Started);
    EXPECT_EQ(ran(s("tool")).args, QStringList{s("--from-id")});
}

TEST_F(LauncherTest, TerminalEntriesRunInTheTerminalUnlessHidden) {
    recorder(s("term"));
    const QString shell = recorder(s("console"));
    entry(s("apps/console.desktop"), s("Terminal=true\nExec=console --x %u\n"));
    qputenv("TERMINAL", "term");
    ASSERT_EQ(launcher_.shellExecute(launchRequest(path(s("apps/console.desktop")), s("y"))),
              result::Started);
    EXPECT_EQ(ran(s("term")).args, (QStringList{s("-e"), shell, s("--x"), s("y")}));

    // Hidden runs the console program without any window, so without its terminal.
    LaunchRequest hidden = launchRequest(path(s("apps/console.desktop")), s("z"));
    hidden.show = ShowCommand::Hidden;
    ASSERT_EQ(launcher_.shellExecute(hidden), result::Started);
    EXPECT_EQ(ran(s("console")).args, (QStringList{s("--x"), s("z")}));
    EXPECT_FALSE(QFileInfo::exists(path(s("out/term"))));

    qunsetenv("TERMINAL");
    EXPECT_EQ(launcher_.shellExecute(launchRequest(path(s("apps/console.desktop")))),
              result::NoTerminal);
}

TEST_F(LauncherTest, TerminalEntriesUseTheTerminalsOwnWayToRunACommand) {
    recorder(s("gnome-terminal"));
    const QString shell = recorder(s("console"));
    entry(s("apps/console.desktop"), s("Terminal=true\nExec=console --x\n"));
    ASSERT_EQ(launcher_.shellExecute(launchRequest(path(s("apps/console.desktop")))),
              result::Started);
    EXPECT_EQ(ran(s("gnome-terminal")).args, (QStringList{s("--"), shell, s("--x")}));
}

// "x-terminal-emulator" names the user's terminal, found in this order.
TEST_F(LauncherTest, TheTerminalIsFoundInItsOrder) {
    const struct {
        const char* variable; // $TERMINAL
        std::vector<const char*> present;
        const char* ran;
        QStringList args; // for "-e htop"
    } cases[] = {
        {"mine --flag", {"mine", "xdg-terminal-exec"}, "mine", {s("--flag"), s("-e"), s("htop")}},
        {"", {"xdg-terminal-exec", "x-terminal-emulator"}, "xdg-terminal-exec", {s("htop")}},
        {"not-there",
         {"x-terminal-emulator", "gnome-terminal"},
         "x-terminal-emulator",
         {s("-e"), s("htop")}},
        {"", {"gnome-terminal", "konsole"}, "gnome-terminal", {s("--"), s("htop")}},
        {"", {"konsole", "xfce4-terminal"}, "konsole", {s("-e"), s("htop")}},
        {"", {"xfce4-terminal", "kitty"}, "xfce4-terminal", {s("-x"), s("htop")}},
        {"", {"kitty", "alacritty"}, "kitty", {s("htop")}},
        {"", {"alacritty", "foot"}, "alacritty", {s("-e"), s("htop")}},
        {"", {"foot", "xterm"}, "foot", {s("htop")}},
        {"", {"xterm"}, "xterm", {s("-e"), s("htop")}},
    };
    int n = 0;
    for (const auto& c : cases) {
        useRoot(tmp_.path() + QStringLiteral("/case%1").arg(++n));
        for (const char* program : c.present)
            recorder(QString::fromLatin1(program));
        qputenv("TERMINAL", c.variable);
        EXPECT_EQ(launcher_.shellExecute(launchRequest(s("x-terminal-emulator"), s("-e htop"))),
                  result::Started)
            << c.ran;
        EXPECT_EQ(ran(QString::fromLatin1(c.ran)).args, c.args) << c.ran;
    }
    useRoot(tmp_.path() + QStringLiteral("/none"));
    qunsetenv("TERMINAL");
    EXPECT_EQ(launcher_.shellExecute(launchRequest(s("x-terminal-emulator"))), result::NoTerminal);
}

TEST_F(LauncherTest, TheDefaultTerminalKeywordFindsATerminal) {
    // The "terminal" keyword of the first-run keyword file, as written there.
    const QStringList lines = QString::fromUtf8(readFile(s(DEFAULT_EXC))).split(u'\n');
    const qsizetype at = lines.indexOf(s("keywords=terminal,term"));
    ASSERT_GE(at, 0);
    QString command, folder;
    for (qsizetype i = at + 1; i < lines.size() && !lines[i].startsWith(u'['); ++i) {
        if (lines[i].startsWith(u"command=")) command = lines[i].mid(8).trimmed();
        if (lines[i].startsWith(u"path=")) folder = lines[i].mid(5).trimmed();
    }
    recorder(s("foot"));
    ASSERT_EQ(launcher_.shellExecute(launchRequest(command, {}, folder)), result::Started);
    EXPECT_EQ(ran(s("foot")).cwd, QDir(QDir::homePath()).canonicalPath());
}

TEST_F(LauncherTest, DefaultBrowserIsTheHttpHandlersEntry) {
    EXPECT_EQ(launcher_.defaultBrowserEntry(), QString());
    recorder(s("browser"));
    entry(s("data/applications/web.desktop"), s("Exec=browser --new-window %u\n"));
    writeFile(path(s("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/http=web.desktop\n");
    EXPECT_EQ(launcher_.defaultBrowserEntry(), path(s("data/applications/web.desktop")));
}

// An address typed into the launcher reaches the browser through its entry's
// whole Exec line, field codes and all.
TEST_F(LauncherTest, AnAddressRunsTheDefaultBrowsersWholeExecLine) {
    RealLaunches real(launcher_);
    recorder(s("flatpak"));
    recorder(s("env"));
    writeFile(path(s("config/mimeapps.list")),
              "[Default Applications]\nx-scheme-handler/http=web.desktop\n");
    const QString url = s("https://example.org/it's here");
    const struct {
        const char* exec;
        const char* program;
        QStringList args;
    } cases[] = {
        {"flatpak run org.example.Browser %u",
         "flatpak",
         {s("run"), s("org.example.Browser"), url}},
        {"env VAR=1 /snap/bin/browser %u", "env", {s("VAR=1"), s("/snap/bin/browser"), url}},
    };
    for (const auto& c : cases) {
        entry(s("data/applications/web.desktop"), s("Exec=") + s(c.exec) + u'\n');
        EXPECT_TRUE(real.enter(url)) << c.exec;
        EXPECT_EQ(ran(s(c.program)).args, c.args) << c.exec;
    }
}

// A command line that starts with the terminal's name runs the user's
// terminal, also where no program has that name; without any terminal the
// failure says so.
TEST_F(LauncherTest, TheTerminalsNameStartsACommandInTheUsersTerminal) {
    RealLaunches real(launcher_);
    real.f.keyword("top", "x-terminal-emulator -e htop");
    real.f.keyword("terminal", "x-terminal-emulator");
    recorder(s("xterm"));
    EXPECT_TRUE(real.enter(s("top")));
    EXPECT_EQ(ran(s("xterm")).args, (QStringList{s("-e"), s("htop")}));

    QFile::remove(path(s("bin/xterm")));
    for (const char* typed : {"top", "terminal"}) {
        real.f.host.calls.clear();
        EXPECT_FALSE(real.enter(s(typed))) << typed;
        EXPECT_EQ(real.f.host.calls.filter(s("toast")), QStringList{s("toast No terminal found")})
            << typed;
        EXPECT_TRUE(real.f.host.fail) << typed;
    }
}

// What runAndCapture delivered, and how often.
struct Captured {
    int calls = 0;
    QString text;
};

std::shared_ptr<Captured> capture(LinuxLauncher& launcher, const QString& file,
                                  const QString& parameters, const QString& folder, int timeoutMs) {
    auto got = std::make_shared<Captured>();
    launcher.runAndCapture(file, parameters, folder, timeoutMs, [got](const QString& text) {
        ++got->calls;
        got->text = text;
    });
    EXPECT_EQ(got->calls, 0) << "delivered inside the call";
    EXPECT_TRUE(waitUntil([&] { return got->calls > 0; }, 30000));
    QCoreApplication::processEvents();
    return got;
}

TEST_F(LauncherTest, CaptureMergesOutputAndDecodesIt) {
    const QString script = path(s("bin/talk"));
    writeFile(script, "#!/bin/sh\necho \"arg=$1\"\necho to-stderr >&2\nprintf 'caf\\351 "
                      "\\342\\202\\254\\n'\npwd -P\n");
    makeExecutable(script);
    QDir().mkpath(path(s("work")));
    const auto got = capture(launcher_, s("talk"), s("'first arg'"), path(s("work")), 10000);
    EXPECT_EQ(got->calls, 1);
    EXPECT_EQ(got->text, s("arg=first arg\nto-stderr\ncafé €\n") + canonical(s("work")) + u'\n');
}

TEST_F(LauncherTest, CaptureTimeLimitEndsTheWholeProcessGroup) {
    const struct {
        const char* name;
        const char* prelude;
    } cases[] = {
        {"obeys SIGTERM", ""},
        {"ignores SIGTERM", "trap '' TERM\n"},
    };
    for (const auto& c : cases) {
        const QString script = path(s("bin/slow"));
        const QString pidFile = path(s("out/child.pid"));
        QFile::remove(pidFile);
        writeFile(script, "#!/bin/sh\nPATH=/usr/bin:/bin\n" + QByteArray(c.prelude) +
                              "echo started\nsleep 30 &\necho $! > '" + QFile::encodeName(pidFile) +
                              "'\nwait\n");
        makeExecutable(script);
        const auto got = capture(launcher_, script, {}, {}, 500);
        EXPECT_EQ(got->calls, 1) << c.name;
        EXPECT_EQ(got->text, s("started\n[stopped after 0.5 s]\n")) << c.name;

        const pid_t child = pid_t(readFile(pidFile).trimmed().toInt());
        ASSERT_GT(child, 0) << c.name;
        // Gone, or a zombie waiting for a reaper that is not us.
        const auto gone = [child] {
            const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(child));
            return stat.isEmpty() || stat.sliced(stat.lastIndexOf(')') + 2).startsWith('Z');
        };
        EXPECT_TRUE(waitUntil(gone, 10000)) << c.name;
    }
}

TEST_F(LauncherTest, CaptureCutsOutputAt16MiB) {
    const QString script = path(s("bin/flood"));
    writeFile(script, "#!/bin/sh\nPATH=/usr/bin:/bin\nhead -c 17000000 /dev/zero | tr '\\0' "
                      "a\necho\necho tail\n");
    makeExecutable(script);
    const auto got = capture(launcher_, script, {}, {}, 60000);
    ASSERT_EQ(got->calls, 1);
    const QString note = s("\n[output cut at 16 MiB]\n");
    ASSERT_TRUE(got->text.endsWith(note));
    EXPECT_EQ(got->text.size() - note.size(), LinuxLauncher::kCaptureLimit);
    EXPECT_EQ(got->text.chopped(note.size()).count(u'a'), LinuxLauncher::kCaptureLimit);
}

TEST_F(LauncherTest, CaptureOfAProgramThatCannotStartIsError) {
    writeFile(path(s("bin/notrunnable")), "#!/bin/sh\necho hi\n");
    for (const QString& file :
         {s("no-such-program-here"), s("notrunnable"), path(s("missing/prog"))}) {
        const auto got = capture(launcher_, file, {}, {}, 5000);
        EXPECT_EQ(got->calls, 1);
        EXPECT_EQ(got->text, s("Error")) << file.toStdString();
    }
}

// A small HTTP server with fixed answers per path; "/silent" never answers.
class HttpServer {
public:
    HttpServer() {
        EXPECT_TRUE(server_.listen(QHostAddress::LocalHost));
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { serve(socket); });
        });
    }

    QString url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2")
            .arg(server_.serverPort())
            .arg(QLatin1StringView(path));
    }

    QByteArray lastRequest;

private:
    void serve(QTcpSocket* socket) {
        QByteArray& request = pending_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) return;
        lastRequest = request;
        const QByteArray path = request.split(' ').value(1);
        const auto answer = [socket](const QByteArray& status, const QByteArray& body,
                                     const QByteArray& headers = {}) {
            socket->write("HTTP/1.1 " + status +
                          "\r\nContent-Length: " + QByteArray::number(body.size()) +
                          "\r\nConnection: close\r\n" + headers + "\r\n" + body);
            socket->disconnectFromHost();
        };
        if (path == "/ok")
            answer("200 OK", "hello");
        else if (path == "/latin")
            answer("200 OK", "caf\xe9");
        else if (path == "/utf16")
            answer("200 OK", QByteArray("\xff\xfeh\0i\0", 6));
        else if (path == "/moved")
            answer("302 Found", {}, "Location: /ok\r\n");
        else if (path == "/empty")
            answer("204 No Content", {});
        else if (path != "/silent")
            answer("404 Not Found", "nope");
    }

    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> pending_;
};

TEST(FetchUrlText, AnswersOnlyForStatus200) {
    EnvGuard proxies[] = {EnvGuard("http_proxy"), EnvGuard("HTTP_PROXY"), EnvGuard("all_proxy"),
                          EnvGuard("ALL_PROXY")};
    for (const EnvGuard& g : proxies)
        qunsetenv(g.name);
    HttpServer server;
    LinuxLauncher launcher;
    const struct {
        QString url;
        int timeoutMs;
        QString text;
    } cases[] = {
        {server.url("/ok"), 10000, s("hello")},     {server.url("/latin"), 10000, s("café")},
        {server.url("/utf16"), 10000, s("hi")},     {server.url("/moved"), 10000, s("hello")},
        {server.url("/missing"), 10000, QString()}, {server.url("/empty"), 10000, QString()},
        {server.url("/silent"), 500, QString()},    {s("ftp://127.0.0.1/file"), 10000, QString()},
        {s("not a url at all"), 10000, QString()},
    };
    for (const auto& c : cases) {
        auto got = std::make_shared<Captured>();
        launcher.fetchUrlText(c.url, c.timeoutMs, [got](const QString& text) {
            ++got->calls;
            got->text = text;
        });
        EXPECT_EQ(got->calls, 0) << "delivered inside the call";
        ASSERT_TRUE(waitUntil([&] { return got->calls > 0; })) << c.url.toStdString();
        QCoreApplication::processEvents();
        EXPECT_EQ(got->calls, 1) << c.url.toStdString();
        EXPECT_EQ(got->text, c.text) << c.url.toStdString();
    }
    EXPECT_TRUE(server.lastRequest.toLower().contains("\r\nuser-agent: lorvanta\r\n"));
}

} // namespace
