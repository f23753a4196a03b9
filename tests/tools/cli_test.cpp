// lorvanta-cli run as a real child process on data folders written by the
// program's own settings code.

#include "core/corestate.h"
#include "index/scancache.h"
#include "index/scanitems.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>

using namespace lorvanta;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

struct CliRun {
    int code = -1;
    QStringList lines;
    QString err;
};

// `vars` are added to the client's environment. It never sees this
// machine's applications: its index holds only what a test gives it.
CliRun cli(const QStringList& args, const QMap<QString, QString>& vars = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(s("XDG_DATA_DIRS"), QDir::homePath() + s("/no-system-data"));
    for (auto it = vars.begin(); it != vars.end(); ++it)
        env.insert(it.key(), it.value());
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(LORVANTA_CLI), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    CliRun r;
    r.code = p.exitCode();
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    r.lines = out.split(u'\n');
    r.lines.removeLast(); // after the final line break, or the empty output
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Every file below `dir` with its bytes, to prove nothing was written.
QMap<QString, QByteArray> snapshot(const QString& dir) {
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString f = it.next();
        files.insert(f, readFile(f));
    }
    return files;
}

// A data folder as the launcher leaves it.
void writeDataFolder(TempDataFolder& dir, const std::function<void(CoreState&)>& fill) {
    CoreState core(DataFolder::at(dir.path()), dir.fake.platform());
    core.file.ReadSettings(false);
    fill(core);
    ASSERT_TRUE(core.file.WriteSettings(false).ok());
}

void addKeyword(CoreState& c, const char* names, const char* command = "x") {
    auto w = std::make_unique<TExeWord>();
    w->keywords = s(names);
    w->command = s(command);
    c.store.append(std::move(w));
}

} // namespace

TEST(Cli, ListPrintsTheRowsTheInputWouldShow) {
    TempDataFolder dir;
    writeDataFolder(dir, [](CoreState& c) {
        addKeyword(c, "g,google");
        addKeyword(c, "gmail");
        addKeyword(c, "notes");
        c.history.AddToHistory(s("gmail inbox"), nullptr, false, c.setup);
        c.pinned.AddToPinned(s("google news"), nullptr, false);
        c.setup.searchtype = 0;
    });
    const QStringList data{s("--data"), dir.path()};
    struct Case {
        QStringList args;
        QStringList lines;
    };
    const Case cases[] = {
        {{s("list"), s("gm")},
         {s("===== History ====="), s("gmail inbox"), s("===== Keywords ====="), s("gmail")}},
        // The keywords come in the order the launcher kept them.
        {{s("list"), s("--caret"), s("1"), s("gmail")},
         {s("===== History ====="), s("gmail inbox"), s("===== Keywords ====="), s("g"),
          s("gmail")}},
        {{s("list"), s("--reverse"), s("oo")}, {s("===== Keywords ====="), s("google")}},
        {{s("list"), s("oo")}, {}},
        {{s("list"), s("--all"), s("zzz")},
         {s("===== Pinned ====="), s("google news"), s("===== History ====="), s("gmail inbox"),
          s("===== Keywords ====="), s("g"), s("gmail"), s("notes")}},
        {{s("list"), s("gmail"), s("in")}, {s("===== History ====="), s("gmail inbox")}},
    };
    const auto before = snapshot(dir.root());
    for (const Case& c : cases) {
        const CliRun r = cli(data + c.args);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.lines, c.lines) << c.args.join(u' ').toStdString();
    }
    EXPECT_EQ(snapshot(dir.root()), before) << "the data folder is only read";
}

