// formula_renderer.cpp - token bytes to postfix text to infix formula text.
#include "xls/formula_renderer.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <optional>
#include <vector>

#include "core/byte_reader.h"
#include "core/cell_address.h"
#include "core/xlerror.h"
#include "xls/biff_strings.h"
#include "xls/formula_book.h"
#include "xls/formula_constants.h"
#include "xls/formula_postfix.h"
#include "xls/function_table.h"
#include "xls/ptg_walk.h"

namespace karvo {

namespace {

constexpr const char* kTruncated = "GetFormula move1 error";
constexpr const char* kNoInfix = "can't build infix formula string";

using ptg::baseId;
using ptg::kAttrChoose;
constexpr std::uint8_t kAttrSum = 0x10;

template <std::size_t N>
bool listed(const std::array<std::uint8_t, N>& list, std::uint8_t value) {
    for (std::uint8_t v : list)
        if (v == value) return true;
    return false;
}

std::u16string widen(std::string_view ascii) { return std::u16string(ascii.begin(), ascii.end()); }

std::u16string decimal(std::uint64_t value) { return widen(std::to_string(value)); }

/// Reads the Ptgs of a token array one at a time and gives each one's postfix token.
/// Array constants and the ranges of PtgMemArea live after the tokens, in `extra`,
/// in the order of the tokens they belong to.
class PtgDecoder {
public:
    PtgDecoder(const FormulaBytes& formula, const FormulaBook& book, bool shared, int baseRow, int baseCol)
        : in_(formula.tokens), extra_(formula.extra), book_(book), shared_(shared),
          baseRow_(static_cast<std::uint32_t>(baseRow)), baseCol_(static_cast<std::uint32_t>(baseCol)) {}

    std::u16string postfix() {
        std::u16string text;
        while (!in_.atEnd()) {
            std::u16string token = next();
            if (token.empty()) continue;
            if (!text.empty()) text += u' ';
            text += token;
            if (text.size() > kMaxRenderedText) throw xlerror(kNoInfix);
        }
        return text;
    }

private:
    std::u16string next() {
        const std::uint8_t id = in_.u8();
        const std::uint8_t base = baseId(id);
        const std::int8_t size = ptg::kBodySize[base];
        if (size == ptg::kUnknown) throw xlerror("can't recognize formula block: unknown ptg");
        if (size == ptg::kVariable) return variable(base);
        ByteReader body(in_.bytes(static_cast<std::size_t>(size)));
        if (!in_.ok()) throw xlerror(kTruncated);
        return fixed(base, body);
    }

    std::u16string variable(std::uint8_t base) {
        std::u16string token;
        if (base == 0x17) token = quotedString(readShortString(in_, ShortForm::Count8));
        else if (base == 0x18) token = elf();
        else token = attribute();
        if (!in_.ok()) throw xlerror(kTruncated);
        return token;
    }

    std::u16string elf() {
        const std::uint8_t type = in_.u8();
        if (!in_.ok()) return {};
        const ptg::ElfType* found = ptg::findElf(type);
        if (!found) throw xlerror("unknown Ptg 0x18");
        ByteReader body(in_.bytes(found->size));
        if (!in_.ok()) return {};
        return found->holdsCell ? cell(body) : u"?";
    }

    std::u16string attribute() {
        const std::uint8_t type = in_.u8();
        if (!in_.ok()) return {};
        if (type == kAttrChoose) {
            // A jump table: the count of choices, then one offset more than choices.
            const std::size_t choices = in_.u16();
            in_.skip((choices + 1) * 2); // fails, rather than reads on, when the array is shorter
            return {};
        }
        if (!listed(ptg::kAttributes, type)) throw xlerror("unknown Ptg 0x19");
        in_.skip(2);
        return type == kAttrSum ? u"SUM1F" : u"";
    }

