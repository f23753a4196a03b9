#include "core/ini/myinifiles.h"
#include "core/settings/setup.h"
#include "testsupport.h"

#include <QSet>

using namespace lorvanta;
using lorvanta::test::s;

namespace {

// The [Setup] lines that WriteSetup produces, as "key=value".
QStringList writtenLines(const lorvanta::Setup& setup) {
    TMemIniFile out = TMemIniFile::CreateFast(QString());
    WriteSetup(out, setup);
    return TMemIniFile::FromText(out.text()).ReadSectionValues(s("Setup"));
}

lorvanta::Setup readFrom(const char* setupLines) {
    lorvanta::Setup setup;
    ReadSetup(TMemIniFile::FromText(s("[Setup]\n") + s(setupLines)), setup);
    return setup;
}

} // namespace

TEST(SetupKeys, WritesEveryKeyOnceInTheFixedOrder) {
    const QStringList lines = writtenLines(lorvanta::Setup());
    ASSERT_EQ(lines.size(), 234);
    QStringList keys;
    for (const QString& l : lines)
        keys.append(l.section(u'=', 0, 0));
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), 234) << "a key is written twice";
    // The ends and a few landmarks of the written order.
    EXPECT_EQ(keys.first(), s("skintype"));
    EXPECT_EQ(keys.last(), s("cefilefolders"));
    EXPECT_EQ(keys.indexOf(s("comboorder")) + 1, keys.indexOf(s("autoorder")));
    EXPECT_EQ(keys.indexOf(s("backup")) + 1, keys.indexOf(s("shutdowns")));
    EXPECT_LT(keys.indexOf(s("version")), keys.indexOf(s("permissionlevel")));
    for (const char* legacy : {"hookwinr", "hookwinz", "autocenter", "defaultenter"})
        EXPECT_FALSE(keys.contains(s(legacy))) << legacy;
}

TEST(SetupKeys, VersionAndUselistAreFixedWhateverWasRead) {
    const lorvanta::Setup setup = readFrom("version=100\nuselist=0\n");
    EXPECT_EQ(setup.version, 100);
    EXPECT_EQ(setup.uselist, 1) << "uselist is never read";
    const QStringList lines = writtenLines(setup);
    EXPECT_TRUE(lines.contains(s("version=20502")));
    EXPECT_TRUE(lines.contains(s("uselist=1")));
}

TEST(SetupKeys, EveryDefaultIsReadableAsItsTypeAndSurvivesARoundTrip) {
    const lorvanta::Setup defaults;
    for (const SetupKeyDef& k : setupKeys()) {
        const QString text = QString::fromUtf16(k.defaultText);
        int n = 0;
        if (k.type == SetupType::Int || k.type == SetupType::Bool) {
            EXPECT_TRUE(parseIniInteger(text, n)) << k.owner << ": " << text.toStdString();
        }
        if (k.type == SetupType::Bool) {
            EXPECT_TRUE(n == 0 || n == 1) << text.toStdString();
        }
    }
    // Written and read back, every value is what it was.
    TMemIniFile out = TMemIniFile::CreateFast(QString());
    WriteSetup(out, defaults);
    lorvanta::Setup back;
    ReadSetup(TMemIniFile::FromText(out.text()), back);
    for (const SetupKeyDef& k : setupKeys()) {
        if (k.flag == SetupFlag::Legacy || QStringView(k.name) == u"version") continue;
        EXPECT_EQ(setupValueText(back, k), setupValueText(defaults, k))
            << QString::fromUtf16(k.name).toStdString();
    }
}

TEST(SetupKeys, DocumentedDefaults) {
    const lorvanta::Setup d = readFrom("");
    EXPECT_EQ(d.separator, s("||"));
    EXPECT_EQ(d.maxhistory, 100);
    EXPECT_EQ(d.maxvisible, 12);
    EXPECT_EQ(d.maxdropdown, 75);
    EXPECT_EQ(d.comboorder, s("History,Keywords,\"File system\",\"Indexed items\""));
    EXPECT_EQ(d.autoorder, s("Keywords,\"Indexed items\",History,\"File system\""));
    EXPECT_EQ(d.launchignorelist, s("?,%"));
    EXPECT_EQ(d.fastsearch, s("google"));
    EXPECT_EQ(d.failcolor, 255);
    EXPECT_EQ(d.textcolor, 14268988);
    EXPECT_TRUE(d.backup);
    EXPECT_TRUE(d.hide);
    EXPECT_EQ(d.unknownlaunchtype, 1) << "derived from defaultenter, on by default";
}

