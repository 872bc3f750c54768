// page_setup.h - the page-setup block of a sheet: header, footer, centring, margins, printer data, Setup.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "xls/raw_record.h"
#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// The Setup record's fields; the initial values are a new sheet's.
struct SetupValues {
    std::uint16_t iPaperSize = 0;
    std::uint16_t iScale = 100;
    std::uint16_t iPageStart = 1;
    std::uint16_t iFitWidth = 1;
    std::uint16_t iFitHeight = 1;
    std::uint16_t grbit = 0x0006;
    std::uint16_t iRes = 0;
    std::uint16_t iVRes = 0;
    double numHdr = 0.5;
    double numFtr = 0.5;
    std::uint16_t iCopies = 0;

    bool operator==(const SetupValues&) const = default;
};

/// Setup option flags the sheet's operations look at.
namespace setupflag {
inline constexpr std::uint16_t kPortrait = 0x0002;
inline constexpr std::uint16_t kNoPrinterData = 0x0004;
} // namespace setupflag

/// The page-setup records, which a file keeps together in one run.
struct PageSetup {
    std::u16string header;
    std::u16string footer;
    std::uint16_t hCenter = 0;
    std::uint16_t vCenter = 0;
    std::optional<double> leftMargin;
    std::optional<double> rightMargin;
    std::optional<double> topMargin;
    std::optional<double> bottomMargin;
    std::optional<RawRecord> pls; ///< printer data, kept as read with its CONTINUE records
    SetupValues setup;

    bool operator==(const PageSetup& other) const;

    /// Whether a record of this id belongs to the block.
    static bool holds(std::uint16_t id);
    /// Reads the block from its first record on, up to the first record of another id,
    /// which is left unread. `old`: strings of files from before 16-bit strings.
    void read(const Record& first, RecordReader& records, bool old);
    void write(RecordWriter& out) const;
};

} // namespace karvo
