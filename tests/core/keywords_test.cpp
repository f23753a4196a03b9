#include "core/ini/myinifiles.h"
#include "core/keywords/addkeyword.h"
#include "core/keywords/exeword.h"
#include "core/keywords/keywordstore.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lorvanta {
namespace {

std::unique_ptr<TExeWord> word(const QString& keywords, const QString& command = {}) {
    auto w = std::make_unique<TExeWord>();
    w->keywords = keywords;
    w->command = command;
    return w;
}

QStringList names(const KeywordStore& store) {
    QStringList out;
    for (const TExeWord* w : store.all())
        out.append(w->keywords);
    return out;
}

KeywordStore storeOf(const QStringList& keywords) {
    KeywordStore store;
    for (const QString& k : keywords)
        store.append(word(k));
    return store;
}

// A record with every field away from its default.
TExeWord fullRecord() {
    TExeWord w;
    w.keywords = QStringLiteral("ed,Editor");
    w.command = QStringLiteral("/usr/bin/editor");
    w.path = QStringLiteral("/tmp/work");
    w.open = 2;
    w.comment = QStringLiteral("edit a file");
    w.parameters = QStringLiteral("--new $p$");
    w.runas = true;
    w.addtohistory = false;
    w.key = 69;
    w.keymod = 3;
    w.group = QStringLiteral("dev tools");
    w.iconpath = QStringLiteral("/usr/share/icons/ed.png");
    w.iconidx = 4;
    w.onlyone = true;
    w.disabled = true;
    w.permissionlevel = 2;
    return w;
}

void expectSameFields(const TExeWord& a, const TExeWord& b) {
    EXPECT_EQ(a.keywords, b.keywords);
    EXPECT_EQ(a.command, b.command);
    EXPECT_EQ(a.path, b.path);
    EXPECT_EQ(a.parameters, b.parameters);
    EXPECT_EQ(a.open, b.open);
    EXPECT_EQ(a.comment, b.comment);
    EXPECT_EQ(a.runas, b.runas);
    EXPECT_EQ(a.addtohistory, b.addtohistory);
    EXPECT_EQ(a.key, b.key);
    EXPECT_EQ(a.keymod, b.keymod);
    EXPECT_EQ(a.group, b.group);
    EXPECT_EQ(a.iconpath, b.iconpath);
    EXPECT_EQ(a.iconidx, b.iconidx);
    EXPECT_EQ(a.onlyone, b.onlyone);
    EXPECT_EQ(a.permissionlevel, b.permissionlevel);
    EXPECT_EQ(a.disabled, b.disabled);
}

// The key names of the written lines, headers and blank lines left out.
QStringList writtenKeys(const QString& text) {
    QStringList keys;
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        if (!line.startsWith(u'[')) keys.append(line.section(u'=', 0, 0));
    return keys;
}

QString textOf(const TExeWord& w, bool isExport, bool tags, bool hotkeys, bool icons) {
    TMemIniFile ini = TMemIniFile::CreateFast(QString());
    const TExeWord* list[] = {&w};
    WriteWords(ini, list, isExport, tags, hotkeys, icons);
    return ini.text();
}

KeywordStore readStore(const QString& text, bool isImport = false) {
    TMemIniFile ini = TMemIniFile::FromText(text);
    KeywordStore store;
    store.ReadWords(ini, isImport);
    return store;
}

// ------------------------------------------------------------ names

TEST(KeywordNames, FindKeywordMatchesWholeNamesIgnoringCase) {
    const struct {
        QStringView keywords, input;
        bool found;
    } cases[] = {
        {u"G,Google", u"google", true},
        {u"G,Google", u"GOOGLE", true},
        {u"G,Google", u"g", true},
        {u"G,Google", u"goo", false},
        {u"G,Google", u"G,Google", false}, // the whole text is no name
        {u"a, b", u"a", true},
        {u"a, b", u" b", true},
        {u"a, b", u"b", false}, // names keep their blanks
        {u"G,Google", u"", false},
        {u"", u"", false},
        {u"", u" ", false},
        {u"", u"x", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            QStringLiteral("keywords '%1', input '%2'").arg(c.keywords, c.input).toStdString());
        KeywordStore store;
        TExeWord& rec = store.append(word(c.keywords.toString()));
        EXPECT_EQ(rec.matchesName(c.input), c.found);
        EXPECT_EQ(store.FindKeyword(c.input, false), c.found ? &rec : nullptr);
    }
}

TEST(KeywordNames, DefaultKeywordIsTheLowerCasedFirstName) {
    EXPECT_EQ(word(QStringLiteral("G,Google"))->DefaultKeyword(), u"g");
    EXPECT_EQ(word(QStringLiteral("Mail"))->DefaultKeyword(), u"mail");
    EXPECT_EQ(word(QStringLiteral("Web Search,ws"))->DefaultKeyword(), u"web search");
}

TEST(KeywordNames, FullMatchOfTheNamesTextOnlyWhenAllowedAndWithCase) {
    KeywordStore store;
    TExeWord& rec = store.append(word(QStringLiteral("x,y")));

    EXPECT_EQ(store.KeywordExistsEx(QStringLiteral("x,y"), true, false), &rec);
    EXPECT_EQ(store.KeywordExistsEx(QStringLiteral("x,y"), false, false), nullptr);
    EXPECT_EQ(store.KeywordExistsEx(QStringLiteral("X,Y"), true, false), nullptr);
    EXPECT_FALSE(store.KeywordExists(QStringLiteral(""), true, false));
    // The names themselves still match either way.
    EXPECT_EQ(store.KeywordExistsEx(QStringLiteral("Y"), false, false), &rec);
}

TEST(KeywordNames, DisabledRecordsAreSkippedOnlyWhenAsked) {
    KeywordStore store;
    TExeWord& off = store.append(word(QStringLiteral("d,p,q")));
    off.disabled = true;

    EXPECT_EQ(store.KeywordExistsEx(QStringLiteral("d"), false, false), &off);
    EXPECT_EQ(store.KeywordExistsEx(QStringLiteral("d"), false, true), nullptr);
    EXPECT_EQ(store.KeywordExistsEx(QStringLiteral("d,p,q"), true, true), nullptr);
    EXPECT_EQ(store.FindKeyword(u"d", false), &off);
    EXPECT_EQ(store.FindKeyword(u"d", true), nullptr);

    // With an enabled namesake behind it, skipping reaches that one.
    TExeWord& on = store.append(word(QStringLiteral("D")));
    EXPECT_EQ(store.FindKeyword(u"d", true), &on);
    EXPECT_EQ(store.FindKeyword(u"d", false), &off);
}

TEST(KeywordNames, FirstRecordInStoreOrderWinsASharedName) {
    KeywordStore store;
    TExeWord& first = store.append(word(QStringLiteral("dup,one")));
    store.append(word(QStringLiteral("Dup,two")));
    EXPECT_EQ(store.FindKeyword(u"DUP", false), &first);

    TExeWord& front = store.prepend(word(QStringLiteral("three,dup")));
    EXPECT_EQ(store.FindKeyword(u"dup", false), &front);
    EXPECT_EQ(store.KeywordExistsEx(QStringLiteral("dup"), true, true), &front);
}

TEST(KeywordNames, MultiCheckTriesEachPieceInOrder) {
    KeywordStore store;
    TExeWord& bar = store.append(word(QStringLiteral("bar")));
    TExeWord& foo = store.append(word(QStringLiteral("Foo")));
    foo.disabled = true;

    // "foo" is the first piece, so its owner wins over "bar" stored earlier;
    // a disabled owner still takes the name.
    EXPECT_EQ(store.MultiKeywordeExistCheck(QStringLiteral(" foo , bar")), &foo);
    EXPECT_EQ(store.MultiKeywordeExistCheck(QStringLiteral("zip, b a r")), &bar);
    EXPECT_EQ(store.MultiKeywordeExistCheck(QStringLiteral("zip,,zap")), nullptr);
    EXPECT_EQ(store.MultiKeywordeExistCheck(QStringLiteral("")), nullptr);
}

// ------------------------------------------------------------ parameters

TEST(KeywordParameters, MarksInCommandParametersOrPath) {
    const struct {
        QStringView command, parameters, path;
        bool takes;
    } cases[] = {
        {u"firefox $p$", u"", u"", true},
        {u"FIREFOX $P$", u"", u"", true},
        {u"grep $Ps", u"", u"", true},
        {u"run $pp", u"", u"", true},
        {u"run $P1$ $p2$", u"", u"", true},
        {u"https://x.org/?q=$U$", u"", u"", true},
        {u"https://x.org/?q=$u1$", u"", u"", true},
        {u"editor", u"$p$", u"", true},
        {u"editor", u"-f $p1$", u"", true},
        {u"editor", u"$u$", u"", true},
        {u"editor", u"$u1$", u"", true},
        {u"editor", u"", u"/tmp/$p$", true},
        {u"editor", u"", u"$u1$", true},
        {u"editor", u"$ps", u"", false},
        {u"editor", u"$pp", u"", false},
        {u"editor", u"", u"$ps", false},
        {u"editor $p", u"$u", u"/tmp", false},
        {u"editor", u"--new", u"/tmp", false},
        {u"", u"", u"", false},
    };
    for (const auto& c : cases) {
        TExeWord w;
        w.command = c.command.toString();
        w.parameters = c.parameters.toString();
        w.path = c.path.toString();
        EXPECT_EQ(TakesParameters(w), c.takes)
            << "command '" << w.command.toStdString() << "' parameters '"
            << w.parameters.toStdString() << "' path '" << w.path.toStdString() << "'";
    }
}

// ------------------------------------------------------------ file form

TEST(KeywordFile, DefaultFieldsAreNotWritten) {
    KeywordStore store;
    store.append(word(QStringLiteral("k"), QStringLiteral("cmd")));
    store.append(word(QString()));
    TMemIniFile ini = TMemIniFile::CreateFast(QString());
    WriteWords(ini, store, false, true, true, true);
    EXPECT_EQ(ini.text(), QStringLiteral("[W0]\r\nkeywords=k\r\ncommand=cmd\r\n\r\n"
                                         "[W1]\r\nkeywords=\r\ncommand=\r\n\r\n"));
}

TEST(KeywordFile, EveryFieldRoundTripsThroughAFile) {
    test::TempDataFolder data;
    const QString file = data.file(QStringLiteral("keywords.ini"));
    const TExeWord original = fullRecord();
    {
        TMemIniFile ini = TMemIniFile::CreateFast(file);
        const TExeWord* list[] = {&original};
        WriteWords(ini, list, false, true, true, true);
        const QStringList expected = {
            QStringLiteral("[W0]"),
            QStringLiteral("keywords=ed,Editor"),
            QStringLiteral("command=/usr/bin/editor"),
            QStringLiteral("path=/tmp/work"),
            QStringLiteral("open=2"),
            QStringLiteral("comment=edit a file"),
            QStringLiteral("param=--new $p$"),
            QStringLiteral("runas=1"),
            QStringLiteral("hist=0"),
            QStringLiteral("key=69"),
            QStringLiteral("keymod=3"),
            QStringLiteral("tags=dev tools"),
            QStringLiteral("iconpath=/usr/share/icons/ed.png"),
            QStringLiteral("iconidx=4"),
            QStringLiteral("one=1"),
            QStringLiteral("disabled=1"),
            QStringLiteral("plevel=2"),
        };
        EXPECT_EQ(ini.text().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts), expected);
        ASSERT_TRUE(ini.UpdateFile().ok());
    }
    TMemIniFile ini = TMemIniFile::Create(file);
    KeywordStore store;
    store.ReadWords(ini, false);
    ASSERT_EQ(store.size(), 1);
    expectSameFields(store.at(0), original);
}

