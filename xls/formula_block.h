// formula_block.h - a formula cell as a file holds it, with the records that travel with it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "xls/cell_entries.h"
#include "xls/raw_record.h"

namespace karvo {

/// What the 8-byte cached result of a formula holds.
enum class FormulaResult { Number, String, Bool, Error, EmptyString, Unknown };

/// The cells a ShrFmla record's formula is shared by.
struct SharedRange {
    std::uint16_t rowFirst = 0;
    std::uint16_t rowLast = 0;
    std::uint8_t colFirst = 0;
    std::uint8_t colLast = 0;
};

/// A Formula record with its cached result and the records around it. The expression
/// is kept as the bytes the file holds; only the PtgExp that ties a cell to a shared
/// formula is ever looked at.
struct FormulaBlock {
    static constexpr CellKind kind = CellKind::Formula;

    /// Where the String record with the cached text stood.
    enum class TextAt : std::uint8_t { None, AfterFormula, AfterCompanions };

    CellPos at;
    std::array<std::uint8_t, 8> result{}; ///< all zero: the number 0.0
    std::uint16_t flags = 0;
    std::uint32_t chn = 0;
    std::vector<std::uint8_t> expression; ///< cce, the tokens and their extra data
    std::optional<RawRecord> prefix;       ///< a 2-byte record that stood before the Formula record
    std::optional<RawRecord> arrayOrTable;
    std::optional<RawRecord> shrFmla;      ///< present on the cell that carries a shared formula
    TextAt textAt = TextAt::None;
    RawRecord text;                        ///< the String record and its CONTINUE records
    bool narrowText = false;               ///< text of a file from before 16-bit strings
    /// A BIFF5 formula without a BIFF8 form: the expression now gives the cached result.
    bool untranslated = false;

    FormulaResult resultType() const;
    double number() const;
    /// The third byte of the result: the boolean or the error code.
    std::uint8_t resultValue() const { return result[2]; }
    std::u16string cachedText() const;

    /// The cell whose shared formula this cell uses: the PtgExp that opens its tokens.
    std::optional<std::pair<std::uint16_t, std::uint16_t>> sharedAnchor() const;
    /// The first cell of the data table this cell belongs to: the PtgTbl that makes its tokens.
    std::optional<std::pair<std::uint16_t, std::uint16_t>> tableAnchor() const;
    /// Points the PtgExp at another cell; no effect without one.
    void setSharedAnchor(std::uint16_t row, std::uint16_t col);
    /// The range of the ShrFmla record this cell carries.
    std::optional<SharedRange> sharedRange() const;

    /// Reads a Formula record (or a 2-byte prefix record and the Formula record after it)
    /// and the String, Array, Table and ShrFmla records that follow it.
    static FormulaBlock read(const Record& first, RecordReader& records, bool old);
    /// The group as read, with the always-calculate flag set.
    void write(RecordWriter& out) const;

private:
    std::optional<std::pair<std::uint16_t, std::uint16_t>> anchorOf(std::uint8_t ptg) const;
};

} // namespace karvo
