#include "probe.h"
#include "shell/instance.h"
#include "shell/signals.h"
#include "testsupport.h"

#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::ProbeRuntime;
using lorvanta::test::readFile;
using lorvanta::test::s;
using lorvanta::test::waitUntil;

namespace {

TEST(SignalBridge, EachEndingSignalRequestsTheShutdown) {
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(sig);
        SignalBridge bridge;
        ASSERT_TRUE(bridge.isActive());
        int requests = 0;
        QObject::connect(&bridge, &SignalBridge::shutdownRequested, &bridge, [&] { ++requests; });
        ASSERT_EQ(::raise(sig), 0);
        EXPECT_TRUE(waitUntil([&] { return requests > 0; }));
        EXPECT_EQ(requests, 1);
        EXPECT_EQ(bridge.lastSignal(), sig);
    }
}

extern "C" void ownHandler(int) {}

TEST(SignalBridge, EarlierHandlersComeBackAfterwards) {
    struct sigaction own {
    }, before{}, after{};
    own.sa_handler = ownHandler;
    sigemptyset(&own.sa_mask);
    ASSERT_EQ(::sigaction(SIGHUP, &own, &before), 0);
    {
        SignalBridge bridge;
        ASSERT_TRUE(bridge.isActive());
        SignalBridge second; // the first one keeps the handlers
        EXPECT_FALSE(second.isActive());
    }
    ::sigaction(SIGHUP, &before, &after);
    EXPECT_EQ(after.sa_handler, &ownHandler);
}

// A real instance in a child process, ended by a real SIGTERM from here,
// saves everything before it exits.
TEST(SignalBridge, TerminatedInstanceLeavesACompleteFile) {
    ProbeRuntime runtime;
    QTemporaryDir data;
    const QString file = data.filePath(s("lorvanta.ini"));
    auto probe = runtime.start({s("primary"), file});
    ASSERT_TRUE(ProbeRuntime::ready(*probe));

    SingleInstance second(runtime.folder());
    ASSERT_FALSE(second.tryBecomePrimary());
    ASSERT_TRUE(second.send({message::Input, s("sent before the end")}, 20000))
        << second.errorString().toStdString();

    ::kill(pid_t(probe->processId()), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return ProbeRuntime::finished(*probe); }));
    EXPECT_EQ(probe->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe->exitCode(), 0);

    const QByteArray saved = readFile(file);
    EXPECT_TRUE(saved.startsWith("1141 sent before the end\nfiller line 0\n"));
    EXPECT_TRUE(saved.endsWith("filler line 19999\nend\n"));
    EXPECT_FALSE(QFile::exists(file + s(".saving")));
}

} // namespace
