#include "indexlist.h"

#include "scanitems.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace lorvanta {

namespace {

// Keys are compared case-folded; plain ASCII (nearly every file name) folds
// without the full Unicode tables.
QString folded(const QString& key) {
    const char16_t* p = reinterpret_cast<const char16_t*>(key.utf16());
    bool upper = false;
    for (qsizetype i = 0; i < key.size(); ++i) {
        if (p[i] >= 0x80) return key.toCaseFolded();
        upper = upper || (p[i] >= u'A' && p[i] <= u'Z');
    }
    if (!upper) return key;
    QString out(key.size(), Qt::Uninitialized);
    char16_t* o = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < key.size(); ++i)
        o[i] = p[i] >= u'A' && p[i] <= u'Z' ? char16_t(p[i] + 32) : p[i];
    return out;
}

char16_t lowerAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}

// Lowers the ASCII capitals among four UTF-16 units below 0x80: a unit
// from 'A' (0x41) to 'Z' (0x5A) gets 0x20 added. No lane carries into the next.
uint64_t lowerAsciiLanes(uint64_t x) {
    const uint64_t atLeastA = x + 0x003F003F003F003Fu;
    const uint64_t pastZ = x + 0x0025002500250025u;
    return x | ((atLeastA & ~pastZ & 0x0080008000800080u) >> 2);
}

// A hash of the case-folded key, four units at a time. ASCII folds on the
// fly, so the common key needs no folded copy; any other key is folded first.
uint32_t foldedHash(const QString& key, bool isFolded = false) {
    const char* p = reinterpret_cast<const char*>(key.utf16());
    const size_t bytes = size_t(key.size()) * sizeof(char16_t);
    uint64_t h = bytes;
    for (size_t i = 0; i < bytes; i += 8) {
        uint64_t x = 0;
        std::memcpy(&x, p + i, std::min<size_t>(8, bytes - i));
        if (!isFolded) {
            if (x & 0xFF80FF80FF80FF80u) return foldedHash(key.toCaseFolded(), true);
            x = lowerAsciiLanes(x);
        }
        h = (h ^ x) * 0x9E3779B97F4A7C15u;
        h ^= h >> 32;
    }
    h *= 0xFF51AFD7ED558CCDu;
    return uint32_t(h ^ (h >> 32));
}

// Whether two keys are equal case-folded. An ASCII prefix folds unit by
// unit, so a difference there settles it; anything else takes full folding.
bool sameFolded(const QString& a, const QString& b) {
    if (a.size() == b.size()) {
        const char16_t* p = reinterpret_cast<const char16_t*>(a.utf16());
        const char16_t* q = reinterpret_cast<const char16_t*>(b.utf16());
        qsizetype i = 0;
        for (; i < a.size() && p[i] < 0x80 && q[i] < 0x80; ++i)
            if (lowerAscii(p[i]) != lowerAscii(q[i])) return false;
        if (i == a.size()) return true;
    }
    return folded(a) == folded(b);
}

} // namespace

bool IndexList::contains(const QString& key) const {
    return !slots_.empty() && slots_[find(key, foldedHash(key))].entry != kFree;
}

size_t IndexList::find(const QString& key, uint32_t hash) const {
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.entry == kFree || (s.hash == hash && sameFolded(entries_[s.entry].key, key)))
            return i;
    }
}

void IndexList::grow() {
    std::vector<Slot> old(std::max<size_t>(1024, slots_.size() * 2));
    old.swap(slots_);
    const size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.entry == kFree) continue;
        size_t i = s.hash & mask;
        while (slots_[i].entry != kFree)
            i = (i + 1) & mask;
        slots_[i] = s;
    }
}

// Records `key` as the next entry's unless it is taken. At most half the
// slots are in use, which keeps probes short.
bool IndexList::claim(const QString& key) {
    if ((taken_ + 1) * 2 > slots_.size()) grow();
    const uint32_t hash = foldedHash(key);
    Slot& slot = slots_[find(key, hash)];
    if (slot.entry != kFree) return false;
    slot = {uint32_t(entries_.size()), hash};
    ++taken_;
    return true;
}

bool IndexList::add(QString key, std::unique_ptr<TMyShellItem> item) {
    if (!claim(key)) return false;
    entries_.push_back({std::move(key), std::move(item)});
    return true;
}

void IndexList::append(QString key, std::unique_ptr<TMyShellItem> item) {
    claim(key);
    entries_.push_back({std::move(key), std::move(item)});
}

