// A launcher stand-in for the tests, run as a real second process:
//   second ARGS...   start as the launcher would with ARGS; exit 0 when the
//                    message was delivered, 1 when not, 3 when it became the instance
//   hold             become the instance, say "ready" and wait to be killed
//   primary FILE     become the instance, say "ready", note the messages, and
//                    on a shutdown signal save them to FILE and exit 0
//   priority N       apply the priority setting N; print "ok nice threadnice"

#include "core/ini/atomicfile.h"
#include "shell/commandline.h"
#include "shell/instance.h"
#include "shell/priority.h"
#include "shell/signals.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <QTextStream>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace lorvanta;

namespace {

void say(const char* line) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int second(const QStringList& args) {
    const CommandLine line = parseCommandLine(args, QDir::currentPath());
    SingleInstance instance;
    if (instance.tryBecomePrimary()) return 3;
    if (instance.send(line.second, 20000)) return 0;
    QTextStream(stderr) << instance.errorString() << "\n";
    return 1;
}

int primary(const QString& file) {
    SingleInstance instance;
    if (!instance.tryBecomePrimary()) return 3;
    SignalBridge bridge;
    if (!bridge.isActive()) return 4;
    QByteArray received;
    QObject::connect(&instance, &SingleInstance::messageReceived, &instance,
                     [&](int number, const QString& text) {
                         received += QByteArray::number(number) + ' ' + text.toUtf8() + '\n';
                     });
    QObject::connect(&bridge, &SignalBridge::shutdownRequested, &bridge, [&] {
        // Big enough that a kill in the middle of writing would show.
        QByteArray data = received;
        for (int i = 0; i < 20000; ++i)
            data += "filler line " + QByteArray::number(i) + '\n';
        data += "end\n";
        QCoreApplication::exit(writeFileAtomically(file, data).ok() ? 0 : 5);
    });
    say("ready");
    return QCoreApplication::exec();
}

int priority(int setting) {
    // A thread that exists before the setting is applied must follow it too.
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::atomic<pid_t> tid{0};
    std::thread worker([&] {
        tid = ::gettid();
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return done; });
    });
    while (tid == 0)
        std::this_thread::yield();
    const bool ok = applyPriority(setting);
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    const int threadNice = ::getpriority(PRIO_PROCESS, id_t(tid.load()));
    {
        std::lock_guard lock(m);
        done = true;
    }
    cv.notify_one();
    worker.join();
    std::printf("%d %d %d\n", ok ? 1 : 0, nice, threadNice);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) return 2;
    const QString mode = args.takeFirst();
    if (mode == u"second") return second(args);
    if (mode == u"hold") {
        SingleInstance instance;
        if (!instance.tryBecomePrimary()) return 3;
        say("ready");
        return QCoreApplication::exec();
    }
    if (mode == u"primary" && args.size() == 1) return primary(args[0]);
    if (mode == u"priority" && args.size() == 1) return priority(args[0].toInt());
    return 2;
}
