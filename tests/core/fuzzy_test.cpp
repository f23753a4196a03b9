#include "core/list/fuzzy.h"
#include "core/list/sources.h"
#include "testsupport.h"

using namespace lorvanta;
using lorvanta::test::s;

TEST(FuzzyScore, WorkedCases) {
    struct Case {
        const char* query;
        const char* name;
        int score;
        const char* why;
    };
    const Case cases[] = {
        {"ffx", "firefox", 1030, "in order; first and last letters shared"},
        {"fire", "firefox", 1030, "prefix and first letter"},
        {"fox", "firefox", 1050, "first and last letters and the suffix"},
        {"firefox", "firefox", 1060, "every bonus"},
        {"  FFX ", "FireFox", 1030, "case and blanks do not count"},
        {"xyz", "firefox", 0, "letters missing"},
        {"xof", "firefox", 0, "letters out of order"},
        {"firefoxes", "firefox", 0, "longer than the name"},
        {"", "firefox", 0, "empty query"},
        {"ffx", "", 0, "empty name"},
        // Several words: the last word's score (1060) beats the whole name's (1000), minus 3 div 2.
        {"code", "visual studio code", 1059, "a word scores with its bonuses"},
        // No letter sequence, but "studio" starts like "stx" for three letters: 3 * 10, minus 1.
        {"stx", "studio code", 29, "shared word start"},
        // "code" ends like "abde" for three letters read backwards: 3 * 10, minus 1.
        {"abde", "xx code", 29, "shared word end"},
        // Six blanks become three in one pass: four words, so 1060 minus 2.
        {"cd", "ab      cd", 1058, "double blanks reduced once"},
        // Letters in order over the whole name (1000) and +3 for each query word found.
        {"vis code", "visual studio code", 1005, "query words found"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FuzzyScore(s(c.query), s(c.name)), c.score)
            << c.query << " / " << c.name << ": " << c.why;
}

TEST(FuzzyScore, PreparedFormGivesTheSameScores) {
    for (const char* name : {"Visual  Studio Code", "firefox", " GNU Image Manipulation Program "})
        for (const char* q : {"vsc", "gimp", "fox", "code"})
            EXPECT_EQ(FuzzyScorePrepared(fuzzyPrepareQuery(s(q)), fuzzyPrepare(s(name))),
                      FuzzyScore(s(q), s(name)))
                << q << " / " << name;
}

TEST(FuzzyTable, KeepsTheTwentyBestAndReplacesTheFirstSmallest) {
    FuzzyTable t;
    for (int i = 1; i <= 25; ++i)
        t.offer(i, i);
    int lowest = 1000;
    for (const auto& slot : t.slots())
        lowest = std::min(lowest, slot.score);
    EXPECT_EQ(lowest, 6) << "scores 6 to 25 remain";

    // A score equal to the smallest held does not enter.
    EXPECT_FALSE(t.admits(6));
    EXPECT_TRUE(t.admits(7));

    FuzzyTable ties;
    for (int i = 0; i < FuzzyTable::kSlots; ++i)
        ties.offer(5, i);
    ties.offer(9, 100);
    EXPECT_EQ(ties.slots()[0].candidate, 100) << "the first slot holding the smallest score";
    ties.offer(9, 101);
    EXPECT_EQ(ties.slots()[1].candidate, 101);
    ties.offer(5, 102);
    EXPECT_EQ(ties.slots()[2].candidate, 2) << "an equal score does not replace";
}

TEST(FuzzyRank, ShorterNamesFirstAmongEqualScores) {
    EXPECT_GT(fuzzyRank(1030, 7), fuzzyRank(1030, 11));
    EXPECT_GT(fuzzyRank(1031, 30), fuzzyRank(1030, 1));
    EXPECT_EQ(fuzzyRank(1030, 7), 1030 * 1000 - 7 + 500);
}

// The --items list: one name a line, read from the bytes without a string
// each; blank lines are no names, a CR before the break is not part of one,
// and a line that is not plain ASCII is decoded on its own.
TEST(NameListIndex, LinesBecomeNamesAndPreparedNames) {
    // A lone byte 0xa0 at an end is a blank in Latin-1, not here: it is decoded.
    const QByteArray lines = "  Fire Fox \r\n\nÉté Ünï\nA  b   C\r\n\r\nx\t\nTHE\xff"
                             "END\nvoil\xa0\nlast";
    // A long list is read in two parts at once: the same names in the same order.
    const QByteArray longList = QByteArray(lines + "\n").repeated(20000) + lines;
    for (const QByteArray& text : {lines, longList}) {
        const NameListIndex index(text);
        QStringList expected;
        for (QString n : QString::fromUtf8(text).split(u'\n')) {
            if (n.endsWith(u'\r')) n.chop(1);
            if (!n.isEmpty()) expected << n;
        }
        ASSERT_EQ(index.size(), size_t(expected.size()));
        for (size_t i = 0; i < index.size(); ++i) {
            const QString& name = expected[qsizetype(i)];
            ASSERT_EQ(index.item(i).name, name) << i;
            ASSERT_EQ(index.names().prepared(i), fuzzyPrepare(name)) << i;
            ASSERT_EQ(index.names().entry(i).mask, fuzzyCharMask(fuzzyPrepare(name))) << i;
        }
        EXPECT_EQ(index.names().prepared(0), u"fire fox");
        EXPECT_EQ(index.names().prepared(2), u"a b  c");
        EXPECT_EQ(index.names().entry(2).words, 4);
        EXPECT_EQ(index.names().entry(0).longestWord, 4);
        EXPECT_EQ(index.names().entry(2).longestWord, 1);
    }
}
