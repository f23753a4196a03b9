// The program users start: "lorvanta". It hands a second start over to the
// running launcher without loading the GUI libraries, so that a desktop
// shortcut bound to "lorvanta -toggle" answers at once. When no launcher
// listens it becomes the full program, "lorvanta-main" in the same folder,
// with the same arguments.

#include "shell/commandline.h"
#include "shell/handover.h"

#include <QTextStream>
#include <cerrno>
#include <climits>
#include <cstring>
#include <unistd.h>

using namespace lorvanta;

namespace {

// Replaces this process with the full program; returns only on failure.
int becomeFullProgram(char** argv) {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    QByteArray path = n > 0 ? QByteArray(self, n) : QByteArray("./lorvanta");
    path.truncate(path.lastIndexOf('/') + 1);
    path += "lorvanta-main";
    argv[0] = path.data();
    ::execv(path.constData(), argv);
    QTextStream(stderr) << "lorvanta: " << QString::fromLocal8Bit(path) << ": "
                        << QString::fromLocal8Bit(std::strerror(errno)) << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const CommandLine cl = readCommandLine(argc, argv);
    if (const std::optional<int> code = answerByItself(cl, QStringLiteral(PROJECT_VERSION_TEXT)))
        return *code;
    InstanceClient client(privateRuntimeFolder());
    // Nobody listens: no instance, or one still starting. The full program
    // settles which, and becomes the instance or waits to hand over.
    if (!client.connect()) return becomeFullProgram(argv);
    if (client.deliver(cl.second, 5000)) return 0;
    QTextStream(stderr) << "lorvanta: nothing was handed over: " << client.errorString() << "\n";
    return 1;
}
