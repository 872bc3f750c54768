// sheet_data.h - everything a binary worksheet holds, in the form its records have.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "xls/bof.h"
#include "xls/cell_store.h"
#include "xls/page_setup.h"
#include "xls/raw_record.h"
#include "xls/sheet_drawing.h"
#include "xls/sheet_settings.h"

namespace karvo {

/// The Index record. A new sheet has rows 0 to 3 and no DBCell positions.
struct IndexValues {
    std::uint32_t reserved0 = 0;
    std::uint32_t rwMic = 0;
    std::uint32_t rwMac = 3;
    std::uint32_t reserved1 = 0;
    std::vector<std::uint32_t> dbCells;
    bool operator==(const IndexValues&) const = default;
};

/// The used area: first row and column, and one past the last.
struct Dimensions {
    std::uint32_t rwMic = 0;
    std::uint32_t rwMac = 0;
    std::uint16_t colMic = 0;
    std::uint16_t colMac = 0;
    std::uint16_t reserved = 0;
    bool operator==(const Dimensions&) const = default;
};

struct Window2 {
    std::uint16_t grbit = 0x04B6;
    std::uint16_t rwTop = 0;
    std::uint16_t colLeft = 0;
    std::uint16_t icvHdr = 64;
    std::uint16_t reserved1 = 0;
    std::uint16_t wScaleSLV = 0;
    std::uint16_t wScaleNormal = 0;
    std::uint16_t reserved2 = 0;
    std::uint16_t reserved3 = 0;
    bool operator==(const Window2&) const = default;
};

namespace window2flag {
inline constexpr std::uint16_t kGridlines = 0x0002;
inline constexpr std::uint16_t kFrozen = 0x0008;
inline constexpr std::uint16_t kSelected = 0x0200;
} // namespace window2flag

/// A rectangle of cells: merged ranges and phonetic ranges.
struct Ref8 {
    std::uint16_t rowFirst = 0;
    std::uint16_t rowLast = 0;
    std::uint16_t colFirst = 0;
    std::uint16_t colLast = 0;
    bool contains(int row, int col) const { return row >= rowFirst && row <= rowLast && col >= colFirst && col <= colLast; }
    bool operator==(const Ref8&) const = default;
};

struct PhoneticInfo {
    std::uint16_t xf = 0;
    std::uint16_t options = 0x0037;
    std::vector<Ref8> ranges;
    bool operator==(const PhoneticInfo&) const = default;
};

/// A page break: at a row, over columns first to last (or at a column, over rows).
struct PageBreak {
    std::uint16_t at = 0;
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    bool operator==(const PageBreak&) const = default;
};

/// A Row record. The defaults are the entry the sheet makes when a row needs one.
struct RowEntry {
    std::uint16_t row = 0;
    std::uint16_t colMic = 0;
    std::uint16_t colMac = 1;
    std::uint16_t miyRw = 255;
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint16_t flags = 0x0100;
    std::uint16_t ixfe = kDefaultCellXf;
    bool operator==(const RowEntry&) const = default;
};

namespace rowflag {
inline constexpr std::uint16_t kOutlineLevel = 0x0007;
inline constexpr std::uint16_t kCollapsed = 0x0010;
inline constexpr std::uint16_t kHidden = 0x0020;
inline constexpr std::uint16_t kFormatted = 0x0080;
} // namespace rowflag

/// A ColInfo record; the sheet keeps one entry per column.
struct ColEntry {
    std::uint16_t first = 0;
    std::uint16_t last = 0;
    std::uint16_t width = 0;
    std::uint16_t xf = 0;
    std::uint16_t options = 0;
    std::uint16_t reserved = 0;
    bool operator==(const ColEntry&) const = default;
};

namespace colflag {
inline constexpr std::uint16_t kHidden = 0x0001;
inline constexpr std::uint16_t kOutlineLevel = 0x0700;
inline constexpr int kOutlineShift = 8;
} // namespace colflag

struct SelectionRef {
    std::uint16_t rowFirst = 0;
    std::uint16_t rowLast = 0;
    std::uint8_t colFirst = 0;
    std::uint8_t colLast = 0;
    bool operator==(const SelectionRef&) const = default;
};

/// A Selection record; a new sheet has one in the bottom-right pane selecting A1.
struct Selection {
    std::uint8_t pane = 3;
    std::uint16_t rwAct = 0;
    std::uint16_t colAct = 0;
    std::uint16_t irefAct = 0;
    std::vector<SelectionRef> refs{SelectionRef{}};
    bool operator==(const Selection&) const = default;
};

struct Pane {
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint16_t rwTop = 0;
    std::uint16_t colLeft = 0;
    std::uint8_t pnnAcc = 0;
    std::uint8_t reserved = 0;
    bool operator==(const Pane&) const = default;
};

/// The most ranges one MergeCells record holds, and the most breaks of one direction.
inline constexpr std::size_t kMaxMergesPerGroup = 1026;
inline constexpr std::size_t kMaxPageBreaks = 1026;

/// A worksheet's records and cells. A sheet of another substream type (chart, macro)
/// uses only `bof` and `raw`.
struct SheetData {
    explicit SheetData(SharedStrings& strings) : cells(strings) {}

    Bof bof;
    IndexValues index;
    SheetSettings settings;
    PageSetup pageSetup;
    Dimensions dimensions;
    Window2 window2;
    PhoneticInfo phonetic;
    std::vector<PageBreak> verticalBreaks;
    std::vector<PageBreak> horizontalBreaks;
    std::vector<RowEntry> rows;
    std::vector<ColEntry> columns;
    /// MergeCells groups: each becomes one record.
    std::vector<std::vector<Ref8>> merges;
    std::vector<Selection> selections{Selection{}};
    std::optional<Pane> pane;
    CellStore cells;
    /// Records the sheet does not interpret, in file order.
    std::vector<RawRecord> raw;
    /// The drawing layer: pictures, comments, embedded charts and other shapes.
    SheetDrawing drawing;
    /// Set when cells go away: the next bounds query rescans.
    bool boundsDirty = false;

    bool isWorksheet() const { return bof.dt == substream::kWorksheet; }
};

/// Widens the dimensions to take in a cell.
void extendBounds(Dimensions& d, int row, int col);
/// Rescans cells and merged ranges for the dimensions, and clears the dirty flag.
void recomputeBounds(SheetData& sheet);

} // namespace karvo