TEST(KeywordFile, ExportAndIncludeFlagsLeaveOutTheirKeys) {
    const QStringList all = {
        QStringLiteral("keywords"), QStringLiteral("command"), QStringLiteral("path"),
        QStringLiteral("open"),     QStringLiteral("comment"), QStringLiteral("param"),
        QStringLiteral("runas"),    QStringLiteral("hist"),    QStringLiteral("key"),
        QStringLiteral("keymod"),   QStringLiteral("tags"),    QStringLiteral("iconpath"),
        QStringLiteral("iconidx"),  QStringLiteral("one"),     QStringLiteral("disabled"),
        QStringLiteral("plevel"),
    };
    const struct {
        bool isExport, tags, hotkeys, icons;
        QStringList missing;
    } cases[] = {
        {false, true, true, true, {}},
        {true, true, true, true, {QStringLiteral("plevel")}},
        {false, false, true, true, {QStringLiteral("tags")}},
        {false, true, false, true, {QStringLiteral("key"), QStringLiteral("keymod")}},
        {false, true, true, false, {QStringLiteral("iconpath"), QStringLiteral("iconidx")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "export " << c.isExport << " tags " << c.tags
                                        << " hotkeys " << c.hotkeys << " icons " << c.icons);
        QStringList expected = all;
        for (const QString& k : c.missing)
            expected.removeAll(k);
        EXPECT_EQ(writtenKeys(textOf(fullRecord(), c.isExport, c.tags, c.hotkeys, c.icons)),
                  expected);
    }
}

TEST(KeywordFile, ImportIgnoresPermissionLevel) {
    const QString text = QStringLiteral("[W0]\nkeywords=a\nplevel=3\n");
    EXPECT_EQ(readStore(text, false).at(0).permissionlevel, 3);
    EXPECT_EQ(readStore(text, true).at(0).permissionlevel, -1);
}

TEST(KeywordFile, OldGroupValueAndNewerTags) {
    const struct {
        QStringView lines;
        QStringView group;
    } cases[] = {
        {u"group=my tag", u"my-tag"},        {u"group= a b c ", u"a-b-c"}, {u"group=solo", u"solo"},
        {u"group=my tag\ntags=x y", u"x y"}, {u"tags=  x  ", u"x"},        {u"group=", u""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.toString().toStdString());
        const KeywordStore store =
            readStore(QStringLiteral("[W0]\nkeywords=a\n") + c.lines.toString() + u'\n');
        ASSERT_EQ(store.size(), 1);
        EXPECT_EQ(store.at(0).group, c.group);
    }
}

TEST(KeywordFile, SectionNamesDecideWhereRecordsGo) {
    EXPECT_EQ(names(readStore(QStringLiteral("[W0]\nkeywords=a\n[W1]\nkeywords=b\n"
                                             "[w2]\nkeywords=c\n"))),
              QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(names(readStore(QStringLiteral("[W]\nkeywords=a\n[W]\nkeywords=b\n"
                                             "[w]\nkeywords=c\n"))),
              QStringList({QStringLiteral("c"), QStringLiteral("b"), QStringLiteral("a")}));

    KeywordStore store = storeOf({QStringLiteral("old1"), QStringLiteral("old2")});
    TMemIniFile ini = TMemIniFile::FromText(
        QStringLiteral("[W7]\nkeywords=back\n[W]\nkeywords=front1\n[W]\nkeywords=front2\n"));
    store.ReadWords(ini, false);
    EXPECT_EQ(names(store), QStringList({QStringLiteral("front2"), QStringLiteral("front1"),
                                         QStringLiteral("old1"), QStringLiteral("old2"),
                                         QStringLiteral("back")}));
}

TEST(KeywordFile, AFlattenedFileKeepsTheStoreOrderOverRoundTrips) {
    test::TempDataFolder data;
    const QString file = data.file(QStringLiteral("lorvanta.ini"));
    auto saveAndLoad = [&file](const KeywordStore& from) {
        TMemIniFile out = TMemIniFile::CreateFast(file);
        WriteWordsToFlatFile(out, from, false, true, true, true);
        out.MyFlattenSections();
        EXPECT_FALSE(out.text().contains(QStringLiteral("[W0]")));
        EXPECT_TRUE(out.UpdateFile().ok());
        TMemIniFile in = TMemIniFile::Create(file);
        KeywordStore to;
        to.ReadWords(in, false);
        return to;
    };
    const QStringList order = {QStringLiteral("k0"), QStringLiteral("k1"), QStringLiteral("k2")};
    KeywordStore store = storeOf(order);
    for (int round = 1; round <= 3; ++round) {
        store = saveAndLoad(store);
        EXPECT_EQ(names(store), order) << "round " << round;
    }
}

TEST(KeywordFile, EmptyKeywordSectionAndForeignSections) {
    TMemIniFile ini = TMemIniFile::FromText(
        QStringLiteral("[Setup]\nfoo=1\n[W]\n[Lists]\nbar=2\n[W0]\nkeywords=a\n"));
    KeywordStore store;
    store.ReadWords(ini, false);

    ASSERT_EQ(store.size(), 2);
    const TExeWord& empty = store.at(0);
    EXPECT_TRUE(empty.keywords.isEmpty());
    expectSameFields(empty, TExeWord());
    EXPECT_EQ(store.at(1).keywords, u"a");

    EXPECT_EQ(ini.ReadSections(), QStringList({QStringLiteral("Setup"), QStringLiteral("Lists")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Setup"), QStringLiteral("foo"), QString()), u"1");
    EXPECT_EQ(ini.ReadString(QStringLiteral("Lists"), QStringLiteral("bar"), QString()), u"2");
}

TEST(KeywordFile, IntegerValuesReadHexAndFallBackToDefaults) {
    const struct {
        QStringView key, value;
        int TExeWord::*field;
        int expected;
    } cases[] = {
        {u"open", u"0x10", &TExeWord::open, 16},
        {u"open", u"abc", &TExeWord::open, 0},
        {u"open", u"", &TExeWord::open, 0},
        {u"key", u"abc", &TExeWord::key, -1},
        {u"key", u"65", &TExeWord::key, 65},
        {u"keymod", u"0X1F", &TExeWord::keymod, 31},
        {u"iconidx", u"1x", &TExeWord::iconidx, 0},
        {u"plevel", u"abc", &TExeWord::permissionlevel, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1=%2").arg(c.key, c.value).toStdString());
        const KeywordStore store =
            readStore(QStringLiteral("[W0]\nkeywords=a\n%1=%2\n").arg(c.key, c.value));
        ASSERT_EQ(store.size(), 1);
        EXPECT_EQ(store.at(0).*c.field, c.expected);
    }
}

// ------------------------------------------------------------ tags

TEST(KeywordTags, DistinctTagsOfEnabledKeywordsSortedWithoutCase) {
    KeywordStore store;
    store.append(word(QStringLiteral("a"))).group = QStringLiteral("Work dev");
    store.append(word(QStringLiteral("b"))).group = QStringLiteral("work Games");
    store.append(word(QStringLiteral("c"))).group = QStringLiteral("alpha");
    TExeWord& hidden = store.append(word(QStringLiteral("d")));
    hidden.group = QStringLiteral("secret");
    hidden.disabled = true;
    store.append(word(QStringLiteral("e")));
    store.rebuildTagList();

    QStringList lowered;
    for (const QString& t : store.tagList())
        lowered.append(t.toLower());
    EXPECT_EQ(lowered, QStringList({QStringLiteral("alpha"), QStringLiteral("dev"),
                                    QStringLiteral("games"), QStringLiteral("work")}));

    EXPECT_TRUE(store.isTagName(QStringLiteral("  WORK ")));
    EXPECT_TRUE(store.isTagName(QStringLiteral("games")));
    EXPECT_FALSE(store.isTagName(QStringLiteral("secret")));
    EXPECT_FALSE(store.isTagName(QStringLiteral("wor")));
    EXPECT_FALSE(store.isTagName(QString()));

    hidden.disabled = false;
    store.rebuildTagList();
    EXPECT_TRUE(store.isTagName(QStringLiteral("Secret")));
}

TEST(KeywordTags, NothingIsATagWithoutTags) {
    KeywordStore store = storeOf({QStringLiteral("a"), QString()});
    store.rebuildTagList();
    EXPECT_TRUE(store.tagList().isEmpty());
    EXPECT_FALSE(store.isTagName(QString()));
    EXPECT_FALSE(store.isTagName(QStringLiteral(" ")));
    EXPECT_FALSE(store.isTagName(QStringLiteral("a")));
}

// ------------------------------------------------------------ editing

TEST(KeywordEditing, FinishRemovesPlaceholdersAndSortsOnRequest) {
    const QStringList input = {QStringLiteral("new..."), QStringLiteral("beta"),
                               QStringLiteral("?help"),  QStringLiteral("Alpha"),
                               QStringLiteral("new..."), QStringLiteral("?Ask"),
                               QStringLiteral("gamma")};

    KeywordStore kept = storeOf(input);
    EXPECT_FALSE(kept.finishEditing(false));
    EXPECT_EQ(names(kept),
              QStringList({QStringLiteral("beta"), QStringLiteral("?help"), QStringLiteral("Alpha"),
                           QStringLiteral("?Ask"), QStringLiteral("gamma")}));

    KeywordStore sorted = storeOf(input);
    EXPECT_FALSE(sorted.finishEditing(true));
    EXPECT_EQ(names(sorted),
              QStringList({QStringLiteral("Alpha"), QStringLiteral("beta"), QStringLiteral("gamma"),
                           QStringLiteral("?Ask"), QStringLiteral("?help")}));
}

TEST(KeywordEditing, FinishReportsARecordWithoutName) {
    for (const bool autosort : {false, true}) {
        KeywordStore store = storeOf({QStringLiteral("b"), QString(), QStringLiteral("a")});
        EXPECT_TRUE(store.finishEditing(autosort)) << "autosort " << autosort;
        EXPECT_EQ(store.size(), 3);
    }
}

TEST(KeywordEditing, ClosingTheEditorWarnsOnceAboutUnnamedRecords) {
    const QString warning = QStringLiteral("message Warning: ") + kNoNameWarning;
    const struct {
        QStringList keywords;
        QStringList calls;
    } cases[] = {
        {{QStringLiteral("a"), QStringLiteral("new...")}, {}},
        {{QStringLiteral("a"), QString()}, {warning}},
        {{QString(), QStringLiteral("new..."), QString()}, {warning}},
    };
    for (const bool autosort : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << "records [" << c.keywords.join(u'|').toStdString()
                                            << "] autosort " << autosort);
            platform::FakePlatform fake;
            KeywordStore store = storeOf(c.keywords);
            keywordEditorClosed(store, autosort, fake.platform().dialogs);
            EXPECT_EQ(fake.calls(), c.calls);
            EXPECT_EQ(store.FindKeyword(u"new...", false), nullptr);
        }
    }
}

class RecordingEditor : public KeywordEditor {
public:
    void editKeyword(TExeWord& record) override {
        edited.push_back(&record);
        seenName = record.keywords;
        if (!rename.isEmpty()) record.keywords = rename;
    }
    std::vector<TExeWord*> edited;
    QString seenName;
    QString rename;
};

TEST(KeywordEditing, AddNewKeyWordAppendsAndOpensTheEditor) {
    KeywordStore store = storeOf({QStringLiteral("old")});
    RecordingEditor editor;
    TExeWord& rec =
        AddNewKeyWord(store, editor, QString(), QStringLiteral("/bin/ls"), QStringLiteral("-l"));

    EXPECT_EQ(store.size(), 2);
    EXPECT_EQ(store.indexOf(&rec), 1);
    ASSERT_EQ(editor.edited.size(), 1u);
    EXPECT_EQ(editor.edited[0], &rec);
    EXPECT_EQ(editor.seenName, u"new...");
    EXPECT_TRUE(rec.IsDefault());
    EXPECT_EQ(rec.command, u"/bin/ls");
    EXPECT_EQ(rec.parameters, u"-l");

    editor.rename = QStringLiteral("edited");
    TExeWord& named = AddNewKeyWord(store, editor, QStringLiteral("mine"), QString(), QString());
    EXPECT_EQ(editor.seenName, u"mine");
    EXPECT_EQ(store.at(2).keywords, u"edited");
    EXPECT_EQ(&store.at(2), &named);
}

// ------------------------------------------------------------ add keyword

class PlanAddKeyword : public testing::Test {
protected:
    void SetUp() override {
        bin = data.root() + QStringLiteral("/bin");
        const QString empty = data.root() + QStringLiteral("/nothing-here");
        QDir().mkpath(empty);
        makeFile(bin + QStringLiteral("/mytool"), true);
        makeFile(bin + QStringLiteral("/tool.sh"), true);
        makeFile(bin + QStringLiteral("/readme"), false);
        data.fake.searchPath = {empty, bin};
    }

    static void makeFile(const QString& path, bool executable) {
        test::writeFile(path, "#!/bin/sh\n");
        QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
        if (executable) perms |= QFile::ExeOwner;
        ASSERT_TRUE(QFile::setPermissions(path, perms));
    }

    AddKeywordPlan plan(const QString& input, const std::optional<FileItemRef>& item = {}) {
        return planAddKeyword(input, item, data.fake.platform().environment);
    }

    test::TempDataFolder data;
    QString bin;
};

TEST_F(PlanAddKeyword, TypedInputGivesTheCommand) {
    const struct {
        QString input;
        QString command;
    } cases[] = {
        {QStringLiteral("/usr/bin/x"), QStringLiteral("/usr/bin/x")},
        {QStringLiteral("~/doc.txt"), QStringLiteral("~/doc.txt")},
        {QStringLiteral("./run.sh"), QStringLiteral("./run.sh")},
        {QStringLiteral("https://a.b"), QStringLiteral("https://a.b")},
        {QStringLiteral("www.x.org"), QStringLiteral("www.x.org")},
        {QStringLiteral("mytool"), bin + QStringLiteral("/mytool")},
        {QStringLiteral("mytool --verbose file"), bin + QStringLiteral("/mytool")},
        {QStringLiteral("readme"), QString()}, // no run bit
        {QStringLiteral("missing"), QString()},
        {QStringLiteral("example.com"), QStringLiteral("https://example.com")},
        // A program of that name comes before the web address.
        {QStringLiteral("tool.sh"), bin + QStringLiteral("/tool.sh")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        const AddKeywordPlan p = plan(c.input);
        EXPECT_EQ(p.action, AddKeywordPlan::Action::OpenEditor);
        EXPECT_EQ(p.command, c.command);
        EXPECT_EQ(p.name, u"new...");
        EXPECT_TRUE(p.dropPath.isEmpty());
    }
}

TEST_F(PlanAddKeyword, ExistingItemIsDroppedWithItsName) {
    const QString folder = data.root() + QStringLiteral("/My Docs");
    ASSERT_TRUE(QDir().mkpath(folder));

    const AddKeywordPlan p =
        plan(QStringLiteral("my"), FileItemRef{folder, QStringLiteral("My Docs")});
    EXPECT_EQ(p.action, AddKeywordPlan::Action::Drop);
    EXPECT_EQ(p.dropPath, folder);
    EXPECT_EQ(p.name, u"mydocs");
}

TEST_F(PlanAddKeyword, ItemUnderHomeIsFoundThroughTilde) {
    data.fake.homeFolder = data.root() + QStringLiteral("/home");
    test::writeFile(data.fake.homeFolder + QStringLiteral("/notes.txt"), "x");

    const AddKeywordPlan p = plan(
        QStringLiteral("no"), FileItemRef{QStringLiteral("~/notes.txt"), QStringLiteral("Notes")});
    EXPECT_EQ(p.action, AddKeywordPlan::Action::Drop);
    EXPECT_EQ(p.dropPath, u"~/notes.txt");
    EXPECT_EQ(p.name, u"notes");
}

TEST_F(PlanAddKeyword, MissingItemOpensTheEditorOnItsPath) {
    const QString gone = data.root() + QStringLiteral("/gone.txt");
    const AddKeywordPlan p =
        plan(QStringLiteral("mytool"), FileItemRef{gone, QStringLiteral("Gone")});
    EXPECT_EQ(p.action, AddKeywordPlan::Action::OpenEditor);
    EXPECT_EQ(p.command, gone);
    EXPECT_TRUE(p.dropPath.isEmpty());
}

} // namespace
} // namespace lorvanta
