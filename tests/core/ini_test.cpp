#include "core/ini/atomicfile.h"
#include "core/ini/myinifiles.h"
#include "core/ini/textcodec.h"
#include "testsupport.h"

#include <QFile>
#include <unistd.h>

using namespace lorvanta;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::TempDataFolder;
using lorvanta::test::writeFile;

TEST(IniParsing, TrimsSkipsCommentsAndKeepsRepeatedSections) {
    const TMemIniFile ini = TMemIniFile::FromText(s("stray=ignored before any section\n"
                                                    "  [ First ]  \n"
                                                    "; a comment\n"
                                                    "   key one  =  value with = inside   \n"
                                                    "bare line\n"
                                                    "\n"
                                                    "[first]\n"
                                                    "key one=second section\n"
                                                    "[Other]\r\n"
                                                    "K=crlf\r\n"));
    EXPECT_EQ(ini.ReadSections(), (QStringList{s("First"), s("first"), s("Other")}));
    // Lookups ignore case and see the first of two sections of one name.
    EXPECT_EQ(ini.ReadString(s("FIRST"), s("KEY ONE"), {}), s("value with = inside"));
    EXPECT_EQ(ini.ReadSectionValues(s("first")),
              (QStringList{s("key one=value with = inside"), s("bare line")}));
    EXPECT_EQ(ini.ReadSection(s("First")), QStringList{s("key one")});
    EXPECT_EQ(ini.ReadString(s("other"), s("k"), {}), s("crlf"));
    EXPECT_EQ(ini.ReadString(s("none"), s("k"), s("dflt")), s("dflt"));
    EXPECT_TRUE(ini.SectionExists(s("OTHER")));
    EXPECT_TRUE(ini.ValueExists(s("other"), s("K")));
    EXPECT_FALSE(ini.ValueExists(s("other"), s("missing")));
}

TEST(IniParsing, EraseSectionUncoversTheNextOfTheSameName) {
    TMemIniFile ini = TMemIniFile::FromText(s("[W]\nkeywords=a\n[Setup]\nx=1\n[W]\nkeywords=b\n"));
    EXPECT_EQ(ini.ReadString(s("W"), s("keywords"), {}), s("a"));
    ini.EraseSection(s("w"));
    EXPECT_EQ(ini.ReadString(s("W"), s("keywords"), {}), s("b"));
    ini.EraseSection(s("W"));
    EXPECT_FALSE(ini.SectionExists(s("W")));
    ini.EraseSection(s("W")); // nothing left: no effect
    EXPECT_EQ(ini.ReadSections(), QStringList{s("Setup")});
}

TEST(IniParsing, IntegersAndBooleans) {
    struct Case {
        const char* value;
        int asInteger;
        bool asBool;
    };
    // Default 7 for integers, true for Booleans, so a fallback shows.
    const Case cases[] = {
        {"42", 42, true},         {"-3", -3, true},         {"0x1F", 31, true},
        {"0X1f", 31, true},       {"0", 0, false},          {"abc", 7, true},
        {"x", 7, true},           {"0x", 7, true},          {"", 7, true},
        {"12abc", 7, true},       {"2", 2, true},           {"0xZZ", 7, true},
        {"99999999999", 7, true}, {"0xFFFFFFFF", -1, true},
    };
    for (const Case& c : cases) {
        const TMemIniFile ini = TMemIniFile::FromText(s("[S]\nv=") + s(c.value) + u'\n');
        EXPECT_EQ(ini.ReadInteger(s("S"), s("v"), 7), c.asInteger) << c.value;
        EXPECT_EQ(ini.ReadBool(s("S"), s("v"), true), c.asBool) << c.value;
    }
    const TMemIniFile ini = TMemIniFile::FromText(s("[S]\nf=2.5\ng=nope\n"));
    EXPECT_DOUBLE_EQ(ini.ReadFloat(s("S"), s("f"), 0), 2.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(s("S"), s("g"), 1.25), 1.25);
}

TEST(IniLoadingMode, WriteReplacesTheFirstKeyOrAppendsAndCreatesSections) {
    TMemIniFile ini = TMemIniFile::FromText(s("[A]\nk=1\nK=2\n[A]\nk=3\n"));
    ini.WriteString(s("a"), s("k"), s("new"));
    ini.WriteInteger(s("A"), s("n"), 5);
    ini.WriteBool(s("B"), s("flag"), true);
    ini.DeleteKey(s("A"), s("K")); // the first "k", i.e. the line just replaced
    EXPECT_EQ(ini.text(), s("[A]\r\nK=2\r\nn=5\r\n\r\n[A]\r\nk=3\r\n\r\n[B]\r\nflag=1\r\n\r\n"));
}

