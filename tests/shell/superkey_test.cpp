#include "core/ini/myinifiles.h"
#include "core/settings/setup.h"
#include "shell/hotkeys/superkey.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using lorvanta::SuperKeyMachine;
using lorvanta::SuperKeyOutcome;
using lorvanta::platform::RawKey;

namespace {

// Key events written as "+W@100" (press at 100 ms) and "-W@150" (release):
// W/V left/right Super, S/T left/right Shift, E the letter E.
QList<RawKey> parseEvents(const char* script) {
    QList<RawKey> events;
    for (const QString& token : QString::fromLatin1(script).split(u' ', Qt::SkipEmptyParts)) {
        const QChar name = token.at(1);
        const int key = name == u'W'   ? 91
                        : name == u'V' ? 92
                        : name == u'S' ? 160
                        : name == u'T' ? 161
                                       : int(name.unicode());
        events.append({key, token.at(0) == u'+', token.mid(3).toUInt(nullptr, 0)});
    }
    return events;
}

// One word per outcome: O open, S swallow, R silent release, M Start menu
// by Ctrl+Esc; "-" when the key just goes on.
QString outcomeWord(const SuperKeyOutcome& o) {
    QString word;
    if (o.open) word += u'O';
    if (o.swallow) word += u'S';
    if (o.silentRelease) word += u'R';
    if (o.startMenu) word += u'M';
    return word.isEmpty() ? QStringLiteral("-") : word;
}

// Feeds the events; returns the outcomes of the Super releases, blank
// separated. Any other event must lead to nothing.
QString run(SuperKeyMachine& machine, const char* script) {
    QStringList words;
    for (const RawKey& key : parseEvents(script)) {
        const SuperKeyOutcome o = machine.feed(key);
        if (!key.down && (key.key == 91 || key.key == 92))
            words.append(outcomeWord(o));
        else
            EXPECT_EQ(o, SuperKeyOutcome{}) << key.key << " down " << key.down;
    }
    return words.join(u' ');
}

// Three taps: the second 200 ms after the first (a double press with the
// default 350 ms), the third 200 ms later again.
constexpr const char* kThreeQuickTaps = "+W@0 -W@50 +W@200 -W@250 +W@400 -W@450";
// Two taps 500 ms apart: two single presses.
constexpr const char* kTwoSlowTaps = "+W@0 -W@50 +W@500 -W@550";
constexpr const char* kShiftWin = "+S@0 +W@10 -W@60 -S@70";

TEST(SuperKeyMachine, EveryModeActsAsItsRowOfTheTable) {
    const struct {
        int mode;
        const char* events;
        const char* outcomes;
    } cases[] = {
        // Mode 1: a tap opens; the second within the threshold goes on to
        // the desktop and starts the count again.
        {1, kThreeQuickTaps, "OSR - OSR"},
        {1, kTwoSlowTaps, "OSR OSR"},
        // Mode 2: a tap goes on; a second within the threshold opens.
        {2, kThreeQuickTaps, "- OSR -"},
        {2, kTwoSlowTaps, "- -"},
        {3, kThreeQuickTaps, "OSR OSR OSR"},
        {3, kTwoSlowTaps, "OSR OSR"},
        {4, kThreeQuickTaps, "OSR OSR OSR"},
        {4, kShiftWin, "SM"},
        {4, "+T@0 +V@10 -V@60 -T@70", "SM"},
        {5, kThreeQuickTaps, "- - -"},
        {5, kShiftWin, "O"},
        // Shift let go just before Super still counts as Shift+Super.
        {5, "+S@0 +W@10 -S@50 -W@60", "O"},
        {5, "+W@0 +T@10 -V@60 -T@70", "O"},
        // Mode 6: a tap does nothing at all; a double press opens.
        {6, kThreeQuickTaps, "SR OSR SR"},
        {6, kTwoSlowTaps, "SR SR"},
        {7, kThreeQuickTaps, "SR - SR"},
        {7, kTwoSlowTaps, "SR SR"},
        {8, kThreeQuickTaps, "SR SR SR"},
        // Shift only matters in modes 4 and 5: elsewhere it makes a combination.
        {3, "+W@0 +S@10 -S@20 -W@60", "-"},
        // Modes without a gesture act on nothing.
        {0, kThreeQuickTaps, "- - -"},
        {9, kThreeQuickTaps, "- - -"},
        // The right Super key is the same key.
        {2, "+V@0 -V@50 +V@200 -V@250", "- OSR"},
        // A release of Super that was never seen pressed is left alone.
        {3, "-W@0", "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ": " << c.events);
        SuperKeyMachine machine(c.mode, 350);
        EXPECT_EQ(run(machine, c.events), QString::fromLatin1(c.outcomes));
    }
}

TEST(SuperKeyMachine, CombinationsWithSuperAlwaysPassThrough) {
    for (int mode = 1; mode <= 8; ++mode) {
        SCOPED_TRACE(mode);
        SuperKeyMachine machine(mode, 350);
        EXPECT_EQ(run(machine, "+W@0 +E@10 -E@20 -W@30"), QStringLiteral("-"));
        // Super+E held in a different order.
        EXPECT_EQ(run(machine, "+W@1000 +E@1010 -W@1020 -E@1030"), QStringLiteral("-"));
        // The combination is over: the next tap is a tap again.
        SuperKeyMachine clean(mode, 350);
        EXPECT_EQ(run(machine, "+W@5000 -W@5050"), run(clean, "+W@5000 -W@5050"));
    }
}

TEST(SuperKeyMachine, OnlyDoublePressModesCountReleases) {
    for (int mode = 1; mode <= 8; ++mode) {
        SCOPED_TRACE(mode);
        const bool counts = mode == 1 || mode == 2 || mode == 6 || mode == 7;
        SuperKeyMachine machine(mode, 350);
        run(machine, "+W@0 -W@100");
        EXPECT_EQ(machine.counting(), counts);
        EXPECT_EQ(machine.lastWinRelease(), counts ? 100u : 0u);
        // A second release within the threshold starts the count again.
        run(machine, "+W@200 -W@300");
        EXPECT_FALSE(machine.counting());
        // A slow second release is a first one again.
        run(machine, "+W@900 -W@1000");
        EXPECT_EQ(machine.counting(), counts);
    }
}

TEST(SuperKeyMachine, DoublePressAcrossTheEdgesOfTheClock) {
    const struct {
        const char* events;
        int threshold;
        const char* outcomes;
    } cases[] = {
        // The desktop's millisecond clock wraps after 49.7 days.
        {"+W@0xFFFFFF00 -W@0xFFFFFF10 +W@0x30 -W@0x50", 350, "- OSR"},
        {"+W@0xFFFFFF00 -W@0xFFFFFF10 +W@0x200 -W@0x220", 350, "- -"},
        // A release at time 0 is a release like any other.
        {"+W@0xFFFFFFF0 -W@0 +W@100 -W@150", 350, "- OSR"},
        // Exactly the threshold apart is too late.
        {"+W@0 -W@100 +W@400 -W@450", 350, "- -"},
        {"+W@0 -W@100 +W@400 -W@449", 350, "- OSR"},
        // Without a threshold there is no double press.
        {"+W@0 -W@100 +W@100 -W@100", 0, "- -"},
        {"+W@0 -W@100 +W@100 -W@101", -5, "- -"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.events);
        SuperKeyMachine machine(2, c.threshold);
        EXPECT_EQ(run(machine, c.events), QString::fromLatin1(c.outcomes));
    }
}

TEST(SuperKeyMachine, ShiftTypedEarlierIsNotPartOfALaterTap) {
    // Typing a capital letter, then later tapping Super: a plain tap.
    const char* events = "+S@0 +E@10 -E@20 -S@30 +W@2000 -W@2050";
    SuperKeyMachine four(4, 350), five(5, 350);
    EXPECT_EQ(run(four, events), QStringLiteral("OSR"));
    EXPECT_EQ(run(five, events), QStringLiteral("-"));
}

TEST(SuperKeyModes, CaptionsSayWhatLinuxCannotDo) {
    const QStringList captions = lorvanta::winKeyModeCaptions();
    ASSERT_EQ(captions.size(), 11);
    EXPECT_EQ(captions[0], QStringLiteral("No override (Windows default)"));
    EXPECT_TRUE(captions[1].startsWith(
        QStringLiteral("Win opens Lorvanta, press twice opens Start menu (on Linux")));
    EXPECT_EQ(captions[5], QStringLiteral("Win opens Start menu, Shift+Win opens Lorvanta"));
    EXPECT_EQ(captions[9], QStringLiteral("Win+R opens Lorvanta"));
    EXPECT_EQ(captions[10], QStringLiteral("Win+Z opens Lorvanta (Legacy)"));
    // Every mode that would hold Super back from the desktop says it cannot.
    for (int mode : {1, 2, 3, 4, 6, 7, 8})
        EXPECT_TRUE(captions[mode].contains(QStringLiteral("on Linux"))) << mode;
    EXPECT_TRUE(captions[8].contains(QStringLiteral("does nothing")));
}

TEST(SuperKeyModes, SettingsChooseTheModes) {
    const struct {
        const char* ini;
        QList<int> modes;
    } cases[] = {
        {"", {}},
        {"hookwin=2\n", {2}},
        {"hookwin=-1\n", {}},
        {"hookwin=10\n", {10}},
        // A gaming mode replaces the gesture, but not the Super+R/Z hotkeys.
        {"hookwin=2\ngamingmode=1\n", {6}},
        {"hookwin=9\ngamingmode=3\n", {8, 9}},
        {"gamingmode=2\n", {7}},
        // The older keys choose modes 9 and 10.
        {"hookwinr=1\n", {9}},
        {"hookwin=1\nhookwinz=1\n", {10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        lorvanta::Setup setup;
        lorvanta::ReadSetup(lorvanta::TMemIniFile::FromText(QStringLiteral("[Setup]\n") +
                                                            QString::fromLatin1(c.ini)),
                            setup);
        EXPECT_EQ(lorvanta::winKeyModes(setup), c.modes);
    }
}

} // namespace
