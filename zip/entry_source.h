// entry_source.h - an entry's data located through its local header, with the checks
// that come before any byte of it is inflated.
#pragma once

#include <cstdint>
#include <span>

#include "zip/zip_archive.h"

namespace karvo::zip {

struct CZipEntrySource {
    std::span<const std::uint8_t> data; ///< the stored or deflated bytes
    std::uint16_t method = 0;
    std::uint64_t size = 0; ///< what the data must inflate to, exactly
    std::uint32_t crc32 = 0;

    /// Checks the entry of `header`, whose bytes must end by `end`, and finds its data.
    /// Throws CZipException: noAes or badPassword for encrypted entries (no password
    /// can be given), badZipFile for a damaged local header, data outside its range,
    /// a size that the data cannot produce, or a method other than stored and deflated
    /// (an Open XML package allows only those two), tooBigSize past the caps.
    static CZipEntrySource locate(std::span<const std::uint8_t> archive, const CZipFileHeader& header,
                                  std::uint64_t end);
};

} // namespace karvo::zip
