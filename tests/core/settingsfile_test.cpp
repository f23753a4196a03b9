#include "core/ini/myinifiles.h"
#include "core/keywords/keywordstore.h"
#include "core/settings/settingsfile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace lorvanta;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::setModified;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

// Stands for a list section such as the history: plain "X0=..." lines.
class LinesSection final : public SettingsSection {
public:
    explicit LinesSection(QString name) : name_(std::move(name)) {}
    QStringList lines;
    void load(const TMemIniFile& ini) override {
        for (const QString& l : ini.ReadSectionValues(name_))
            lines.append(l.section(u'=', 1));
    }
    void save(TMemIniFile& ini, const lorvanta::Setup&) const override {
        for (int i = 0; i < lines.size(); ++i)
            ini.WriteString(name_, name_.left(1) + QString::number(i), lines[i]);
    }

private:
    QString name_;
};

class FakeNotes final : public NotesBackupSource {
public:
    QString path;
    std::optional<int> lines;
    QString defaultNotePath() const override { return path; }
    std::optional<int> openEditorLineCount(const QString& p) const override {
        return p == path ? lines : std::nullopt;
    }
};

// One start of the program on a data folder.
struct Start {
    explicit Start(TempDataFolder& d)
        : dir(d), folder(DataFolder::at(d.path())), file(folder, d.fake.platform(), store, setup) {
        file.addSection(history);
    }
    TempDataFolder& dir;
    DataFolder folder;
    KeywordStore store;
    lorvanta::Setup setup;
    LinesSection history{s("History")};
    SettingsFile file;

    QStringList names() const {
        QStringList out;
        for (int i = 0; i < store.size(); ++i)
            out.append(store.at(i).keywords);
        return out;
    }
};

void addKeyword(KeywordStore& store, const char* names) {
    auto w = std::make_unique<TExeWord>();
    w->keywords = s(names);
    w->command = s("cmd-") + s(names);
    store.append(std::move(w));
}

const QByteArray kDefaultExc =
    "[W0]\nkeywords=first\ncommand=a\n[W1]\nkeywords=second\ncommand=b\n";

} // namespace

TEST(ReadSettings, FirstRunLoadsTheKeywordsShippedWithTheProgram) {
    TempDataFolder dir;
    writeFile(dir.programFolder() + s("default.exc"), kDefaultExc);
    Start start(dir);
    EXPECT_EQ(start.file.ReadSettings(false), SettingsFile::ReadResult::FirstRun);
    EXPECT_EQ(start.names(), (QStringList{s("first"), s("second")}));
    EXPECT_TRUE(dir.fake.calls().isEmpty()) << "no prompt without a backup";

    // Once saved, the next start is no first run and does not add them again.
    ASSERT_TRUE(start.file.WriteSettings(false).ok());
    Start next(dir);
    EXPECT_EQ(next.file.ReadSettings(false), SettingsFile::ReadResult::Loaded);
    EXPECT_EQ(next.names(), (QStringList{s("first"), s("second")}));
}

TEST(ReadSettings, KeywordsHistoryAndSettingsSurviveARestart) {
    TempDataFolder dir;
    {
        Start start(dir);
        start.file.ReadSettings(false);
        addKeyword(start.store, "k0");
        addKeyword(start.store, "k1");
        addKeyword(start.store, "k2");
        start.history.lines = {s("k1 weather"), s("k0")};
        start.setup.maxvisible = 20;
        start.setup.fastsearch = s("ddg");
        ASSERT_TRUE(start.file.WriteSettings(false).ok());
    }
    const QByteArray bytes = readFile(dir.file(s("lorvanta.ini")));
    // Sections named W load in reverse, so the last keyword is written first.
    EXPECT_TRUE(
        bytes.startsWith("\xEF\xBB\xBF[W]\r\nkeywords=k2\r\ncommand=cmd-k2\r\n\r\n[W]\r\n"));
    EXPECT_TRUE(bytes.contains("\r\n\r\n[History]\r\nH0=k1 weather\r\nH1=k0\r\n\r\n[Setup]\r\n"));
    EXPECT_TRUE(bytes.endsWith("cefilefolders=1\r\n\r\n"));

    // The keyword order stays as it was, however often the program restarts.
    for (int restart = 1; restart <= 3; ++restart) {
        Start next(dir);
        EXPECT_EQ(next.file.ReadSettings(false), SettingsFile::ReadResult::Loaded);
        EXPECT_EQ(next.names(), (QStringList{s("k0"), s("k1"), s("k2")})) << "restart " << restart;
        EXPECT_EQ(next.history.lines, (QStringList{s("k1 weather"), s("k0")}));
        EXPECT_EQ(next.setup.maxvisible, 20);
        EXPECT_EQ(next.setup.fastsearch, s("ddg"));
        ASSERT_TRUE(next.file.WriteSettings(false).ok());
    }
}

