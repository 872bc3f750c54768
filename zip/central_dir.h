// central_dir.h - finding and reading the central directory of an archive.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "zip/zip_archive.h"

namespace karvo::zip {

/// The entries of an archive as its central directory lists them, checked against
/// the archive's bytes: each entry's local header and data lie before the next
/// entry's local header (or before the directory), so no two entries share bytes.
struct CZipCentralDir {
    std::vector<CZipFileHeader> headers;
    /// Per entry, the offset its local header, data and descriptor must end by.
    std::vector<std::uint64_t> entryEnds;

    /// Throws CZipException: cdirNotFound without an end record, badZipFile for
    /// damaged records or overlapping entries, tooManyFiles and tooBigSize past the caps.
    static CZipCentralDir read(std::span<const std::uint8_t> archive);
};

} // namespace karvo::zip
