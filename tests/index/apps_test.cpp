#include "appentry.h"
#include "index/apps.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::entry;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

QProcessEnvironment envOf(std::initializer_list<std::pair<const char*, const char*>> vars) {
    QProcessEnvironment env;
    for (const auto& [k, v] : vars)
        env.insert(s(k), s(v));
    return env;
}

// One line per item, so a failure shows the whole list at once.
QStringList describe(const std::vector<TMyShellItem>& items, const QString& base) {
    QStringList out;
    for (const TMyShellItem& i : items)
        out << i.name + u" | " + i.title + u" | " + QString(i.path).remove(base) + u" | " + i.root;
    return out;
}

struct FolderCase {
    const char* what;
    std::initializer_list<std::pair<const char*, const char*>> env;
    QStringList folders;
};

TEST(ApplicationFolders, FollowTheXdgVariablesInOrder) {
    const FolderCase cases[] = {
        {"both set",
         {{"HOME", "/u"}, {"XDG_DATA_HOME", "/h"}, {"XDG_DATA_DIRS", "/a:/b"}},
         {s("/h/applications"), s("/a/applications"), s("/b/applications")}},
        {"defaults",
         {{"HOME", "/u"}},
         {s("/u/.local/share/applications"), s("/usr/local/share/applications"),
          s("/usr/share/applications")}},
        {"empty values give the defaults",
         {{"HOME", "/u"}, {"XDG_DATA_HOME", ""}, {"XDG_DATA_DIRS", ""}},
         {s("/u/.local/share/applications"), s("/usr/local/share/applications"),
          s("/usr/share/applications")}},
        {"relative entries are ignored, repeats given once",
         {{"HOME", "/u"},
          {"XDG_DATA_HOME", "rel"},
          {"XDG_DATA_DIRS", "rel:/a::/a/:/var/lib/flatpak/exports/share"}},
         {s("/u/.local/share/applications"), s("/a/applications"),
          s("/var/lib/flatpak/exports/share/applications")}},
    };
    for (const FolderCase& c : cases)
        EXPECT_EQ(applicationFolders(envOf(c.env)), c.folders) << c.what;
}

TEST(ApplicationFolders, LocaleAndDesktopsFromTheEnvironment) {
    EXPECT_EQ(messagesLocale(envOf({{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "fr_FR"}})),
              s("fr_FR"));
    EXPECT_EQ(messagesLocale(envOf({{"LC_ALL", "sv_SE"}, {"LC_MESSAGES", "fr_FR"}})), s("sv_SE"));
    EXPECT_EQ(messagesLocale(envOf({{"LC_ALL", ""}, {"LANG", "C.UTF-8"}})), QString());
    EXPECT_EQ(currentDesktops(envOf({{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}})),
              (QStringList{s("ubuntu"), s("GNOME")}));
    EXPECT_TRUE(currentDesktops(QProcessEnvironment()).isEmpty());
}

