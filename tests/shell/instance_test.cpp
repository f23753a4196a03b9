#include "probe.h"
#include "shell/instance.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QtEndian>
#include <algorithm>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace lorvanta;
using lorvanta::test::ProbeRuntime;
using lorvanta::test::s;
using lorvanta::test::waitUntil;

namespace {

using Received = std::vector<InstanceMessage>;

// The launcher's own side: the instance in this process, noting what arrives.
class Primary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(instance.tryBecomePrimary()) << instance.errorString().toStdString();
        QObject::connect(&instance, &SingleInstance::messageReceived, &instance,
                         [this](int number, const QString& text) {
                             received.push_back({number, text});
                         });
    }

    // Starts a second start with `args` and waits for it to end.
    int secondStart(const QStringList& args, const QString& workingFolder = {}) {
        auto p = runtime.start(QStringList{s("second")} + args, workingFolder);
        EXPECT_TRUE(waitUntil([&] { return ProbeRuntime::finished(*p); }));
        return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
    }

    ProbeRuntime runtime;
    SingleInstance instance{runtime.folder()};
    Received received;
};

TEST_F(Primary, EachSwitchArrivesWithItsNumber) {
    QTemporaryDir cwd;
    const struct {
        QStringList args;
        int number;
        QString text;
    } cases[] = {
        {{s("-r"), s("firefox"), s("--new-window")}, message::Command, s("firefox --new-window")},
        {{s("-i"), s("two  blanks"), s("ünïcödé ✓")}, message::Input, s("two  blanks ünïcödé ✓")},
        {{s("-I"), s("x")}, message::InputSelect, s("x")},
        {{s("-r"), s(" ")}, message::Open, {}},
        {{s("-s")}, message::Open, {}},
        {{}, message::Open, {}},
        {{s("-exit")}, message::Close, {}},
        {{s("notes.txt")}, message::SendTo, cwd.path() + s("/notes.txt")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u'|').toStdString());
        received.clear();
        EXPECT_EQ(secondStart(c.args, cwd.path()), 0);
        ASSERT_TRUE(waitUntil([&] { return !received.empty(); }));
        EXPECT_EQ(received, (Received{{c.number, c.text}}));
    }
}

TEST_F(Primary, QuickStartsAllArriveWhole) {
    std::vector<std::unique_ptr<QProcess>> starts;
    Received expected;
    for (int i = 0; i < 5; ++i) {
        const QString text = s("text of start ") + QString::number(i);
        const bool run = i % 2 == 0;
        starts.push_back(runtime.start({s("second"), run ? s("-r") : s("-i"), text}));
        expected.push_back({run ? message::Command : message::Input, text});
    }
    ASSERT_TRUE(waitUntil([&] {
        return std::all_of(starts.begin(), starts.end(),
                           [](auto& p) { return ProbeRuntime::finished(*p); });
    }));
    for (auto& p : starts)
        EXPECT_EQ(p->exitCode(), 0);
    ASSERT_TRUE(waitUntil([&] { return received.size() >= expected.size(); }));
    auto byText = [](const InstanceMessage& a, const InstanceMessage& b) {
        return a.text < b.text;
    };
    std::sort(received.begin(), received.end(), byText);
    EXPECT_EQ(received, expected);
}

// A raw client of the socket, for what no second start would send.
struct RawClient {
    explicit RawClient(const SingleInstance& instance) {
        socket.connectToServer(instance.socketPath());
        EXPECT_TRUE(waitUntil([&] { return socket.state() == QLocalSocket::ConnectedState; }));
    }
    void write(const QByteArray& bytes) {
        socket.write(bytes);
        socket.flush();
    }
    bool dropped() {
        return waitUntil([&] { return socket.state() == QLocalSocket::UnconnectedState; });
    }
    QByteArray receipts(qsizetype count) {
        waitUntil([&] { return socket.bytesAvailable() >= count; });
        return socket.readAll();
    }
    QLocalSocket socket;
};

QByteArray header(const char* magic, quint32 size) {
    char word[4];
    qToBigEndian(size, word);
    return QByteArray(magic, 4) + QByteArray(word, 4);
}

