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

/// Writes the bytes to a temporary file beside `path` and renames it into place, so
/// that a failed save leaves an existing file as it was. Fails with `failure`.
void writeWholeFile(const char16_t* path, std::span<const std::uint8_t> bytes, const char* failure);

} // namespace karvo
