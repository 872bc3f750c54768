// file_io.cpp - the file layer under load and save (POSIX; paths are UTF-8 here).
#include "core/file_io.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <memory>

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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// ---------------------------------------------------------------- save

/// The kernel's own limit on links followed in one lookup; a longer chain is a loop.
constexpr int kMaxLinks = 40;

/// The file a save to `name` replaces: symbolic links followed to the last one's
/// target, which need not exist yet. Only the last component is followed; links to
/// directories earlier in the path lead to the same directory either way.
std::string finalTarget(std::string name, const char* failure) {
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat info {};
        if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return name;
        char target[PATH_MAX];
        ssize_t n = readlink(name.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) throw xlerror(failure);
        std::string next(target, static_cast<std::size_t>(n));
        // A relative target is relative to the link's directory, not to ours.
        std::size_t slash = name.rfind('/');
        if (next.front() != '/' && slash != std::string::npos) next.insert(0, name, 0, slash + 1);
        name = std::move(next);
    }
    throw xlerror(failure);
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

/// Writes into an existing special file (a FIFO, a terminal, /dev/null): it cannot be
/// replaced by a rename, and what the user means is to write into it.
void writeInPlace(const std::string& name, std::span<const std::uint8_t> bytes, const char* failure) {
    int fd = ::open(name.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) throw xlerror(failure);
    struct stat info {};
    // Without O_TRUNC a regular file put there since the check would be overwritten
    // only in part; it is refused rather than damaged.
    bool ok = fstat(fd, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode) && writeAll(fd, bytes);
    ok = ::close(fd) == 0 && ok;
    if (!ok) throw xlerror(failure);
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

/// Writes a temporary beside `target` and renames it over the target. A replaced
/// file's owner and permissions carry over, so a save changes the content only.
void replaceFile(const std::string& target, const struct stat* replaced, std::span<const std::uint8_t> bytes,
                 const char* failure) {
    std::string temporary;
    int fd = createTemporary(target, temporary);
    if (fd < 0) throw xlerror(failure);
    bool ok = true;
    if (replaced) {
        // The owner first, since a change of owner clears the set-id bits that the
        // mode then restores. Only a privileged process may give the file away, and
        // for the others keeping their own ownership is the expected result.
        if (fchown(fd, replaced->st_uid, replaced->st_gid) != 0) {
        }
        // The mode is set before any byte is written, so the content is never
        // readable by more users than the replaced file allowed.
        ok = fchmod(fd, replaced->st_mode & 07777) == 0;
    }
    ok = ok && writeAll(fd, bytes);
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        throw xlerror(failure);
    }
}

} // namespace

FileBytes readWholeFile(const char16_t* path, const char* failure) {
    std::string name = nativePath(path, failure);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
    struct stat info {};
    if (!file || fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) throw xlerror(failure);
    FileBytes bytes(static_cast<std::size_t>(info.st_size));
    if (bytes.size() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        throw xlerror(failure);
    return bytes;
}

void writeWholeFile(const char16_t* path, std::span<const std::uint8_t> bytes, const char* failure) {
    std::string name = nativePath(path, failure);
    struct stat info {};
    // What the path leads to decides first, through any links: a special file is
    // written in place by its own name, because links such as /dev/stdout lead
    // through /proc to names ("pipe:[...]") that only open() understands.
    if (stat(name.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) throw xlerror(failure);
        if (!S_ISREG(info.st_mode)) return writeInPlace(name, bytes, failure);
    }
    const std::string target = finalTarget(name, failure);
    const bool replacing = lstat(target.c_str(), &info) == 0;
    if (replacing && !S_ISREG(info.st_mode)) throw xlerror(failure);
    replaceFile(target, replacing ? &info : nullptr, bytes, failure);
}

} // namespace karvo
