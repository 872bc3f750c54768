// bof.h - the BOF record that opens the globals and every sheet substream.
#pragma once

#include <cstdint>

#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// Substream types of the BOF dt field.
namespace substream {
inline constexpr std::uint16_t kGlobals = 0x0005;
inline constexpr std::uint16_t kWorksheet = 0x0010;
} // namespace substream

/// The values of a BOF record. The defaults are those a new worksheet writes; the
/// book changes dt for its globals.
/// The version words of BIFF5 and BIFF8 substreams.
inline constexpr std::uint16_t kBiff5 = 0x0500;
inline constexpr std::uint16_t kBiff8 = 0x0600;

struct Bof {
    std::uint16_t vers = kBiff8;
    std::uint16_t dt = substream::kWorksheet;
    std::uint16_t rupBuild = 6355;
    std::uint16_t rupYear = 1997;
    std::uint32_t bfh = 1;
    std::uint32_t sfo = 6;

    /// Reads 8 to 16 bytes field by field: older versions stop after rupYear, and a
    /// field the body does not hold in full keeps its default. Other sizes fail with
    /// "Bof size is incorrect".
    static Bof read(const Record& record);
    /// Always the full 16-byte form.
    void write(RecordWriter& out) const;
};

} // namespace karvo
