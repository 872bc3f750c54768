// file_io.h - whole-file reads and writes for the books, by UTF-16 path.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace karvo {

/// The whole file, or an xlerror with `failure` when it cannot be opened or read.
std::vector<std::uint8_t> readWholeFile(const char16_t* path, const char* failure);

/// Writes the bytes to a temporary file beside `path` and renames it into place, so
/// that a failed save leaves an existing file as it was. Fails with `failure`.
void writeWholeFile(const char16_t* path, std::span<const std::uint8_t> bytes, const char* failure);

} // namespace karvo
