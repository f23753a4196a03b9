#include "core/expand/expansion.h"
#include "core/keywords/exeword.h"
#include "core/keywords/keywordstore.h"
#include "core/settings/setup.h"
#include "core/util/seams.h"
#include "testsupport.h"

#include <QHash>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace lorvanta {
namespace {

using test::s;

// Answers from its fields and writes every call it gets into `log`, one line each.
class RecordingServices final : public ExpansionServices {
public:
    QString clipboard;
    QStringList files;
    QString selection;
    bool inputActive = false;
    QString inputSelection;
    QHash<QString, QString> notes; // lower-cased name -> text
    QHash<QString, QString> noteFiles;
    QStringList clips;
    QStringList log;

    QStringList toasts() const {
        QStringList out;
        for (const QString& line : log)
            if (line.startsWith(s("toast "))) out.append(line.mid(6));
        return out;
    }

    QString clipboardText() override { return clipboard; }
    void setClipboardText(const QString& text) override {
        clipboard = text;
        log.append(s("setClipboard ") + text);
    }
    QStringList clipboardFiles() override { return files; }
    void clearClipboard() override {
        clipboard.clear();
        files.clear();
        log.append(s("clearClipboard"));
    }
    QString grabSelection(bool cut, bool allowFiles) override {
        log.append(s("grab cut=%1 files=%2").arg(int(cut)).arg(int(allowFiles)));
        return selection;
    }
    bool inputWindowActive() override { return inputActive; }
    QString inputSelectedText() override { return inputSelection; }
    void putInInput(const QString& text, bool caretToStart) override {
        log.append(s("input ") + text + (caretToStart ? s(" |start") : s(" |end")));
    }
    void clearInput() override { log.append(s("clearInput")); }
    std::optional<QString> noteText(const QString& name) override {
        const auto it = notes.constFind(name.toLower());
        if (it == notes.cend()) return std::nullopt;
        return *it;
    }
    std::optional<QString> noteFile(const QString& name) override {
        const auto it = noteFiles.constFind(name.toLower());
        if (it == noteFiles.cend()) return std::nullopt;
        return *it;
    }
    QStringList newestClips(int count) override { return clips.mid(0, count); }
    void toast(const QString& text) override { log.append(s("toast ") + text); }
    void minimizeAll() override { log.append(s("minimizeAll")); }
    void undoMinimizeAll() override { log.append(s("undoMinimizeAll")); }
    void rememberForegroundWindow() override { log.append(s("rememberWindow")); }
    void playSound(const QString& path) override { log.append(s("sound ") + path); }
    void copyAction() override { log.append(s("copy")); }
    void cutAction() override { log.append(s("cut")); }
    void pasteAction() override { log.append(s("paste")); }
};

const QDateTime kSunday(QDate(2026, 11, 22), QTime(14, 5, 9));

// One expander over fakes; each test arranges what it needs.
class ExpanderTest : public ::testing::Test {
protected:
    ExpanderTest() { folder.fake.variables.insert(s("EDITOR"), s("vim")); }

    TExeWord& addKeyword(const QString& names, const QString& command) {
        auto w = std::make_unique<TExeWord>();
        w->keywords = names;
        w->command = command;
        return store.append(std::move(w));
    }

    test::TempDataFolder folder;
    lorvanta::Setup setup;
    KeywordStore store;
    RecordingServices services;
    FixedClock clock{kSunday};
    SequenceRandom random{{7, 3, 11, 5, 2, 13, 1, 17, 19, 23}};
    Expander expander{
        setup, store, folder.fake.platform().environment, folder.fake.platform().system, services,
        clock, random};
};

// QLocale() is what the launcher formats dates with; tests pin it.
class EnglishLocale {
public:
    explicit EnglishLocale(const QLocale& locale = QLocale::c()) { QLocale::setDefault(locale); }
    ~EnglishLocale() { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

// --- free functions ---

TEST(UrlEncode, EncodesTheReservedSetAndKeepsTheRest) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"a b", "a%20b"},
        {"-._azAZ09", "-._azAZ09"},
        {"!\"#$%&'()*+,/:;<=>?@", "%21%22%23%24%25%26%27%28%29%2A%2B%2C%2F%3A%3B%3C%3D%3E%3F%40"},
        {"[\\]^`{|}~", "%5B%5C%5D%5E%60%7B%7C%7D%7E"},
        {"é", "%C3%A9"},
        {"€", "%E2%82%AC"},
        {"\t", "\t"}, // control characters pass
    };
    for (const auto& c : cases)
        EXPECT_EQ(urlEncode(s(c.in)), s(c.out)) << c.in;
}

