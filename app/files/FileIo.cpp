#include "files/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view FolderOf(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// A name for the temporary file that no other writer picks: the process, a
// counter and a random part, so two programs saving into one folder cannot
// meet either.
std::string TemporaryName(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    static thread_local std::mt19937_64 random{std::random_device{}()};
    const std::string_view base = PathBaseName(target);
    std::string name = JoinPath(FolderOf(target), ".");
    name += base;
    name += '.';
    name += std::to_string(getpid());
    name += '.';
    name += std::to_string(counter.fetch_add(1));
    name += '.';
    name += std::to_string(random() & 0xFFFFFF);
    name += ".tmp";
    return name;
}

// Makes the rename itself durable; a folder that cannot be flushed (some
// network file systems) still holds the renamed file.
void SyncFolder(const std::string& path) {
    const Descriptor folder(
        open(std::string(FolderOf(path)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        fsync(folder.get());
}

// Whether an existing file may not be replaced: one the user cannot write, or
// one nobody may write (made read-only on purpose, which the replacing rename
// would otherwise ignore, and root's rights with it).
bool IsWriteProtected(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return false;
    return (info.st_mode & 0222) == 0 || faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

} // namespace

std::optional<std::vector<uint8_t>> ReadWholeFile(const std::string& path) {
    const Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        return std::nullopt;
    struct stat info {};
    if (fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<uint64_t>(info.st_size) > kMaxReadFileSize)
        return std::nullopt;
    posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(info.st_size));
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = read(file.get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        // The file may grow while it is read.
        if (bytes.size() + static_cast<size_t>(got) > kMaxReadFileSize)
            return std::nullopt;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

bool PathExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

std::string_view PathBaseName(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view PathExtension(std::string_view path) {
    const std::string_view base = PathBaseName(path);
    const size_t dot = base.find_last_of('.');
    return dot == std::string_view::npos ? std::string_view() : base.substr(dot);
}

bool SameExtension(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

std::string WithDefaultExtension(std::string_view path, std::string_view extension) {
    std::string result(path);
    if (PathExtension(path).empty())
        result += extension;
    return result;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string result(folder);
    if (!result.empty() && result.back() != '/')
        result += '/';
    result += name;
    return result;
}

// --- AtomicFileWriter -----------------------------------------------------------

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

bool AtomicFileWriter::Open(const std::string& path) {
    Discard();
    failed_ = false;
    target_ = path;
    // Saving through a link replaces the file it points to, not the link.
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved))
            target_ = resolved;
    }
    if (IsWriteProtected(target_)) {
        errno = EACCES;
        return false;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        temporary_ = TemporaryName(target_);
        // 0666 lets the umask decide, as for any new file of the user.
        fd_ = open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            return true;
        if (errno != EEXIST)
            break;
    }
    temporary_.clear();
    return false;
}

bool AtomicFileWriter::Write(std::span<const uint8_t> bytes) {
    if (fd_ < 0 || failed_)
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(fd_, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            failed_ = true;
            return false;
        }
        done += static_cast<size_t>(put);
    }
    return true;
}

bool AtomicFileWriter::Write(std::string_view text) {
    return Write(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool AtomicFileWriter::Commit() {
    if (fd_ < 0)
        return false;
    if (!failed_) {
        struct stat old {};
        if (stat(target_.c_str(), &old) == 0)
            failed_ = fchmod(fd_, old.st_mode & 07777) != 0;
    }
    if (!failed_)
        failed_ = fsync(fd_) != 0;
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0)
        failed_ = true;
    if (!failed_ && rename(temporary_.c_str(), target_.c_str()) == 0) {
        temporary_.clear();
        SyncFolder(target_);
        return true;
    }
    failed_ = true;
    Discard();
    return false;
}

void AtomicFileWriter::Discard() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
    }
}

WriteOutcome WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
    AtomicFileWriter file;
    if (!file.Open(path))
        return WriteOutcome::CannotCreate;
    if (!file.Write(bytes) || !file.Commit())
        return WriteOutcome::WriteFailed;
    return WriteOutcome::Written;
}