TEST(ReadSettings, OnlySetupLeavesKeywordsAndListsAlone) {
    TempDataFolder dir;
    writeFile(dir.file(s("lorvanta.ini")),
              "[W]\nkeywords=k\ncommand=c\n[History]\nH0=x\n[Setup]\nmaxvisible=5\n");
    Start start(dir);
    EXPECT_EQ(start.file.ReadSettings(true), SettingsFile::ReadResult::Loaded);
    EXPECT_EQ(start.store.size(), 0);
    EXPECT_TRUE(start.history.lines.isEmpty());
    EXPECT_EQ(start.setup.maxvisible, 5);
}

TEST(ReadSettings, DefaultSettingsResetEveryKeyButKeepTheKeywords) {
    TempDataFolder dir;
    Start start(dir);
    start.file.ReadSettings(false);
    addKeyword(start.store, "keep");
    start.setup.maxvisible = 30;
    start.setup.separator = s(";;");
    ASSERT_TRUE(start.file.WriteSettings(false).ok());

    start.file.restoreDefaults();
    EXPECT_EQ(start.setup.maxvisible, 12);
    EXPECT_EQ(start.setup.separator, s("||"));
    EXPECT_FALSE(readFile(dir.file(s("lorvanta.ini"))).contains("[Setup]"));
    Start next(dir);
    next.file.ReadSettings(false);
    EXPECT_EQ(next.names(), QStringList{s("keep")});
}

TEST(BackupPrompt, TheThreeAnswers) {
    struct Case {
        int answer; // button index; -1 is closing the dialog
        SettingsFile::ReadResult result;
        QStringList keywords;
        bool iniExistsAfter;
        QStringList extraCalls;
    };
    const QString bak = s("[W]\nkeywords=saved\ncommand=x\n");
    TempDataFolder probe; // only for the folder name in the expected call
    const Case cases[] = {
        {0, SettingsFile::ReadResult::Loaded, {s("saved")}, true, {}},
        {1, SettingsFile::ReadResult::FirstRun, {s("first"), s("second")}, false, {}},
        {-1, SettingsFile::ReadResult::FirstRun, {s("first"), s("second")}, false, {}},
        {2, SettingsFile::ReadResult::Exit, {}, false, {s("openFolder"), s("exitProcess 0")}},
    };
    for (const Case& c : cases) {
        TempDataFolder dir;
        writeFile(dir.programFolder() + s("default.exc"), kDefaultExc);
        writeFile(dir.file(s("lorvanta.ini.bak")), bak.toUtf8());
        dir.fake.queueAnswer(c.answer);
        Start start(dir);
        EXPECT_EQ(start.file.ReadSettings(false), c.result) << c.answer;
        EXPECT_EQ(start.names(), c.keywords) << c.answer;
        EXPECT_EQ(QFile::exists(dir.file(s("lorvanta.ini"))), c.iniExistsAfter) << c.answer;

        const QStringList calls = dir.fake.calls();
        ASSERT_GE(calls.size(), 1);
        EXPECT_EQ(calls[0], QStringLiteral("question Lorvanta settings file problem "
                                           "[Restore|Ignore|Open folder] -> %1")
                                .arg(c.answer));
        ASSERT_EQ(calls.size(), 1 + c.extraCalls.size()) << c.answer;
        if (c.answer == 2) {
            EXPECT_EQ(calls[1], s("openFolder ") + dir.path().chopped(1));
            EXPECT_EQ(calls[2], s("exitProcess 0"));
        }
    }
}