TEST(ParameterWords, QuotesGroupAndEmptyPairsAreSkipped) {
    const struct {
        const char* in;
        QStringList words;
    } cases[] = {
        {"one \"two three\"", {s("one"), s("two three")}},
        {"  a   b ", {s("a"), s("b")}},
        {"\"\" x \"\"", {s("x")}},
        {"pre\"fix mid\"post", {s("prefix midpost")}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parameterWords(s(c.in)), c.words) << c.in;
}

TEST(ParameterWords, KeepsMoreThanTenWords) {
    const QStringList words = parameterWords(s("1 2 3 4 5 6 7 8 9 10 11 12"));
    ASSERT_EQ(words.size(), 12);
    EXPECT_EQ(words[9], s("10"));
    EXPECT_EQ(words[11], s("12"));
}

TEST(FormatDateTime, TraditionalLetters) {
    const QLocale c = QLocale::c();
    const QDateTime morning(QDate(2026, 3, 4), QTime(9, 7, 3, 45));
    const struct {
        const char* format;
        const char* out;
    } cases[] = {
        {"d dd ddd dddd", "4 04 Wed Wednesday"},
        {"m mm mmm mmmm", "3 03 Mar March"},
        {"yy yyyy", "26 2026"},
        {"h hh n nn s ss zzz", "9 09 7 07 3 03 045"},
        {"hh:mm", "09:07"},           // right after an hour: minutes
        {"h mm dd.mm", "9 07 04.03"}, // the month again once a day came between
        {"mm/dd", "03/04"},
        {"t | tt", "09:07:03 | 09:07:03"},
        {"h am/pm A/P", "9 am A"},
        {"'dd' \"mm\" x", "dd mm x"},
    };
    for (const auto& cs : cases)
        EXPECT_EQ(formatDateTime(morning, s(cs.format), c), s(cs.out)) << cs.format;

    const QDateTime evening(QDate(2026, 3, 4), QTime(0, 30));
    EXPECT_EQ(formatDateTime(evening, s("hh:nn AM/PM"), c), s("12:30 AM"));
    EXPECT_EQ(formatDateTime(kSunday, s("h:nn am/pm"), c), s("2:05 pm"));
}

TEST(FormatDateTime, NamesComeFromTheLocale) {
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(formatDateTime(kSunday, s("dddd dd. mmmm"), german), s("Sonntag 22. November"));
}

TEST(TimeText, DefaultFormatWithIsoWeekAndCustomFormat) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(timeText(kSunday, QString(), c), s("14:05:09, Sunday 22. November 2026 (week 47)"));
    // The first days of January can belong to the last ISO week of the year before.
    EXPECT_EQ(timeText(QDateTime(QDate(2027, 1, 1), QTime(8, 0)), QString(), c),
              s("08:00:00, Friday 01. January 2027 (week 53)"));
    EXPECT_EQ(timeText(kSunday, s("yyyy-mm-dd"), c), s("2026-11-22"));
}

TEST(GeneratePassword, HoldsEveryClassAndOnlyAllowedCharacters) {
    const QString lower = s("abcdefghijklmnopqrstuvwxyz"), upper = s("ABCDEFGHIJKLMNOPQRSTUVWXYZ"),
                  digits = s("0123456789"), symbols = s("_.!#$%");
    const auto hasAny = [](const QString& text, const QString& set) {
        for (QChar c : text)
            if (set.contains(c)) return true;
        return false;
    };
    SequenceRandom random({5, 17, 2, 40, 11, 3, 29, 8, 61, 0, 13});
    for (const bool withSymbols : {true, false}) {
        for (int length : {4, 5, 16, 200}) {
            const QString password = generatePassword(length, withSymbols, random);
            ASSERT_EQ(password.size(), length) << password.toStdString();
            EXPECT_TRUE(hasAny(password, lower)) << password.toStdString();
            EXPECT_TRUE(hasAny(password, upper)) << password.toStdString();
            EXPECT_TRUE(hasAny(password, digits)) << password.toStdString();
            if (withSymbols) {
                EXPECT_TRUE(hasAny(password, symbols)) << password.toStdString();
            }
            const QString allowed = lower + upper + digits + (withSymbols ? symbols : QString());
            for (QChar c : password)
                EXPECT_TRUE(allowed.contains(c)) << password.toStdString();
        }
    }
}

TEST(GeneratePassword, ClassesTakeFreePlacesWithoutRetrying) {
    // A die that always shows 0 would make a retrying generator spin for
    // ever on the taken first place; drawing among free places moves on.
    SequenceRandom zero({0});
    EXPECT_EQ(generatePassword(6, true, zero), s("aA0_aa"));
    EXPECT_EQ(generatePassword(4, false, zero), s("aA0a"));
}

