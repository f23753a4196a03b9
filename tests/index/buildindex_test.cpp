#include "core/settings/setup.h"
#include "index/buildindex.h"
#include "testsupport.h"

#include <QDir>
#include <functional>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

QByteArray entry(const char* name, const QByteArray& extra = {}) {
    return QByteArray("[Desktop Entry]\nType=Application\nExec=true\nName=") + name + "\n" + extra;
}

// A home with user folders, a menu in XDG_DATA_HOME and in a system folder,
// a Flatpak export folder, one index folder, the "Apps" folder and a
// windowssettings.txt: every source of a rebuild once.
class Desktop {
public:
    Desktop() {
        const QString h = home();
        for (const char* d : {"Desktop", "Documents/Letters", "Projects", ".cache", "tree/sub"})
            QDir().mkpath(h + u'/' + s(d));
        writeFile(h + s("/.config/user-dirs.dirs"),
                  "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n");
        writeFile(h + s("/Desktop/editor.desktop"), entry("Text Editor"));
        writeFile(h + s("/Desktop/notes.txt"), "");
        writeFile(h + s("/Documents/cv.txt"), "");
        writeFile(h + s("/Projects/plan.md"), "");
        writeFile(h + s("/tree/a.exe"), "");
        writeFile(h + s("/tree/sub/b.exe"), "");
        writeFile(h + s("/tree/readme.txt"), "");
        writeFile(h + s("/.local/share/applications/firefox.desktop"), entry("Firefox"));
        writeFile(
            sys() + s("/applications/gnome-wifi-panel.desktop"),
            entry("Wi-Fi", "NoDisplay=true\nCategories=GNOME;Settings;X-GNOME-Settings-Panel;\n"));
        writeFile(sys() + s("/applications/helper.desktop"),
                  entry("Helper", "NoDisplay=true\nCategories=Settings;\n"));
        writeFile(sys() + s("/applications/prefs.desktop"),
                  entry("Preferences", "Categories=Settings;\n"));
        writeFile(flatpak() + s("/applications/org.gimp.GIMP.desktop"), entry("GIMP"));
        writeFile(dir.file(s("Apps/Spotify.desktop")), entry("Spotify"));
        writeFile(dir.file(s("windowssettings.txt")),
                  "# pages\nDisplay = gnome-control-center display\n");
    }

    QString home() const { return dir.root() + s("/home"); }
    QString sys() const { return dir.root() + s("/sys"); }
    QString flatpak() const { return dir.root() + s("/flatpak/exports/share"); }

    IndexPlan plan(const Setup& setup) const {
        QProcessEnvironment env;
        env.insert(s("HOME"), home());
        env.insert(s("XDG_DATA_DIRS"), sys() + u':' + flatpak());
        env.insert(s("PATH"), s("/usr/bin:/bin"));
        return makeIndexPlan(setup, dir.path(), dir.programFolder(), env, [this](const QString& t) {
            return QString(t).replace(s("%HOME%"), home());
        });
    }

    // "name | title | root" per entry, the home folder written as "~".
    QStringList build(const IndexPlan& plan) const {
        IndexList list;
        BuildIndex(plan, list);
        QStringList out;
        for (const IndexList::Entry& e : list.entries())
            out << QString(e.item->name + u" | " + e.item->title + u" | " + e.item->root)
                       .replace(home(), s("~"))
                       .replace(dir.path(), s("DATA/"));
        return out;
    }

    TempDataFolder dir;
};

Setup withFolders() {
    lorvanta::Setup setup;
    setup.scandirs = s("\"%HOME%/tree\",\"exe\",\"1\"|");
    return setup;
}