TEST(BackupPrompt, TextNamesTheBackupAndTheChoices) {
    const QString text = SettingsFile::backupPromptText(s("/data/lorvanta.ini.bak"));
    EXPECT_TRUE(text.startsWith(s("Now this is a bit odd.. Lorvanta could not locate the settings "
                                  "file \"lorvanta.ini\".")));
    EXPECT_TRUE(text.contains(s("corrupted: \n\n/data/lorvanta.ini.bak\n\nClick \"Restore\" to "
                                "restore backup.\nClick \"Ignore\" to continue (with default "
                                "settings).\nClick \"Open folder\" to open folder with backup and "
                                "exit Lorvanta.")));
}

TEST(ReadSettings, ADamagedSettingsFileIsKeptAsideAndTheBackupOffered) {
    TempDataFolder dir;
    static const char kGarbage[] = "\0\0\0\0garbage without sections\0";
    const QByteArray garbage(kGarbage, sizeof kGarbage - 1);
    writeFile(dir.file(s("lorvanta.ini")), garbage);
    writeFile(dir.file(s("lorvanta.ini.bak")), "[W]\nkeywords=saved\n");
    dir.fake.queueAnswer(0);
    Start start(dir);
    EXPECT_EQ(start.file.ReadSettings(false), SettingsFile::ReadResult::Loaded);
    EXPECT_EQ(start.names(), QStringList{s("saved")});
    EXPECT_EQ(readFile(dir.file(s("lorvanta.ini.damaged"))), garbage);

    // An empty file is a legitimate settings file (a portable install starts with one).
    TempDataFolder empty;
    writeFile(empty.file(s("lorvanta.ini")), "");
    Start other(empty);
    EXPECT_EQ(other.file.ReadSettings(false), SettingsFile::ReadResult::Loaded);
    EXPECT_FALSE(QFile::exists(empty.file(s("lorvanta.ini.damaged"))));
}

TEST(ReadSettings, OldVersionsGetAMigrationCopy) {
    struct Case {
        const char* version;
        bool copied;
    };
    for (const Case& c :
         {Case{"19999", true}, Case{"", true}, Case{"20000", false}, Case{"20502", false}}) {
        TempDataFolder dir;
        const QByteArray content = QByteArray("[Setup]\nversion=") + c.version + "\n";
        writeFile(dir.file(s("lorvanta.ini")), content);
        Start start(dir);
        start.file.ReadSettings(false);
        const QString copy = dir.file(s("lorvanta.ini.migrate.backup.20502"));
        EXPECT_EQ(QFile::exists(copy), c.copied) << c.version;
        if (c.copied) {
            EXPECT_EQ(readFile(copy), content);
        }
    }
    TempDataFolder fresh; // a first run has nothing to migrate
    Start start(fresh);
    start.file.ReadSettings(false);
    EXPECT_FALSE(QFile::exists(fresh.file(s("lorvanta.ini.migrate.backup.20502"))));
}

TEST(WriteSettings, ASaveDuringASaveIsSkipped) {
    TempDataFolder dir;
    Start start(dir);
    start.file.ReadSettings(false);
    IoStatus inner;
    start.file.setBeforeRenameHook([&] { inner = start.file.WriteSettings(false); });
    EXPECT_TRUE(start.file.WriteSettings(false).ok());
    EXPECT_EQ(inner.code(), IoStatus::Code::Busy);
    start.file.setBeforeRenameHook({});
    EXPECT_TRUE(start.file.WriteSettings(false).ok()) << "the flag is released after a save";
}

