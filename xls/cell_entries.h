// cell_entries.h - the entry of each cell kind in a binary sheet's stores, and the RK number form.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "core/xlerror.h"

namespace karvo {

/// Rows 0-65535 and columns 0-255: what the cell records' fields can address.
inline constexpr int kMaxRow = 65535;
inline constexpr int kMaxCol = 255;
inline constexpr int kRowCount = kMaxRow + 1;
inline constexpr int kColCount = kMaxCol + 1;

inline void checkRow(int row) {
    if (row < 0 || row > kMaxRow) throw xlerror("row must be in range 0-65535");
}
inline void checkCol(int col) {
    if (col < 0 || col > kMaxCol) throw xlerror("col must be in range 0-255");
}
inline void checkCell(int row, int col) {
    checkRow(row);
    checkCol(col);
}

/// XF index of a cell written without a format: the default cell style.
inline constexpr std::uint16_t kDefaultCellXf = 15;

/// The kind of a cell, as stored in bits 1-3 of its handle.
enum class CellKind : std::uint8_t { RK = 1, Number, LabelSst, Blank, BoolErr, Formula, Label };

/// Where a cell sits and its XF index; every store entry starts with one.
struct CellPos {
    std::uint16_t row = 0;
    std::uint16_t col = 0;
    std::uint16_t xf = 0;
};

struct RkCell {
    static constexpr CellKind kind = CellKind::RK;
    CellPos at;
    std::uint32_t rk = 0;
};

struct NumberCell {
    static constexpr CellKind kind = CellKind::Number;
    CellPos at;
    double value = 0;
};

struct LabelSstCell {
    static constexpr CellKind kind = CellKind::LabelSst;
    CellPos at;
    std::uint32_t isst = 0;
};

struct BlankCell {
    static constexpr CellKind kind = CellKind::Blank;
    CellPos at;
};

struct BoolErrCell {
    static constexpr CellKind kind = CellKind::BoolErr;
    CellPos at;
    std::uint8_t value = 0;
    std::uint8_t isError = 0;
};

/// A string cell of its own (not shared). Only files have them; `narrow` keeps the
/// 8-bit characters of a file written before 16-bit strings, so they are written back
/// in that width.
struct LabelCell {
    static constexpr CellKind kind = CellKind::Label;
    CellPos at;
    std::u16string text;
    bool narrow = false;
};

/// The RK form of a number: its high 32 bits, when its low 34 bits are all zero
/// (the two lowest bits of an RK value are its flags). Only this plain form is
/// produced; the x100 and integer forms are only read.
inline std::optional<std::uint32_t> toRk(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    constexpr std::uint64_t kLow34 = (std::uint64_t(1) << 34) - 1;
    if (bits & kLow34) return std::nullopt;
    return static_cast<std::uint32_t>(bits >> 32);
}

/// Decodes any RK value: bit 1 selects a signed 30-bit integer over the top 30 bits
/// of a double, bit 0 divides by 100.
inline double fromRk(std::uint32_t rk) {
    double value;
    if (rk & 0x02) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 0x01) ? value / 100 : value;
}

} // namespace karvo