TEST(LocalizedName, MostSpecificTranslationWins) {
    TempDataFolder dir;
    const QString file = dir.root() + u"/app.desktop";
    writeFile(file, "[Desktop Entry]\nName=Files\nName[de]=Dateien\nName[de_DE]=Dateien DE\n"
                    "Name[sr_RS]=Datoteke RS\nName[sr@latin]=Datoteke lat\nName[pt]=\n"
                    "[Other Group]\nName[fr]=Fichiers\n");
    const std::optional<DesktopEntry> e = readDesktopEntry(file);
    ASSERT_TRUE(e);
    const struct {
        const char* locale;
        const char* name;
    } cases[] = {
        {"de_DE.UTF-8", "Dateien DE"},
        {"de_DE.UTF-8@euro", "Dateien DE"},
        {"de_AT", "Dateien"},
        {"de", "Dateien"},
        {"sr_RS@latin", "Datoteke RS"},
        {"sr_ME@latin", "Datoteke lat"},
        {"sr_ME", "Files"},
        {"fr_FR", "Files"}, // other groups do not count
        {"pt_BR", "Files"}, // an empty translation is no translation
        {"", "Files"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(localizedName(*e, s(c.locale)), s(c.name)) << c.locale;
}

// A menu folder, a bin folder with one program and the context to read them.
struct Menu {
    TempDataFolder dir;
    QString apps = dir.root() + u"/share/applications/";
    QString bin = dir.root() + u"/bin/";
    AppDiscovery context{QString(), {s("X-Custom"), s("KDE")}, {bin}};

    Menu() {
        writeFile(bin + u"present-tool", "#!/bin/sh\n");
        QFile::setPermissions(bin + u"present-tool", QFile::ReadOwner | QFile::ExeOwner);
        writeFile(bin + u"not-executable", "");
    }
};

TEST(DiscoverApplications, LeavesOutWhatTheMenuWouldNotShow) {
    Menu m;
    const QByteArray presentAbs = (m.bin + u"present-tool").toUtf8();
    const QByteArray notExecAbs = (m.bin + u"not-executable").toUtf8();
    const struct {
        const char* file;
        QByteArray text;
        bool listed;
    } cases[] = {
        {"plain", entry("plain"), true},
        {"link", "[Desktop Entry]\nType=Link\nName=link\nURL=https://example.org\n", false},
        {"no-type", "[Desktop Entry]\nName=no-type\nExec=true\n", false},
        {"nodisplay", entry("nodisplay", "NoDisplay=true\n"), false},
        {"nodisplay-false", entry("nodisplay-false", "NoDisplay=false\n"), true},
        {"hidden", entry("hidden", "Hidden=true\n"), false},
        {"only-other", entry("only-other", "OnlyShowIn=GNOME;XFCE;\n"), false},
        {"only-ours", entry("only-ours", "OnlyShowIn=GNOME;KDE;\n"), true},
        {"not-ours", entry("not-ours", "NotShowIn=KDE;\n"), false},
        {"not-other", entry("not-other", "NotShowIn=GNOME;\n"), true},
        {"tryexec-missing", entry("tryexec-missing", "TryExec=missing-tool\n"), false},
        {"tryexec-on-path", entry("tryexec-on-path", "TryExec=present-tool\n"), true},
        {"tryexec-absolute", entry("tryexec-absolute", "TryExec=" + presentAbs + "\n"), true},
        {"tryexec-not-exec", entry("tryexec-not-exec", "TryExec=" + notExecAbs + "\n"), false},
        {"tryexec-gone", entry("tryexec-gone", "TryExec=/nonexistent/tool\n"), false},
        {"no-group", "Name=no-group\nType=Application\n", false},
    };
    for (const auto& c : cases)
        writeFile(m.apps + s(c.file) + u".desktop", c.text);
    writeFile(m.apps + u"readme.txt", entry("not a desktop file"));

    QStringList names;
    for (const TMyShellItem& i : discoverApplications({m.apps}, m.context))
        names << i.name;
    for (const auto& c : cases)
        EXPECT_EQ(names.contains(s(c.file)), c.listed) << c.file;
    EXPECT_FALSE(names.contains(s("not a desktop file")));
}

TEST(DiscoverApplications, FirstFolderWinsEachDesktopFileId) {
    TempDataFolder dir;
    const QString base = dir.root();
    const QString home = base + u"/home", sys = base + u"/sys",
                  flatpak = base + u"/flatpak/exports/share";
    // The user's copies come first and hide or replace the system's.
    writeFile(home + u"/applications/firefox.desktop", entry("Firefox (mine)"));
    writeFile(home + u"/applications/kde-foo.desktop", entry("Foo (mine)"));
    writeFile(home + u"/applications/removed.desktop", entry("removed", "Hidden=true\n"));
    writeFile(home + u"/applications/broken.desktop", "not an entry\n");
    writeFile(sys + u"/applications/firefox.desktop", entry("Firefox"));
    writeFile(sys + u"/applications/removed.desktop", entry("Removed app"));
    writeFile(sys + u"/applications/broken.desktop", entry("Broken in home"));
    writeFile(sys + u"/applications/kde/foo.desktop", entry("Foo"));
    writeFile(sys + u"/applications/kde/bar.desktop", entry("Bar"));
    writeFile(sys + u"/applications/a/b/deep.desktop", entry("Deep"));
    writeFile(flatpak + u"/applications/org.example.Tool.desktop",
              entry("Tool", "Name[de]=Werkzeug\n"));
    writeFile(flatpak + u"/applications/firefox.desktop", entry("Firefox (flatpak)"));

    const QStringList folders =
        applicationFolders(envOf({{"HOME", "/nowhere"},
                                  {"XDG_DATA_HOME", home.toUtf8().constData()},
                                  {"XDG_DATA_DIRS", (sys + u':' + flatpak).toUtf8().constData()}}));
    const AppDiscovery context{s("de_DE.UTF-8"), {}, {}};
    EXPECT_EQ(describe(discoverApplications(folders, context), base),
              (QStringList{
                  s("Firefox (mine) | Applications | /home/applications/firefox.desktop | "
                    "rfApplications"),
                  s("Foo (mine) | Applications | /home/applications/kde-foo.desktop | "
                    "rfApplications"),
                  s("Broken in home | Applications | /sys/applications/broken.desktop | "
                    "rfApplications"),
                  s("Deep | a/b | /sys/applications/a/b/deep.desktop | rfApplications"),
                  s("Bar | kde | /sys/applications/kde/bar.desktop | rfApplications"),
                  s("Werkzeug | Applications | "
                    "/flatpak/exports/share/applications/org.example.Tool.desktop | "
                    "rfApplications"),
              }));
}

TEST(DiscoverApplications, SymbolicLinksAreFollowedButNotRoundALoop) {
    Menu m;
    writeFile(m.apps + u"top.desktop", entry("Top"));
    writeFile(m.apps + u"inner/in.desktop", entry("In"));
    writeFile(m.dir.root() + u"/elsewhere/there.desktop", entry("There"));
    ASSERT_TRUE(QFile::link(m.apps, m.apps + u"inner/back-to-top"));
    ASSERT_TRUE(QFile::link(m.apps + u"inner", m.apps + u"inner/self"));
    ASSERT_TRUE(QFile::link(m.dir.root() + u"/elsewhere", m.apps + u"linked"));

    EXPECT_EQ(describe(discoverApplications({m.apps}, m.context), m.apps),
              (QStringList{s("Top | Applications | top.desktop | rfApplications"),
                           s("In | inner | inner/in.desktop | rfApplications"),
                           s("There | linked | linked/there.desktop | rfApplications")}));
}

} // namespace
