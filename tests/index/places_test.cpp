#include "index/places.h"
#include "testsupport.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

// A home folder with its own config and data folders below it.
struct Home {
    TempDataFolder dir;
    QString home = dir.root() + u"/home";
    QProcessEnvironment env;

    Home() {
        QDir().mkpath(home);
        env.insert(s("HOME"), home);
    }
    void writeDirs(const QByteArray& text) { writeFile(home + u"/.config/user-dirs.dirs", text); }
};

TEST(UserFolders, ReadsTheValuesTheToolWrites) {
    Home h;
    const struct {
        const char* line;
        const char* key;
        QString folder; // empty: the line gives nothing
    } cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"", "DESKTOP", h.home + u"/Desktop"},
        {"XDG_DOWNLOAD_DIR=\"$HOME/T\\\"l\\\\x\"", "DOWNLOAD", h.home + u"/T\"l\\x"},
        {"XDG_MUSIC_DIR=\"/srv/music/\"", "MUSIC", s("/srv/music")},
        {"  XDG_PICTURES_DIR=\"$HOME/Bilder\"  ", "PICTURES", h.home + u"/Bilder"},
        {"XDG_VIDEOS_DIR=\"$HOME/\"", "VIDEOS", QString()},             // switched off
        {"XDG_TEMPLATES_DIR=\"$HOME\"", "TEMPLATES", QString()},        // switched off
        {"XDG_PUBLICSHARE_DIR=$HOME/Public", "PUBLICSHARE", QString()}, // not quoted
        {"XDG_DOCUMENTS_DIR=\"Documents\"", "DOCUMENTS", QString()},    // relative
        {"# XDG_EXTRA_DIR=\"$HOME/Extra\"", "EXTRA", QString()},
        {"XDG_HOMEWORK_DIR=\"$HOMEWORK/x\"", "HOMEWORK", QString()},
    };
    QByteArray text;
    for (const auto& c : cases)
        text += QByteArray(c.line) + '\n';
    h.writeDirs(text);
    const QMap<QString, QString> folders = configuredUserFolders(h.env);
    for (const auto& c : cases)
        EXPECT_EQ(folders.value(s(c.key)), c.folder) << c.line;
}

TEST(UserFolders, DesktopAndDocumentsWithoutASetting) {
    Home h;
    EXPECT_TRUE(userFolders(h.env).isEmpty()) << "no file, no such folders";
    QDir().mkpath(h.home + u"/Desktop");
    QDir().mkpath(h.home + u"/Documents");
    EXPECT_EQ(userFolders(h.env).value(s("DESKTOP")), h.home + u"/Desktop");
    EXPECT_EQ(userFolders(h.env).value(s("DOCUMENTS")), h.home + u"/Documents");
    h.writeDirs("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(userFolders(h.env).value(s("DESKTOP")), h.home + u"/Schreibtisch");
}

TEST(UserFolders, ConfigHomeFromTheEnvironment) {
    Home h;
    h.writeDirs("XDG_DESKTOP_DIR=\"$HOME/Default\"\n");
    writeFile(h.dir.root() + u"/cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Other\"\n");
    EXPECT_EQ(userFolders(h.env).value(s("DESKTOP")), h.home + u"/Default");
    h.env.insert(s("XDG_CONFIG_HOME"), h.dir.root() + u"/cfg");
    EXPECT_EQ(userFolders(h.env).value(s("DESKTOP")), h.home + u"/Other");
    h.env.insert(s("XDG_CONFIG_HOME"), s("relative/cfg")); // ignored
    EXPECT_EQ(userFolders(h.env).value(s("DESKTOP")), h.home + u"/Default");
}

TEST(DiscoverPlaces, HomeUserFoldersAndTrashInOrder) {
    Home h;
    const QString pictures = h.dir.root() + u"/elsewhere/Bilder";
    for (const QString& d :
         QStringList{h.home + u"/Schreibtisch", h.home + u"/Documents", h.home + u"/Downloads",
                     pictures, h.home + u"/.local/share/Trash/files"})
        QDir().mkpath(d);
    // Written in another order than the list gives them; Music does not exist,
    // Templates repeats the desktop.
    h.writeDirs("XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                "XDG_MUSIC_DIR=\"$HOME/Music\"\n"
                "XDG_TEMPLATES_DIR=\"$HOME/Schreibtisch\"\n"
                "XDG_PICTURES_DIR=\"" +
                pictures.toUtf8() +
                "\"\n"
                "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
                "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    QStringList got;
    for (const TMyShellItem& i : discoverPlaces(h.env))
        got << i.name + u" | " + i.root + u" | " + QString(i.path).remove(h.dir.root()) + u" | " +
                   i.title;
    EXPECT_EQ(got, (QStringList{
                       s("Home | rfProfile | /home | Places"),
                       s("Schreibtisch | rfDesktop | /home/Schreibtisch | Places"),
                       s("Documents | rfPersonal | /home/Documents | Places"),
                       s("Downloads | ") + h.home + u"/Downloads | /home/Downloads | Places",
                       s("Bilder | ") + pictures + u" | /elsewhere/Bilder | Places",
                       s("Trash | rfRecycleBin | /home/.local/share/Trash/files | Places"),
                   }));
}

TEST(DiscoverPlaces, NoConfigAndNoTrashGiveHomeAlone) {
    Home h;
    const std::vector<TMyShellItem> places = discoverPlaces(h.env);
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(places[0].path, h.home);
}

} // namespace
