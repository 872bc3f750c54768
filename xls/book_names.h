// book_names.h - named ranges, print areas and print titles over the book's defined names.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xls/book_formulas.h"
#include "xls/defined_name.h"

namespace karvo {

/// A rectangle of cells, first and last inclusive, zero-based.
struct NameArea {
    int rowFirst = 0;
    int rowLast = 0;
    int colFirst = 0;
    int colLast = 0;
    bool operator==(const NameArea&) const = default;
};

/// The sheet operations on defined names. Sheets are given by their index in the
/// book. Names are written and read in three formula shapes only (a 3-D area, a 3-D
/// cell, and the union of two 3-D areas that print titles of rows and columns use);
/// the XTI entries they point through are the ones formulas use. Failures throw
/// xlerror with the operation's message.
class BookNames {
public:
    /// `nameRemoved` hears of every name that leaves the list, by the 1-based number
    /// formulas knew it by, so that the book's formulas can follow.
    BookNames(std::vector<Lbl>& names, BookFormulas& formulas, std::function<void(std::uint32_t)> nameRemoved)
        : names_(names), formulas_(formulas), nameRemoved_(std::move(nameRemoved)) {}

    void setPrintArea(int sheet, const NameArea& area);
    void setPrintRepeatRows(int sheet, int rowFirst, int rowLast);
    void setPrintRepeatColumns(int sheet, int colFirst, int colLast);
    /// Removes every built-in name of that code (print area or titles) of the sheet.
    void clearBuiltIn(int sheet, char16_t code);

    void setNamedRange(int sheet, std::u16string_view text, const NameArea& area);
    /// The area of the first name, letter case aside, that refers to the sheet; empty
    /// when that name's formula is neither an area nor a cell.
    std::optional<NameArea> namedRange(int sheet, std::u16string_view text) const;
    /// Removes every name of the sheet with exactly this text.
    void deleteNamedRange(int sheet, std::u16string_view text);
    /// The names that refer to an area or a cell of the sheet, print area included.
    int namedRangeCount(int sheet) const;
    const Lbl& namedRangeAt(int sheet, int index, NameArea& area) const;

    /// Sheet-scoped names follow a sheet inserted at `index` (delta +1) or deleted
    /// there (delta -1); the names of a deleted sheet go with it.
    void shiftSheets(int index, int delta);

private:
    Lbl* builtIn(int sheet, char16_t code);
    void setArea(Lbl& name, int sheet, const NameArea& area);
    void setTitles(int sheet, bool rows, int first, int last);
    void addName(std::u16string text, bool isBuiltIn, int sheet, const NameArea& area);
    bool refersTo(const Lbl& name, int sheet) const;
    std::size_t removeNames(const std::function<bool(const Lbl&)>& doomed);
    std::uint16_t xtiFor(const Lbl& name, int sheet);

    std::vector<Lbl>& names_;
    BookFormulas& formulas_;
    std::function<void(std::uint32_t)> nameRemoved_;
};

} // namespace karvo
