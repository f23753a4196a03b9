#include "core/ini/myinifiles.h"
#include "enginefixture.h"
#include "shell/showhide/incognito.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace lorvanta;
using lorvanta::test::EngineFixture;
using lorvanta::test::s;
using lorvanta::test::waitUntil;
using lorvanta::test::writeFile;

namespace {

struct RecordingIncognitoView final : IncognitoView {
    QStringList calls;
    void showToast(const QString& text) override { calls.append(s("toast ") + text); }
    void updateStateLetters() override { calls.append(s("updateStateLetters")); }
    void reapplyInput() override { calls.append(s("reapplyInput")); }
    void endIncognitoBrowser() override { calls.append(s("endIncognitoBrowser")); }
};

// Makes a file impossible to delete until the guard is released: a folder
// without write permission, or for root (who ignores permissions) the
// immutable attribute. Not every file system offers the latter.
class Undeletable {
public:
    explicit Undeletable(const QString& file) : file_(file), folder_(QFileInfo(file).path()) {
        if (geteuid() != 0) {
            ok_ = QFile::setPermissions(folder_, QFile::ReadOwner | QFile::ExeOwner);
            permissions_ = true;
        } else {
            ok_ = setImmutable(true);
        }
    }
    ~Undeletable() { release(); }
    bool ok() const { return ok_; }
    void release() {
        if (!ok_) return;
        if (permissions_)
            QFile::setPermissions(folder_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        else
            setImmutable(false);
        ok_ = false;
    }

private:
    bool setImmutable(bool on) {
        const int fd = ::open(QFile::encodeName(file_).constData(), O_RDONLY);
        if (fd < 0) return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return done;
    }
    QString file_;
    QString folder_;
    bool ok_ = false;
    bool permissions_ = false;
};

struct IncognitoTest : ::testing::Test {
    IncognitoTest() {
        incognito.setWait([this](int ms) {
            EXPECT_EQ(ms, 500);
            const int n = ++waits;
            if (onWait) onWait(n);
        });
    }
    QString data() const { return f.folder.path(); }
    QString incognitoFolder() const { return data() + s("incognito"); }
    void clearAndWait(bool atStart) {
        incognito.ClearIncognitoFolder(atStart);
        ASSERT_TRUE(waitUntil([this] { return !incognito.clearing(); }));
    }