TEST(Cli, FuzzyOverKeywordsAndAListOfNames) {
    TempDataFolder dir;
    writeDataFolder(dir, [](CoreState& c) {
        addKeyword(c, "firefox");
        addKeyword(c, "thunderbird");
    });
    const QString items = dir.root() + s("/items.txt");
    writeFile(items, "Firefox Profile Manager\r\nGNU Image Manipulation Program\n\nThunar\n");
    const CliRun r = cli(
        {s("--data"), dir.path(), s("fuzzy"), s("--items"), items, s("ffx"), s("thn"), s("gimp")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines,
              (QStringList{s("firefox"), s("Firefox Profile Manager"), QString(), s("Thunar"),
                           s("thunderbird"), QString(), s("GNU Image Manipulation Program")}));
    const CliRun none = cli({s("--data"), dir.path(), s("fuzzy"), s("ff"), s("zzzz")});
    EXPECT_EQ(none.lines, QStringList{QString()}) << "a blank line between two empty answers";
}

TEST(Cli, BadArgumentsAndMissingFolders) {
    TempDataFolder dir;
    struct Case {
        QStringList args;
        int code;
    };
    const QString missing = dir.root() + s("/no/such/folder");
    const Case cases[] = {
        {{}, 2},
        {{s("bogus")}, 2},
        {{s("list")}, 2},
        {{s("list"), s("--caret"), s("x"), s("a")}, 2},
        {{s("list"), s("--caret"), s("9"), s("a")}, 2},
        {{s("fuzzy")}, 2},
        {{s("--data")}, 2},
        {{s("--data"), missing, s("list"), s("g")}, 0},
        {{s("fuzzy"), s("--items"), missing, s("abc")}, 1},
        // After "--" even "--data" is text to list.
        {{s("list"), s("--"), s("--data")}, 0},
        {{s("index"), s("--bogus")}, 2},
        {{s("index"), s("--test")}, 2},
        {{s("index"), s("--rebuild"), s("--test"), dir.root()}, 2},
        {{s("index"), s("--ext"), s("txt")}, 2},
        {{s("index"), s("--test"), dir.root(), s("--level")}, 2},
        {{s("--data"), missing, s("index")}, 0},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.code, c.code) << c.args.join(u' ').toStdString();
        if (c.code == 2) {
            EXPECT_TRUE(r.err.startsWith(s("usage: lorvanta-cli"))) << r.err.toStdString();
        }
    }
    const CliRun fromMissing = cli({s("--data"), missing, s("list"), s("g")});
    EXPECT_EQ(fromMissing.lines, QStringList());
    EXPECT_EQ(cli({s("--data"), missing, s("index")}).lines, QStringList()) << "no index";
    EXPECT_EQ(fromMissing.err, s("lorvanta-cli: warning: no data folder at ") + missing +
                                   s("; nothing is loaded\n"));
    EXPECT_FALSE(QDir(missing).exists());
    EXPECT_TRUE(cli({s("--data"), dir.path(), s("list"), s("g")}).err.isEmpty());
}

TEST(Cli, HelpNamesEveryCommandWithItsOptions) {
    for (const char* help : {"--help", "-h"}) {
        const CliRun r = cli({s(help)});
        EXPECT_EQ(r.code, 0) << help;
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        const QString out = r.lines.join(u'\n');
        EXPECT_TRUE(out.startsWith(s("usage: lorvanta-cli"))) << out.toStdString();
        for (const char* part :
             {"--data DIR", "list [--caret N] [--all] [--reverse] TEXT...",
              "fuzzy [--items FILE] QUERY...", "run --dry-run TEXT...", "expand TEXT...",
              "index [--rebuild]", "index --test FOLDER [--ext EXTENSIONS] [--level N]", "--help"})
            EXPECT_TRUE(out.contains(s(part))) << part;
    }
    // The usage on a mistake is the same text, on standard error.
    EXPECT_EQ(cli({s("bogus")}).err.split(u'\n'),
              cli({s("--help")}).lines + QStringList{QString()});
}

