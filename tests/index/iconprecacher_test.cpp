#include "core/history/history.h"
#include "core/keywords/keywordstore.h"
#include "core/settings/setup.h"
#include "core/util/seams.h"
#include "index/iconprecacher.h"
#include "testsupport.h"

#include <QMutex>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;
using lorvanta::test::waitUntil;

namespace {

struct PreCacherFixture {
    PreCacherFixture() : clock(QDateTime(QDate(2026, 5, 4), QTime(9, 0))) {
        history.AddToHistory(s("gimp ~/cat.png"), nullptr, false, setup);
        auto item = std::make_unique<TMyShellItem>();
        item->path = s("/tmp/x");
        history.AddToHistory(s("x"), std::move(item), false, setup);
        for (const auto& [name, command, off] :
             {std::tuple{"web", "firefox", false}, std::tuple{"old", "oldtool", true}}) {
            auto w = std::make_unique<TExeWord>();
            w->keywords = s(name);
            w->command = s(command);
            w->disabled = off;
            store.append(std::move(w));
        }
    }
    IconPreCacher make(bool safeMode = false) {
        return IconPreCacher(
            setup, clock,
            [this](const QString& t) {
                QMutexLocker lock(&mutex);
                looked.append(t);
            },
            safeMode);
    }
    QStringList seen() {
        QMutexLocker lock(&mutex);
        return looked;
    }

    lorvanta::Setup setup;
    FixedClock clock;
    History history;
    KeywordStore store;
    QMutex mutex;
    QStringList looked;
};

TEST(IconPreCacher, LooksUpHistoryWithoutItemsAndEnabledKeywordsHourly) {
    PreCacherFixture f;
    IconPreCacher cacher = f.make();
    ASSERT_TRUE(cacher.start(f.history, f.store));
    EXPECT_TRUE(waitUntil([&] { return !cacher.running(); }));
    EXPECT_EQ(f.seen(), QStringList({s("gimp ~/cat.png"), s("firefox")}));
    f.clock.set(f.clock.now().addSecs(59 * 60));
    EXPECT_FALSE(cacher.start(f.history, f.store)) << "within the hour";
    f.clock.set(f.clock.now().addSecs(60));
    EXPECT_TRUE(cacher.start(f.history, f.store));
    cacher.stop();
    EXPECT_FALSE(cacher.running());
}

TEST(IconPreCacher, DoesNotRunWhenNothingWouldShowTheIcons) {
    struct Case {
        const char* what;
        std::function<void(lorvanta::Setup&)> change;
        bool safeMode;
    };
    const Case cases[] = {
        {"nolisticoncache", [](lorvanta::Setup& st) { st.nolisticoncache = true; }, false},
        {"neither icons nor titles",
         [](lorvanta::Setup& st) { st.listicons = false, st.listtitles = false; }, false},
        {"safe mode", [](lorvanta::Setup&) {}, true},
    };
    for (const Case& c : cases) {
        PreCacherFixture f;
        c.change(f.setup);
        IconPreCacher cacher = f.make(c.safeMode);
        EXPECT_FALSE(cacher.start(f.history, f.store)) << c.what;
    }
    PreCacherFixture f;
    f.setup.listicons = false;
    IconPreCacher titles = f.make();
    EXPECT_TRUE(titles.start(f.history, f.store)) << "titles alone are enough";
    IconPreCacher none(f.setup, f.clock, {}, false);
    EXPECT_FALSE(none.start(f.history, f.store)) << "no icon cache, nothing to warm";
}

} // namespace