    EngineFixture f;
    RecordingIncognitoView view;
    Incognito incognito{f.core.setup, f.core.file, f.folder.path(), view};
    std::atomic<int> waits{0};
    std::function<void(int)> onWait;
};

TEST_F(IncognitoTest, EveryLetterAppliesOnlyWhenConfigured) {
    const QStringList letters = {s("1"), s("2"), s("3"), s("4"), s("5"), s("6"),
                                 s("7"), s("8"), s("p"), s("c"), s("i"), s("b")};
    lorvanta::Setup& setup = f.core.setup;
    setup.incognito = true;
    for (const QString& configured : letters) {
        // Alone, in the other case, and among others.
        for (const QString& config : QStringList{configured, configured.toUpper(),
                                                 QString(s("x") + configured.toUpper() + s("y"))}) {
            setup.incognitoconfig = config;
            for (const QString& letter : letters) {
                EXPECT_EQ(incognito.IncognitoApplies(letter), letter == configured)
                    << "config " << config.toStdString() << " letter " << letter.toStdString();
                EXPECT_EQ(incognito.IncognitoApplies(letter.toUpper()), letter == configured);
            }
        }
    }
    for (const char* all : {"all", "ALL", "All"}) {
        setup.incognitoconfig = s(all);
        for (const QString& letter : letters)
            EXPECT_TRUE(incognito.IncognitoApplies(letter));
    }
    setup.incognitoconfig = QString();
    for (const QString& letter : letters)
        EXPECT_FALSE(incognito.IncognitoApplies(letter));
}

TEST_F(IncognitoTest, TheModeMattersUnlessIgnored) {
    lorvanta::Setup& setup = f.core.setup;
    setup.incognitoconfig = s("b1");
    setup.incognito = false;
    EXPECT_FALSE(incognito.IncognitoApplies(u"b"));
    EXPECT_TRUE(incognito.IncognitoApplies(u"b", true));
    EXPECT_FALSE(incognito.IncognitoApplies(u"2", true));
    setup.incognito = true;
    EXPECT_TRUE(incognito.IncognitoApplies(u"b", true));
}

TEST_F(IncognitoTest, SwitchingSavesTheModeAndAnnouncesIt) {
    incognito.setIncognitoMode(true, true);
    EXPECT_EQ(view.calls, QStringList({s("updateStateLetters"), s("reapplyInput"),
                                       s("toast Incognito mode: enabled")}));
    const TMemIniFile saved = TMemIniFile::Create(f.core.file.settingsPath());
    EXPECT_TRUE(saved.ReadBool(s("Setup"), s("incognito"), false));

    view.calls.clear();
    incognito.setIncognitoMode(false, true);
    EXPECT_TRUE(view.calls.contains(s("toast Incognito mode: disabled")));
    const TMemIniFile again = TMemIniFile::Create(f.core.file.settingsPath());
    EXPECT_FALSE(again.ReadBool(s("Setup"), s("incognito"), true));

    view.calls.clear();
    incognito.setIncognitoMode(true, false);
    EXPECT_FALSE(view.calls.join(u',').contains(s("toast")));
}

TEST_F(IncognitoTest, TheHistoryLetterKeepsExecutionsOutOfTheHistory) {
    f.keyword("g", "https://www.google.com/search?q=$U$");
    f.core.setup.incognitoconfig = s("1");
    incognito.setIncognitoMode(true, false);
    EXPECT_TRUE(f.enter(s("g secret")));
    EXPECT_TRUE(f.core.history.empty());
    incognito.setIncognitoMode(false, false);
    EXPECT_TRUE(f.enter(s("g public")));
    EXPECT_EQ(f.newestHistory(), s("g public"));

    f.core.setup.incognitoconfig = s("2");
    incognito.setIncognitoMode(true, false);
    EXPECT_TRUE(f.enter(s("g other")));
    EXPECT_EQ(f.newestHistory(), s("g other")) << "letter 2 hides history rows, records still";
}

TEST_F(IncognitoTest, SwitchingTheModeChangesTheRowsOfTheList) {
    f.keyword("note", "/bin/true");
    f.core.history.AddToHistory(s("note this"), nullptr, false, f.core.setup);
    f.core.pinned.AddToPinned(s("pinned note"), nullptr, false);
    const auto rows = [this](const char* text) {
        InputState in;
        in.text = s(text);
        f.engine.list.BuildListContent(in);
        return f.engine.list.rows().texts();
    };
    const QStringList before = rows("note");
    ASSERT_TRUE(before.contains(s("note this"))) << before.join(u'|').toStdString();
    struct Case {
        const char* config;
        const char* input;
        const char* gone; // a row the mode takes away
    };
    const Case cases[] = {
        {"2", "note", "note this"},
        {"4", "note", "note"},
        {"p", "", "pinned note"},
        {"3", "", "pinned note"},
    };
    for (const Case& c : cases) {
        f.core.setup.incognitoconfig = s(c.config);
        ASSERT_TRUE(rows(c.input).contains(s(c.gone))) << c.config;
        incognito.setIncognitoMode(true, false);
        EXPECT_FALSE(rows(c.input).contains(s(c.gone))) << c.config;
        incognito.setIncognitoMode(false, false);
        EXPECT_TRUE(rows(c.input).contains(s(c.gone))) << c.config;
    }
}

TEST_F(IncognitoTest, EndingTheModeEndsThePageAndRemovesOnlyTheIncognitoFolder) {
    writeFile(incognitoFolder() + s("/Default/Cookies"), "secret");
    writeFile(incognitoFolder() + s("/Default/Cache/data_0"), "secret");
    writeFile(data() + s("incognito.txt"), "keep");
    writeFile(data() + s("incognitokeep/file"), "keep");
    f.core.setup.incognitoconfig = s("b");
    incognito.setIncognitoMode(true, false);
    EXPECT_TRUE(incognito.dirty());
    incognito.setIncognitoMode(false, false);
    EXPECT_TRUE(view.calls.contains(s("endIncognitoBrowser")));
    ASSERT_TRUE(waitUntil([this] { return !incognito.clearing(); }));
    EXPECT_FALSE(QFileInfo::exists(incognitoFolder()));
    EXPECT_FALSE(incognito.dirty());
    EXPECT_TRUE(QFile::exists(data() + s("incognito.txt")));
    EXPECT_TRUE(QFile::exists(data() + s("incognitokeep/file")));
    EXPECT_TRUE(QFile::exists(f.core.file.settingsPath()));
    EXPECT_EQ(waits, 1) << "one wait before the first attempt outside the start";
}

TEST_F(IncognitoTest, WhenTheCleanUpRuns) {
    struct Case {
        const char* what;
        bool mode, dirty, atStart, folder;
        bool removed;
    };
    const Case cases[] = {
        {"at start", false, false, true, true, true},
        {"dirty", false, true, false, true, true},
        {"neither at start nor dirty", false, false, false, true, false},
        {"while the mode is on", true, true, true, true, false},
        {"no folder", false, true, false, false, false},
    };
    for (const Case& c : cases) {
        QDir(incognitoFolder()).removeRecursively();
        if (c.folder) writeFile(incognitoFolder() + s("/f"), "x");
        f.core.setup.incognito = c.mode;
        Incognito fresh{f.core.setup, f.core.file, data(), view};
        int waited = 0;
        fresh.setWait([&waited](int) { ++waited; });
        if (c.dirty) fresh.markDirty();
        fresh.ClearIncognitoFolder(c.atStart);
        ASSERT_TRUE(waitUntil([&fresh] { return !fresh.clearing(); }));
        EXPECT_EQ(c.folder && !QFileInfo::exists(incognitoFolder()), c.removed) << c.what;
        if (c.removed) {
            EXPECT_EQ(waited, c.atStart ? 0 : 1) << c.what;
        }
    }
}

TEST_F(IncognitoTest, TheBuiltInWaitRunsOnTheWorker) {
    writeFile(incognitoFolder() + s("/f"), "x");
    Incognito plain{f.core.setup, f.core.file, data(), view};
    plain.markDirty();
    plain.ClearIncognitoFolder(false);
    EXPECT_TRUE(plain.clearing());
    ASSERT_TRUE(waitUntil([&plain] { return !plain.clearing(); }));
    EXPECT_FALSE(QFileInfo::exists(incognitoFolder()));
    EXPECT_FALSE(plain.dirty());
}

TEST_F(IncognitoTest, ALinkNamedIncognitoIsRemovedAsALink) {
    QTemporaryDir outside;
    writeFile(outside.filePath(s("profile/Cookies")), "not ours");
    ASSERT_TRUE(QFile::link(outside.filePath(s("profile")), incognitoFolder()));
    clearAndWait(true);
    EXPECT_FALSE(QFileInfo(incognitoFolder()).isSymLink());
    EXPECT_FALSE(QFileInfo::exists(incognitoFolder()));
    EXPECT_TRUE(QFile::exists(outside.filePath(s("profile/Cookies"))));
}

TEST_F(IncognitoTest, LinksInsideTheTreeAreNotFollowed) {
    QTemporaryDir outside;
    writeFile(outside.filePath(s("home/Documents/letter.txt")), "not ours");
    writeFile(outside.filePath(s("single.txt")), "not ours");
    writeFile(incognitoFolder() + s("/Default/Cookies"), "secret");
    ASSERT_TRUE(QFile::link(outside.filePath(s("home")), incognitoFolder() + s("/Default/home")));
    ASSERT_TRUE(QFile::link(outside.filePath(s("single.txt")), incognitoFolder() + s("/single")));
    clearAndWait(true);
    EXPECT_FALSE(QFileInfo::exists(incognitoFolder()));
    EXPECT_TRUE(QFile::exists(outside.filePath(s("home/Documents/letter.txt"))));
    EXPECT_TRUE(QFile::exists(outside.filePath(s("single.txt"))));
}

TEST_F(IncognitoTest, ALockedFolderIsRetriedUntilItCanBeRemoved) {
    const QString locked = incognitoFolder() + s("/Default/Lock");
    writeFile(locked, "held by a browser that is still ending");
    Undeletable hold(locked);
    if (!hold.ok()) GTEST_SKIP() << "cannot make a file undeletable here";
    onWait = [&hold](int n) {
        if (n == 3) hold.release(); // the browser has ended
    };
    clearAndWait(true);
    EXPECT_FALSE(QFileInfo::exists(incognitoFolder()));
    EXPECT_EQ(waits, 3) << "attempts 2 and 3 waited, and the third one released it";
    EXPECT_FALSE(incognito.dirty());
}

TEST_F(IncognitoTest, TheCleanUpGivesUpAfterTenAttemptsAndStaysDirty) {
    const QString locked = incognitoFolder() + s("/Lock");
    writeFile(locked, "held");
    Undeletable hold(locked);
    if (!hold.ok()) GTEST_SKIP() << "cannot make a file undeletable here";
    incognito.markDirty();
    clearAndWait(false);
    EXPECT_EQ(waits, 10);
    EXPECT_TRUE(QFile::exists(locked));
    EXPECT_TRUE(incognito.dirty()) << "left for the next try";

    // The next try, after the file is free, succeeds.
    hold.release();
    clearAndWait(false);
    EXPECT_FALSE(QFileInfo::exists(incognitoFolder()));
    EXPECT_FALSE(incognito.dirty());
}

} // namespace
