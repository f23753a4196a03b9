#pragma once

#include "commandhost.h"
#include "commandtable.h"

#include <QHash>
#include <QString>
#include <functional>

namespace lorvanta {

namespace platform {
struct Platform;
}
struct Setup;
class KeywordStore;
class TExeWord;
class Expander;
class Clock;
class Random;
class DataFolder;

// What a row handler sees of one dispatch.
struct CommandCall {
    const QString& upper; // the line, upper-cased
    const QString& line;  // the line as written
    const QString& para;  // the typed parameter text, trimmed
    const TExeWord* word; // the keyword being executed, if any
    // The keyword parameters rule: `para` normalised, or the keyword's own
    // parameters expanded with it when they give something.
    std::function<QString(bool lower, bool trim)> keywordArgument;
    // Two-argument rows: the keyword's parameters after the inline markers,
    // without "$P$".
    std::function<QString()> secondArgument;
    // The text between two occurrences of the row's name, and the line
    // without that enclosed form.
    std::function<QString()> enclosed;
    std::function<QString()> restOfLine;
};

// What a handler changes of the row's usual outcome.
struct RowResult {
    std::optional<bool> handled; // assigns rather than sets (the find rows)
    std::optional<bool> keep;    // sets or clears "leave the window as it is"
    bool forceHistory = false;
    bool forceNoHistory = false;
    bool cancelForcedHistory = false; // $EXIT$ keeps even forced entries out
    bool failed = false;              // the command could not do its work here
};

using RowHandler = std::function<RowResult(const CommandCall&)>;

// The built-in command dispatcher: finds every command word of a keyword's
// command line, runs each in table order and says whether the line was
// handled, whether the window stays and whether history records it. Rows of
// subsystems register their handlers; a row without one says, in the name the
// user knows its feature by ("Notes are not available yet"), that it is not
// available yet, and launches nothing.
class CommandDispatcher final : public BuiltinDispatch {
public:
    // `launchKeyword` runs a keyword without waiting for it ($LAUNCHTAG$),
    // with the depth of tag launches that led to it.
    using KeywordLauncher = std::function<void(const TExeWord&, int tagDepth)>;

    CommandDispatcher(const Setup& setup, const KeywordStore& store, Expander& expander,
                      platform::Platform& platform, ExecutionHost& host, const DataFolder& folder,
                      const Clock& clock, Random& random);
    void setKeywordLauncher(KeywordLauncher launcher) { launchKeyword_ = std::move(launcher); }

    void registerRow(const QString& name, RowHandler handler);

    // Throws InvalidInteger when a row needs a number and gets none.
    bool CheckDoInternalCMD(const QString& mycmdline, const QString& para, bool& noaddhistory,
                            bool& noaftercommand, bool iskeyd, const TExeWord* exw,
                            bool forcebrowser) override;
    bool lastLineFailed() const override { return failed_; }
    // The deferred power commands; true when one ran.
    bool CheckDoInternalCMDAfter(const QString& mycmdline);

    // The line of a pending power command; the caller starts its timer
    // (210 ms) after the execution and then calls runPending().
    const QString& PendingAfterCommand() const override { return pending_; }
    void runPending() override;
    void dropPending() override { pending_.clear(); }

    // How deeply $LAUNCHTAG$ keywords may start tags in turn: execution sets
    // the depth of the keyword it runs before offering its line.
    static constexpr int kMaxTagDepth = 4;
    void setTagDepth(int depth) override { tagDepth_ = depth; }

private:
    void registerRow(const char16_t* name, RowHandler handler) {
        registerRow(QString::fromUtf16(name), std::move(handler));
    }
    void registerOwnRows();
    void registerInputRows();
    void registerSystemRows();
    void registerFindRows();
    RowResult launchTag(const CommandCall& c);
    bool rowFires(const CommandRow& row, const QString& upper, const QString& line) const;
    // The flags gathered while the rows of one line run.
    struct Outcome {
        bool handled = false, forceHistory = false, forceNoHistory = false, keep = false;
    };
    // Runs every row that fires, in table order; `currentName` is the row running.
    void walk(const QString& upper, const CommandCall& call, QString& currentName,
              bool forcebrowser, Outcome& out);
    RowResult runRow(const CommandRow& row, const CommandCall& call);

    const Setup& setup_;
    const KeywordStore& store_;
    Expander& expander_;
    platform::Platform& platform_;
    ExecutionHost& host_;
    KeywordLauncher launchKeyword_;
    const DataFolder& folder_;
    const Clock& clock_;
    Random& random_;
    QHash<QString, RowHandler> handlers_;
    QString pending_;
    bool failed_ = false;
    QStringList toldUnavailable_; // the "not available" messages the line has shown
    int tagDepth_ = 0;
};

// The dice of "$ROLL$": "3d6+2", "20", "d6", "" and the like. Counts above
// 1000 dice or 1,000,000 sides are refused with a message instead of rolled.
struct DiceResult {
    bool ok = true;
    qint64 value = 0;
    QString message;
};
DiceResult rollDice(const QString& expression, Random& random);

} // namespace lorvanta