TEST(Cli, NeverWritesEvenWhereTheLauncherWould) {
    // A lone backup, a damaged settings file and an old version would make
    // the launcher ask, move or copy files; the client only reads.
    TempDataFolder dir;
    writeFile(dir.file(s("lorvanta.ini.bak")), "[W]\nkeywords=saved\ncommand=x\n");
    const auto before = snapshot(dir.root());
    EXPECT_EQ(cli({s("--data"), dir.path(), s("list"), s("sav")}).lines,
              (QStringList{s("===== Keywords ====="), s("saved")}));
    EXPECT_EQ(snapshot(dir.root()), before);
    writeFile(dir.file(s("lorvanta.ini")), QByteArray("\0\0garbage", 9));
    writeFile(dir.file(s("other.ini")), "[Setup]\nversion=100\n");
    const auto damaged = snapshot(dir.root());
    EXPECT_EQ(cli({s("--data"), dir.path(), s("list"), s("sav")}).code, 0);
    EXPECT_EQ(snapshot(dir.root()), damaged);
}

TEST(Cli, DryRunPrintsWhatEnterWouldDo) {
    TempDataFolder dir;
    writeDataFolder(dir, [](CoreState& c) {
        addKeyword(c, "g", "https://www.google.com/search?q=$U$");
        addKeyword(c, "off", "$SHUTDOWN$");
        addKeyword(c, "two", "/bin/true $W1$||/bin/false");
        addKeyword(c, "rb", "$RANDOM$");
        addKeyword(c, "tog", "$BROWSERTOGGLE$ /usr/bin/true");
        addKeyword(c, "web", "https://a.org/?q=$U$ $B$");
        addKeyword(c, "fx", "$WFINDACTIVE$Firefox$WFINDACTIVE$ /usr/bin/firefox");
        addKeyword(c, "ce", "$ce$");
    });
    const QStringList data{s("--data"), dir.path(), s("run"), s("--dry-run")};
    const auto before = snapshot(dir.root());
    struct Case {
        QStringList input;
        QStringList lines;
    };
    const Case cases[] = {
        {{s("g"), s("a b")},
         {s("shellExecute file=https://www.google.com/search?q=a%20b parameters= folder= "
            "show=normal"),
          s("history: g a b"), s("result: true")}},
        {{s("off")}, {s("power poweroff"), s("result: true")}},
        {{s("two")},
         {s("shellExecute file=/bin/true parameters= folder=/bin show=normal"),
          s("shellExecute file=/bin/false parameters= folder=/bin show=normal"), s("history: two"),
          s("result: true")}},
        {{s("->g")}, {s("result: false")}},
        // A bad number stops the whole multi-command and records nothing.
        {{s("/bin/one||rb abc||/bin/three")},
         {s("shellExecute file=/bin/one parameters= folder=/bin show=normal"), s("result: false")}},
        {{s("tog")},
         {s("shellExecute file=/usr/bin/true parameters= folder= show=normal"), s("result: true")}},
        // No browser pane: the address goes to the user's browser.
        {{s("web"), s("x")},
         {s("shellExecute file=https://a.org/?q=x parameters= folder= show=normal"),
          s("history: web x"), s("result: true")}},
        // No window is found: the rest of the line runs.
        {{s("fx")},
         {s("shellExecute file=/usr/bin/firefox parameters= folder=/usr/bin show=normal"),
          s("history: fx"), s("result: true")}},
        // Nothing selected: nothing to run, and no failure.
        {{s("ce")}, {s("result: true")}},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(data + c.input);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.lines, c.lines) << c.input.join(u' ').toStdString();
    }
    EXPECT_EQ(snapshot(dir.root()), before) << "a dry run writes nothing";
    EXPECT_EQ(cli({s("run"), s("g")}).code, 2) << "--dry-run is required";
}

