// sheet_data.cpp - the used area of a sheet, widened by writes and rescanned after removals.
#include "xls/sheet_data.h"

#include <algorithm>

namespace karvo {
namespace {

// Takes [first, last] into the half-open bounds [mic, mac).
template <class T>
void widen(T& mic, T& mac, int first, int last) {
    bool empty = mic == mac;
    if (empty || first < static_cast<int>(mic)) mic = static_cast<T>(first);
    if (empty || last >= static_cast<int>(mac)) mac = static_cast<T>(last + 1);
}

} // namespace

void extendBounds(Dimensions& d, int row, int col) {
    widen(d.rwMic, d.rwMac, row, row);
    widen(d.colMic, d.colMac, col, col);
}

void recomputeBounds(SheetData& sheet) {
    Dimensions d;
    int rowMin = kRowCount, rowMax = -1, colMin = kColCount, colMax = -1;
    sheet.cells.forEach([&](int row, int col, CellHandle) {
        rowMin = std::min(rowMin, row);
        rowMax = std::max(rowMax, row);
        colMin = std::min(colMin, col);
        colMax = std::max(colMax, col);
    });
    if (rowMax >= 0) {
        d.rwMic = static_cast<std::uint32_t>(rowMin);
        d.rwMac = static_cast<std::uint32_t>(rowMax + 1);
        d.colMic = static_cast<std::uint16_t>(colMin);
        d.colMac = static_cast<std::uint16_t>(colMax + 1);
    }
    for (const auto& group : sheet.merges) {
        for (const Ref8& m : group) {
            widen(d.rwMic, d.rwMac, m.rowFirst, m.rowLast);
            widen(d.colMic, d.colMac, m.colFirst, m.colLast);
        }
    }
    d.reserved = sheet.dimensions.reserved;
    sheet.dimensions = d;
    sheet.boundsDirty = false;
}

} // namespace karvo