TEST(IniLoadingMode, LargeSectionsStayConsistentAfterEdits) {
    // Sections this large get a key index; writes and deletes must keep it true.
    QString text = s("[Setup]\n");
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("key%1=%1\n").arg(i);
    TMemIniFile ini = TMemIniFile::FromText(text);
    EXPECT_EQ(ini.ReadInteger(s("Setup"), s("KEY39"), -1), 39);
    ini.DeleteKey(s("Setup"), s("key0"));
    ini.WriteString(s("Setup"), s("added"), s("yes"));
    ini.WriteString(s("Setup"), s("key5"), s("five"));
    EXPECT_EQ(ini.ReadInteger(s("Setup"), s("key39"), -1), 39);
    EXPECT_EQ(ini.ReadString(s("Setup"), s("added"), {}), s("yes"));
    EXPECT_EQ(ini.ReadString(s("Setup"), s("key5"), {}), s("five"));
    EXPECT_FALSE(ini.ValueExists(s("Setup"), s("key0")));
}

TEST(IniStreamingMode, WritesExactlyWhatItIsToldInOrder) {
    TMemIniFile ini = TMemIniFile::CreateFast(QString());
    ini.WriteString(s("W0"), s("keywords"), s("a"));
    ini.WriteString(s("W0"), s("keywords"), s("twice"));
    ini.WriteString(s("W1"), s("keywords"), s("b"));
    ini.WriteInteger(s("Setup"), s("n"), 3);
    ini.WriteString(s("W0"), s("late"), s("x")); // a second header, not a lookup
    ini.MyFlattenSections();
    EXPECT_EQ(ini.text(), s("[W]\r\nkeywords=a\r\nkeywords=twice\r\n\r\n[W]\r\nkeywords=b\r\n\r\n"
                            "[Setup]\r\nn=3\r\n\r\n[W]\r\nlate=x\r\n\r\n"));
    EXPECT_EQ(TMemIniFile::CreateFast(QString()).text(), QString());
}

TEST(IniLoadingMode, FlattenRenamesOnlySectionsStartingWithCapitalW) {
    TMemIniFile ini = TMemIniFile::FromText(s("[W0]\na=1\n[Window]\nb=2\n[w1]\nc=3\n[Setup]\n"));
    ini.MyFlattenSections();
    EXPECT_EQ(ini.ReadSections(), (QStringList{s("W"), s("W"), s("w1"), s("Setup")}));
    EXPECT_EQ(ini.ReadString(s("W"), s("a"), {}), s("1"));
}

TEST(IniLineBreaks, BrMarkingRoundTrips) {
    struct Case {
        const char* value;
        const char* stored;
        const char* decoded; // what reading gives back
    };
    const Case cases[] = {
        {"plain", "plain", "plain"},
        {"a\r\nb", "a{BR}b", "a\r\nb"},
        {"a\r\nb{BR}c", "a{BR}b{\\BR}c", "a\r\nb{BR}c"},
        // Without a line break the text is written as it is, so it reads back as one.
        {"x{BR}y", "x{BR}y", "x\r\ny"},
        // Bare LF and CR must not split the stored line.
        {"l1\nl2\rl3", "l1{BR}l2{BR}l3", "l1\r\nl2\r\nl3"},
        {"\r\n", "{BR}", "\r\n"},
    };
    for (const Case& c : cases) {
        TMemIniFile out = TMemIniFile::CreateFast(QString());
        out.WriteMultiLineString(s("S"), s("v"), s(c.value));
        EXPECT_EQ(out.text(), s("[S]\r\nv=") + s(c.stored) + s("\r\n\r\n")) << c.value;
        const TMemIniFile in = TMemIniFile::FromText(out.text());
        EXPECT_EQ(DecodeMultiLineValue(in.ReadString(s("S"), s("v"), {})), s(c.decoded)) << c.value;
    }
}

TEST(IniLineBreaks, SpacesAtTheEndsOfValuesAreLost) {
    TMemIniFile out = TMemIniFile::CreateFast(QString());
    out.WriteString(s("S"), s("v"), s("  padded  "));
    EXPECT_EQ(TMemIniFile::FromText(out.text()).ReadString(s("S"), s("v"), {}), s("padded"));
}

TEST(TextDecoding, ByteOrderMarksAndFallbacks) {
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {QByteArray("\xEF\xBB\xBF"
                    "caf\xC3\xA9"),
         s("café")},
        {QByteArray("caf\xC3\xA9"), s("café")},
        // Invalid UTF-8 bytes are Windows-1252, valid sequences beside them stay UTF-8.
        {QByteArray("caf\xE9 \x80 \xC3\xA9"), s("café € é")},
        {QByteArray("\x93quoted\x94"), s("“quoted”")},
        {QByteArray("\xC0\xAF overlong"), s("À¯ overlong")},
        {QByteArray("\xFF\xFE"
                    "a\0b\0",
                    6),
         s("ab")},
        {QByteArray("\xFE\xFF"
                    "\0a\0b",
                    6),
         s("ab")},
        {QByteArray("\xF0\x9F\x98\x80"), s("😀")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeText(c.bytes), c.text) << c.bytes.toHex().data();
}

