// The commands whose whole mechanism is the dispatcher's own: trash, system
// facts, passwords, time, tags, chance, the data folder, power and lock, and
// the edit panel of the input.

#include "core/datafolder.h"
#include "core/expand/expansion.h"
#include "core/keywords/keywordstore.h"
#include "core/list/matching.h"
#include "core/settings/setup.h"
#include "core/util/seams.h"
#include "dispatcher.h"
#include "platform/platform.h"

namespace lorvanta {

namespace {

constexpr int kMaxDice = 1000;
constexpr int kMaxSides = 1000000;

RowResult keepResult() {
    RowResult r;
    r.keep = true;
    return r;
}

// A command that could not do its work: it says so and counts as a failure.
RowResult failedResult() {
    RowResult r;
    r.failed = true;
    return r;
}

} // namespace

DiceResult rollDice(const QString& expression, Random& random) {
    QString t = expression;
    t.remove(u' ');
    int modifier = 0;
    if (const qsizetype plus = t.indexOf(u'+'); plus >= 0) {
        modifier = commandInteger(t.mid(plus + 1));
        t = t.left(plus);
    }
    if (const qsizetype minus = t.indexOf(u'-'); minus >= 0) {
        modifier = -commandInteger(t.mid(minus + 1));
        t = t.left(minus);
    }
    t = t.toLower();
    int count = 1, sides = 6;
    // Unreadable counts and sides are taken as 0 (toInt's answer for them), so
    // "d6" or "x" is the modifier alone.
    if (const qsizetype d = t.indexOf(u'd'); d >= 0) {
        count = t.left(d).toInt();
        sides = t.mid(d + 1).toInt();
    } else if (!t.isEmpty()) {
        sides = t.toInt();
    }
    DiceResult r;
    if (count > kMaxDice || sides > kMaxSides) {
        r.ok = false;
        r.message = QStringLiteral("Dice: at most %1 dice of at most %2 sides")
                        .arg(kMaxDice)
                        .arg(kMaxSides);
        return r;
    }
    r.value = modifier;
    for (int i = 0; i < count && sides > 0; ++i)
        r.value += 1 + random.below(quint32(sides));
    return r;
}

void CommandDispatcher::registerOwnRows() {
    registerInputRows();
    registerSystemRows();
    registerRow(u"$LAUNCHTAG$", [this](const CommandCall& c) { return launchTag(c); });
    registerFindRows();
}

// Rows that answer in the input box or open its editor.
void CommandDispatcher::registerInputRows() {
    registerRow(u"$EDIT$", [this](const CommandCall&) {
        host_.bringToFront();
        host_.openEditText();
        return RowResult{};
    });
    registerRow(u"$SHOWIP$", [this](const CommandCall&) {
        host_.setNewWord(platform_.system.ipv4Addresses().join(QStringLiteral(", ")));
        return RowResult{};
    });
    registerRow(u"$PASSWORD$", [this](const CommandCall& c) {
        QString a = c.para.toLower();
        bool symbols = true;
        if (a.contains(u"no")) {
            symbols = false;
            a.remove(QStringLiteral("no"));
            a = a.trimmed();
        }
        if (a.isEmpty()) a = QStringLiteral("16");
        host_.setNewWord(generatePassword(commandInteger(a), symbols, random_));
        return RowResult{};
    });
    registerRow(u"$TIME$", [this](const CommandCall&) {
        host_.setNewWord(timeText(clock_.now(), setup_.customtime, QLocale()));
        return RowResult{};
    });
    registerRow(u"$FLIPCOIN$", [this](const CommandCall&) {
        host_.setNewWord(random_.below(2) == 0 ? QStringLiteral(" -= Heads =-")
                                               : QStringLiteral(" -= Tails =-"));
        return RowResult{};
    });
    registerRow(u"$RANDOM$", [this](const CommandCall& c) {
        const QString a = c.para.trimmed().isEmpty() ? QStringLiteral("100") : c.para.trimmed();
        const int n = commandInteger(a);
        // A range below 1 has no number in it.
        host_.setNewWord(n < 1 ? QStringLiteral("Random: the range must be at least 1")
                               : QString::number(random_.below(quint32(n))));
        return RowResult{};
    });
    registerRow(u"$ROLL$", [this](const CommandCall& c) {
        const DiceResult d = rollDice(c.para, random_);
        host_.setNewWord(d.ok ? QString::number(d.value) : d.message);
        return RowResult{};
    });
}

// Rows that ask the desktop: trash, search, data folder, screen saver, lock,
// minimising, the foreground window and sounds.
void CommandDispatcher::registerSystemRows() {
    registerRow(u"$EMPTYRECYCLEBIN$", [this](const CommandCall&) {
        if (platform_.system.emptyTrash()) return RowResult{};
        host_.toast(QStringLiteral("The trash could not be emptied"));
        return failedResult();
    });
    registerRow(u"$SEARCH$", [this](const CommandCall&) {
        // There is no common search of the desktop to open on Linux.
        host_.toast(QStringLiteral("The desktop's search is not available here"));
        RowResult r = failedResult();
        r.keep = true;
        return r;
    });
    registerRow(u"$DATAFOLDER$", [this](const CommandCall&) {
        platform::LaunchRequest r;
        r.file = folder_.path();
        if (platform_.launcher.shellExecute(r) > 32) return RowResult{};
        host_.toast(QStringLiteral("The data folder could not be opened"));
        return failedResult();
    });
    registerRow(u"$EXIT$", [](const CommandCall&) {
        RowResult r;
        r.cancelForcedHistory = true;
        return r;
    });
    registerRow(u"$SCREENSAVER$", [this](const CommandCall&) {
        if (platform_.system.startScreenSaver()) return RowResult{};
        host_.toast(QStringLiteral("The screen saver could not be started"));
        return failedResult();
    });
    registerRow(u"$LOCK$", [this](const CommandCall&) {
        if (platform_.system.lockSession()) return RowResult{};
        host_.toast(QStringLiteral("The session could not be locked"));
        return failedResult();
    });
    registerRow(u"$M$", [this](const CommandCall&) {
        expander_.services().minimizeAll();
        return RowResult{};
    });
    registerRow(u"$R$", [this](const CommandCall&) {
        expander_.services().undoMinimizeAll();
        return RowResult{};
    });
    registerRow(u"$GW$", [this](const CommandCall&) {
        expander_.services().rememberForegroundWindow();
        return RowResult{};
    });
    registerRow(u"$SOUND$", [this](const CommandCall& c) {
        expander_.services().playSound(expander_.ExpandBasic(c.enclosed().trimmed(), true));
        return RowResult{};
    });
}

RowResult CommandDispatcher::launchTag(const CommandCall& c) {
    const QString tag = c.keywordArgument(false, true);
    int ran = 0;
    bool self = false;
    if (store_.isTagName(tag) && tagDepth_ < kMaxTagDepth) {
        for (int i = 0; i < store_.size(); ++i) {
            const TExeWord& w = store_.at(i);
            if (w.disabled || !hasTag(w, tag)) continue;
            // A tagged keyword that would start itself again is left out.
            if (&w == c.word) {
                self = true;
                continue;
            }
            if (launchKeyword_) launchKeyword_(w, tagDepth_ + 1);
            ++ran;
        }
    } else if (store_.isTagName(tag)) {
        host_.toast(QStringLiteral("Tags start each other too deeply: ") + tag);
        RowResult r = keepResult();
        r.forceNoHistory = true;
        return r;
    }
    RowResult r;
    if (ran > 0) {
        r.forceHistory = true;
        r.keep = false;
    } else {
        host_.toast(self ? QStringLiteral("No other keyword has the tag: ") + tag
                         : QStringLiteral("No tag named: ") + tag);
        r.keep = true;
        r.forceNoHistory = true;
    }
    return r;
}

void CommandDispatcher::registerFindRows() {
    // Until the window list exists no window is found: that is the answer,
    // so the rest of the line is launched, and a search alone is done.
    for (const char16_t* find : {u"$WFINDACTIVE$", u"$WFINDCLOSE$"})
        registerRow(find, [](const CommandCall& c) {
            RowResult r;
            r.handled = c.restOfLine().trimmed().isEmpty();
            r.keep = false;
            return r;
        });
}

} // namespace lorvanta
