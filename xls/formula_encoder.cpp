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
#include "xls/formula_constants.h"
#include "xls/formula_compiler.h"
#include "xls/formula_postfix.h"
#include "xls/function_table.h"

namespace karvo {

namespace {

using postfix::isDigit;


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

// Ptg ids the encoder writes beyond the operators of the postfix vocabulary.
namespace ptg {
constexpr std::uint8_t kStr = 0x17, kAttr = 0x19, kErr = 0x1C, kBool = 0x1D, kInt = 0x1E, kNum = 0x1F;
constexpr std::uint8_t kFuncValue = 0x41, kFuncVarRef = 0x22, kFuncVarValue = 0x42;
constexpr std::uint8_t kRef = 0x24, kRefValue = 0x44, kArea = 0x25;
constexpr std::uint8_t kRef3d = 0x3A, kRef3dValue = 0x5A, kArea3d = 0x3B, kArea3dValue = 0x5B;
constexpr std::uint8_t kAttrVolatile = 0x01, kAttrSum = 0x10;
} // namespace ptg

/// Writes the Ptgs of postfix tokens, trying the token forms in a fixed order.
class Encoder {
public:
    explicit Encoder(FormulaBook& book) : book_(book) {}

    void token(std::u16string_view t) {
        if (!(symbol(t) || number(t) || boolean(t) || error(t) || function(t) || reference(t) || string(t)))
            throw xlerror("incorrect token in formula");
    }

    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    void put8(std::uint8_t value) { bytes_.push_back(value); }
    void put16(std::uint16_t value) { putLittle(bytes_, value, 2); }
    // An attribute Ptg: type byte and an unused data word.
    void putAttribute(std::uint8_t type) {
        put8(ptg::kAttr);
        put8(type);
        put16(0);
    }

    bool symbol(std::u16string_view t) {
        struct Symbol {
            std::u16string_view text;
            std::uint8_t ptg;
        };
        static constexpr Symbol kSymbols[] = {{postfix::kUnaryPlus, 0x12}, {postfix::kUnaryMinus, 0x13},
                                              {postfix::kPercent, 0x14},   {postfix::kParentheses, 0x15},
                                              {postfix::kMissing, 0x16},   {postfix::kUnion, 0x10}};
        if (const BinaryOperator* op = binaryOperator(t)) {
            put8(op->ptg);
            return true;
        }
        for (const Symbol& s : kSymbols) {
            if (s.text != t) continue;
            put8(s.ptg);
            return true;
        }
        if (t != postfix::kAttrSum) return false;
        putAttribute(ptg::kAttrSum);
        return true;
    }

    bool number(std::u16string_view t) {
        constexpr std::size_t kIntDigits = 5;
        const auto whole = t.size() <= kIntDigits && std::all_of(t.begin(), t.end(), isDigit) ? readDecimal(t)
                                                                                             : std::nullopt;
        if (whole && *whole <= 0xFFFF) {
            put8(ptg::kInt);
            put16(static_cast<std::uint16_t>(*whole));
            return true;
        }
        const auto value = readDouble(t);
        if (!value) return false;
        put8(ptg::kNum);
        putLittle(bytes_, std::bit_cast<std::uint64_t>(*value), 8);
        return true;
    }

    bool boolean(std::u16string_view t) {
        if (t != u"TRUE" && t != u"FALSE") return false;
        put8(ptg::kBool);
        put8(t == u"TRUE" ? 1 : 0);
        return true;
    }

    bool error(std::u16string_view t) {
        const auto code = errorCode(t);
        if (!code) return false;
        put8(ptg::kErr);
        put8(*code);
        return true;
    }

    // TODAY is volatile, and OFFSET gives a reference: both need their own form.
    bool function(std::u16string_view t) {
        const auto call = parseFunctionToken(t, book_.functions());
        if (!call) return false;
        constexpr std::uint32_t kMaxCount = 0xFF; // the count is one byte
        if (call->count > kMaxCount) throw xlerror("incorrect number of function parameters");
        if (call->name == u"TODAY") {
            putAttribute(ptg::kAttrVolatile);
            put8(ptg::kFuncValue);
        } else {
            put8(call->name == u"OFFSET" ? ptg::kFuncVarRef : ptg::kFuncVarValue);
            put8(static_cast<std::uint8_t>(call->count));
        }
        put16(book_.functions().find(call->name));
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
            if (last) put8(ref->refClass ? ptg::kArea3d : ptg::kArea3dValue);
            else put8(ref->refClass ? ptg::kRef3d : ptg::kRef3dValue);
            put16(static_cast<std::uint16_t>(book_.xtiForSheet(sheet)));
        } else {
            put8(last ? ptg::kArea : ref->refClass ? ptg::kRef : ptg::kRefValue);
        }
        put16(first.row);
        if (last) put16(last->row);
        put16(first.column);
        if (last) put16(last->column);
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
        put8(ptg::kStr);
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
