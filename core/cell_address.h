// cell_address.h - A1 cell addresses ("B7", "$C$12"), shared by both families.
#pragma once

#include <string>
#include <string_view>

namespace karvo {

/// The largest grid of any book: addresses are read and written up to it.
constexpr int kMaxAddressRow = 1048575;
constexpr int kMaxAddressCol = 16383;

struct CellAddress {
    int row = 0;
    int col = 0;
    bool rowRelative = true;
    bool colRelative = true;
};

/// Reads a whole text as one address; an xlerror "address is invalid" otherwise.
CellAddress parseCellAddress(std::u16string_view text);

/// Reads a whole text (null reads as empty) into the outputs that are not null, as
/// the sheets' addressToRowCol hands them out.
void readCellAddress(const char16_t* text, int* row, int* col, bool* rowRelative, bool* colRelative);

/// The address text; an xlerror when the row or column lies outside the grid.
std::u16string formatCellAddress(const CellAddress& address);

/// The column letters of a zero-based column ("A" for 0, "XFD" for 16383).
std::u16string columnLetters(int col);

/// Whether a sheet name must be quoted in a reference prefix (see quoteSheetName).
bool sheetNameNeedsQuotes(std::u16string_view name);

/// A sheet name as a reference prefix writes it: between single quotes, each quote
/// doubled, when the name holds anything besides letters, digits, "_" and ".", so
/// that a formula reader takes the prefix back as one token.
std::u16string quoteSheetName(std::u16string_view name);

} // namespace karvo
