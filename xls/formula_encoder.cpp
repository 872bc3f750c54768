// formula_encoder.cpp - the token bytes of postfix formula text.
#include <algorithm>
#include <bit>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "core/xlerror.h"
#include "xls/biff_strings.h"
#include "xls/formula_book.h"
#include "xls/formula_compiler.h"
#include "xls/formula_postfix.h"
#include "xls/function_table.h"

namespace karvo {

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::optional<std::uint32_t> readDecimal(std::u16string_view digits) {
    std::uint64_t value = 0;
    for (char16_t c : digits) {
        value = value * 10 + (c - u'0');
        if (value > UINT32_MAX) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// Only plain decimal forms count ("1", "2.5", ".5", "1e3"); tokens never hold a sign.
std::optional<double> readDouble(std::u16string_view token) {
    if (token.empty() || !(isDigit(token[0]) || token[0] == u'.')) return std::nullopt;
    std::string narrow;
    for (char16_t c : token) {
        if (c > 0x7F) return std::nullopt;
        narrow += static_cast<char>(c);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    if (error != std::errc{} || end != narrow.data() + narrow.size()) return std::nullopt;
    return value;
}

/// Letters as a base-26 number with A = 1, less 1. Lower case counts as upper case.
std::uint16_t columnNumber(std::u16string_view letters) {
    constexpr std::uint32_t kColumnLimit = 256;
    std::uint32_t value = 0;
    for (char16_t c : letters) {
        value = value * 26 + (c | 0x20) - u'a' + 1;
        if (value > kColumnLimit) throw xlerror("Column is out of range");
    }
    return static_cast<std::uint16_t>(value - 1);
}

std::uint16_t rowNumber(std::u16string_view digits) {
    const auto row = readDecimal(digits);
    if (!row) throw xlerror("MakeFormula::isReference: can't convert string to number");
    if (*row == 0 || *row > 0x10000) throw xlerror("Row is out of range");
    return static_cast<std::uint16_t>(*row - 1);
}

/// The column word of a reference: column in bits 0-13, bit 14 column-relative, bit 15 row-relative.
std::uint16_t columnWord(std::uint16_t column, bool colAbsolute, bool rowAbsolute) {
    if (column >= 256) throw xlerror("RgceLoc: col must be less than 256");
    return static_cast<std::uint16_t>(column | (colAbsolute ? 0 : 0x4000) | (rowAbsolute ? 0 : 0x8000));
}

struct CellWords {
    std::uint16_t row;
    std::uint16_t column;
};

CellWords cellWords(const CellText& cell) {
    const std::uint16_t column = columnNumber(cell.letters);
    return {rowNumber(cell.digits), columnWord(column, cell.colAbsolute, cell.rowAbsolute)};
}

/// Writes the Ptgs of postfix tokens, trying the token forms in a fixed order.
class Encoder {
public:
    explicit Encoder(FormulaBook& book) : book_(book) {}

    void token(std::u16string_view t) {
        if (!(symbol(t) || number(t) || boolean(t) || function(t) || reference(t) || string(t)))
            throw xlerror("incorrect token in formula");
    }

    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    void put(std::uint64_t value, std::size_t size) { putLittle(bytes_, value, size); }

    bool symbol(std::u16string_view t) {
        struct Symbol {
            std::u16string_view text;
            std::uint8_t ptg;
        };
        static constexpr Symbol kSymbols[] = {{postfix::kUnaryPlus, 0x12},   {postfix::kUnaryMinus, 0x13},
                                              {postfix::kPercent, 0x14},     {postfix::kParentheses, 0x15},
                                              {postfix::kMissing, 0x16}};
        if (const BinaryOperator* op = binaryOperator(t)) return put(op->ptg, 1), true;
        for (const Symbol& s : kSymbols)
            if (s.text == t) return put(s.ptg, 1), true;
        if (t != postfix::kAttrSum) return false;
        put(0x19, 1), put(0x10, 1), put(0, 2);
        return true;
    }

    bool number(std::u16string_view t) {
        constexpr std::size_t kIntDigits = 5;
        if (t.size() <= kIntDigits && std::all_of(t.begin(), t.end(), isDigit)) {
            const auto value = readDecimal(t);
            if (value && *value <= 0xFFFF) return put(0x1E, 1), put(*value, 2), true;
        }
        const auto value = readDouble(t);
        if (!value) return false;
        put(0x1F, 1), put(std::bit_cast<std::uint64_t>(*value), 8);
        return true;
    }

    bool boolean(std::u16string_view t) {
        if (t != u"TRUE" && t != u"FALSE") return false;
        put(0x1D, 1), put(t == u"TRUE" ? 1 : 0, 1);
        return true;
    }

    // TODAY is volatile, and OFFSET gives a reference: both need their own form.
    bool function(std::u16string_view t) {
        const auto call = parseFunctionToken(t, book_.functions());
        if (!call) return false;
        constexpr std::uint32_t kMaxCount = 0xFF;
        if (call->count > kMaxCount) throw xlerror("incorrect number of function parameters");
        const std::uint16_t number = book_.functions().find(call->name);
        if (call->name == u"TODAY") {
            put(0x19, 1), put(0x01, 1), put(0, 2), put(0x41, 1), put(number, 2);
        } else {
            put(call->name == u"OFFSET" ? 0x22 : 0x42, 1), put(call->count, 1), put(number, 2);
        }
        return true;
    }

    bool reference(std::u16string_view t) {
        const auto ref = parseReference(t);
        if (!ref) return false;
        const CellWords first = cellWords(ref->first);
        const std::optional<CellWords> last = ref->last ? std::optional(cellWords(*ref->last)) : std::nullopt;
        if (ref->sheet) {
            const int sheet = book_.sheetIndex(*ref->sheet);
            if (sheet < 0) return false;
            put(last ? (ref->refClass ? 0x3B : 0x5B) : (ref->refClass ? 0x3A : 0x5A), 1);
            put(static_cast<std::uint16_t>(book_.xtiForSheet(sheet)), 2);
        } else {
            put(last ? 0x25 : (ref->refClass ? 0x24 : 0x44), 1);
        }
        if (last) put(first.row, 2), put(last->row, 2), put(first.column, 2), put(last->column, 2);
        else put(first.row, 2), put(first.column, 2);
        return true;
    }

    // Inside a string a quote is written twice.
    bool string(std::u16string_view t) {
        if (t.size() < 2 || t.front() != u'"' || t.back() != u'"') return false;
        std::u16string text;
        for (std::size_t i = 1; i + 1 < t.size(); ++i) {
            text += t[i];
            if (t[i] == u'"' && t[i + 1] == u'"' && i + 2 < t.size()) ++i;
        }
        put(0x17, 1);
        writeShortString(bytes_, text, ShortForm::Count8);
        return true;
    }

    FormulaBook& book_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace

std::vector<std::uint8_t> encodePostfix(std::u16string_view postfix, FormulaBook& book) {
    Encoder encoder(book);
    for (std::u16string_view token : splitPostfix(postfix)) encoder.token(token);
    return encoder.take();
}

} // namespace karvo