TEST(WriteSettings, AFailedSaveKeepsTheOldFileAndSaysWhy) {
    TempDataFolder dir;
    writeFile(dir.file(s("lorvanta.ini")), "[Setup]\nmaxvisible=5\n");
    Start start(dir);
    start.file.ReadSettings(false);
    // A folder where the temporary file must go makes the write fail.
    ASSERT_TRUE(QDir().mkpath(dir.file(s("lorvanta.ini.saving"))));
    const IoStatus st = start.file.WriteSettings(false);
    EXPECT_FALSE(st.ok());
    EXPECT_EQ(readFile(dir.file(s("lorvanta.ini"))), QByteArray("[Setup]\nmaxvisible=5\n"));
}

TEST(Backups, TheSettingsBackupFollowsAgeAndExitCount) {
    TempDataFolder dir;
    Start start(dir);
    start.file.ReadSettings(false);
    const QString ini = dir.file(s("lorvanta.ini")), bak = dir.file(s("lorvanta.ini.bak"));

    ASSERT_TRUE(start.file.saveAtExit().ok());
    EXPECT_EQ(start.setup.shutdowns, 1);
    ASSERT_TRUE(QFile::exists(bak)) << "the first exit makes the backup";
    EXPECT_EQ(readFile(bak), readFile(ini));

    constexpr qint64 kDay = 24 * 60 * 60;
    struct Case {
        qint64 secondsOlder;
        int shutdowns; // before this exit counts itself
        bool replaced;
    };
    const Case cases[] = {{3 * kDay, 5, true},
                          {3 * kDay, 4, false},
                          {kDay, 9, false},
                          {2 * kDay - 60, 9, false},
                          {2 * kDay + 60, 9, true}};
    for (const Case& c : cases) {
        writeFile(bak, "old backup");
        start.setup.shutdowns = c.shutdowns;
        start.setup.maxvisible += 1; // the settings file changes at this exit
        ASSERT_TRUE(start.file.WriteSettings(false).ok());
        const QDateTime now = QDateTime::currentDateTime();
        setModified(ini, now);
        setModified(bak, now.addSecs(-c.secondsOlder));
        ++start.setup.shutdowns;
        start.file.BackupDataFiles(false);
        EXPECT_EQ(readFile(bak) == readFile(ini), c.replaced)
            << c.secondsOlder << " s older, " << c.shutdowns << " exits";
    }

    // Switched off, no backup is made, but a forced one always is.
    start.setup.backup = false;
    writeFile(bak, "old backup");
    start.file.saveAtExit();
    EXPECT_EQ(readFile(bak), QByteArray("old backup"));
    start.file.BackupDataFiles(true);
    EXPECT_EQ(readFile(bak), readFile(ini));
    EXPECT_EQ(QFileInfo(bak).lastModified(), QFileInfo(ini).lastModified())
        << "a backup carries the time of what it copies";
}

TEST(Backups, TheDefaultNoteIsCopiedUnlessItsEditorLooksWiped) {
    TempDataFolder dir;
    Start start(dir);
    start.file.ReadSettings(false);
    const QString note = dir.file(s("notes.txt")), bak = dir.file(s("notes.txt.bak"));

    writeFile(note, "one\ntwo\n");
    start.file.BackupDataFiles(false);
    EXPECT_EQ(readFile(bak), QByteArray("one\ntwo\n")) << "default location without a notes window";

    FakeNotes notes;
    notes.path = note;
    start.file.setNotesBackupSource(&notes);
    start.setup.shutdowns = 10;
    struct Case {
        std::optional<int> editorLines;
        bool force;
        bool copied;
    };
    const Case cases[] = {{2, false, false},
                          {3, false, false},
                          {4, false, true},
                          {std::nullopt, false, true},
                          {1, true, true}};
    for (const Case& c : cases) {
        writeFile(bak, "old");
        writeFile(note, "current");
        setModified(bak, QDateTime::currentDateTime().addDays(-5));
        notes.lines = c.editorLines;
        start.file.BackupDataFiles(c.force);
        EXPECT_EQ(readFile(bak) == "current", c.copied)
            << c.editorLines.value_or(-1) << (c.force ? " forced" : "");
    }
}
