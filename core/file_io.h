// file_io.h - whole-file reads and writes for the books, by UTF-16 path.
#pragma once

#include "core/huge_pages.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace karvo {

/// A file's bytes in a buffer that is not cleared first, since the read fills it:
/// clearing a large book's buffer costs about as much as reading the file. A large
/// file is read into huge pages.
class FileBytes {
public:
    explicit FileBytes(std::size_t size) : data_(HugePageAllocator<std::uint8_t>().allocate(size), Release{size}), size_(size) {}
    std::uint8_t* data() { return data_.get(); }
    std::size_t size() const { return size_; }
    operator std::span<const std::uint8_t>() const { return {data_.get(), size_}; }

private:
    struct Release {
        std::size_t size;
        void operator()(std::uint8_t* p) const noexcept { HugePageAllocator<std::uint8_t>().deallocate(p, size); }
    };
    std::unique_ptr<std::uint8_t[], Release> data_;
    std::size_t size_;
};

/// The whole file, or an xlerror with `failure` when it cannot be opened or read.
FileBytes readWholeFile(const char16_t* path, const char* failure);

/// A regular file kept open and read piece by piece where a reader asks, so that a
/// large book is never held in memory as a whole. Every failure, a file cut short
/// since it was opened included, raises an xlerror of `failure`.
class FileReader {
public:
    FileReader(const char16_t* path, const char* failure);
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    ~FileReader();

    /// The size when the file was opened.
    std::uint64_t size() const { return size_; }
    /// Copies the bytes [offset, offset + n), which must lie within size().
    void read(std::uint64_t offset, std::uint8_t* to, std::size_t n) const;

private:
    const char* failure_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

/// The file a save writes. A regular file, or one that does not exist yet, is written
/// as a temporary beside it that commit() renames into place, so that a failed save
/// leaves an existing file as it was; a replaced file's owner and permissions carry
/// over. A special file (a FIFO, a device) is written in place, in order only.
/// Symbolic links are followed to the file they end at. Every failure raises an
/// xlerror of `failure` followed by what failed and the system's reason.
class SaveFile {
public:
    SaveFile(const char16_t* path, const char* failure);

    /// Whether overwrite() may go back to bytes written earlier: not in a special file.
    bool seekable() const { return !open_.temporary.empty(); }
    void append(std::span<const std::uint8_t> bytes);
    void overwrite(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    /// Puts the file in place; until then an existing file is untouched.
    void commit();

private:
    void open(const std::string& name);
    [[noreturn]] void fail(const char* action, const std::string& name, int error) const;

    /// The open file and the temporary it may be. A member of its own, so that a
    /// constructor that fails halfway still closes and removes them.
    struct OpenFile {
        int fd = -1;
        std::string temporary;
        OpenFile() = default;
        OpenFile(const OpenFile&) = delete;
        OpenFile& operator=(const OpenFile&) = delete;
        /// Removes a temporary that was not committed.
        ~OpenFile();
    };

    const char* failure_;
    std::string target_;
    OpenFile open_;
};

} // namespace karvo