TEST(GeneratePassword, RefusesLengthsOutOfRange) {
    SequenceRandom random({1});
    const struct {
        int length;
        const char* message;
    } cases[] = {
        {3, "Characters must be higher than 3"},
        {-1, "Characters must be higher than 3"},
        {4097, "Characters must be at most 4096"},
        {2147483647, "Characters must be at most 4096"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(generatePassword(c.length, true, random), s(c.message)) << c.length;
    EXPECT_EQ(generatePassword(4096, true, random).size(), 4096);
}

TEST(EnrichLazyUrl, AddsSchemeOnlyToBareAddresses) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {" example.com/page ", "https://example.com/page"},
        {"www.example.com", "https://www.example.com"},
        {"http://example.com", "http://example.com"},
        {"file:///tmp/x", "file:///tmp/x"},
        {"/home/me/page.html", "/home/me/page.html"},
        {"~/page.html", "~/page.html"},
        {"  ", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Expander::enrichLazyUrl(s(c.in)), s(c.out)) << c.in;
}

// --- markers read before the launch ---

TEST(TakeWaitMarkers, SumsAndRemovesWaitTokens) {
    const struct {
        const char* in;
        int ms;
        const char* rest;
    } cases[] = {
        {"run $W2$", 2000, "run "},
        {"run $w150ms$", 150, "run "},
        {"$W$a$w$", 2, "a"}, // plain wait markers add a millisecond each
        {"$WOPEN$ x $W1$", 1000, "$WOPEN$ x "},
        {"$W0$ $W-3$ $WMS$", 0, "$W0$ $W-3$ $WMS$"},
        {"$W1$$W1MS$", 1001, ""},
        {"$W2", 0, "$W2"},
    };
    for (const auto& c : cases) {
        QString text = s(c.in);
        EXPECT_EQ(Expander::TakeWaitMarkers(text), c.ms) << c.in;
        EXPECT_EQ(text, s(c.rest)) << c.in;
    }
}

TEST(TakeWaitMarkers, HugeNumbersClampToADay) {
    const char* cases[] = {"$W99999999999999999999$", "$W86401$", "$W90000000MS$",
                           "$W50000$ $W50000$"};
    for (const char* c : cases) {
        QString text = s(c);
        EXPECT_EQ(Expander::TakeWaitMarkers(text), 86400000) << c;
        EXPECT_EQ(text.trimmed(), QString()) << c;
    }
}

TEST(TakeTypingMarkers, KindAndWait) {
    const struct {
        const char* in;
        int ms;
        int kind;
    } cases[] = {
        {"cmd $PSE300$", 300, 1},
        {"cmd $PS$", 700, 0},
        {"cmd $pse$", 700, 1},
        {"cmd $PS250$", 250, 0},
        {"cmd $PP$", 700, 2},
        {"cmd $PPE$", 700, 3},
        {"cmd $PP90$", 90, 2},
        {"cmd $ppe40$", 40, 3},
        {"cmd $PS0$", 0, 0},
        {"cmd", 0, 0},
        {"$PS99999999999$", 86400000, 0},
    };
    for (const auto& c : cases) {
        int kind = -1;
        EXPECT_EQ(Expander::TakeTypingMarkers(s(c.in), kind), c.ms) << c.in;
        EXPECT_EQ(kind, c.kind) << c.in;
    }
}

TEST(TakeMarker, RemovesEveryCopyInAnyCase) {
    QString text = s("a $ASYNC$ b $async$");
    EXPECT_TRUE(Expander::TakeMarker(text, s("$ASYNC$")));
    EXPECT_EQ(text, s("a  b "));
    EXPECT_FALSE(Expander::TakeMarker(text, s("$NOHIDE$")));
}

TEST(ApplyDefaultBlock, BlockStandsInForMissingParameters) {
    const struct {
        const char* in;
        const char* parameters;
        const char* out;
    } cases[] = {
        {"find x$DEF$home$DEF$", "", "home"}, {"find x$DEF$home$DEF$", "q", "find x"},
        {"a $def$b$Def$ c", "", "b"},         {"a $DEF$b$DEF$ c", "q", "a  c"},
        {"no block", "", "no block"},         {"a $DEF$b", "", "a b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Expander::ApplyDefaultBlock(s(c.in), s(c.parameters)), s(c.out)) << c.in;
}

// --- expansion over the services ---

TEST_F(ExpanderTest, ExpandBasicFillsFolderAndVariables) {
    const QString program = folder.programFolder();
    const QString programNoSlash = program.chopped(1);
    EXPECT_EQ(expander.ExpandBasic(s("$H$/a $h$/b"), false),
              programNoSlash + s("/a ") + programNoSlash + s("/b"));
    EXPECT_EQ(expander.ExpandBasic(s("[$D$][$d$]"), false), s("[][]"));
    EXPECT_EQ(expander.ExpandBasic(s("%EDITOR% %editor% %NOPE% 5%"), false),
              s("vim vim %NOPE% 5%"));
    EXPECT_EQ(expander.ExpandBasic(s("$GRABTOLIST$ $M$"), false), s("$GRABTOLIST$ $M$"));
}

TEST_F(ExpanderTest, ExpandBasicStripsRoutingMarkers) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"$GRABTOINPUT$$GRABTOLISTNOFOCUS$$URLTOLIST$ls", "ls"},
        {"$BROWSER$$B$$BN$$BNEWWIN$$BROWSERTOGGLE$ x", " x"},
        {"x $BCLICK$#id$BCLICK$ y $BCLICK$k$BCLICK$", "x  y $BCLICK$k$BCLICK$"},
        {"$CLR$$C$$CU$$M$$R$$W$$GW$$EXIT$$ASYNC$$NOHIDE$z", "z"},
        {"a $SOUND$/s.wav$SOUND$ b $SOUND$t$SOUND$", "a  b $SOUND$t$SOUND$"},
        {"a $BCLICK$ b", "a $BCLICK$ b"}, // a lone marker is no block
        {"a $SOUND$ b", "a $SOUND$ b"},
        {"$clr$ $Async$", "$clr$ $Async$"}, // only the written forms
    };
    for (const auto& c : cases)
        EXPECT_EQ(expander.ExpandBasic(s(c.in), true), s(c.out)) << c.in;
}

