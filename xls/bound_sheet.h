// bound_sheet.h - BoundSheet8: a sheet's entry in the globals.
#pragma once

#include <cstdint>
#include <string>

#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

struct BoundSheet8 {
    std::uint32_t position = 0;  // stream offset of the sheet's BOF
    std::uint8_t visibility = 0; // SheetState
    std::uint8_t type = 0;       // 0 worksheet, 1 macro sheet, 2 chart, 6 VB module
    std::u16string name;

    /// BIFF5 names have 8-bit characters and no flags byte.
    static BoundSheet8 read(const Record& record, std::uint16_t biffVersion);
    /// Writes the record and returns the stream offset of its position field.
    std::size_t write(RecordWriter& out, std::u16string_view currentName) const;
};

} // namespace karvo
