// formula_postfix.cpp - the shared vocabulary of postfix formula text.
#include "xls/formula_postfix.h"

#include <algorithm>
#include <array>

#include "xls/function_table.h"

namespace karvo {

namespace {

using postfix::isDigit;
using postfix::isLetter;

// Concatenation binds more loosely than comparison, and "=" more loosely than the
// other comparisons.
constexpr std::array<BinaryOperator, 12> kBinaryOperators = {{
    {u"+", 0x03, 5}, {u"-", 0x04, 5}, {u"*", 0x05, 6}, {u"/", 0x06, 6},
    {u"^", 0x07, 7}, {u"&", 0x08, 2}, {u"<", 0x09, 4}, {u"<=", 0x0A, 4},
    {u"=", 0x0B, 3}, {u">=", 0x0C, 4}, {u">", 0x0D, 4}, {u"<>", 0x0E, 4},
}};

// Function token counts come from one byte; anything past this is as wrong as 256.
constexpr std::uint32_t kCountCeiling = 99999;



std::uint32_t readCount(std::u16string_view digits) {
    std::uint32_t count = 0;
    for (char16_t c : digits) count = std::min(count * 10 + (c - u'0'), kCountCeiling);
    return count;
}

// Takes a leading "$" off s; true when there was one.
bool takeDollar(std::u16string_view& s) {
    if (!s.starts_with(u'$')) return false;
    s.remove_prefix(1);
    return true;
}

// Takes the leading run of characters that pass `test` off s.
std::u16string_view takeRun(std::u16string_view& s, bool (*test)(char16_t)) {
    std::size_t n = 0;
    while (n < s.size() && test(s[n])) ++n;
    const std::u16string_view run = s.substr(0, n);
    s.remove_prefix(n);
    return run;
}

std::optional<CellText> parseCell(std::u16string_view s) {
    CellText cell;
    cell.colAbsolute = takeDollar(s);
    cell.letters = takeRun(s, isLetter);
    cell.rowAbsolute = takeDollar(s);
    cell.digits = takeRun(s, isDigit);
    if (cell.letters.empty() || cell.digits.empty() || !s.empty()) return std::nullopt;
    return cell;
}

/// A quoted sheet name with its doubled quotes undone, and where the text after its "!" starts.
std::optional<std::pair<std::u16string, std::size_t>> quotedSheet(std::u16string_view token) {
    std::u16string name;
    for (std::size_t i = 1; i < token.size(); ++i) {
        const char16_t next = i + 1 < token.size() ? token[i + 1] : 0;
        if (token[i] != u'\'') {
            name += token[i];
        } else if (next == u'\'') {
            name += u'\'';
            ++i;
        } else {
            if (next != u'!') return std::nullopt;
            return std::pair{std::move(name), i + 2};
        }
    }
    return std::nullopt;
}

} // namespace

const BinaryOperator* binaryOperator(std::u16string_view text) {
    auto it = std::find_if(kBinaryOperators.begin(), kBinaryOperators.end(),
                           [&](const BinaryOperator& op) { return op.text == text; });
    return it == kBinaryOperators.end() ? nullptr : &*it;
}

const BinaryOperator* binaryOperator(std::uint8_t ptg) {
    auto it = std::find_if(kBinaryOperators.begin(), kBinaryOperators.end(),
                           [&](const BinaryOperator& op) { return op.ptg == ptg; });
    return it == kBinaryOperators.end() ? nullptr : &*it;
}

std::vector<std::u16string_view> splitPostfix(std::u16string_view text) {
    std::vector<std::u16string_view> tokens;
    std::size_t start = 0;
    char16_t quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (quote != 0) {
            if (c == quote) quote = 0;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u' ') {
            if (i > start) tokens.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (text.size() > start) tokens.push_back(text.substr(start));
    return tokens;
}

std::optional<FunctionToken> parseFunctionToken(std::u16string_view token, const FunctionTable& functions) {
    if (token.size() < 3 || token.back() != u'F') return std::nullopt;
    const std::u16string_view body = token.substr(0, token.size() - 1);
    std::size_t digits = body.size();
    while (digits > 0 && isDigit(body[digits - 1])) --digits;
    for (std::size_t split = body.size() - 1; split >= std::max<std::size_t>(digits, 1); --split) {
        const std::u16string_view name = body.substr(0, split);
        if (functions.find(name) != FunctionTable::kNotFound) return FunctionToken{name, readCount(body.substr(split))};
    }
    return std::nullopt;
}

std::optional<ReferenceText> parseReference(std::u16string_view token) {
    ReferenceText ref;
    ref.refClass = token.size() >= 2 && token.back() == u'R' && isDigit(token[token.size() - 2]);
    if (ref.refClass) token.remove_suffix(1);
    if (token.starts_with(u'\'')) {
        auto sheet = quotedSheet(token);
        if (!sheet) return std::nullopt;
        ref.sheet = std::move(sheet->first);
        token.remove_prefix(sheet->second);
    } else if (const std::size_t bang = token.rfind(u'!'); bang != std::u16string_view::npos) {
        if (bang == 0) return std::nullopt;
        ref.sheet = std::u16string(token.substr(0, bang));
        token.remove_prefix(bang + 1);
    }
    const std::size_t colon = token.find(u':');
    auto first = parseCell(token.substr(0, colon));
    if (!first) return std::nullopt;
    ref.first = *first;
    if (colon != std::u16string_view::npos) {
        ref.last = parseCell(token.substr(colon + 1));
        if (!ref.last) return std::nullopt;
    }
    return ref;
}

} // namespace karvo
