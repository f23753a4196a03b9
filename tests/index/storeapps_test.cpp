#include "appentry.h"
#include "index/storeapps.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace lorvanta;
using lorvanta::test::entry;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::writeFile;

namespace {

// A home with the user's and the system's Flatpak exports, the Snap folder
// and a plain menu folder, listed by the XDG variables as a desktop does.
class StoreAppsTest : public ::testing::Test {
protected:
    StoreAppsTest() {
        const QString r = tmp_.path();
        userFlatpak = r + s("/home/.local/share/flatpak/exports/share/applications");
        flatpak = r + s("/var/lib/flatpak/exports/share/applications");
        snap = r + s("/var/lib/snapd/desktop/applications");
        menu = r + s("/usr/share/applications");
        home = r + s("/home/.local/share/applications");
        dataFolder = r + s("/data");
        appsFolder = dataFolder + s("/Apps");
        for (const QString& f : {userFlatpak, flatpak, snap, menu, home, dataFolder})
            QDir().mkpath(f);
        QProcessEnvironment env;
        env.insert(s("HOME"), r + s("/home"));
        env.insert(s("XDG_DATA_DIRS"),
                   QStringList{QFileInfo(userFlatpak).path(), QFileInfo(flatpak).path(),
                               QFileInfo(snap).path(), r + s("/usr/share")}
                       .join(u':'));
        env.insert(s("LANG"), s("de_DE.UTF-8"));
        env.insert(s("XDG_CURRENT_DESKTOP"), s("GNOME"));
        ctx.dataFolder = dataFolder;
        ctx.applicationFolders = applicationFolders(env);
        ctx.discovery = {messagesLocale(env), currentDesktops(env), {r + s("/bin")}};
    }

    QString sync(bool flush = false) { return SyncStoreApps(appsFolder, flush, false, ctx); }

    QString apps(const QString& name) const { return appsFolder + u'/' + name; }
    QStringList shortcuts() const {
        return QDir(appsFolder).entryList({s("*.desktop")}, QDir::Files, QDir::Name);
    }
    QString indexDat() const { return QString::fromUtf8(readFile(apps(s("index.dat")))); }
    // Marks a shortcut, so that a rewrite of it shows.
    // A shortcut left alone keeps its file; one written again is a new one.
    void mark(const QString& shortcut) { marks_[shortcut] = inode(shortcut); }
    bool marked(const QString& shortcut) const {
        return marks_.contains(shortcut) && marks_.value(shortcut) == inode(shortcut);
    }
    quint64 inode(const QString& shortcut) const {
        struct stat st {};
        return ::stat(QFile::encodeName(apps(shortcut)).constData(), &st) == 0 ? st.st_ino : 0;
    }
    QHash<QString, quint64> marks_;