// The launcher takes a minus command itself (its feature says it is not
// there yet) and launches nothing.
TEST(Cli, DryRunTakesMinusCommandsAsTheLauncherDoes) {
    TempDataFolder dir;
    writeDataFolder(dir, [](CoreState&) {});
    const QStringList data{s("--data"), dir.path(), s("run"), s("--dry-run")};
    const struct {
        QStringList input;
        QStringList lines;
    } cases[] = {
        {{s("-s")}, {s("minus command: -s"), s("result: false")}},
        {{s("-N"), s("some text")}, {s("minus command: -n"), s("result: false")}},
        // A word no minus command has is launched like any other.
        {{s("-zz")},
         {s("shellExecute file=-zz parameters= folder= show=normal"), s("history: -zz"),
          s("result: true")}},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(data + c.input);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.lines, c.lines) << c.input.join(u' ').toStdString();
    }
}

TEST(Cli, ExpandShowsTheLaunchOfAKeyword) {
    TempDataFolder dir;
    writeDataFolder(dir, [](CoreState& c) {
        auto w = std::make_unique<TExeWord>();
        w->keywords = s("ed");
        w->command = s("/usr/bin/editor");
        w->parameters = s("--line $P1$ --file \"$P2$\"");
        w->path = s("$H$/work");
        c.store.append(std::move(w));
        addKeyword(c, "k", "ed $P$");
    });
    const CliRun r = cli({s("--data"), dir.path(), s("expand"), s("k"), s("12 notes.txt")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.lines.size(), 3);
    EXPECT_EQ(r.lines[0], s("file: /usr/bin/editor"));
    EXPECT_EQ(r.lines[1], s("parameters: --line 12 --file \"notes.txt\""));
    EXPECT_TRUE(r.lines[2].startsWith(s("folder: /"))) << "$H$ is the program's folder";
    EXPECT_TRUE(r.lines[2].endsWith(s("/work")));
    EXPECT_EQ(cli({s("--data"), dir.path(), s("expand"), s("nokeyword")}).code, 1);
}

namespace {

std::unique_ptr<TMyShellItem> shellItem(const QString& name, const QString& path) {
    auto item = std::make_unique<TMyShellItem>();
    item->name = name;
    item->path = path;
    item->title = s("lost in the cache");
    return item;
}

// The index folder `folder` with `ext` and `level`, as the settings store it.
QString scanDirs(const QString& folder, const char* ext, const char* level) {
    TMyScanItem item;
    item.path = folder;
    item.extensions = s(ext);
    item.level = s(level);
    return writeScanDirs({item});
}

} // namespace

TEST(CliIndex, PrintsTheCacheInIndexOrderWhenThereIsOne) {
    TempDataFolder dir;
    writeDataFolder(dir, [](CoreState&) {});
    IndexList cache;
    cache.append(s("Zeta"), shellItem(s("Zeta"), s("/opt/zeta")));
    cache.append(QString(), nullptr); // a blank line of the file
    cache.append(s("a\tb"), shellItem(s("a\tb"), s("/x/two\nlines\\here")));
    cache.append(s("Alpha"), shellItem(s("Alpha"), s("/opt/alpha")));
    ASSERT_TRUE(SaveIndexCache(dir.file(s("scancache.dat")), cache).ok());
    const QStringList data{s("--data"), dir.path()};

    const CliRun r = cli(data + QStringList{s("index")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    // The cache keeps no titles; one entry stays one line.
    EXPECT_EQ(r.lines, (QStringList{s("Zeta\t\t/opt/zeta"), s("a\\tb\t\t/x/two\\nlines\\\\here"),
                                    s("Alpha\t\t/opt/alpha")}));
    EXPECT_EQ(cli(data + QStringList{s("list"), s("alp")}).lines,
              (QStringList{s("===== Indexed items ====="), s("Alpha")}));

    // The file is what the launcher last saw, whatever the settings say now;
    // --rebuild scans, and with nothing to index finds nothing.
    writeDataFolder(dir, [](CoreState& c) {
        c.setup.cacheindex = false;
        c.setup.scanwindowsitems = false;
    });
    EXPECT_EQ(cli(data + QStringList{s("index")}).lines.size(), 3);
    EXPECT_EQ(cli(data + QStringList{s("index"), s("--rebuild")}).lines, QStringList());
}

TEST(CliIndex, RebuildScansTheIndexFoldersInMemoryAndWritesNothing) {
    TempDataFolder dir;
    const QString tree = dir.root() + s("/Tree/");
    const QString odd = s("a\tb\nc\\d.txt");
    for (const QString& f : {s("quokka.txt"), s("sub/wombat.txt"), s("skip.bin"), odd})
        writeFile(tree + f, "x");
    // The path comes through the launcher's expansion of variables.
    writeDataFolder(dir, [](CoreState& c) {
        c.setup.scandirs = scanDirs(s("%LV_TREE%"), "txt", "1");
        c.setup.autoshort = 0; // indexed rows, not fuzzy suggestions in their place
    });
    IndexList stale;
    stale.append(s("stale"), shellItem(s("stale"), s("/gone")));
    ASSERT_TRUE(SaveIndexCache(dir.file(s("scancache.dat")), stale).ok());
    const QMap<QString, QString> vars{{s("LV_TREE"), tree}};
    const QStringList data{s("--data"), dir.path()};
    const auto before = snapshot(dir.root());

    EXPECT_EQ(cli(data + QStringList{s("index")}, vars).lines, QStringList{s("stale\t\t/gone")});
    const CliRun r = cli(data + QStringList{s("index"), s("--rebuild")}, vars);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    for (const QString& line :
         QStringList{s("quokka.txt\tTree\t") + tree + s("quokka.txt"),
                     s("wombat.txt\tsub\t") + tree + s("sub/wombat.txt"),
                     s("a\\tb\\nc\\\\d.txt\tTree\t") + tree + s("a\\tb\\nc\\\\d.txt")})
        EXPECT_TRUE(r.lines.contains(line)) << line.toStdString() << "\n"
                                            << r.lines.join(u'\n').toStdString();
    for (const QString& line : r.lines)
        EXPECT_FALSE(line.contains(s("skip.bin")) || line.startsWith(s("stale")));
    EXPECT_EQ(snapshot(dir.root()), before) << "no cache written";
    EXPECT_FALSE(QDir(dir.file(s("Apps"))).exists()) << "no store apps folder made";

    // Without the cache, list scans the same way.
    QFile::remove(dir.file(s("scancache.dat")));
    EXPECT_EQ(cli(data + QStringList{s("list"), s("quok")}, vars).lines,
              (QStringList{s("===== Indexed items ====="), s("quokka.txt")}));
    EXPECT_FALSE(QFile::exists(dir.file(s("scancache.dat"))));
}

TEST(CliIndex, TestScanPrintsTheFoundPathsThenTheCount) {
    TempDataFolder dir;
    const QString tree = dir.root() + s("/T/");
    for (const char* f : {"a.txt", "b.exe", "sub/c.txt", "sub/deeper/d.txt"})
        writeFile(tree + s(f), "x");
    struct Case {
        QStringList args;
        QStringList found;
        const char* label;
    };
    const Case cases[] = {
        {{s("--ext"), s("txt"), s("--level"), s("1")},
         {s("a.txt"), s("sub/c.txt")},
         "Items found: 2 (scanned 5)"},
        {{}, {s("a.txt"), s("b.exe"), s("sub")}, "Items found: 3 (scanned 3)"},
        {{s("--level"), s("deep")}, {}, "Items found: 0 (scanned 0)"},
    };
    for (const Case& c : cases) {
        const CliRun r = cli(QStringList{s("index"), s("--test"), tree} + c.args);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
        ASSERT_FALSE(r.lines.isEmpty());
        EXPECT_EQ(r.lines.last(), s(c.label));
        QStringList found;
        for (const QString& line : r.lines.mid(0, r.lines.size() - 1))
            found << line.mid(tree.size());
        found.sort();
        EXPECT_EQ(found, c.found) << c.args.join(u' ').toStdString();
    }
    EXPECT_EQ(cli({s("index"), s("--test"), tree + s("missing")}).lines,
              QStringList{s("Items found: 0 (scanned 0)")});
}