TEST_F(Primary, BadFramesAreDroppedAndTheInstanceGoesOn) {
    const struct {
        const char* what;
        QByteArray bytes;
        QStringList delivered;
    } cases[] = {
        {"garbage", QByteArray("GET / HTTP/1.0\r\n\r\n"), {s("after")}},
        {"oversize",
         header("LVM1", SingleInstance::kMaxPayload + 1) + QByteArray(4096, 'x'),
         {s("after")}},
        {"too short for a number", header("LVM1", 2) + QByteArray("ab"), {s("after")}},
        {"garbage after a good frame",
         SingleInstance::frame({message::Input, s("kept")}) + QByteArray("\x00\x01junk", 6),
         {s("kept"), s("after")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        received.clear();
        RawClient bad(instance);
        bad.write(c.bytes);
        EXPECT_TRUE(bad.dropped());

        RawClient good(instance);
        good.write(SingleInstance::frame({message::Open, s("after")}));
        EXPECT_EQ(good.receipts(1), QByteArray("\x06"));
        ASSERT_TRUE(waitUntil([&] { return received.size() >= size_t(c.delivered.size()); }));
        QStringList texts;
        for (const InstanceMessage& m : received)
            texts << m.text;
        EXPECT_EQ(texts, c.delivered);
    }
}

TEST_F(Primary, FramesSplitAcrossReadsArriveInOrder) {
    const QByteArray bytes = SingleInstance::frame({message::Input, s("first")}) +
                             SingleInstance::frame({message::Command, s("second one")});
    RawClient client(instance);
    for (qsizetype at = 0; at < bytes.size(); at += 3) {
        client.write(bytes.mid(at, 3));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(client.receipts(2), QByteArray("\x06\x06"));
    ASSERT_TRUE(waitUntil([&] { return received.size() == 2; }));
    EXPECT_EQ(received,
              (Received{{message::Input, s("first")}, {message::Command, s("second one")}}));
}

TEST_F(Primary, SecondInstanceInTheSameFolderIsRefused) {
    SingleInstance other(runtime.folder());
    EXPECT_FALSE(other.tryBecomePrimary());
    EXPECT_FALSE(other.isPrimary());
}

TEST(SingleInstance, StaleLockOfADeadProcessIsTakenOver) {
    ProbeRuntime runtime;
    auto holder = runtime.start({s("hold")});
    ASSERT_TRUE(ProbeRuntime::ready(*holder));
    ::kill(pid_t(holder->processId()), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return ProbeRuntime::finished(*holder); }));

    SingleInstance instance(runtime.folder());
    ASSERT_TRUE(QFile::exists(instance.lockPath()));
    ASSERT_TRUE(QFile::exists(instance.socketPath()));
    ASSERT_TRUE(instance.tryBecomePrimary()) << instance.errorString().toStdString();

    Received received;
    QObject::connect(&instance, &SingleInstance::messageReceived, &instance,
                     [&](int number, const QString& text) {
                         received.push_back({number, text});
                     });
    auto second = runtime.start({s("second"), s("-i"), s("hello")});
    ASSERT_TRUE(waitUntil([&] { return ProbeRuntime::finished(*second); }));
    EXPECT_EQ(second->exitCode(), 0);
    ASSERT_TRUE(waitUntil([&] { return !received.empty(); }));
    EXPECT_EQ(received, (Received{{message::Input, s("hello")}}));
}

TEST(SingleInstance, EndingReleasesLockAndSocket) {
    ProbeRuntime runtime;
    QString socket;
    {
        SingleInstance first(runtime.folder());
        ASSERT_TRUE(first.tryBecomePrimary());
        socket = first.socketPath();
        EXPECT_TRUE(QFile::exists(socket));
    }
    EXPECT_FALSE(QFile::exists(socket));
    SingleInstance next(runtime.folder());
    EXPECT_TRUE(next.tryBecomePrimary());
}

TEST(SingleInstance, NothingListeningMeansNotDelivered) {
    ProbeRuntime runtime;
    SingleInstance instance(runtime.folder());
    EXPECT_FALSE(instance.send({message::Open, {}}, 300));
    EXPECT_FALSE(instance.errorString().isEmpty());
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st.st_mode & 07777;
}

void setMode(const QString& path, mode_t mode) {
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
}

TEST(SingleInstance, RuntimeFolderIsPrivate) {
    QTemporaryDir root;
    const QString xdg = root.path() + s("/xdg");
    const QString base = root.path() + s("/tmp");
    const QString fallback = base + s("/lorvanta-") + QString::number(::getuid());
    QDir().mkpath(xdg);
    QDir().mkpath(base);

    setMode(xdg, 0700);
    EXPECT_EQ(privateRuntimeFolder(QFile::encodeName(xdg), base), xdg);

    const struct {
        const char* what;
        QByteArray runtimeDir;
        std::function<void()> prepare;
        bool usable;
    } cases[] = {
        {"runtime folder others may enter", QFile::encodeName(xdg), [&] { setMode(xdg, 0755); },
         true},
        {"no runtime folder", {}, [] {}, true},
        {"relative runtime folder", "run/user", [] {}, true},
        {"fallback left open", {}, [&] { setMode(fallback, 0777); }, true},
        {"fallback planted as a link",
         {},
         [&] {
             QDir(fallback).removeRecursively();
             QFile::link(xdg, fallback);
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        QString error;
        const QString folder = privateRuntimeFolder(c.runtimeDir, base, &error);
        if (c.usable) {
            EXPECT_EQ(folder, fallback);
            EXPECT_EQ(modeOf(fallback), mode_t(0700));
        } else {
            EXPECT_TRUE(folder.isEmpty());
            EXPECT_FALSE(error.isEmpty());
        }
    }
}

TEST_F(Primary, SocketLivesInThePrivateFolder) {
    EXPECT_EQ(QFileInfo(instance.socketPath()).absolutePath(), runtime.folder());
    EXPECT_EQ(modeOf(runtime.folder()), mode_t(0700));
    EXPECT_EQ(QFileInfo(instance.socketPath()).fileName(),
              s("LorvantaMB") + QString::number(::getuid()));
}

} // namespace
