// Rebuilding the candidate list while typing, at a heavy user's size: 200
// keywords, 1,000 history entries and 100,000 indexed items, with fuzzy
// suggestions on as by default. Each iteration is what one keystroke costs:
// the fuzzy search over keywords and index, then the list rebuild.
// Goal: median under 5 ms per rebuild for typed prefixes of 1 to 8 letters.
//
// With `--names FILE` it writes the 100,000 names, one per line, for the
// comparison with fzf (bench/fuzzy_vs_fzf.sh) and exits.

#include "core/history/history.h"
#include "core/ini/myinifiles.h"
#include "core/keywords/keywordstore.h"
#include "core/list/candidatelist.h"
#include "core/settings/setup.h"
#include "names.h"
#include "platform/fake/fakeplatform.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <cstring>

using namespace lorvanta;

namespace {

struct World {
    platform::FakePlatform fake;
    Setup setup;
    KeywordStore store;
    History history;
    Pinned pinned;
    MemoryIndex index;
    CandidateList list{setup,
                       store,
                       history,
                       pinned,
                       fake.platform().environment,
                       ListSources{&index, nullptr, nullptr, nullptr, nullptr, nullptr}};

    explicit World(bool indexFolders) {
        const QStringList names = bench::makeNames(100000);
        for (const QString& n : names) {
            TMyShellItem item;
            item.name = n;
            item.path = QStringLiteral("/usr/share/applications/") + n;
            index.add(std::move(item));
        }
        index.setIndexFolders(indexFolders);
        const QStringList kw = bench::makeNames(200, 777);
        for (int i = 0; i < kw.size(); ++i) {
            auto w = std::make_unique<TExeWord>();
            w->keywords = kw[i].toLower().remove(u' ') + u',' + QString::number(i);
            w->command = QStringLiteral("https://example.org/?q=$U$");
            store.append(std::move(w));
        }
        QString hist = QStringLiteral("[History]\n");
        const QStringList h = bench::makeNames(1000, 4242);
        for (int i = 0; i < h.size(); ++i)
            hist += QStringLiteral("H%1=%2\n").arg(i).arg(h[i]);
        history.load(TMemIniFile::FromText(hist));
    }
};

const char* const kWord = "thunderb";

void rebuild(benchmark::State& state, bool indexFolders) {
    static World* worlds[2] = {nullptr, nullptr};
    World*& world = worlds[indexFolders ? 1 : 0];
    if (!world) world = new World(indexFolders); // built once, kept for every prefix
    const QString typed = QString::fromLatin1(kWord, int(state.range(0)));
    InputState in;
    in.text = typed;
    for (auto _ : state) {
        world->list.FuzzySearch(typed, 2, true, 0);
        world->list.BuildListContent(in);
        benchmark::DoNotOptimize(world->list.rows().size());
    }
    state.counters["rows"] = double(world->list.rows().size());
    state.counters["suggestions"] = double(world->list.suggestions().size());
}

void BM_RebuildList(benchmark::State& state) {
    rebuild(state, false);
}
void BM_RebuildListWithIndexFolders(benchmark::State& state) {
    rebuild(state, true);
}

BENCHMARK(BM_RebuildList)
    ->DenseRange(1, 8)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RebuildListWithIndexFolders)->DenseRange(1, 8)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--names") == 0) {
        QFile f(QString::fromLocal8Bit(argv[2]));
        if (!f.open(QIODevice::WriteOnly)) return 1;
        for (const QString& n : bench::makeNames(100000))
            f.write(n.toUtf8() + '\n');
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
