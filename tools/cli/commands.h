#pragma once

#include <QStringList>
#include <cstdio>

namespace lorvanta::cli {

// Where a command writes: its lines for standard output and, on failure,
// its message for standard error.
struct Output {
    QByteArray out;
    QByteArray err;
    void line(const QString& text) {
        out += text.toUtf8();
        out += '\n';
    }
};

// The exit codes: 0 done, 1 the work failed, 2 the arguments were wrong.
enum Exit { Ok = 0, Failed = 1, Usage = 2 };

// `list [--caret N] [--all] [--reverse] TEXT...` and `fuzzy [--items FILE] QUERY...`;
// `args` are the command's own arguments, the data folder already chosen.
int runList(const QString& dataFolder, const QStringList& args, Output& o);
int runFuzzy(const QString& dataFolder, const QStringList& args, Output& o);
// `run --dry-run TEXT...` and `expand TEXT...`.
int runDry(const QString& dataFolder, const QStringList& args, Output& o);
int runExpand(const QString& dataFolder, const QStringList& args, Output& o);
// `index [--rebuild]` and `index --test FOLDER [--ext EXTENSIONS] [--level N]`.
int runIndex(const QString& dataFolder, const QStringList& args, Output& o);

extern const char kUsage[];

} // namespace lorvanta::cli
