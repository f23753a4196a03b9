#include "core/list/folderlisting.h"
#include "core/list/recentdocs.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QUrl>
#include <fcntl.h>
#include <sys/stat.h>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

namespace {

QStringList texts(const std::vector<FolderEntry>& entries) {
    QStringList out;
    for (const FolderEntry& e : entries)
        out.append(e.text);
    return out;
}

// A small tree: two folders and a hidden one, files of mixed case.
struct Tree {
    TempDataFolder dir;
    QString root = dir.root() + QStringLiteral("/tree");
    Tree() {
        for (const char* d : {"Docs", "docs2", ".hidden", "other"})
            QDir().mkpath(root + u'/' + s(d));
        for (const char* f : {"doc.md", "B.txt", "a.txt", ".dotfile", "Docs/inner.txt"})
            writeFile(root + u'/' + s(f), "x");
    }
};

} // namespace

TEST(FolderListing, FoldersFirstThenFilesEachSortedWithoutCase) {
    Tree t;
    EXPECT_EQ(texts(listTypedPath(t.root + s("/d"), t.dir.root(), true)),
              (QStringList{t.root + s("/Docs"), t.root + s("/docs2"), t.root + s("/doc.md")}));
    EXPECT_EQ(texts(listTypedPath(t.root + s("/"), t.dir.root(), true)),
              (QStringList{t.root + s("/.hidden"), t.root + s("/Docs"), t.root + s("/docs2"),
                           t.root + s("/other"), t.root + s("/.dotfile"), t.root + s("/a.txt"),
                           t.root + s("/B.txt"), t.root + s("/doc.md")}));
    const auto entries = listTypedPath(t.root + s("/DOCS/"), t.dir.root(), true);
    EXPECT_TRUE(entries.empty()) << "the folder part keeps its case on a case-sensitive disk";
    const auto inner = listTypedPath(t.root + s("/Docs/"), t.dir.root(), true);
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_EQ(inner[0].item.name, s("inner.txt"));
    EXPECT_EQ(inner[0].item.path, t.root + s("/Docs/inner.txt"));
    EXPECT_FALSE(inner[0].isFolder);
}

TEST(FolderListing, EveryChangeToTheFolderIsSeenAtTheNextKeystroke) {
    Tree t;
    const QString other = t.root + s("/other/");
    const auto names = [&] { return texts(listTypedPath(other, t.dir.root(), true)); };
    // A folder quiet for an hour: its reading is kept until it changes.
    const auto age = [&] {
        const timespec old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), old, 0), 0);
    };
    age();
    EXPECT_TRUE(names().isEmpty());
    writeFile(other + s("one"), "x");
    EXPECT_EQ(names(), QStringList{other + s("one")});
    // Changed within the same tick as the reading before it: still seen.
    writeFile(other + s("two"), "x");
    EXPECT_EQ(names(), (QStringList{other + s("one"), other + s("two")}));
    QFile::remove(other + s("one"));
    EXPECT_EQ(names(), QStringList{other + s("two")});
    // Renamed in a folder whose time was set back to the same second.
    age();
    EXPECT_EQ(names(), QStringList{other + s("two")});
    QFile::rename(other + s("two"), other + s("three"));
    EXPECT_EQ(names(), QStringList{other + s("three")});
}

TEST(FolderListing, TypedFormsOfPaths) {
    Tree t;
    const QString home = t.root; // the tree stands for the home folder here
    struct Case {
        QString typed;
        QStringList rows;
    };
    const Case cases[] = {
        {s("~/oth"), {s("~/other")}},   {s("~"), {s("~")}},
        {s("./a"), {s("./a.txt")}},     {s("\"") + t.root + s("/b\""), {t.root + s("/B.txt")}},
        {s("//server/share/x"), {}},    {s("smb://server/share"), {}},
        {t.root + s("/missing/x"), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(texts(listTypedPath(c.typed, home, true)), c.rows) << c.typed.toStdString();
}

TEST(RecentDocuments, ExistingLocalFilesNewestFirst) {
    TempDataFolder dir;
    const QString a = dir.root() + s("/a report.odt"), b = dir.root() + s("/b.txt");
    writeFile(a, "a");
    writeFile(b, "b");
    const auto href = [](const QString& p) { return QUrl::fromLocalFile(p).toEncoded(); };
    const QByteArray xbel =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\">\n"
        "<bookmark href=\"" +
        href(a) +
        "\" added=\"2026-01-01T10:00:00Z\" "
        "modified=\"2026-01-01T10:00:00Z\" visited=\"2026-01-02T10:00:00Z\"/>\n"
        "<bookmark href=\"" +
        href(b) +
        "\" modified=\"2026-03-01T10:00:00Z\"/>\n"
        "<bookmark href=\"" +
        href(dir.root() + s("/gone.txt")) +
        "\" modified=\"2026-04-01T10:00:00Z\"/>\n"
        "<bookmark href=\"https://example.org/\" modified=\"2026-05-01T10:00:00Z\"/>\n"
        "</xbel>\n";
    const QString file = dir.root() + s("/recently-used.xbel");
    writeFile(file, xbel);
    const auto items = readRecentDocuments(file);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].name, s("b.txt"));
    EXPECT_EQ(items[1].name, s("a report.odt"));
    EXPECT_EQ(items[1].path, a);

    writeFile(file, "<xbel><bookmark href=\"" + href(a) + "\"");
    EXPECT_LE(readRecentDocuments(file).size(), 1u) << "a cut-off file gives what it holds";
    EXPECT_TRUE(readRecentDocuments(dir.root() + s("/none.xbel")).empty());
    EXPECT_EQ(recentDocumentsPath(QString(), s("/home/u")),
              s("/home/u/.local/share/recently-used.xbel"));
    EXPECT_EQ(recentDocumentsPath(s("/x/data"), s("/home/u")), s("/x/data/recently-used.xbel"));
}
