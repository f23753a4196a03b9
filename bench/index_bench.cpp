// The index at a heavy user's size, in one run:
//  - the scan of a generated tree of 200,000 files in 20,000 folders (nested
//    three levels, some hidden files) against `fd --type f --hidden
//    --no-ignore` on the same tree: median of several warm runs each, and
//    their ratio. Goal: ratio at most 1.
//  - the heap the finished index holds per entry beyond its path text
//    (UTF-16). Goal: at most 80 bytes.
// Usage: index_bench [RUNS [TREE]]: TREE keeps the generated tree for
// another run (it is made when missing).

#include "index/fileindex.h"
#include "index/indexlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace lorvanta;

namespace {

constexpr int kTop = 20, kMiddle = 20, kFolders = 20000, kFilesPerFolder = 10;

void touch(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
}

// 20 top folders, 20 below each, the rest of the 20,000 spread below those;
// ten files in each, every seventh hidden.
void makeTree(const std::string& root) {
    static const char* const kinds[] = {".txt", ".pdf", ".jpg", ".cpp", ".odt", ".png", ""};
    std::vector<std::string> folders;
    for (int t = 0; t < kTop; ++t) {
        const std::string top = root + "/top" + std::to_string(t);
        folders.push_back(top);
        for (int m = 0; m < kMiddle; ++m)
            folders.push_back(top + "/Middle Folder " + std::to_string(m));
    }
    const size_t middles = folders.size();
    for (size_t i = 0; folders.size() < size_t(kFolders); ++i) {
        const std::string& parent = folders[i % middles];
        if (parent.find("/Middle") == std::string::npos) continue;
        folders.push_back(parent + "/leaf_" + std::to_string(folders.size()));
    }
    int file = 0;
    for (const std::string& f : folders) {
        ::mkdir(f.c_str(), 0755);
        for (int i = 0; i < kFilesPerFolder; ++i, ++file) {
            const std::string name = (file % 7 == 0 ? "." : "") + std::string("Report_") +
                                     std::to_string(file) + kinds[file % 7];
            touch(f + "/" + name);
        }
    }
}

double millisecondsOf(const std::function<void()>& run) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

TMyScanItem everything(const QString& root) {
    TMyScanItem item;
    item.path = root;
    item.level = QStringLiteral("1000");
    return item;
}

size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void compareWithFd(const QString& root, int runs) {
    QString fd = QStandardPaths::findExecutable(QStringLiteral("fd"));
    if (fd.isEmpty()) fd = QStandardPaths::findExecutable(QStringLiteral("fdfind"));
    const std::string fdCommand = fd.isEmpty()
                                      ? std::string()
                                      : fd.toStdString() + " --type f --hidden --no-ignore . '" +
                                            root.toStdString() + "' > /dev/null";
    size_t found = 0;
    const auto scan = [&] {
        auto list = std::make_unique<IndexList>();
        // Only the scan is timed, not freeing what it found.
        const double ms = millisecondsOf([&] { scanIndexFolder(everything(root), *list); });
        found = list->size();
        return ms;
    };
    const auto runFd = [&] {
        if (std::system(fdCommand.c_str()) != 0) std::fputs("fd failed\n", stderr);
    };
    scan(); // warm both: the tree in the page cache, the programs loaded
    if (!fd.isEmpty()) runFd();
    std::vector<double> ours, theirs;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(scan());
        if (!fd.isEmpty()) theirs.push_back(millisecondsOf(runFd));
    }
    std::printf("scan of %zu entries: %.1f ms (median of %d)\n", found, median(ours), runs);
    if (fd.isEmpty()) {
        std::printf("fd is not installed (tools/setup.sh installs fd-find)\n");
        return;
    }
    std::printf("fd --type f --hidden --no-ignore: %.1f ms\n", median(theirs));
    std::printf("ratio lorvanta/fd: %.2f\n", median(ours) / median(theirs));
}

void measureMemory(const QString& root) {
    const size_t before = heapInUse();
    std::shared_ptr<const IndexSnapshot> snapshot;
    size_t pathBytes = 0;
    {
        IndexList list;
        scanIndexFolder(everything(root), list);
        std::vector<TMyShellItem> items;
        items.reserve(list.size());
        for (const IndexList::Entry& e : list.entries()) {
            pathBytes += size_t(e.item->path.size()) * sizeof(char16_t);
            items.push_back(std::move(*e.item));
        }
        list.clear();
        snapshot = makeIndexSnapshot(std::move(items));
    }
    const size_t after = heapInUse();
    FileIndex index;
    index.publish(snapshot);
    const double n = double(index.size());
    std::printf("index of %zu entries: %.1f bytes per entry beyond %.1f bytes of path text\n",
                index.size(), (double(after - before) - double(pathBytes)) / n,
                double(pathBytes) / n);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QTemporaryDir temporary;
    const QString tree = argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path();
    if (argc <= 2 && !temporary.isValid()) return 1;
    if (argc <= 2 || !QFileInfo::exists(tree)) {
        QDir().mkpath(tree);
        std::printf("generating %d files in %d folders...\n", kFolders * kFilesPerFolder, kFolders);
        makeTree(QFile::encodeName(tree).toStdString());
    }
    compareWithFd(tree, runs);
    measureMemory(tree);
    return 0;
}