    std::u16string fixed(std::uint8_t base, ByteReader& body) {
        if (const BinaryOperator* op = binaryOperator(base)) return std::u16string(op->text);
        switch (base) {
        case 0x0F: return std::u16string(postfix::kIntersection);
        case 0x10: return std::u16string(postfix::kUnion);
        case 0x11: return std::u16string(postfix::kRange);
        case 0x12: return std::u16string(postfix::kUnaryPlus);
        case 0x13: return std::u16string(postfix::kUnaryMinus);
        case 0x14: return std::u16string(postfix::kRenderedPercent);
        case 0x15: return std::u16string(postfix::kParentheses);
        case 0x16: return std::u16string(postfix::kMissing);
        case 0x1C: return std::u16string(errorText(body.u8()).value_or(u"ERR"));
        case 0x1D: return body.u8() ? u"TRUE" : u"FALSE";
        case 0x1E: return decimal(body.u16());
        case 0x1F: return generalNumber(body.f64());
        case 0x20: return arrayConstant();
        case 0x21: return function(body.u16(), std::nullopt);
        case 0x22: {
            const std::uint8_t count = body.u8();
            return function(body.u16(), count);
        }
        case 0x23: return definedName(body.u32());
        case 0x24: case 0x2C: return cell(body);
        case 0x25: case 0x2D: return area(body);
        // The memory tokens only say how long the sub-expression after them is; that
        // sub-expression is the operand.
        case 0x26: skipExtraMem(); return {};
        case 0x27: case 0x28: case 0x29: return {};
        case 0x39: return externalName(body);
        case 0x3A: case 0x3B: return threeD(body, base == 0x3B);
        case 0x2A: case 0x2B: case 0x3C: case 0x3D: return u"#REF!";
        default: return u"?";
        }
    }

    std::u16string arrayConstant() {
        auto text = readArrayConstant(extra_, kMaxRenderedText);
        if (!text) throw xlerror(kTruncated);
        return std::move(*text);
    }

    // PtgExtraMem: a count, then that many areas of 8 bytes.
    void skipExtraMem() {
        constexpr std::size_t kAreaSize = 8;
        const std::size_t count = extra_.u16();
        if (!extra_.skip(count * kAreaSize)) throw xlerror(kTruncated);
    }

    // A call without its own count stands for the table's fixed count of arguments.
    // Bit 7 of a count asks for the prompt of a macro command; bit 15 of a number
    // marks a command, whose names the table does not hold.
    std::u16string function(std::uint16_t number, std::optional<std::uint8_t> count) const {
        constexpr std::uint16_t kCommandEquivalent = 0x8000;
        constexpr std::uint8_t kPrompt = 0x80;
        if (number & kCommandEquivalent) return u"?";
        if (number == FunctionTable::kNotFound && count)
            return std::u16string(postfix::kUserCall) + decimal(*count & ~kPrompt);
        const auto found = book_.functions().findByNumber(number);
        if (found.name == u"?") return u"?";
        const std::uint8_t args = count ? (*count & ~kPrompt) : storedFixedCount(number, found.fixedArgs);
        return std::u16string(found.name) + decimal(args) + u"F";
    }

    // The table gives a count of 0 (or 1) for a few functions that files call without
    // a count: the database functions take their 3 arguments, MMULT its 2.
    static std::uint8_t storedFixedCount(std::uint16_t number, std::uint8_t tableCount) {
        constexpr std::array<std::pair<std::uint16_t, std::uint8_t>, 8> kCounts = {
            {{40, 3}, {41, 3}, {42, 3}, {43, 3}, {44, 3}, {45, 3}, {47, 3}, {165, 2}}};
        for (const auto& [n, count] : kCounts)
            if (n == number) return count;
        return tableCount;
    }

    std::u16string definedName(std::uint32_t index) const {
        if (index > static_cast<std::uint32_t>(INT_MAX)) return u"?";
        return book_.definedName(static_cast<int>(index)).value_or(u"?");
    }

    // PtgNameX: XTI index, name index (u16 each), then a reserved u16.
    std::u16string externalName(ByteReader& body) const {
        const std::uint16_t xti = body.u16();
        const std::u16string name = book_.externalName(xti, body.u16()).value_or(u"?");
        // Names of links to other programs may hold spaces; quoted, they stay one token.
        return name.find(u' ') == std::u16string::npos ? name : quoteSheetName(name);
    }

    std::u16string cellText(std::uint32_t row, std::uint16_t colWord) const {
        const bool rowRelative = colWord & 0x8000;
        const bool colRelative = colWord & 0x4000;
        std::uint32_t col = colWord & 0x3FFF;
        if (shared_ && rowRelative) row = (baseRow_ + row) % 65536;
        if (shared_ && colRelative) col = (baseCol_ + col) % 256;
        return (colRelative ? u"" : u"$") + columnLetters(static_cast<int>(col)) + (rowRelative ? u"" : u"$") + decimal(row + 1);
    }

    std::u16string cell(ByteReader& body) const {
        const std::uint16_t row = body.u16();
        return cellText(row, body.u16());
    }