TEST(IniFiles, WriterUsesBomAndCrLfAndReaderAcceptsLfWithoutBom) {
    TempDataFolder dir;
    const QString path = dir.file(s("x.ini"));
    writeFile(path, QByteArray("[Sec]\nname=Zo\xEB\nother=\xE2\x82\xAC\n"));
    TMemIniFile ini = TMemIniFile::Create(path);
    EXPECT_EQ(ini.ReadString(s("sec"), s("name"), {}), s("Zoë"));
    EXPECT_EQ(ini.ReadString(s("sec"), s("other"), {}), s("€"));

    ini.WriteString(s("Sec"), s("name"), s("Zoë"));
    ASSERT_TRUE(ini.UpdateFile().ok());
    EXPECT_EQ(readFile(path),
              QByteArray("\xEF\xBB\xBF[Sec]\r\nname=Zo\xC3\xAB\r\nother=\xE2\x82\xAC"
                         "\r\n\r\n"));
    EXPECT_TRUE(TMemIniFile::Create(dir.file(s("missing.ini"))).ReadSections().isEmpty());
}

TEST(IniFiles, RenameWithReloadReadsTheOtherFile) {
    TempDataFolder dir;
    writeFile(dir.file(s("b.ini")), "[B]\nk=v\n");
    TMemIniFile ini = TMemIniFile::FromText(s("[A]\nk=1\n"));
    ini.Rename(dir.file(s("b.ini")), false);
    EXPECT_TRUE(ini.SectionExists(s("A")));
    ini.Rename(dir.file(s("b.ini")), true);
    EXPECT_FALSE(ini.SectionExists(s("A")));
    EXPECT_EQ(ini.ReadString(s("B"), s("k"), {}), s("v"));
}

TEST(AtomicSave, ACrashBetweenWriteAndRenameLeavesTheOldFileWhole) {
    TempDataFolder dir;
    const QString path = dir.file(s("lorvanta.ini"));
    writeFile(path, "[Setup]\nold=1\n");
    TMemIniFile ini = TMemIniFile::CreateFast(path);
    ini.WriteString(s("Setup"), s("new"), s("2"));
    // The child dies at the worst moment: the new bytes are on disk, not yet renamed.
    EXPECT_EXIT(ini.UpdateFile([] { ::_exit(7); }), ::testing::ExitedWithCode(7), "");
    EXPECT_EQ(readFile(path), QByteArray("[Setup]\nold=1\n"));
    // The next save goes through and replaces the stale temporary file.
    ASSERT_TRUE(ini.UpdateFile().ok());
    EXPECT_TRUE(readFile(path).contains("new=2"));
    EXPECT_FALSE(QFile::exists(atomicTempPath(path)));
}

TEST(AtomicSave, AFailedWriteReportsAndKeepsTheOldFile) {
    TempDataFolder dir;
    const QString path = dir.file(s("sub/lorvanta.ini"));
    // No such folder: the temporary file cannot be created.
    const IoStatus st = writeFileAtomically(path, "x");
    EXPECT_EQ(st.code(), IoStatus::Code::OpenFailed);
    EXPECT_TRUE(st.detail().contains(s("lorvanta.ini.saving")));
    if (QFile::exists(s("/dev/full"))) {
        // A full disk: the write fails, nothing is renamed, no temporary file stays.
        const QString target = dir.file(s("full.ini"));
        writeFile(target, "old");
        ASSERT_TRUE(QFile::link(s("/dev/full"), atomicTempPath(target)));
        const IoStatus full = writeFileAtomically(target, QByteArray(1 << 16, 'x'));
        EXPECT_EQ(full.code(), IoStatus::Code::WriteFailed);
        EXPECT_EQ(readFile(target), QByteArray("old"));
    }
}

TEST(AtomicSave, KeepsThePermissionsOfTheOldFile) {
    TempDataFolder dir;
    const QString path = dir.file(s("private.ini"));
    writeFile(path, "x");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(writeFileAtomically(path, "y").ok());
    const auto all = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                     QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                     QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFile::permissions(path) & all, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// Program output and web pages go through the same decoder.
TEST(TextDecodingMore, Utf8WithWindows1252ForInvalidBytes) {
    const struct {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {"plain", s("plain")},           {"caf\xc3\xa9", s("café")},
        {"caf\xe9", s("café")},          {"\x80 \x93quoted\x94 \x81", s("€ “quoted” \u0081")},
        {"\xc0\xaf", s("À¯")},           // overlong "/"
        {"\xed\xa0\x80", s("í\u00a0€")}, // a surrogate
        {"\xe2\x82", s("â‚")},           // cut short
        {"\xf0\x9f\x98\x80!", s("😀!")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeText(c.bytes), c.text) << c.bytes.toHex().constData();
}

TEST(TextDecodingMore, ByteOrderMarksChooseTheEncoding) {
    const struct {
        QByteArray bytes;
        QString text;
    } cases[] = {
        {QByteArray("\xef\xbb\xbfhi\xe9", 6), s("hié")},
        {QByteArray("\xff\xfeh\0i\0", 6), s("hi")},
        {QByteArray("\xfe\xff\0h\0i", 6), s("hi")},
        {QByteArray("\xff\xfe\0\0h\0\0\0", 8), s("h")},
        {QByteArray("\xe9t\xe9"), s("été")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeText(c.bytes), c.text) << c.bytes.toHex().constData();
}
