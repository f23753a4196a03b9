#include "indexlist.h"

#include "scanitems.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace lorvanta {

bool IndexList::add(const QString& key, std::unique_ptr<TMyShellItem> item) {
    const QString folded = key.toCaseFolded();
    if (keys_.contains(folded)) return false;
    keys_.insert(folded);
    entries_.push_back({key, std::move(item)});
    return true;
}

void IndexList::append(const QString& key, std::unique_ptr<TMyShellItem> item) {
    keys_.insert(key.toCaseFolded());
    entries_.push_back({key, std::move(item)});
}

void IndexList::clear() {
    entries_.clear();
    keys_.clear();
}

bool passesMask(const QString& fileName, const QString& mask) {
    const qsizetype dot = fileName.lastIndexOf(u'.');
    // A name ending in a dot has no extension; "." alone would occur in every mask.
    if (dot < 0 || dot == fileName.size() - 1) return false;
    return mask.contains(fileName.mid(dot).toLower());
}

namespace {

// Byte-level form of passesMask for the common ASCII case, so files the
// mask rejects cost no QString.
bool passesMaskBytes(const char* name, const QByteArray& mask) {
    const char* dot = strrchr(name, '.');
    if (!dot || dot[1] == '\0') return false;
    char ext[64];
    size_t n = 0;
    for (const char* p = dot; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x80 || n + 1 >= sizeof ext)
            return passesMask(QFile::decodeName(name), QString::fromUtf8(mask));
        ext[n++] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return mask.contains(QByteArrayView(ext, static_cast<qsizetype>(n)));
}

// One scan: the folders on the current path (device, inode) stop link loops.
class Walker {
public:
    Walker(const FolderScan& scan, IndexList& list)
        : scan_(scan), list_(list), mask_(scan.mask.toUtf8()) {}

    void walk(int fd, std::string& dirPath, int depth);
    int visited = 0;

private:
    struct Folder {
        QString path, parentName, title;
    };
    Folder describe(const std::string& dirPath) const;
    bool excluded(const QString& path) const;
    bool onPath(const struct stat& st) const;
    bool isFolder(int dirFd, const dirent* e) const;
    void consider(const char* name, bool folder, const Folder& where);

    const FolderScan& scan_;
    IndexList& list_;
    QByteArray mask_;
    std::vector<std::pair<dev_t, ino_t>> path_;
};

bool stopped(const FolderScan& scan) {
    return scan.stop && scan.stop->load(std::memory_order_relaxed);
}

Walker::Folder Walker::describe(const std::string& dirPath) const {
    Folder f;
    f.path = QFile::decodeName(QByteArray::fromStdString(dirPath));
    const QString trimmed = f.path.endsWith(u'/') ? f.path.chopped(1) : f.path;
    f.parentName = trimmed.mid(trimmed.lastIndexOf(u'/') + 1);
    const QString& prefix = scan_.titlePrefix;
    if (!prefix.isEmpty() && f.path.startsWith(prefix, Qt::CaseInsensitive)) {
        f.title = f.path.mid(prefix.size());
        if (f.title.endsWith(u'/')) f.title.chop(1);
    }
    if (f.title.isEmpty()) f.title = f.parentName;
    return f;
}

bool Walker::excluded(const QString& path) const {
    for (const QString& text : scan_.excludes)
        if (!text.isEmpty() && path.contains(text, Qt::CaseInsensitive)) return true;
    return false;
}

bool Walker::onPath(const struct stat& st) const {
    for (const auto& [dev, ino] : path_)
        if (dev == st.st_dev && ino == st.st_ino) return true;
    return false;
}

bool Walker::isFolder(int dirFd, const dirent* e) const {
    if (e->d_type == DT_DIR) return true;
    if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) return false;
    struct stat st;
    return fstatat(dirFd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

void Walker::consider(const char* name, bool folder, const Folder& where) {
    if (scan_.foldersOnly && !folder) return;
    const bool wanted = mask_.isEmpty() || (!folder && passesMaskBytes(name, mask_)) ||
                        (scan_.includeFolders && folder);
    if (!wanted) return;
    const QString itemName = QFile::decodeName(name);
    const QString key = itemName + where.parentName;
    if (list_.contains(key)) return;
    auto item = std::make_unique<TMyShellItem>();
    item->name = itemName;
    item->path = where.path + itemName;
    item->root = scan_.root;
    item->title = where.title;
    list_.add(key, std::move(item));
}

void Walker::walk(int fd, std::string& dirPath, int depth) {
    struct stat st;
    DIR* dir = fstat(fd, &st) == 0 && !onPath(st) && !stopped(scan_) ? fdopendir(fd) : nullptr;
    if (!dir) {
        close(fd);
        return;
    }
    const Folder where = describe(dirPath);
    if (excluded(where.path)) {
        closedir(dir);
        return;
    }
    path_.emplace_back(st.st_dev, st.st_ino);
    const bool deeper = scan_.recurse && (scan_.maxDepth == -1 || depth < scan_.maxDepth) &&
                        depth + 1 < kScanDepthLimit;
    while (const dirent* e = readdir(dir)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        ++visited;
        if (scan_.progress) scan_.progress->fetch_add(1, std::memory_order_relaxed);
        const bool folder = isFolder(::dirfd(dir), e);
        if (folder && deeper) {
            const int child = openat(::dirfd(dir), e->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (child >= 0) {
                const size_t len = dirPath.size();
                dirPath.append(e->d_name).push_back('/');
                walk(child, dirPath, depth + 1);
                dirPath.resize(len);
            }
        }
        consider(e->d_name, folder, where);
    }
    path_.pop_back();
    closedir(dir);
}

} // namespace

int ScanFolder(const QString& folder, const FolderScan& scan, IndexList& list) {
    std::string dirPath = QFile::encodeName(folder).toStdString();
    if (dirPath.empty() || dirPath.back() != '/') dirPath.push_back('/');
    const int fd = open(dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    Walker walker(scan, list);
    walker.walk(fd, dirPath, 0);
    return walker.visited;
}

int scanIndexFolder(const TMyScanItem& item, IndexList& list, const std::atomic<bool>* stop,
                    const QStringList& excludes, std::atomic<int>* progress) {
    const std::optional<int> level = scanLevel(item);
    if (!level) return -1;
    QString path = item.path;
    if (!path.endsWith(u'/')) path += u'/';
    if (!QFileInfo(path).isDir()) return -1;
    FolderScan scan;
    scan.root = path;
    scan.mask = extensionMask(item.extensions);
    scan.recurse = *level > 0;
    scan.maxDepth = *level;
    scan.includeFolders = includesFolders(item.extensions);
    scan.titlePrefix = path;
    scan.excludes = excludes;
    scan.stop = stop;
    scan.progress = progress;
    return ScanFolder(path, scan, list);
}

} // namespace lorvanta