TEST(SetupKeys, UnreadableValuesFallBackToTheirDefaults) {
    const lorvanta::Setup setup =
        readFrom("maxhistory=lots\nsavehistory=x\nmaxvisible=0x10\nhide=0\n");
    EXPECT_EQ(setup.maxhistory, 100);
    EXPECT_TRUE(setup.savehistory);
    EXPECT_EQ(setup.maxvisible, 16);
    EXPECT_FALSE(setup.hide);
}

TEST(SetupKeys, DerivedValues) {
    struct Case {
        const char* lines;
        std::function<bool(const lorvanta::Setup&)> holds;
        const char* what;
    };
    const Case cases[] = {
        {"hookwin=3\nhookwinr=1\n", [](const lorvanta::Setup& x) { return x.hookwin == 9; },
         "hookwinr"},
        {"hookwinr=1\nhookwinz=1\n", [](const lorvanta::Setup& x) { return x.hookwin == 10; },
         "hookwinz wins"},
        {"center=0\nautocenter=1\n", [](const lorvanta::Setup& x) { return x.center == 1; },
         "autocenter"},
        {"center=2\n", [](const lorvanta::Setup& x) { return x.center == 2; }, "center read"},
        {"unknownlaunchtype=-1\ndefaultenter=0\n",
         [](const lorvanta::Setup& x) { return x.unknownlaunchtype == 0; }, "defaultenter off"},
        {"unknownlaunchtype=2\ndefaultenter=0\n",
         [](const lorvanta::Setup& x) { return x.unknownlaunchtype == 2; }, "explicit launch type"},
        {"skintype=2\nwidth=50\n", [](const lorvanta::Setup& x) { return x.width == 130; },
         "skin width"},
        {"skintype=1\nwidth=10\n", [](const lorvanta::Setup& x) { return x.width == 30; },
         "plain width"},
        {"skintype=1\nwidth=400\n", [](const lorvanta::Setup& x) { return x.width == 400; },
         "wide"},
        {"autodropdown=0\nskintype=1\n", [](const lorvanta::Setup& x) { return !x.expandf4; },
         "expandf4 off"},
        {"autodropdown=0\nskintype=3\n", [](const lorvanta::Setup& x) { return x.expandf4; },
         "expandf4 skin"},
        {"autodropdown=1\nexpandf4=0\n", [](const lorvanta::Setup& x) { return !x.expandf4; },
         "expandf4 set"},
        {"dropprograms=0\n",
         [](const lorvanta::Setup& x) { return !x.scanwindowsitems && !x.indexwinsettings; },
         "scan chain"},
        {"dropprograms=0\nscanwindowsitems=1\n",
         [](const lorvanta::Setup& x) { return x.scanwindowsitems && x.indexwinsettings; },
         "scan set"},
        {"windowcolor=123\n",
         [](const lorvanta::Setup& x) { return x.inputwindowcolor == 123 && x.infobgcolor == 123; },
         "colours follow windowcolor"},
        {"windowcolor=123\ninfobgcolor=5\n",
         [](const lorvanta::Setup& x) { return x.infobgcolor == 5; }, "infobgcolor set"},
        {"autoindex=-1\nnoindexrefresh=1\n",
         [](const lorvanta::Setup& x) { return x.autoindex == 1; }, "autoindex no refresh"},
        {"autoindex=-1\n", [](const lorvanta::Setup& x) { return x.autoindex == 3; }, "autoindex"},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(c.holds(readFrom(c.lines))) << c.what;
}

TEST(SetupKeys, ProgramsBecomesIndexedItems) {
    struct Case {
        const char* stored;
        const char* loaded;
    };
    const Case cases[] = {
        {"History,Programs", "History,\"Indexed items\""},
        {"programs,Keywords", "\"Indexed items\",Keywords"},
        {"History,\"Programs\"", "History,\"Indexed items\""},
        {"History,Keywords", "History,Keywords,\"Indexed items\""},
        {"Keywords,\"Indexed items\"", "Keywords,\"Indexed items\""},
    };
    for (const Case& c : cases) {
        const lorvanta::Setup setup = readFrom(
            ("comboorder=" + std::string(c.stored) + "\nautoorder=" + std::string(c.stored) + "\n")
                .c_str());
        EXPECT_EQ(setup.comboorder, s(c.loaded)) << c.stored;
        EXPECT_EQ(setup.autoorder, s(c.loaded)) << c.stored;
    }
}

TEST(SetupKeys, FractionalValuesIgnoreTheLocale) {
    lorvanta::Setup setup;
    setup.alarm = 46000.75;
    const QStringList lines = writtenLines(setup);
    EXPECT_TRUE(lines.contains(s("alarm=46000.75")));
    EXPECT_DOUBLE_EQ(readFrom("alarm=46000.75\n").alarm, 46000.75);
}