TEST(BuildIndex, ScansEverySourceInOrder) {
    Desktop d;
    const QStringList expected = {
        // places
        s("Home | Places | rfProfile"),
        s("Desktop | Places | rfDesktop"),
        s("Documents | Places | rfPersonal"),
        // the home folder's own folders, hidden ones too (includehidden)
        s(".cache | home | rfProfile"),
        s(".config | home | rfProfile"),
        s(".local | home | rfProfile"),
        s("Desktop | home | rfProfile"),
        s("Documents | home | rfProfile"),
        s("Projects | home | rfProfile"),
        s("tree | home | rfProfile"),
        // the menu: XDG_DATA_HOME, the system folder, the Flatpak export
        s("Firefox | Applications | rfApplications"),
        s("Preferences | Applications | rfApplications"),
        s("GIMP | Applications | rfApplications"),
        // extra roots: rfControlPanel and rfCommonAdminTools have no folder;
        // documents gives folders only, the desktop its entries under their names
        s("Letters | Documents | rfPersonal"),
        s("Text Editor | Desktop | rfDesktop"),
        // the index folder: exe files to depth 1, titled by sub-folder
        s("b.exe | sub | ~/tree/"),
        s("a.exe | tree | ~/tree/"),
        // the Apps folder's shortcuts, named after their apps
        s("Spotify | Apps | DATA/Apps/"),
        // settings panels (shown Settings entries and GNOME panels), then the file
        s("Wi-Fi | System settings | rfSettings"),
        s("Preferences | System settings | rfSettings"),
        s("Display | System settings | rfSettings"),
    };
    const QStringList got = d.build(d.plan(withFolders()));
    // Within one folder the order is the file system's; the sources come in order.
    const auto sorted = [](QStringList l) { return l.sort(), l.join(u'\n').toStdString(); };
    EXPECT_EQ(sorted(got), sorted(expected));
    const auto roots = [](const QStringList& lines) {
        QStringList out;
        for (const QString& l : lines)
            if (const QString r = l.section(s(" | "), -1); out.isEmpty() || out.last() != r)
                out << r;
        return out.join(s(", ")).toStdString();
    };
    EXPECT_EQ(roots(got), roots(expected));
}

TEST(BuildIndex, SettingsNarrowWhatIsScanned) {
    Desktop d;
    struct Case {
        const char* what;
        std::function<void(lorvanta::Setup&)> change;
        std::function<void(IndexPlan&)> changePlan;
        QStringList present, absent;
    };
    const Case cases[] = {
        {"no hidden entries",
         [](lorvanta::Setup& st) { st.includehidden = false; },
         {},
         {s("Projects | home | rfProfile")},
         {s(".cache | home | rfProfile")}},
        {"excluded folders are not scanned",
         [](lorvanta::Setup& st) { st.excludetype = 1, st.excludelist = s("/SUB;nothing"); },
         {},
         {s("a.exe | tree | ~/tree/")},
         {s("b.exe | sub | ~/tree/")}},
        {"exclusion needs excludetype 1",
         [](lorvanta::Setup& st) { st.excludelist = s("/sub"); },
         {},
         {s("b.exe | sub | ~/tree/")},
         {}},
        {"no system items",
         [](lorvanta::Setup& st) { st.scanwindowsitems = false; },
         {},
         {s("a.exe | tree | ~/tree/"), s("Display | System settings | rfSettings")},
         {s("Home | Places | rfProfile"), s("Firefox | Applications | rfApplications")}},
        {"no settings pages",
         [](lorvanta::Setup& st) { st.indexwinsettings = false; },
         {},
         {s("Firefox | Applications | rfApplications")},
         {s("Wi-Fi | System settings | rfSettings"), s("Display | System settings | rfSettings")}},
        {"no store apps",
         [](lorvanta::Setup& st) { st.indexuwp = false; },
         {},
         {s("GIMP | Applications | rfApplications")},
         {s("Spotify | Apps | DATA/Apps/")}},
        {"store apps come once, through the Apps folder, when it is synced",
         {},
         [](IndexPlan& p) { p.syncStoreApps = [](const IndexPlan&, const std::atomic<bool>*) {}; },
         {s("Spotify | Apps | DATA/Apps/")},
         {s("GIMP | Applications | rfApplications")}},
        {"an unknown extra root name is left out, a path is scanned",
         [](lorvanta::Setup& st) {
             st.indexextraitems = s(" rfNoSuchThing , rfTemplates,%HOME%/Projects");
         },
         [](IndexPlan& p) { p.extraRoots.last().replace(s("%HOME%"), p.env.value(s("HOME"))); },
         {s("plan.md | Projects | ~/Projects")},
         {s("Letters | Documents | rfPersonal")}},
    };
    for (const Case& c : cases) {
        lorvanta::Setup setup = withFolders();
        if (c.change) c.change(setup);
        IndexPlan plan = d.plan(setup);
        if (c.changePlan) c.changePlan(plan);
        const QStringList got = d.build(plan);
        for (const QString& p : c.present)
            EXPECT_TRUE(got.contains(p)) << c.what << ": " << p.toStdString();
        for (const QString& a : c.absent)
            EXPECT_FALSE(got.contains(a)) << c.what << ": " << a.toStdString();
    }
}

