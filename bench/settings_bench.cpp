// Loading and saving lorvanta.ini at a heavy user's size: 2,000 keywords,
// 1,000 history lines and every setting. Goal: under 10 ms each way.

#include "core/datafolder.h"
#include "core/ini/myinifiles.h"
#include "core/keywords/keywordstore.h"
#include "core/settings/settingsfile.h"
#include "platform/fake/fakeplatform.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace lorvanta;

namespace {

// Stands for the history list: a thousand plain lines in [History].
class HistoryLines final : public SettingsSection {
public:
    QStringList lines;
    void load(const TMemIniFile& ini) override {
        lines.clear();
        for (const QString& l : ini.ReadSectionValues(QStringLiteral("History")))
            lines.append(DecodeMultiLineValue(l.mid(l.indexOf(u'=') + 1)));
    }
    void save(TMemIniFile& ini, const Setup&) const override {
        for (int i = 0; i < lines.size(); ++i)
            ini.WriteMultiLineString(QStringLiteral("History"), u'H' + QString::number(i),
                                     lines[i]);
    }
};

struct Fixture {
    QTemporaryDir dir;
    platform::FakePlatform fake;
    DataFolder folder = DataFolder::at(dir.path());
    KeywordStore store;
    Setup setup;
    HistoryLines history;
    SettingsFile file{folder, fake.platform(), store, setup};

    Fixture() {
        file.addSection(history);
        for (int i = 0; i < 2000; ++i) {
            auto w = std::make_unique<TExeWord>();
            w->keywords = QStringLiteral("kw%1,alias%1").arg(i);
            w->command = QStringLiteral("https://example.org/search?q=$U$&n=%1").arg(i);
            w->comment = QStringLiteral("Keyword number %1").arg(i);
            if (i % 3 == 0) w->group = QStringLiteral("web tag%1").arg(i % 17);
            store.append(std::move(w));
        }
        for (int i = 0; i < 1000; ++i)
            history.lines.append(QStringLiteral("kw%1 some typed parameters %1").arg(i));
        file.WriteSettings(false);
    }
};

void BM_LoadSettings(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        f.store.clear();
        f.file.ReadSettings(false);
        benchmark::DoNotOptimize(f.store.size());
    }
    state.counters["keywords"] = double(f.store.size());
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMillisecond);

void BM_SaveSettings(benchmark::State& state) {
    Fixture f;
    for (auto _ : state)
        benchmark::DoNotOptimize(f.file.WriteSettings(false).ok());
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
