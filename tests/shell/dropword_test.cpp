#include "shell/dropword.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::writeFile;

namespace {

TEST(DropWord, KeywordNameOfAFileName) {
    const struct {
        const char* name;
        const char* keyword;
    } cases[] = {
        {"My Report", "myreport"}, {"ÄRGER", "ärger"}, {"a:b", "new..."},
        {"back\\slash", "new..."}, {"   ", "new..."},  {"", "new..."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dropKeywordName(s(c.name)), s(c.keyword)) << c.name;
}

TEST(DropWord, DroppedFileOrFolderBecomesANewKeyword) {
    const struct {
        const char* path;
        DropSender sender;
        const char* keyword;
        const char* comment;
    } cases[] = {
        {"/home/u/My Report.final.pdf", DropSender::Window, "myreport.final", "My Report.final"},
        {"/home/u/Projects/", DropSender::Window, "projects", "Projects"},
        {"/home/u/.bashrc", DropSender::Window, ".bashrc", ".bashrc"},
        {"/home/u/a:b.txt", DropSender::EditorFields, "new...", "a:b"},
        // A keyword file is imported only when dropped on the editor's list.
        {"/home/u/Tools.EXC", DropSender::Window, "tools", "Tools"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const DroppedItem item = GetDrag(s(c.path), c.sender);
        EXPECT_EQ(item.kind, DroppedItem::Kind::NewKeyword);
        EXPECT_EQ(item.word.keywords, s(c.keyword));
        EXPECT_EQ(item.word.comment, s(c.comment));
        EXPECT_EQ(item.word.command, s(c.path));
        EXPECT_TRUE(item.word.parameters.isEmpty());
    }
    const DroppedItem import = GetDrag(s("/home/u/Tools.EXC"), DropSender::EditorList);
    EXPECT_EQ(import.kind, DroppedItem::Kind::ImportKeywords);
    EXPECT_EQ(import.path, s("/home/u/Tools.EXC"));
}

TEST(DropWord, DesktopEntryGivesItsNameProgramAndFolder) {
    QTemporaryDir dir;
    const struct {
        const char* file;
        const char* text;
        const char* keyword;
        const char* command; // "@" is the entry's own path
        const char* parameters;
        const char* folder;
    } cases[] = {
        {"org.gnome.TextEditor.desktop",
         "[Desktop Entry]\nType=Application\nName=Text Editor\nName[de]=Texteditor\n"
         "Exec=/usr/bin/gedit --new-window \"my file\" it's %U\nPath=/srv/work\n",
         "texteditor", "/usr/bin/gedit", "--new-window 'my file' 'it'\\''s'", "/srv/work"},
        {"site.desktop", "[Desktop Entry]\nType=Link\nName=Wiki\nURL=https://example.org\n", "wiki",
         "@", "", ""},
        {"Broken Entry.desktop", "no group here\n", "brokenentry", "@", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(s(c.file));
        writeFile(path, c.text);
        const TExeWord w = GetDrag(path, DropSender::Window).word;
        EXPECT_EQ(w.keywords, s(c.keyword));
        EXPECT_EQ(w.command, s(c.command) == u"@" ? path : s(c.command));
        EXPECT_EQ(w.parameters, s(c.parameters));
        EXPECT_EQ(w.path, s(c.folder));
    }
}

TEST(DropWord, SentPathMustExist) {
    QTemporaryDir dir;
    EXPECT_FALSE(GetSendToWord(dir.filePath(s("missing.txt"))));
    EXPECT_FALSE(GetSendToWord({}));
    const auto word = GetSendToWord(dir.path());
    ASSERT_TRUE(word);
    EXPECT_EQ(word->command, dir.path());
}

TEST(DropWord, EditorFieldsKeepAGivenName) {
    TExeWord dropped = GetDrag(s("/srv/Build Tool.sh"), DropSender::EditorFields).word;
    dropped.path = s("/srv");
    for (const char* name : {"new...", "mine"}) {
        SCOPED_TRACE(name);
        TExeWord edited;
        edited.keywords = s(name);
        edited.parameters = s("--keep");
        fillDroppedFields(edited, dropped);
        EXPECT_EQ(edited.keywords, s(name) == u"mine" ? s("mine") : s("buildtool"));
        EXPECT_EQ(edited.command, s("/srv/Build Tool.sh"));
        EXPECT_EQ(edited.comment, s("Build Tool"));
        EXPECT_EQ(edited.path, s("/srv"));
        EXPECT_EQ(edited.parameters, s("--keep"));
    }
}

TEST(DropWord, CommaText) {
    const struct {
        const char* text;
        QStringList items;
    } cases[] = {
        {"", {}},
        {"notes,calc", {s("notes"), s("calc")}},
        {" notes  calc ", {s("notes"), s("calc")}},
        {"\"my docs\",x", {s("my docs"), s("x")}},
        {"\"a, b\" c", {s("a, b"), s("c")}},
        {"\"say \"\"hi\"\"\"", {s("say \"hi\"")}},
        {"\"a\"b", {s("a"), s("b")}},
        {"\"open", {s("open")}},
        {"a,,b", {s("a"), s(""), s("b")}},
        {"a,", {s("a"), s("")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(commaText(s(c.text)), c.items) << c.text;
}

TEST(DropWord, StartupLinesKeepOrderAndSkipEmptyItems) {
    EXPECT_EQ(startupLines(s("notes, ,\"\",https://example.org \"g hello world\",")),
              (QStringList{s("notes"), s("https://example.org"), s("g hello world")}));
}

} // namespace
