// defined_name.h - Lbl, a defined name of the workbook globals.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "xls/raw_record.h"

namespace karvo {

/// One defined name (Lbl record). A record that parses keeps its fields, its text and
/// its formula; one that does not (cut short) keeps its bytes and is written back as
/// read. A BIFF5 name is kept as bytes only until the book has read its sheets. Either
/// way the CONTINUE records that followed it stay with it.
struct Lbl {
    /// Option flag of a built-in name, whose text is one character: its code.
    static constexpr std::uint16_t kBuiltIn = 0x0020;
    static constexpr char16_t kPrintArea = 6;
    static constexpr char16_t kPrintTitles = 7;

    std::uint16_t flags = 0;
    std::uint8_t shortcut = 0;
    std::uint16_t reserved = 0;
    /// The sheet of a sheet-scoped name: its index in the book plus 1; 0 for a book-wide name.
    std::uint16_t sheet = 0;
    std::array<std::uint8_t, 4> reserved2{};
    bool wideText = false; ///< characters stored as 16 bits rather than 8
    std::u16string text;
    std::vector<std::uint8_t> formula;
    /// Bytes after the formula in the record (array constants and the like).
    std::vector<std::uint8_t> extra;
    std::vector<std::vector<std::uint8_t>> continues;

    bool parsed = true;
    std::vector<std::uint8_t> rawBody; ///< the record as read, when it did not parse

    /// Reads `record` (and the CONTINUE records after it) as a BIFF8 name when `biff8`,
    /// else keeps it raw: a BIFF5 name's formula can only be rewritten once the sheets
    /// it refers to are read (translateBiff5Names).
    static Lbl read(const Record& record, RecordReader& records, bool biff8);
    /// A user name (flags 0) or, with `builtIn`, the built-in name of that code.
    static Lbl make(std::u16string text, std::uint16_t sheet, std::vector<std::uint8_t> formula,
                    bool builtIn = false);

    bool isBuiltIn(char16_t code) const;
    /// Replaces the formula; the extra data and CONTINUE records belonged to the old one.
    void setFormula(std::vector<std::uint8_t> bytes);
    /// The record body as it is written.
    std::vector<std::uint8_t> body() const;
    void write(RecordWriter& out) const;
};

} // namespace karvo
