// file_io.cpp - the file layer under load and save (POSIX; paths are UTF-8 here).
#include "core/file_io.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/utf_convert.h"
#include "core/xlerror.h"

namespace karvo {
namespace {

std::string nativePath(const char16_t* path, const char* failure) {
    if (!path || !*path) throw xlerror(failure);
    return utf16ToUtf8(path);
}

// ---------------------------------------------------------------- save

/// The kernel's own limit on links followed in one lookup; a longer chain is a loop.
constexpr int kMaxLinks = 40;

/// The file a save to `name` replaces: symbolic links followed to the last one's
/// target, which need not exist yet. Only the last component is followed; links to
/// directories earlier in the path lead to the same directory either way. Empty, with
/// errno set, when the links cannot be followed.
std::string finalTarget(std::string name) {
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat info {};
        if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return name;
        char target[PATH_MAX];
        ssize_t n = readlink(name.c_str(), target, sizeof target);
        if (n < 0) return {};
        if (n == 0 || static_cast<std::size_t>(n) >= sizeof target) {
            errno = ENAMETOOLONG;
            return {};
        }
        std::string next(target, static_cast<std::size_t>(n));
        // A relative target is relative to the link's directory, not to ours.
        std::size_t slash = name.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) next.insert(0, name, 0, slash + 1);
        name = std::move(next);
    }
    errno = ELOOP;
    return {};
}

/// A name for a temporary; O_EXCL makes it safe, the mixing only makes a clash rare.
std::string temporaryName(const std::string& target) {
    static std::atomic<std::uint64_t> counter{0};
    std::uint64_t x = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                      (static_cast<std::uint64_t>(getpid()) << 40) ^ (counter++ * 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = target + ".karvo-";
    for (int i = 0; i < 6; ++i, x /= 62) name += kChars[x % 62];
    return name;
}

/// Creates the temporary with mode 0666, so that the umask and the directory's
/// default ACL give it what a plain create of the file would have (mkstemp's 0600
/// would need the umask read back, which is not safe beside other threads).
int createTemporary(const std::string& target, std::string& temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = temporaryName(target);
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

} // namespace

FileReader::FileReader(const char16_t* path, const char* failure) : failure_(failure) {
    std::string name = nativePath(path, failure);
    fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd_ < 0 || fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd_ >= 0) ::close(fd_);
        throw xlerror(failure);
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
}

FileReader::~FileReader() { ::close(fd_); }

FileBytes readWholeFile(const char16_t* path, const char* failure) {
    FileReader file(path, failure);
    FileBytes bytes(static_cast<std::size_t>(file.size()));
    file.read(0, bytes.data(), bytes.size());
    return bytes;
}

void FileReader::read(std::uint64_t offset, std::uint8_t* to, std::size_t n) const {
    if (offset > size_ || n > size_ - offset) throw xlerror(failure_);
    while (n > 0) {
        ssize_t got = ::pread(fd_, to, n, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        // Nothing more where the file had bytes when it was opened: it was cut short since.
        if (got <= 0) throw xlerror(failure_);
        to += got;
        offset += static_cast<std::uint64_t>(got);
        n -= static_cast<std::size_t>(got);
    }
}

SaveFile::SaveFile(const char16_t* path, const char* failure) : failure_(failure) {
    std::string name = nativePath(path, failure);
    struct stat info {};
    // What the path leads to decides first, through any links: a special file is
    // written in place by its own name, because links such as /dev/stdout lead
    // through /proc to names ("pipe:[...]") that only open() understands.
    if (stat(name.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) fail("opening", name, EISDIR);
        if (!S_ISREG(info.st_mode)) {
            open(name);
            return;
        }
    }
    target_ = finalTarget(name);
    if (target_.empty()) fail("following the links of", name, errno);
    const bool replacing = lstat(target_.c_str(), &info) == 0;
    if (replacing && !S_ISREG(info.st_mode)) fail("replacing", target_, EINVAL);
    open_.fd = createTemporary(target_, open_.temporary);
    if (open_.fd < 0) {
        open_.temporary.clear();
        fail("creating a file beside", target_, errno);
    }
    if (replacing) {
        // The owner first, since a change of owner clears the set-id bits that the
        // mode then restores. Only a privileged process may give the file away, and
        // for the others keeping their own ownership is the expected result.
        if (fchown(open_.fd, info.st_uid, info.st_gid) != 0) {
        }
        // The mode is set before any byte is written, so the content is never
        // readable by more users than the replaced file allowed.
        if (fchmod(open_.fd, info.st_mode & 07777) != 0) fail("setting the permissions of", target_, errno);
    }
}

/// Writes into an existing special file (a FIFO, a terminal, /dev/null): it cannot be
/// replaced by a rename, and what the user means is to write into it.
void SaveFile::open(const std::string& name) {
    target_ = name;
    open_.fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (open_.fd < 0) fail("opening", name, errno);
    struct stat info {};
    if (fstat(open_.fd, &info) != 0) fail("opening", name, errno);
    // Without O_TRUNC a regular file put there since the check would be overwritten
    // only in part; it is refused rather than damaged.
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) fail("opening", name, EEXIST);
}

SaveFile::OpenFile::~OpenFile() {
    if (fd >= 0) ::close(fd);
    if (!temporary.empty()) ::unlink(temporary.c_str());
}

void SaveFile::fail(const char* action, const std::string& name, int error) const {
    throw xlerror(std::string(failure_) + " (" + action + " " + name + ": " +
                  std::error_code(error, std::generic_category()).message() + ")");
}

void SaveFile::append(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(open_.fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("writing", target_, n < 0 ? errno : EIO);
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
}

void SaveFile::overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    if (!seekable()) fail("going back in", target_, ESPIPE);
    while (!bytes.empty()) {
        ssize_t n = ::pwrite(open_.fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("writing", target_, n < 0 ? errno : EIO);
        bytes = bytes.subspan(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
}

void SaveFile::commit() {
    // A full disk may show only now, when the file system writes what it held back.
    int closed = ::close(open_.fd);
    open_.fd = -1;
    if (closed != 0) fail("writing", target_, errno);
    if (open_.temporary.empty()) return;
    if (std::rename(open_.temporary.c_str(), target_.c_str()) != 0) fail("renaming a file over", target_, errno);
    open_.temporary.clear();
}

} // namespace karvo