void IndexList::clear() {
    entries_.clear();
    std::vector<Slot>().swap(slots_);
    taken_ = 0;
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

using FolderId = std::pair<dev_t, ino_t>;

// One folder to walk and what its walk found, in scan order. Folders near
// the top are jobs of their own so that two threads share a scan; an entry
// without item marks where the next of `subJobs` fits in, so that merging
// gives the order of a plain depth-first walk.
struct Job {
    std::string dirPath; // ends in "/"
    int fd = -1;
    int depth = 0;
    std::vector<FolderId> ancestors;
    std::vector<IndexList::Entry> found;
    std::vector<std::unique_ptr<Job>> subJobs;
    Job() { found.reserve(32); }
    int visited = 0;
    bool done = false; // guarded by the queue
};

// Folders at most this deep are jobs; deeper ones are walked by their job.
constexpr int kJobDepth = 2;

// The jobs not yet taken, and how many are not yet finished.
class JobQueue {
public:
    void push(Job* job) {
        std::lock_guard lock(mutex_);
        jobs_.push_back(job);
        ++unfinished_;
        changed_.notify_all();
    }
    // The oldest job, null once every job is finished. Jobs are queued in
    // scan order, so they finish about in the order the merge adds them and
    // adding keeps pace with walking instead of trailing it.
    Job* take() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !jobs_.empty() || unfinished_ == 0; });
        if (jobs_.empty()) return nullptr;
        Job* job = jobs_.front();
        jobs_.pop_front();
        return job;
    }
    void finished(Job& job) {
        std::lock_guard lock(mutex_);
        job.done = true;
        --unfinished_;
        changed_.notify_all();
    }
    void waitFor(const Job& job) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&job] { return job.done; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job*> jobs_;
    int unfinished_ = 0;
};

// A folder's entries read straight from the kernel, closing the descriptor
// at the end: a DIR stream would cost three more system calls per folder.
class FolderReader {
public:
    explicit FolderReader(int fd) : fd_(fd) {}
    FolderReader(const FolderReader&) = delete;
    FolderReader& operator=(const FolderReader&) = delete;
    ~FolderReader() { close(fd_); }
    // Null at the end or on a read error.
    const dirent64* next() {
        if (pos_ >= len_) {
            if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kBufferSize);
            len_ = getdents64(fd_, buffer_.get(), kBufferSize);
            pos_ = 0;
            if (len_ <= 0) return nullptr;
        }
        const auto* e = reinterpret_cast<const dirent64*>(buffer_.get() + pos_);
        pos_ += e->d_reclen;
        return e;
    }

private:
    static constexpr size_t kBufferSize = 32768;
    int fd_;
    std::unique_ptr<char[]> buffer_;
    ssize_t len_ = 0, pos_ = 0;
};

// Walks jobs: the folders on the current path (device, inode) stop link loops.
class Walker {
public:
    // `rootReal` is the scan root with every link resolved.
    Walker(const FolderScan& scan, JobQueue& queue, const std::string& rootReal)
        : scan_(scan), queue_(queue), mask_(scan.mask.toUtf8()),
          root_(scan.root.constData(), scan.root.size()), rootReal_(rootReal) {}

    void run(Job& job);

private:
    struct Folder {
        QString path, parentName, title;
    };
    void walk(Job& job, int fd, std::string& dirPath, int depth);
    void descend(Job& job, int dirFd, const char* name, std::string& dirPath, int depth);
    Folder describe(const std::string& dirPath) const;
    bool excluded(const QString& path) const;
    bool onPath(const struct stat& st) const;
    bool isFolder(int dirFd, const dirent64* e) const;
    bool staysInside(int dirFd, const dirent64* e, const std::string& dirPath) const;
    void consider(Job& job, const char* name, bool folder, const Folder& where) const;