TEST(BuildIndex, StopsBetweenSteps) {
    Desktop d;
    std::atomic<bool> stop{true};
    IndexList list;
    BuildIndex(d.plan(withFolders()), list, &stop);
    EXPECT_EQ(list.size(), 0u);
}

TEST(IndexPlan, TakesTheSettingsApart) {
    Desktop d;
    lorvanta::Setup setup;
    setup.scandirs = s("\"%HOME%/tree\",\"exe\",\"1\"|\"/Media/Music\",\"\",\"x\"|");
    setup.indexextraitems = s(" rfDesktop ,, rfPersonal");
    setup.excludetype = 1;
    setup.excludelist = s("cache; tmp ;");
    const IndexPlan plan = d.plan(setup);
    ASSERT_EQ(plan.folders.size(), 2);
    EXPECT_EQ(plan.folders[0].path, d.home() + s("/tree/"));
    EXPECT_EQ(plan.folders[1].path, s("/Media/Music/")) << "paths keep their case";
    EXPECT_EQ(plan.extraRoots, QStringList({s("rfDesktop"), s("rfPersonal")}));
    EXPECT_EQ(plan.excludes, QStringList({s("cache"), s("tmp")}));
    EXPECT_TRUE(indexWanted(setup));
    setup.scanwindowsitems = false;
    EXPECT_TRUE(indexWanted(setup)) << "index folders alone";
    setup.scandirs.clear();
    EXPECT_FALSE(indexWanted(setup));
}

TEST(RestoredTitle, GivesCachedItemsTheirDescriptionBack) {
    QProcessEnvironment env;
    env.insert(s("HOME"), s("/u"));
    const auto title = [&](const char* name, const char* root, const char* path) {
        TMyShellItem item;
        item.name = s(name);
        item.root = s(root);
        item.path = s(path);
        return restoredTitle(item, env).toStdString();
    };
    EXPECT_EQ(title("Wi-Fi", "rfSettings", "/usr/share/applications/wifi.desktop"),
              "System settings");
    EXPECT_EQ(title("Home", "rfProfile", "/u"), "Places");
    EXPECT_EQ(title("Music", "/u/Music", "/u/Music"), "Places");
    EXPECT_EQ(title("Firefox", "rfApplications", "/usr/share/applications/firefox.desktop"),
              "Applications");
    EXPECT_EQ(title("Tool", "rfApplications", "/usr/share/applications/kde/tool.desktop"), "kde");
    EXPECT_EQ(title("b.exe", "/u/tree/", "/u/tree/sub/b.exe"), "sub");
}

TEST(RootFolder, MapsRootNamesToThisDesktop) {
    QProcessEnvironment env;
    env.insert(s("HOME"), s("/u"));
    env.insert(s("XDG_CONFIG_HOME"), s("/nonexistent-config"));
    EXPECT_EQ(rootFolder(s("RFPROFILE"), env), s("/u"));
    EXPECT_EQ(rootFolder(s("rfRecycleBin"), env), s("/u/.local/share/Trash/files"));
    EXPECT_EQ(rootFolder(s("rfStartMenu"), env), s("/u/.local/share/applications"));
    EXPECT_EQ(rootFolder(s("rfStartup"), env), s("/nonexistent-config/autostart"));
    EXPECT_EQ(rootFolder(s("rfControlPanel"), env), QString());
    EXPECT_EQ(rootFolder(s("rfDesktop"), env), QString()) << "no user-dirs.dirs";
    EXPECT_EQ(rootFolder(s("/srv/x"), env), s("/srv/x"));
    EXPECT_EQ(rootFolder(s("rfNoSuchThing"), env), QString());
    EXPECT_EQ(rootFolder(s("relative/x"), env), QString());
}

} // namespace
