// Rebuilding the candidate list while typing, at a heavy user's size: 200
// keywords, 1,000 history entries and 100,000 indexed items, with fuzzy
// suggestions on as by default. Each iteration is what one keystroke costs:
// the fuzzy search over keywords and index, then the list rebuild.
// Goal: median under 5 ms per rebuild for typed prefixes of 1 to 8 letters.
//
// With `--names FILE` it writes the 100,000 names, one per line, for the
// comparison with fzf (bench/fuzzy_vs_fzf.sh) and exits.
//
// With `--keystrokes` it types the word letter by letter against the real
// index (a FileIndex of 100,000 generated files) and prints the median and
// 99th percentile per length. Goal: median at most 2 ms, p99 at most 8 ms.

#include "core/history/history.h"
#include "core/ini/myinifiles.h"
#include "core/keywords/keywordstore.h"
#include "core/list/candidatelist.h"
#include "core/settings/setup.h"
#include "index/fileindex.h"
#include "names.h"
#include "platform/fake/fakeplatform.h"

#include <QFile>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstring>

using namespace lorvanta;

namespace {

void fillIndex(MemoryIndex& index) {
    for (const QString& n : bench::makeNames(100000)) {
        TMyShellItem item;
        item.name = n;
        item.path = QStringLiteral("/usr/share/applications/") + n;
        index.add(std::move(item));
    }
}

// Files as a scan finds them: in a few thousand folders of a home folder,
// with extensions, the name the end of the path.
void fillIndex(FileIndex& index) {
    static const char* const kinds[] = {".pdf", ".odt", ".jpg", ".txt", ".desktop", ".png"};
    const QStringList names = bench::makeNames(100000);
    const QStringList folders = bench::makeNames(3000, 99);
    const QString root = QStringLiteral("/home/user/");
    std::vector<TMyShellItem> items(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        TMyShellItem& item = items[size_t(i)];
        item.title = QStringLiteral("Documents/") + folders[i % folders.size()];
        item.name = names[i] + QString::fromLatin1(kinds[i % 6]);
        item.path = root + item.title + u'/' + item.name;
        item.root = root;
    }
    index.publish(makeIndexSnapshot(std::move(items)));
}

template <typename Index> struct World {
    platform::FakePlatform fake;
    Setup setup;
    KeywordStore store;
    History history;
    Pinned pinned;
    Index index;
    CandidateList list{setup,
                       store,
                       history,
                       pinned,
                       fake.platform().environment,
                       ListSources{&index, nullptr, nullptr, nullptr, nullptr, nullptr}};

    explicit World(bool indexFolders) {
        fillIndex(index);
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
    static World<MemoryIndex>* worlds[2] = {nullptr, nullptr};
    World<MemoryIndex>*& world = worlds[indexFolders ? 1 : 0];
    if (!world) world = new World<MemoryIndex>(indexFolders); // built once, kept for every prefix
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

// Types the word letter by letter many times over; prints per length.
void keystrokes(bool indexFolders) {
    World<FileIndex> world(indexFolders);
    constexpr int kRounds = 300;
    std::vector<double> times[9];
    size_t rows[9] = {};
    for (int round = 0; round < kRounds; ++round)
        for (int length = 1; length <= 8; ++length) {
            const QString typed = QString::fromLatin1(kWord, length);
            const auto t0 = std::chrono::steady_clock::now();
            world.list.FuzzySearch(typed, 2, true, 0);
            world.list.BuildListContent(InputState{typed});
            times[length].push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                    .count());
            rows[length] = size_t(world.list.rows().size());
        }
    std::printf("keystrokes on a FileIndex of %zu entries, index folders %s:\n", world.index.size(),
                indexFolders ? "defined" : "not defined");
    for (int length = 1; length <= 8; ++length) {
        std::vector<double>& t = times[length];
        std::sort(t.begin(), t.end());
        std::printf("  %d letters: median %.2f ms, p99 %.2f ms, %zu rows\n", length,
                    t[t.size() / 2], t[t.size() * 99 / 100], rows[length]);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--keystrokes") == 0) {
        keystrokes(false);
        keystrokes(true);
        return 0;
    }
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
