#include "commands.h"

#include "commands/engine.h"
#include "core/exec/recording.h"
#include "core/util/seams.h"
#include "indexsource.h"
#include "loaded.h"

#include <QFile>
#include <memory>

namespace lorvanta::cli {

const char kUsage[] =
    "usage: lorvanta-cli [--data DIR] COMMAND [OPTIONS] ARGUMENTS...\n"
    "Answers what the launcher would do with an input, on a data folder it only reads.\n"
    "\n"
    "  list [--caret N] [--all] [--reverse] TEXT...\n"
    "      the rows of the candidate list for TEXT (caret at N; --all lists every\n"
    "      entry, --reverse matches anywhere in a name; \"--\" ends the options);\n"
    "      its indexed items come from the index that `index` prints\n"
    "  fuzzy [--items FILE] QUERY...\n"
    "      the fuzzy suggestions for each QUERY, a blank line between them; FILE\n"
    "      holds names standing for indexed items, one a line\n"
    "  run --dry-run TEXT...\n"
    "      what Enter on TEXT would start and record; nothing starts\n"
    "  expand TEXT...\n"
    "      the file, parameters and folder a keyword line launches\n"
    "  index [--rebuild]\n"
    "      the index, one entry a line as NAME<TAB>TITLE<TAB>PATH in index order:\n"
    "      from scancache.dat when it exists, else (or with\n"
    "      --rebuild) from a scan in memory; nothing is written. A tab, line break\n"
    "      or backslash in a value is printed as \\t, \\n, \\r or \\\\\n"
    "  index --test FOLDER [--ext EXTENSIONS] [--level N]\n"
    "      the index folder editor's test scan: the paths FOLDER gives to the index\n"
    "      (EXTENSIONS as \"exe;lnk\", \"\\\" for folders, none for every file;\n"
    "      N levels of sub-folders, 0 by default), then the count\n"
    "  --help, -h\n"
    "      print this help\n"
    "\n"
    "  --data DIR   the data folder (before or after the command); without it the\n"
    "               launcher's own rules choose it\n";

namespace {

int usage(Output& o) {
    o.err = kUsage;
    return Usage;
}

} // namespace

int runList(const QString& data, const QStringList& args, Output& o) {
    int caret = -1;
    bool all = false, reverse = false;
    QStringList words;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--caret") {
            bool ok = false;
            caret = i + 1 < args.size() ? args[++i].toInt(&ok) : -1;
            if (!ok || caret < 0) return usage(o);
        } else if (a == u"--all") {
            all = true;
        } else if (a == u"--reverse") {
            reverse = true;
        } else if (a == u"--") {
            words += args.mid(i + 1);
            break;
        } else {
            words.append(a);
        }
    }
    if (words.isEmpty()) return usage(o);
    InputState in;
    in.text = words.join(u' ');
    if (caret > in.text.size()) return usage(o);
    in.caret = caret;

    Loaded loaded(data);
    const std::unique_ptr<FileIndex> index = listIndex(loaded);
    CandidateList list = loaded.makeList(index.get());
    list.BuildListContent(in, all, reverse);
    for (const ListRow& row : list.rows().rows())
        o.line(row.text);
    return Ok;
}

int runFuzzy(const QString& data, const QStringList& args, Output& o) {
    QString itemsFile;
    QStringList queries;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == u"--items") {
            if (i + 1 >= args.size()) return usage(o);
            itemsFile = args[++i];
        } else {
            queries.append(args[i]);
        }
    }
    if (queries.isEmpty()) return usage(o);

    // The list is mapped rather than read: no copy, and the pages come from
    // the file cache. The index keeps pointing into it, so `f` outlives it.
    QFile f(itemsFile);
    QByteArray lines;
    if (!itemsFile.isEmpty()) {
        if (!f.open(QIODevice::ReadOnly)) {
            o.err = "lorvanta-cli: cannot read " + QFile::encodeName(itemsFile) + ": " +
                    f.errorString().toUtf8() + "\n";
            return Failed;
        }
        const uchar* mapped = f.size() > 0 ? f.map(0, f.size()) : nullptr;
        lines = mapped ? QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), f.size())
                       : f.readAll();
    }
    const NameListIndex index(lines);
    Loaded loaded(data);
    CandidateList list = loaded.makeList(&index);
    for (int q = 0; q < queries.size(); ++q) {
        if (q > 0) o.line(QString());
        list.FuzzySearch(queries[q], 0, false, 0);
        for (const ListRow& row : list.suggestions().rows())
            o.line(row.text);
    }
    return Ok;
}

namespace {

// The launcher takes the minus commands ("-s", "-n", ...) before anything
// else; their features are still to come, so it only names them. The dry run
// notes the one it took.
struct DryServices final : ExecutionServices {
    bool CheckMinusCommand(const QString& line) override {
        taken = minusCommandOf(line);
        return !taken.isEmpty();
    }
    QString taken;
};

// Execution on the loaded folder against recording stand-ins: nothing
// starts, nothing is written, and waits pass in virtual time.
struct DryEngine {
    explicit DryEngine(Loaded& l, const QString& input)
        : engine(l.core, l.folder, l.platform, host, expansion, services, scheduler, clock, random,
                 ListSources{nullptr, nullptr, nullptr, nullptr, nullptr, &l.recent}, false) {
        host.input = input;
    }
    RecordingHost host;
    RecordingExpansionServices expansion;
    DryServices services;
    ManualScheduler scheduler;
    SystemClock clock;
    SystemRandom random;
    Engine engine;
};

QString joinedText(const QStringList& args) {
    return args.join(u' ');
}

} // namespace

int runDry(const QString& data, const QStringList& args, Output& o) {
    if (args.size() < 2 || args.first() != u"--dry-run") return usage(o);
    const QString text = joinedText(args.mid(1));
    Loaded loaded(data);
    DryEngine dry(loaded, text);
    const QString before = loaded.core.history.empty() ? QString() : loaded.core.history.at(0).text;
    const int countBefore = loaded.core.history.size();
    bool result = false, finished = false;
    dry.engine.execution.setFinishedHandler([&](bool ok) {
        result = ok;
        finished = true;
    });
    const bool direct = dry.engine.execution.DoExecute(text);
    dry.scheduler.run();
    if (!finished) result = direct;
    if (!dry.services.taken.isEmpty())
        o.line(QStringLiteral("minus command: ") + dry.services.taken);
    for (const QString& call : loaded.fake.calls())
        o.line(call);
    const auto& h = loaded.core.history;
    if (!h.empty() && (h.size() != countBefore || h.at(0).text != before))
        o.line(QStringLiteral("history: ") + h.at(0).text);
    o.line(QStringLiteral("result: ") +
           (result ? QStringLiteral("true") : QStringLiteral("false")));
    return Ok;
}

int runExpand(const QString& data, const QStringList& args, Output& o) {
    if (args.isEmpty()) return usage(o);
    Loaded loaded(data);
    DryEngine dry(loaded, joinedText(args));
    const std::optional<LaunchPlan> plan = dry.engine.execution.planKeywordLaunch(joinedText(args));
    if (!plan) {
        o.err = "lorvanta-cli: no keyword: " + joinedText(args).section(u' ', 0, 0).toUtf8() + "\n";
        return Failed;
    }
    o.line(QStringLiteral("file: ") + plan->file);
    o.line(QStringLiteral("parameters: ") + plan->parameters);
    o.line(QStringLiteral("folder: ") + plan->folder);
    return Ok;
}

} // namespace lorvanta::cli