    QTemporaryDir tmp_;
    QString userFlatpak, flatpak, snap, menu, home, dataFolder, appsFolder;
    StoreAppContext ctx;
};

TEST(StoreAppFolders, FlatpakAndSnapExportsOnly) {
    const struct {
        const char* folder;
        bool store;
    } cases[] = {
        {"/var/lib/flatpak/exports/share/applications", true},
        {"/home/u/.local/share/flatpak/exports/share/applications/", true},
        {"/var/lib/snapd/desktop/applications", true},
        {"/usr/share/applications", false},
        {"/home/u/.local/share/applications", false},
        {"/var/lib/flatpak/exports/share/applications/sub", false},
        {"/var/lib/flatpak/app/org.gimp.GIMP/current/active/export/share/applications", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isStoreAppFolder(s(c.folder)), c.store) << c.folder;
}

TEST_F(StoreAppsTest, ListingFollowsTheMenusRules) {
    writeFile(userFlatpak + s("/org.gimp.GIMP.desktop"),
              entry("GIMP", "Name[de]=GIMP-Bildbearbeitung\n"));
    writeFile(flatpak + s("/org.gimp.GIMP.desktop"), entry("Older GIMP"));
    writeFile(flatpak + s("/org.example.Secret.desktop"), entry("Secret", "NoDisplay=true\n"));
    writeFile(flatpak + s("/org.example.Kde.desktop"), entry("Kde", "OnlyShowIn=KDE;\n"));
    writeFile(flatpak + s("/org.example.Tool.desktop"), entry("Tool", "TryExec=no-such-tool\n"));
    writeFile(flatpak + s("/org.example.Masked.desktop"), entry("Masked"));
    writeFile(home + s("/org.example.Masked.desktop"), entry("Masked", "Hidden=true\n"));
    writeFile(flatpak + s("/org.example.Two.desktop"), entry("Two\\nLines"));
    writeFile(snap + s("/firefox_firefox.desktop"), entry("Firefox"));
    writeFile(menu + s("/plain.desktop"), entry("Plain"));

    QStringList got;
    for (const StoreApp& a : listStoreApps(ctx.applicationFolders, ctx.discovery))
        got << a.name + u" | " + a.identifier + u" | " + a.entryFile;
    EXPECT_EQ(got, (QStringList{
                       s("GIMP-Bildbearbeitung | flatpak!org.gimp.GIMP.desktop | ") + userFlatpak +
                           s("/org.gimp.GIMP.desktop"),
                       s("Two Lines | flatpak!org.example.Two.desktop | ") + flatpak +
                           s("/org.example.Two.desktop"),
                       s("Firefox | snap!firefox_firefox.desktop | ") + snap +
                           s("/firefox_firefox.desktop"),
                   }));
}

TEST(StoreAppsCsv, FieldsSplitAtSeparatorsOutsideQuotes) {
    const struct {
        const char* line;
        QStringList fields;
    } cases[] = {
        {R"("Name";"AppID")", {s("Name"), s("AppID")}},
        {R"("a;b";"x!y")", {s("a;b"), s("x!y")}},
        {R"("say ""hi""";"x!y")", {s("say \"hi\""), s("x!y")}},
        {R"(plain;"";last)", {s("plain"), QString(), s("last")}},
        {R"("open;quote)", {s("open;quote")}},
        {"", {QString()}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitQuotedFields(s(c.line), u';'), c.fields) << c.line;

    const std::vector<StoreApp> apps{{s("AC/DC \"Live\"; Player"), s("snap!acdc.desktop"), {}},
                                     {s("Ünïcode"), s("flatpak!u.desktop"), {}}};
    const QByteArray csv = formatStoreAppsCsv(apps);
    EXPECT_EQ(csv, s("\"Name\";\"AppID\"\r\n\"AC/DC \"\"Live\"\"; Player\";"
                     "\"snap!acdc.desktop\"\r\n\"Ünïcode\";\"flatpak!u.desktop\"\r\n")
                       .toUtf8());
    const QStringList lines = QString::fromUtf8(csv).split(s("\r\n"));
    for (size_t i = 0; i < apps.size(); ++i)
        EXPECT_EQ(splitQuotedFields(lines[qsizetype(i) + 1], u';'),
                  (QStringList{apps[i].name, apps[i].identifier}));
}

TEST(StoreAppsShortcutName, OnlyWhatAFileNameCannotHoldChanges) {
    EXPECT_EQ(storeShortcutFileName(s("GIMP")), s("GIMP.desktop"));
    EXPECT_EQ(storeShortcutFileName(s("AC/DC\tLive")), s("AC_DC_Live.desktop"));
    EXPECT_EQ(storeShortcutFileName(s("say \"hi\"; ok?*")), s("say \"hi\"; ok?*.desktop"));
    // 255 bytes at most, never half a character.
    const QString accents = storeShortcutFileName(QString(300, u'é'));
    EXPECT_EQ(accents, QString(123, u'é') + s(".desktop"));
    QString faces;
    for (int i = 0; i < 100; ++i)
        faces += s("😀");
    const QString cut = storeShortcutFileName(faces);
    EXPECT_EQ(cut.toUtf8().size(), 61 * 4 + 8);
    EXPECT_FALSE(QString(cut).chopped(8).back().isHighSurrogate());
}

TEST_F(StoreAppsTest, FirstSyncWritesTheListTheIndexAndOneShortcutEach) {
    writeFile(flatpak + s("/org.gimp.GIMP.desktop"),
              "[Desktop Entry]\r\nType=Application\r\nName=GIMP\r\nExec=/usr/bin/flatpak run "
              "org.gimp.GIMP %U\r\n");
    writeFile(snap + s("/firefox_firefox.desktop"),
              entry("Firefox", "Icon=/snap/firefox/icon.png\n") +
                  "\n[Desktop Action new-window]\nName=New Window\nExec=firefox --new-window\n");
    writeFile(menu + s("/plain.desktop"), entry("Plain"));

    EXPECT_EQ(sync(), s("2"));
    EXPECT_EQ(readFile(apps(s("uwp.csv"))),
              QByteArray("\"Name\";\"AppID\"\r\n\"GIMP\";\"flatpak!org.gimp.GIMP.desktop\"\r\n"
                         "\"Firefox\";\"snap!firefox_firefox.desktop\"\r\n"));
    EXPECT_EQ(readFile(apps(s("index.dat"))),
              QByteArray("\xEF\xBB\xBFGIMP=flatpak!org.gimp.GIMP.desktop\r\n"
                         "Firefox=snap!firefox_firefox.desktop\r\n"));
    EXPECT_EQ(shortcuts(), (QStringList{s("Firefox.desktop"), s("GIMP.desktop")}));
    EXPECT_EQ(readFile(apps(s("Firefox.desktop"))),
              entry("Firefox", "Icon=/snap/firefox/icon.png\n"
                               "X-Lorvanta-AppId=snap!firefox_firefox.desktop\n"));
    const std::optional<DesktopEntry> gimp = readDesktopEntry(apps(s("GIMP.desktop")));
    ASSERT_TRUE(gimp);
    EXPECT_EQ(gimp->exec, s("/usr/bin/flatpak run org.gimp.GIMP %U"));
    EXPECT_EQ(gimp->name, s("GIMP"));
}

TEST_F(StoreAppsTest, LaterSyncsKeepReplaceAndDropShortcuts) {
    writeFile(flatpak + s("/org.gimp.GIMP.desktop"), entry("GIMP"));
    writeFile(snap + s("/firefox_firefox.desktop"), entry("Firefox"));
    writeFile(snap + s("/vlc_vlc.desktop"), entry("VLC"));
    writeFile(snap + s("/acdc_player.desktop"), entry("AC/DC \"Live\"; Play=er"));
    ASSERT_EQ(sync(), s("4"));
    for (const char* kept : {"VLC.desktop", "AC_DC \"Live\"; Player.desktop"})
        mark(s(kept));
    writeFile(apps(s("Stray.desktop")), entry("Stray"));
    writeFile(apps(s("notes.txt")), "mine");

    // Firefox is renamed, GIMP uninstalled, the others stay.
    writeFile(snap + s("/firefox_firefox.desktop"), entry("Firefox Web Browser"));
    QFile::remove(flatpak + s("/org.gimp.GIMP.desktop"));
    EXPECT_EQ(sync(), s("3"));
    EXPECT_EQ(shortcuts(), (QStringList{s("AC_DC \"Live\"; Player.desktop"),
                                        s("Firefox Web Browser.desktop"), s("VLC.desktop")}));
    EXPECT_EQ(indexDat(), s("\uFEFFAC/DC \"Live\"; Player=snap!acdc_player.desktop\r\n"
                            "VLC=snap!vlc_vlc.desktop\r\n"
                            "Firefox Web Browser=snap!firefox_firefox.desktop\r\n"));
    EXPECT_TRUE(marked(s("VLC.desktop")));
    EXPECT_TRUE(marked(s("AC_DC \"Live\"; Player.desktop")));
    EXPECT_TRUE(QFileInfo::exists(apps(s("notes.txt"))));

    // An update that changes the exported entry changes its copy too.
    writeFile(snap + s("/vlc_vlc.desktop"), entry("VLC", "Icon=vlc-new\n"));
    EXPECT_EQ(sync(), s("3"));
    EXPECT_TRUE(readFile(apps(s("VLC.desktop"))).contains("Icon=vlc-new"));
    EXPECT_TRUE(marked(s("AC_DC \"Live\"; Player.desktop")));
    mark(s("VLC.desktop"));

    // The same name now standing for another app gets a new shortcut.
    QFile::remove(snap + s("/vlc_vlc.desktop"));
    writeFile(flatpak + s("/org.videolan.VLC.desktop"), entry("VLC"));
    EXPECT_EQ(sync(), s("3"));
    // (Its file is written anew; a freed inode number may come back, so the
    // content tells.)
    EXPECT_TRUE(readFile(apps(s("VLC.desktop")))
                    .contains("X-Lorvanta-AppId=flatpak!org.videolan.VLC.desktop"));
    EXPECT_TRUE(indexDat().contains(s("\nVLC=flatpak!org.videolan.VLC.desktop\r\n")));
}

TEST_F(StoreAppsTest, FlushStartsOverButLeavesSubFolders) {
    writeFile(snap + s("/vlc_vlc.desktop"), entry("VLC"));
    ASSERT_EQ(sync(), s("1"));
    writeFile(apps(s("VLC.desktop")), "stale");
    writeFile(apps(s("notes.txt")), "mine");
    writeFile(apps(s(".hidden")), "mine");
    writeFile(apps(s("keep/inner.txt")), "mine");

    EXPECT_EQ(sync(true), s("1"));
    EXPECT_TRUE(readFile(apps(s("VLC.desktop"))).startsWith("[Desktop Entry]"));
    EXPECT_FALSE(QFileInfo::exists(apps(s("notes.txt"))));
    EXPECT_FALSE(QFileInfo::exists(apps(s(".hidden"))));
    EXPECT_TRUE(QFileInfo::exists(apps(s("keep/inner.txt"))));
}

TEST_F(StoreAppsTest, RemoveDeletesOnlyInsideTheDataFolder) {
    const QString outside = tmp_.path() + s("/elsewhere/Apps");
    writeFile(outside + s("/precious.txt"), "mine");
    writeFile(apps(s("sub/VLC.desktop")), "x");
    QFile::link(QFileInfo(outside).path(), dataFolder + s("/Link"));
    const struct {
        QString folder;
        bool removed;
    } cases[] = {
        {outside, false},
        {dataFolder + s("/Link/Apps"), false}, // through a link, still outside
        {dataFolder + s("/Apps/../../elsewhere/Apps"), false},
        {dataFolder, false},
        {appsFolder, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SyncStoreApps(c.folder, false, true, ctx), s("0"));
        EXPECT_EQ(QFileInfo::exists(c.folder), !c.removed) << c.folder.toStdString();
    }
    EXPECT_EQ(SyncStoreApps(dataFolder + s("/missing"), false, true, ctx), s("0"));
    EXPECT_TRUE(QFileInfo::exists(outside + s("/precious.txt")));
    EXPECT_TRUE(QFileInfo::exists(dataFolder));
}

TEST_F(StoreAppsTest, UnusableFilesLeaveEverythingAsItWas) {
    writeFile(snap + s("/vlc_vlc.desktop"), entry("VLC"));
    writeFile(snap + s("/firefox_firefox.desktop"), entry("Firefox"));
    ASSERT_EQ(sync(), s("2"));
    QFile::remove(snap + s("/vlc_vlc.desktop"));
    const QByteArray index = readFile(apps(s("index.dat")));

    // "uwp.csv" cannot be written: the pairs loaded are the result.
    QFile::remove(apps(s("uwp.csv")));
    QDir().mkpath(apps(s("uwp.csv")));
    EXPECT_EQ(sync(), s("2"));
    EXPECT_EQ(readFile(apps(s("index.dat"))), index);
    EXPECT_EQ(shortcuts(), (QStringList{s("Firefox.desktop"), s("VLC.desktop")}));
    QDir(apps(s("uwp.csv"))).removeRecursively();

    // "index.dat" cannot be read.
    QFile::remove(apps(s("index.dat")));
    QDir().mkpath(apps(s("index.dat")));
    EXPECT_EQ(sync(), s("0"));
    EXPECT_EQ(shortcuts(), (QStringList{s("Firefox.desktop"), s("VLC.desktop")}));
}

TEST_F(StoreAppsTest, AShortcutThatCannotBeWrittenIsTriedAgain) {
    writeFile(snap + s("/vlc_vlc.desktop"), entry("VLC"));
    writeFile(snap + s("/firefox_firefox.desktop"), entry("Firefox"));
    writeFile(apps(s("VLC.desktop/in-the-way")), "x");
    EXPECT_EQ(sync(), s("1"));
    EXPECT_EQ(indexDat(), s("\uFEFFFirefox=snap!firefox_firefox.desktop\r\n"));
    QDir(apps(s("VLC.desktop"))).removeRecursively();
    EXPECT_EQ(sync(), s("2"));
    EXPECT_EQ(shortcuts(), (QStringList{s("Firefox.desktop"), s("VLC.desktop")}));
}

TEST_F(StoreAppsTest, ClosingMidwayPrunesNothing) {
    writeFile(snap + s("/vlc_vlc.desktop"), entry("VLC"));
    writeFile(snap + s("/firefox_firefox.desktop"), entry("Firefox"));
    ASSERT_EQ(sync(), s("2"));
    QFile::remove(snap + s("/vlc_vlc.desktop"));
    const std::atomic<bool> closing{true};
    ctx.stop = &closing;
    EXPECT_EQ(sync(), s("2"));
    EXPECT_EQ(shortcuts(), (QStringList{s("Firefox.desktop"), s("VLC.desktop")}));
    ctx.stop = nullptr;
    EXPECT_EQ(sync(), s("1"));
    EXPECT_EQ(shortcuts(), QStringList{s("Firefox.desktop")});
}

} // namespace