    std::u16string area(ByteReader& body) const {
        const std::uint16_t firstRow = body.u16(), lastRow = body.u16();
        const std::uint16_t firstCol = body.u16(), lastCol = body.u16();
        return cellText(firstRow, firstCol) + u":" + cellText(lastRow, lastCol);
    }

    std::u16string threeD(ByteReader& body, bool isArea) const {
        const auto prefix = sheetPrefix(body.u16());
        if (!prefix) return u"#REF!";
        return *prefix + (isArea ? area(body) : cell(body));
    }

    std::optional<std::u16string> sheetPrefix(std::uint16_t index) const {
        const auto xti = book_.xtiAt(index);
        const auto valid = [&](int sheet) { return sheet < book_.sheetCount(); };
        if (!xti || !valid(xti->firstSheet) || !valid(xti->lastSheet)) return std::nullopt;
        const std::u16string first = book_.sheetNameAt(xti->firstSheet);
        if (xti->firstSheet == xti->lastSheet) return quoteSheetName(first) + u"!";
        const std::u16string last = book_.sheetNameAt(xti->lastSheet);
        const std::u16string range = first + u":" + last;
        if (sheetNameNeedsQuotes(first) || sheetNameNeedsQuotes(last)) return quoteSheetName(range) + u"!";
        return range + u"!";
    }

    ByteReader in_;
    ByteReader extra_;
    const FormulaBook& book_;
    bool shared_;
    std::uint32_t baseRow_;
    std::uint32_t baseCol_;
};

/// An operand's text, and whether a union lies in it outside any brackets: as one
/// argument of a function it needs brackets of its own, or it would read as several.
struct Operand {
    std::u16string text;
    bool bareUnion = false;
};

/// The operand stack of postfixToInfix, with the bounds a hostile token array must not pass.
class InfixStack {
public:
    std::size_t size() const { return items_.size(); }
    void push(Operand operand) {
        if (items_.size() >= kMaxRenderStack) throw xlerror(kNoInfix);
        items_.push_back(checked(std::move(operand)));
    }
    Operand pop() {
        Operand top = std::move(items_.back());
        items_.pop_back();
        return top;
    }
    void replaceTop(Operand operand) { items_.back() = checked(std::move(operand)); }
    Operand& top() { return items_.back(); }

