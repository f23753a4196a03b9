#include "probe.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

using lorvanta::test::ProbeRuntime;
using lorvanta::test::s;
using lorvanta::test::waitUntil;

namespace {

// Each setting is applied in a child, so this process keeps its own priority.
TEST(Priority, SettingBecomesTheNiceValueOfEveryThread) {
    const int start = ::getpriority(PRIO_PROCESS, 0);
    const struct {
        int setting;
        int nice; // what a permitted change gives
        bool changes;
    } cases[] = {
        {0, 19, true},  {1, 10, true},  {2, start, false}, {3, -5, true},
        {4, -10, true}, {5, -15, true}, {9, start, false}, {-1, start, false},
    };
    ProbeRuntime runtime;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting);
        auto p = runtime.start({s("priority"), QString::number(c.setting)});
        ASSERT_TRUE(waitUntil([&] { return ProbeRuntime::finished(*p); }));
        ASSERT_EQ(p->exitCode(), 0);
        const QList<QByteArray> out = p->readAllStandardOutput().trimmed().split(' ');
        ASSERT_EQ(out.size(), 3);
        const bool ok = out[0] == "1";
        const int nice = out[1].toInt(), threadNice = out[2].toInt();
        if (!c.changes) {
            EXPECT_EQ(ok, c.setting == 2);
            EXPECT_EQ(nice, start);
        } else if (ok) {
            EXPECT_EQ(nice, c.nice);
            EXPECT_EQ(threadNice, c.nice);
        } else {
            // Refused without the privilege: nothing changed, nothing aborted.
            EXPECT_LT(c.nice, start);
            EXPECT_EQ(nice, start);
        }
    }
}

} // namespace
