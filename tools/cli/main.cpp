// lorvanta-cli: answers on standard output what the launcher would do with
// an input, on a data folder it only reads.

#include "commands.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

using namespace lorvanta::cli;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString data; // empty: the normal data-folder rules

    // --data may stand before or after the command name, but not after a
    // "--": what follows that is text.
    for (int i = 0; i < args.size() && args[i] != u"--"; ++i) {
        if (args[i] != u"--data") continue;
        if (i + 1 >= args.size()) {
            std::fputs(kUsage, stderr);
            return Usage;
        }
        data = args[i + 1];
        args.remove(i, 2);
        break;
    }
    if (args.isEmpty()) {
        std::fputs(kUsage, stderr);
        return Usage;
    }
    if (args.first() == u"--help" || args.first() == u"-h") {
        std::fputs(kUsage, stdout);
        return Ok;
    }
    // Read as an empty folder, which is seldom what was meant.
    if (!data.isEmpty() && !QFileInfo(data).isDir())
        std::fprintf(stderr, "lorvanta-cli: warning: no data folder at %s; nothing is loaded\n",
                     QFile::encodeName(data).constData());
    const QString command = args.takeFirst();
    Output o;
    int code = Usage;
    if (command == u"list")
        code = runList(data, args, o);
    else if (command == u"fuzzy")
        code = runFuzzy(data, args, o);
    else if (command == u"run")
        code = runDry(data, args, o);
    else if (command == u"expand")
        code = runExpand(data, args, o);
    else if (command == u"index")
        code = runIndex(data, args, o);
    else
        o.err = kUsage;
    std::fwrite(o.out.constData(), 1, size_t(o.out.size()), stdout);
    std::fwrite(o.err.constData(), 1, size_t(o.err.size()), stderr);
    return code;
}
