// file_io.cpp - the file layer under load and save (POSIX; paths are UTF-8 here).
#include "core/file_io.h"

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

} // namespace

std::vector<std::uint8_t> readWholeFile(const char16_t* path, const char* failure) {
    std::string name = nativePath(path, failure);
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(name.c_str(), "rb"));
    struct stat info {};
    if (!file || fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) throw xlerror(failure);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size())
        throw xlerror(failure);
    return bytes;
}

void writeWholeFile(const char16_t* path, std::span<const std::uint8_t> bytes, const char* failure) {
    std::string name = nativePath(path, failure);
    std::string temporary = name + ".karvo-XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) throw xlerror(failure);
    // mkstemp creates the file 0600; give it the permissions a plain create would.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    bool closed = ::close(fd) == 0;
    bool ok = written == bytes.size() && closed;
    if (!ok || std::rename(temporary.c_str(), name.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw xlerror(failure);
    }
}

} // namespace karvo