    /// The last `count` texts joined by ";" (and removed).
    std::u16string popArguments(std::size_t count) {
        std::u16string joined;
        for (std::size_t i = items_.size() - count; i < items_.size(); ++i) {
            if (i > items_.size() - count) joined += u';';
            const Operand& argument = items_[i];
            joined += argument.bareUnion ? u"(" + argument.text + u")" : argument.text;
        }
        items_.resize(items_.size() - count);
        return joined;
    }

private:
    static Operand checked(Operand operand) {
        if (operand.text.size() > kMaxRenderedText) throw xlerror(kNoInfix);
        return operand;
    }
    std::vector<Operand> items_;
};

// Unary operators, percent and kept parentheses rewrite the top text; each has its message.
struct Wrapper {
    std::u16string_view token;
    std::u16string_view before;
    std::u16string_view after;
    const char* message;
};
constexpr std::array<Wrapper, 4> kWrappers = {{
    {postfix::kUnaryMinus, u"-", u"", "toInfix error: incorrect unary minus expression"},
    {postfix::kUnaryPlus, u"+", u"", "toInfix error: incorrect unary plus expression"},
    {postfix::kRenderedPercent, u"", u"%", "toInfix error: incorrect percent expression"},
    {postfix::kParentheses, u"(", u")", "toInfix error: incorrect brackets"},
}};

// Operators between references, which the compiler does not produce.
struct ReferenceOperator {
    std::u16string_view token;
    std::u16string_view text;
};
constexpr std::array<ReferenceOperator, 3> kReferenceOperators = {{
    {postfix::kRange, u":"},
    {postfix::kUnion, u","},
    {postfix::kIntersection, u" "},
}};

const ReferenceOperator* referenceOperator(std::u16string_view token) {
    for (const ReferenceOperator& op : kReferenceOperators)
        if (op.token == token) return &op;
    return nullptr;
}

// The operand count of a @call token; empty for any other token.
std::optional<std::size_t> userCallCount(std::u16string_view token) {
    if (!token.starts_with(postfix::kUserCall)) return std::nullopt;
    token.remove_prefix(postfix::kUserCall.size());
    if (token.empty() || token.size() > 3) return std::nullopt; // the decoder writes 0 to 127
    std::size_t count = 0;
    for (char16_t c : token) {
        if (!postfix::isDigit(c)) return std::nullopt;
        count = count * 10 + (c - u'0');
    }
    return count;
}

const Wrapper* wrapper(std::u16string_view token) {
    for (const Wrapper& w : kWrappers)
        if (w.token == token) return &w;
    return nullptr;
}

void applyBinary(InfixStack& stack, std::u16string_view text, bool isUnion = false) {
    if (stack.size() < 2) throw xlerror("toInfix error: expected two operands for binary operator");
    Operand right = stack.pop();
    Operand& left = stack.top();
    const bool bareUnion = isUnion || left.bareUnion || right.bareUnion;
    stack.replaceTop({std::move(left.text) + std::u16string(text) + right.text, bareUnion});
}

// The intersection operator is a space, which the compiler reads as nothing: a signed
// right operand would turn "2 -A1" into a subtraction, so it is put in brackets.
void applyReferenceOperator(InfixStack& stack, const ReferenceOperator& op) {
    if (op.token == postfix::kIntersection && stack.size() >= 2 &&
        (stack.top().text.starts_with(u'-') || stack.top().text.starts_with(u'+')))
        stack.replaceTop({u"(" + std::move(stack.top().text) + u")"});
    applyBinary(stack, op.text, op.token == postfix::kUnion);
}

// Whether an operand can name a function: a defined or external name (quoted when it
// holds spaces), "?" for one unknown, but not a cell, number, string or expression.
// Add-in names such as IMLOG10 are letters and digits too, but with more letters than
// any column has (XFD is the last).
bool namesAFunction(std::u16string_view text) {
    constexpr std::size_t kMaxColumnLetters = 3;
    if (text.empty()) return false;
    if (auto ref = parseReference(text); ref && ref->first.letters.size() <= kMaxColumnLetters) return false;
    const char16_t first = text.front();
    return postfix::isLetter(first) || first == u'_' || first == u'\\' || first == u'?' || first == u'\'' ||
           first > 0x7F;
}

// NAME(arguments): the first operand is the name of the function.
void applyUserCall(InfixStack& stack, std::size_t count) {
    constexpr const char* kIncorrect = "toInfix error: incorrect function expression";
    if (count == 0 || stack.size() < count) throw xlerror(kIncorrect);
    std::u16string arguments = stack.popArguments(count - 1);
    if (!namesAFunction(stack.top().text)) throw xlerror(kIncorrect);
    stack.replaceTop({std::move(stack.top().text) + u"(" + arguments + u")"});
}

void applyToken(InfixStack& stack, std::u16string_view token, const FunctionTable& functions) {
    if (binaryOperator(token)) {
        applyBinary(stack, token);
    } else if (const ReferenceOperator* op = referenceOperator(token)) {
        applyReferenceOperator(stack, *op);
    } else if (auto count = userCallCount(token)) {
        applyUserCall(stack, *count);
    } else if (const Wrapper* w = wrapper(token)) {
        if (stack.size() == 0) throw xlerror(w->message);
        const bool bracketed = w->token == postfix::kParentheses;
        Operand& top = stack.top();
        stack.replaceTop({std::u16string(w->before) + std::move(top.text) + std::u16string(w->after),
                          !bracketed && top.bareUnion});
    } else if (auto call = parseFunctionToken(token, functions)) {
        if (stack.size() < call->count) throw xlerror("toInfix error: incorrect function expression");
        std::u16string arguments = stack.popArguments(call->count);
        stack.push({std::u16string(call->name) + u"(" + arguments + u")"});
    } else if (token == postfix::kMissing) {
        stack.push({});
    } else {
        stack.push({std::u16string(token)});
    }
}

} // namespace

std::u16string tokensToPostfix(const FormulaBytes& formula, const FormulaBook& book, bool shared, int baseRow,
                               int baseCol) {
    return PtgDecoder(formula, book, shared, baseRow, baseCol).postfix();
}

std::u16string postfixToInfix(std::u16string_view postfix, const FunctionTable& functions) {
    InfixStack stack;
    for (std::u16string_view token : splitPostfix(postfix)) applyToken(stack, token, functions);
    if (stack.size() != 1) throw xlerror(kNoInfix);
    return stack.pop().text;
}

std::u16string renderFormula(const FormulaBytes& formula, const FormulaBook& book, bool shared, int baseRow,
                             int baseCol) {
    return postfixToInfix(tokensToPostfix(formula, book, shared, baseRow, baseCol), book.functions());
}

} // namespace karvo
