// sheet_stream.h - a worksheet substream read into SheetData and written back from it.
#pragma once

#include <cstdint>

#include "xls/record_reader.h"
#include "xls/record_writer.h"
#include "xls/sheet_data.h"

namespace karvo {

class SharedStrings;

/// Reads a substream from its BOF through its EOF (or the end of the stream).
/// `biffVersion` is the book's; 0x0500 and older have the older record layouts.
/// `strings` is the book's table, already read, that LabelSst cells index.
void loadSheet(SheetData& sheet, RecordReader& records, std::uint16_t biffVersion, const SharedStrings& strings);

/// Writes the substream from BOF to EOF. Recomputes the dimensions first.
void saveSheet(SheetData& sheet, RecordWriter& out);
/// About the bytes saveSheet writes, to size the stream ahead.
std::size_t sheetBytesHint(const SheetData& sheet);

} // namespace karvo