    const FolderScan& scan_;
    JobQueue& queue_;
    QByteArray mask_;
    // This walker's own copy: items share it without the threads contending
    // for one reference count.
    QString root_;
    const std::string& rootReal_;
    std::vector<FolderId> path_;
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

bool Walker::isFolder(int dirFd, const dirent64* e) const {
    if (e->d_type == DT_DIR) return true;
    if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) return false;
    struct stat st;
    return fstatat(dirFd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// A linked folder is entered only when it lies below the root: a link to
// "/" (as Wine's drive folders have) would otherwise take the scan over the
// whole file system.
bool Walker::staysInside(int dirFd, const dirent64* e, const std::string& dirPath) const {
    if (e->d_type == DT_DIR) return true;
    struct stat st;
    if (e->d_type == DT_UNKNOWN &&
        (fstatat(dirFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode)))
        return true;
    char resolved[PATH_MAX];
    if (!realpath((dirPath + e->d_name).c_str(), resolved)) return false;
    const size_t n = rootReal_.size();
    return strncmp(resolved, rootReal_.c_str(), n) == 0 &&
           (resolved[n] == '/' || (n > 0 && rootReal_[n - 1] == '/'));
}

// Every wanted entry is kept; the merge drops names already taken.
void Walker::consider(Job& job, const char* name, bool folder, const Folder& where) const {
    if (scan_.foldersOnly && !folder) return;
    const bool wanted = mask_.isEmpty() || (!folder && passesMaskBytes(name, mask_)) ||
                        (scan_.includeFolders && folder);
    if (!wanted) return;
    auto item = std::make_unique<TMyShellItem>();
    item->name = QString::fromUtf8(name); // as QFile::decodeName, without a copy of the bytes
    item->path = where.path + item->name;
    item->root = root_;
    item->title = where.title;
    QString key = item->name + where.parentName;
    job.found.push_back({std::move(key), std::move(item)});
}

void Walker::run(Job& job) {
    path_ = job.ancestors;
    if (job.fd < 0) job.fd = open(job.dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (job.fd < 0) return;
    walk(job, job.fd, job.dirPath, job.depth);
}

void Walker::descend(Job& job, int dirFd, const char* name, std::string& dirPath, int depth) {
    const int child = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (child < 0) return;
    const size_t len = dirPath.size();
    dirPath.append(name).push_back('/');
    if (depth <= kJobDepth) {
        // A queued folder holds no descriptor until it is walked: thousands
        // of them would otherwise exhaust the process's limit.
        close(child);
        auto sub = std::make_unique<Job>();
        sub->dirPath = dirPath;
        sub->fd = -1;
        sub->depth = depth;
        sub->ancestors = path_;
        job.found.emplace_back(); // its place
        queue_.push(sub.get());
        job.subJobs.push_back(std::move(sub));
    } else {
        walk(job, child, dirPath, depth);
    }
    dirPath.resize(len);
}

void Walker::walk(Job& job, int fd, std::string& dirPath, int depth) {
    FolderReader reader(fd);
    struct stat st;
    if (fstat(fd, &st) != 0 || onPath(st) || stopped(scan_)) return;
    const Folder where = describe(dirPath);
    if (excluded(where.path)) return;
    path_.emplace_back(st.st_dev, st.st_ino);
    const bool deeper = scan_.recurse && (scan_.maxDepth == -1 || depth < scan_.maxDepth) &&
                        depth + 1 < kScanDepthLimit;
    while (const dirent64* e = reader.next()) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0) continue;
        ++job.visited;
        if (scan_.progress) scan_.progress->fetch_add(1, std::memory_order_relaxed);
        const bool folder = isFolder(fd, e);
        if (folder && deeper && staysInside(fd, e, dirPath))
            descend(job, fd, e->d_name, dirPath, depth + 1);
        consider(job, e->d_name, folder, where);
    }
    path_.pop_back();
}

void work(const FolderScan& scan, JobQueue& queue, const std::string& rootReal) {
    Walker walker(scan, queue, rootReal);
    while (Job* job = queue.take()) {
        walker.run(*job);
        queue.finished(*job);
    }
}

// Adds what the jobs found in the order of a single walk, each job as soon
// as it is finished; the result is the number of entries visited.
int merge(Job& job, JobQueue& queue, IndexList& list) {
    queue.waitFor(job);
    int visited = job.visited;
    size_t next = 0;
    for (IndexList::Entry& e : job.found) {
        if (e.item)
            list.add(std::move(e.key), std::move(e.item));
        else
            visited += merge(*job.subJobs[next++], queue, list);
    }
    std::vector<IndexList::Entry>().swap(job.found);
    return visited;
}

} // namespace

int ScanFolder(const QString& folder, const FolderScan& scan, IndexList& list) {
    Job top;
    top.dirPath = QFile::encodeName(folder).toStdString();
    if (top.dirPath.empty() || top.dirPath.back() != '/') top.dirPath.push_back('/');
    top.fd = open(top.dirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top.fd < 0) return 0;
    char resolved[PATH_MAX];
    const std::string rootReal = realpath(top.dirPath.c_str(), resolved) ? resolved : top.dirPath;
    JobQueue queue;
    queue.push(&top);
    // Two threads walk a tree while this one adds in order what they found;
    // a folder's own entries are walked here. Without threads to be had,
    // this thread walks it all first.
    std::vector<std::thread> walkers;
    try {
        for (int i = 0; scan.recurse && i < 2; ++i)
            walkers.emplace_back(work, std::cref(scan), std::ref(queue), std::cref(rootReal));
    } catch (const std::system_error&) {
    }
    if (walkers.empty()) work(scan, queue, rootReal);
    const int visited = merge(top, queue, list);
    for (std::thread& t : walkers)
        t.join();
    return visited;
}

int scanIndexFolder(const TMyScanItem& item, IndexList& list, const std::atomic<bool>* stop,
                    const QStringList& excludes, std::atomic<int>* progress) {
    const std::optional<int> level = scanLevel(item);
    if (!level) return -1;
    QString path = item.path;
    if (path == u"~" || path.startsWith(u"~/")) path = QDir::homePath() + path.mid(1);
    // An empty or relative path would name "/" or wherever the program was started.
    if (path.isEmpty() || QDir::isRelativePath(path)) return -1;
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