TEST_F(ExpanderTest, SubstituteParametersSteps) {
    const struct {
        const char* tmpl;
        const char* parameters;
        const char* out;
    } cases[] = {
        {"search?q=$U$", "a b", "search?q=a%20b"},
        {"[$p$][$P$]", "x y", "[x y][x y]"},
        {"[$u$]", "a&b", "[a%26b]"},
        {"<$P2$>", "one \"two three\"", "<two three>"},
        {"<$p1$|$P10$|$P3$>", "1 2 3 4 5 6 7 8 9 ten", "<1|ten|3>"},
        {"<$P1$|$P4$>", "only", "<only|>"},
        {"<$U2$>", "a \"b c\"", "<b%20c>"},
        {"a{BR}b", "", "a\r\nb"},
        {"run$i$ $I$x", "", "run x"},
        {"t $PSE300$ $PS$ $pp$ $PPE$ $PP5$ $PS20$", "", "t      "},
        {"ff $P$$DEF$ff home$DEF$", "", "ff home"},
        {"ff $P$$DEF$ff home$DEF$", "news", "ff news"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expander.SubstituteParameters(s(c.tmpl), s(c.parameters), false), s(c.out))
            << c.tmpl;
    // Without `full`, clipboard and inline markers stay for later.
    EXPECT_EQ(expander.SubstituteParameters(s("$C$ $M$"), QString(), false), s("$C$ $M$"));
    EXPECT_TRUE(services.log.isEmpty()) << services.log.join(u';').toStdString();
}

TEST_F(ExpanderTest, ClipboardIsCleanedAndWrittenBack) {
    services.clipboard = s("  two\r\nlines \n");
    EXPECT_EQ(expander.SubstituteParameters(s("open $C$ / $cu$"), QString(), true),
              s("open twolines / twolines"));
    EXPECT_EQ(services.clipboard, s("twolines"));
    services.clipboard = s("a b");
    EXPECT_EQ(expander.SubstituteParameters(s("?q=$CU$"), QString(), true), s("?q=a%20b"));
}

TEST_F(ExpanderTest, SelectionIsGrabbedOnceForCc) {
    services.selection = s("hello world");
    EXPECT_EQ(expander.SubstituteParameters(s("say $CC$ ?q=$ccu$"), QString(), true),
              s("say hello world ?q=hello%20world"));
    EXPECT_EQ(services.log, QStringList{s("grab cut=0 files=0")});

    // Nothing selected: the marker goes, no placeholder enters the command.
    services.selection.clear();
    EXPECT_EQ(expander.SubstituteParameters(s("say [$CC$]"), QString(), true), s("say []"));
}

TEST_F(ExpanderTest, SelectionInOwnInputIsUsedAndCopied) {
    services.inputActive = true;
    services.inputSelection = s("mine");
    EXPECT_EQ(expander.SubstituteParameters(s("<$cc$>"), QString(), true), s("<mine>"));
    EXPECT_EQ(services.log, QStringList{s("setClipboard mine")});
}

TEST_F(ExpanderTest, CxReplacesTheWholeLine) {
    const struct {
        const char* selection;
        const char* out;
    } cases[] = {
        {"some words", "dict some words"},
        {"https://example.com", "https://example.com"},
        {"example.com", "https://example.com"},
        {"/etc/hosts", "/etc/hosts"},
        {"", "anullexea"},
    };
    for (const auto& c : cases) {
        services.selection = s(c.selection);
        EXPECT_EQ(expander.SubstituteParameters(s("dict $CX$"), QString(), true), s(c.out))
            << c.selection;
    }
}

TEST_F(ExpanderTest, CeSearchesWithTheFastSearchKeyword) {
    services.selection = s("red fox");
    // Without the keyword the selection itself is run.
    EXPECT_EQ(expander.SubstituteParameters(s("$CE$"), QString(), true), s("red fox"));

    addKeyword(s("google"), s("https://www.google.com/search?q=$U$$B$"));
    EXPECT_EQ(expander.SubstituteParameters(s("$ce$"), QString(), true),
              s("https://www.google.com/search?q=red%20fox"));
    services.selection = s("example.org");
    EXPECT_EQ(expander.SubstituteParameters(s("$CE$"), QString(), true), s("https://example.org"));
    EXPECT_TRUE(services.log.contains(s("grab cut=0 files=1")));
}

TEST_F(ExpanderTest, CeSkipsADisabledOrRecursiveKeyword) {
    services.selection = s("red fox");
    addKeyword(s("google"), s("g $U$")).disabled = true;
    EXPECT_EQ(expander.SubstituteParameters(s("$CE$"), QString(), true), s("red fox"));
    addKeyword(s("google"), s("again $CE$"));
    EXPECT_EQ(expander.SubstituteParameters(s("$CE$"), QString(), true), s("red fox"));
    setup.fastsearch = s("ddg");
    addKeyword(s("ddg"), s("ddg:$P$"));
    EXPECT_EQ(expander.SubstituteParameters(s("$CE$"), QString(), true), s("ddg:red fox"));
}

TEST_F(ExpanderTest, CopiedFilesGoToTheInput) {
    services.selection.clear();
    services.files = {s("/tmp/a.txt"), s("/tmp/b.txt")};
    EXPECT_EQ(expander.SubstituteParameters(s("$CE$"), QString(), true), kNothingToRun);
    EXPECT_EQ(services.log, (QStringList{s("grab cut=0 files=1"), s("input /tmp/a.txt |end"),
                                         s("clearClipboard")}));

    services.log.clear();
    services.files = {s("/tmp/a.txt")};
    setup.cefilefolders = false;
    EXPECT_EQ(expander.SubstituteParameters(s("$CE$"), QString(), true), kNothingToRun);
    EXPECT_EQ(services.log, QStringList{s("grab cut=0 files=0")});
}

TEST_F(ExpanderTest, CiPutsTheSelectionIntoTheInput) {
    const struct {
        const char* selection;
        const char* logged;
    } cases[] = {
        {"plain words", "input plain words |start"},
        {"https://example.com", "input https://example.com |end"},
        {"example.com", "input example.com |end"}, // no scheme added for the input
    };
    for (const auto& c : cases) {
        services.log.clear();
        services.selection = s(c.selection);
        EXPECT_EQ(expander.SubstituteParameters(s("$CI$"), QString(), true), kNothingToRun);
        EXPECT_EQ(services.log, (QStringList{s("grab cut=0 files=1"), s(c.logged)}));
    }
}

TEST_F(ExpanderTest, CopyAndExecuteUsesTheGivenText) {
    EXPECT_EQ(expander.CopyAndExecute(s("given"), s("x $cx$ y"), false, false, CopyKind::cx),
              s("x given y"));
    EXPECT_EQ(expander.CopyAndExecute(s("raw text"), QString(), true, false, CopyKind::cc),
              s("raw text"));
    EXPECT_EQ(expander.CopyAndExecute(s("word"), QString(), false, false, CopyKind::cc), s("word"));
    EXPECT_EQ(expander.CopyAndExecute(QString(), QString(), false, false, CopyKind::cc),
              kNothingToRun);
    EXPECT_EQ(services.log, QStringList{s("grab cut=0 files=0")});
}

TEST_F(ExpanderTest, EditActionsAndInlineMarkersInFullSubstitution) {
    EXPECT_EQ(
        expander.SubstituteParameters(s("a$COPY$b $cut$c $Paste$d$m$e$GW$f"), QString(), true),
        s("ab c def"));
    EXPECT_EQ(services.log, (QStringList{s("copy"), s("cut"), s("paste"), s("minimizeAll"),
                                         s("rememberWindow")}));
}

TEST_F(ExpanderTest, NotesInFullSubstitution) {
    services.notes.insert(s("todo"), s("milk & eggs"));
    EXPECT_EQ(expander.SubstituteParameters(s("[$N todo$] q=$NU Todo$"), QString(), true),
              s("[milk & eggs] q=milk%20%26%20eggs"));
    EXPECT_TRUE(services.toasts().isEmpty());
}

TEST_F(ExpanderTest, InlineMarkersActOnceInUpperOrLowerCase) {
    EXPECT_EQ(expander.ApplyInlineMarkers(s("$M$a$m$b$R$c$clr$d$CLR$e$gw$f"), false), s("abcdef"));
    EXPECT_EQ(services.log, (QStringList{s("minimizeAll"), s("undoMinimizeAll"), s("clearInput"),
                                         s("rememberWindow")}));

    services.log.clear();
    EXPECT_EQ(expander.ApplyInlineMarkers(s("$Clr$ $Gw$ $P$"), false), s("$Clr$ $Gw$ $P$"));
    EXPECT_TRUE(services.log.isEmpty());
}

TEST_F(ExpanderTest, InlineSoundBlockIsPlayedAndRemoved) {
    EXPECT_EQ(expander.ApplyInlineMarkers(s("go $sound$ /snd/ding.wav $SOUND$ now"), false),
              s("go  now"));
    EXPECT_EQ(services.log, QStringList{s("sound /snd/ding.wav")});
    // Without a partner, or in mixed case, the marker is left alone.
    services.log.clear();
    for (const char* text : {"go $SOUND$ /snd/ding.wav", "$Sound$ /snd/ding.wav $Sound$"})
        EXPECT_EQ(expander.ApplyInlineMarkers(s(text), false), s(text)) << text;
    EXPECT_TRUE(services.log.isEmpty());
}

TEST_F(ExpanderTest, TakeBlockTakesTheFirstEnclosedBlock) {
    const struct {
        const char* text;
        std::optional<const char*> inner; // nothing: no block
        const char* rest;
    } cases[] = {
        {"a $AB$in$AB$ b", "in", "a  b"},
        {"$AB$$AB$", "", ""},
        {"$ab$low$ab$", "low", ""},
        {"$ab$both forms$AB$ tail", "both forms", " tail"},
        {"1$AB$2$AB$3$AB$4$AB$5", "2", "13$AB$4$AB$5"},
        {"a $AB$ lone", std::nullopt, "a $AB$ lone"},
        {"$AB$ one $ab", std::nullopt, "$AB$ one $ab"},
        {"$Ab$ mixed $Ab$", std::nullopt, "$Ab$ mixed $Ab$"},
        {"$AB$ with $Ab$ mixed", std::nullopt, "$AB$ with $Ab$ mixed"},
        {"no marker", std::nullopt, "no marker"},
    };
    for (const auto& c : cases) {
        QString text = s(c.text);
        const std::optional<QString> inner = Expander::TakeBlock(text, s("$AB$"));
        ASSERT_EQ(inner.has_value(), c.inner.has_value()) << c.text;
        if (inner) {
            EXPECT_EQ(*inner, s(*c.inner)) << c.text;
        }
        EXPECT_EQ(text, s(c.rest)) << c.text;
    }
}

TEST_F(ExpanderTest, InlineMarkersRemoveParameterMarkersOnRequest) {
    EXPECT_EQ(expander.ApplyInlineMarkers(s("g $p$ $P$."), true), s("g  ."));
    EXPECT_EQ(expander.ApplyInlineMarkers(s("g $p$ $P$."), false), s("g $p$ $P$."));
}

TEST_F(ExpanderTest, InjectNotesReplacesAndReportsMissingNames) {
    services.notes.insert(s("addr"), s("Main St 1"));
    const struct {
        const char* in;
        const char* out;
        QStringList toasts;
    } cases[] = {
        {"to $N addr$.", "to Main St 1.", {}},
        {"to $n  ADDR $.", "to Main St 1.", {}},
        {"x$N gone$y", "xy", {s("Note not found: gone")}},
        {"$N a$$N b$$N A$", "", {s("Notes not found: a, b")}},
        {"[$N $]", "[]", {s("Note tag without a note name")}},
        {"$NAME$ $Nx$ $N open", "$NAME$ $Nx$ $N open", {}},
    };
    for (const auto& c : cases) {
        services.log.clear();
        EXPECT_EQ(expander.InjectNotes(s(c.in)), s(c.out)) << c.in;
        EXPECT_EQ(services.toasts(), c.toasts) << c.in;
    }
}

TEST_F(ExpanderTest, InjectNotesDoesNotReadInsertedText) {
    // A note that names itself, and two that name each other, end.
    services.notes.insert(s("loop"), s("again $N loop$"));
    services.notes.insert(s("ping"), s("<$N pong$>"));
    services.notes.insert(s("pong"), s("($N ping$)"));
    EXPECT_EQ(expander.InjectNotes(s("$N loop$!")), s("again $N loop$!"));
    EXPECT_EQ(expander.InjectNotes(s("$N ping$ $N pong$")), s("<$N pong$> ($N ping$)"));
}

// --- the text template ---

TEST_F(ExpanderTest, TextTemplateReadsNotesAndFiles) {
    const QString note = folder.file(s("notes/greeting.txt"));
    test::writeFile(note, "Hello from a note");
    const QString plain = folder.root() + s("/home/sig.txt");
    test::writeFile(plain, "\xEF\xBB\xBF-- \xC3\xA9mile");
    services.noteFiles.insert(s("greeting"), note);

    const TextTemplate t = expander.ExpandTextTemplate(
        s("{note Greeting}{BR}{FILE ~/sig.txt}|{File /no/such/file}|{NOTE missing}"), nullptr,
        false);
    EXPECT_EQ(t.text, s("Hello from a note\r\n-- émile||"));
    EXPECT_TRUE(t.richFile.isEmpty());
    EXPECT_TRUE(services.toasts().isEmpty());
}

TEST_F(ExpanderTest, TextTemplateFileThatIncludesItselfEnds) {
    const QString path = folder.file(s("self.txt"));
    test::writeFile(path, QByteArray("x{FILE ") + path.toUtf8() + "}");
    const TextTemplate t = expander.ExpandTextTemplate(s("{FILE ") + path + u'}', nullptr, false);
    EXPECT_EQ(t.text, QString(20, u'x') + s("{FILE ") + path + u'}');
}

TEST_F(ExpanderTest, TextTemplateCutsLargeFiles) {
    const QString path = folder.file(s("big.txt"));
    QByteArray bytes(16 * 1024 * 1024 - 1, 'a');
    bytes += "\xC3\xA9tail"; // the cut falls inside the "é"
    test::writeFile(path, bytes);
    const TextTemplate t = expander.ExpandTextTemplate(s("{FILE ") + path + u'}', nullptr, false);
    EXPECT_EQ(t.text.size(), 16 * 1024 * 1024 - 1);
    EXPECT_TRUE(t.text.endsWith(u'a'));
    EXPECT_EQ(services.toasts(), QStringList{s("File too large: ") + path});
}

TEST_F(ExpanderTest, TextTemplateRichFile) {
    const QString rtf = folder.file(s("card.rtf"));
    test::writeFile(rtf, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Dear \\b Ann\\b0,\\par "
                         "caf\\'e9 \\u8364?\\}}");
    const QString html = folder.file(s("card.html"));
    test::writeFile(html, "<html><head><title>T</title></head><body><p>One &amp; "
                          "two</p>\n<p>three<br>four</p></body></html>");

    TextTemplate typed = expander.ExpandTextTemplate(s("[{rich ") + rtf + s("}]"), nullptr, false);
    EXPECT_EQ(typed.text, s("[Dear Ann,\ncafé €}]"));
    EXPECT_TRUE(typed.richFile.isEmpty());
    typed = expander.ExpandTextTemplate(s("[{RICH ") + html + s("}]"), nullptr, false);
    EXPECT_EQ(typed.text, s("[One & two\nthree\nfour]"));

    const TextTemplate pasted =
        expander.ExpandTextTemplate(s("[{RICH ") + rtf + s("}]"), nullptr, true);
    EXPECT_EQ(pasted.text, s("[]"));
    EXPECT_EQ(pasted.richFile, rtf);

    const TextTemplate missing =
        expander.ExpandTextTemplate(s("a{RICH /no/x.rtf}b"), nullptr, true);
    EXPECT_EQ(missing.text, s("ab"));
    EXPECT_EQ(services.toasts(), QStringList{s("Rich text file not found: /no/x.rtf")});
}

TEST_F(ExpanderTest, TextTemplateTimeAddressesAndPassword) {
    EnglishLocale locale;
    folder.fake.ipv4 = {s("192.168.1.5"), s("10.0.0.2")};
    const TextTemplate t =
        expander.ExpandTextTemplate(s("$TIME$ | $SHOWIP$ | $PASSWORD$ $PASSWORD$"), nullptr, false);
    const QStringList parts = t.text.split(s(" | "));
    ASSERT_EQ(parts.size(), 3) << t.text.toStdString();
    EXPECT_EQ(parts[0], s("14:05:09, Sunday 22. November 2026 (week 47)"));
    EXPECT_EQ(parts[1], s("192.168.1.5, 10.0.0.2"));
    const QStringList passwords = parts[2].split(u' ');
    ASSERT_EQ(passwords.size(), 2);
    EXPECT_EQ(passwords[0].size(), 16);
    EXPECT_EQ(passwords[1].size(), 16);
    EXPECT_NE(passwords[0], s("$PASSWORD$"));

    setup.customtime = s("yyyy-mm-dd hh:nn");
    EXPECT_EQ(expander.ExpandTextTemplate(s("$TIME$ $time$"), nullptr, false).text,
              s("2026-11-22 14:05 $time$"));
}

TEST_F(ExpanderTest, TextTemplateNewestClips) {
    services.clips = {s("first"), s("second")};
    EXPECT_EQ(
        expander.ExpandTextTemplate(s("$PASTE1$,$PASTE2$,$PASTE3$,$paste1$"), nullptr, true).text,
        s("first,second,$PASTE3$,$paste1$"));
}

TEST_F(ExpanderTest, TextTemplateUsesTheKeywordParameters) {
    TExeWord& w = addKeyword(s("sig"), s("$TYPE$"));
    w.parameters = s("Regards,{BR}$P$");
    EXPECT_EQ(expander.ExpandTextTemplate(s("Ann"), &w, false).text, s("Regards,\r\nAnn"));
    w.parameters.clear();
    EXPECT_EQ(expander.ExpandTextTemplate(s("Ann"), &w, false).text, s("Ann"));
}

// --- the information line ---

TEST_F(ExpanderTest, InfoLineMemory) {
    constexpr quint64 GiB = 1024ull * 1024 * 1024;
    folder.fake.memoryInfo = platform::MemoryInfo{16 * GiB, 10 * GiB};
    EXPECT_EQ(expander.ExpandInfoLine(s("$mused$ $mfree$ $mtotal$ $mpct$")),
              s("6144MB 10240MB 16384MB 37%"));
    folder.fake.memoryInfo.reset();
    EXPECT_EQ(expander.ExpandInfoLine(s("$mused$ $mpct$")), s("0MB 0%"));
}

TEST_F(ExpanderTest, InfoLineAddressesAreCachedForFiftySeconds) {
    folder.fake.ipv4 = {s("192.168.1.5"), s("10.0.0.2")};
    EXPECT_EQ(expander.ExpandInfoLine(s("$ip$ / $ip1$")), s("192.168.1.5, 10.0.0.2 / 192.168.1.5"));
    folder.fake.ipv4 = {s("172.16.0.9")};
    clock.set(kSunday.addSecs(50));
    EXPECT_EQ(expander.ExpandInfoLine(s("$ip$ / $ip1$")), s("192.168.1.5, 10.0.0.2 / 192.168.1.5"));
    clock.set(kSunday.addSecs(51));
    EXPECT_EQ(expander.ExpandInfoLine(s("$ip$ / $ip1$")), s("172.16.0.9 / 172.16.0.9"));
}

TEST_F(ExpanderTest, InfoLineDatesVersionAndCustomTime) {
    EnglishLocale locale;
    setup.infocustomtime = s("hh:nn 'o''clock'");
    const struct {
        const char* tmpl;
        const char* out;
    } cases[] = {
        {"$dd$", "14:05:09, Sun. 22-11-2026"},
        {"$ddd$", "14:05:09, Sunday 22. November 2026"},
        {"week $wnum$", "week 47"},
        {"$ct$", "14:05 oclock"},
        {"$unknown$", "$unknown$"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(expander.ExpandInfoLine(s(c.tmpl)), s(c.out)) << c.tmpl;
    const QRegularExpression version(s("^2\\.5\\.2\\.0 Build date: \\d\\d[A-Z][a-z]{2}\\d{4}$"));
    EXPECT_TRUE(version.match(expander.ExpandInfoLine(s("$v$"))).hasMatch())
        << expander.ExpandInfoLine(s("$v$")).toStdString();
}

TEST_F(ExpanderTest, InfoLineMustNotBeEmpty) {
    EXPECT_EQ(expander.ExpandInfoLine(QString()),
              s("Show info error: Cannot be empty, check Settings > Misc > Show info"));
}

} // namespace
} // namespace lorvanta
