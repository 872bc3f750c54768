// formula_renderer.h - formula text from the token bytes of a binary book's formula.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace karvo {

class FormulaBook;
class FunctionTable;

/// Bounds on what a token array from a file may build. A formula holds at most 1024
/// characters in the binary format (8192 in its successors); rendering can come out
/// longer than what was typed (3-D prefixes, quoting, doubled quotes), so the bound
/// sits well above that while still stopping a hostile array from building megabytes.
inline constexpr std::size_t kMaxRenderedText = 32768;
/// Every operand with its operator or separator takes two characters or more, so even
/// an 8192-character formula never has more than 4096 operands waiting on the stack.
inline constexpr std::size_t kMaxRenderStack = 4096;

/// A formula as a record holds it: the tokens (cce bytes) and the data that follows
/// them, where array constants and the ranges of memory tokens are kept.
struct FormulaBytes {
    std::span<const std::uint8_t> tokens;
    std::span<const std::uint8_t> extra;
};

/// The formula text of a token array, without a leading "=". A shared formula
/// (`shared` set) stores its relative rows and columns as offsets from the cell at
/// baseRow/baseCol; an ordinary formula stores them as they are. Fails with xlerror.
std::u16string renderFormula(const FormulaBytes& formula, const FormulaBook& book, bool shared, int baseRow,
                             int baseCol);
/// A formula without data after its tokens.
inline std::u16string renderFormula(std::span<const std::uint8_t> tokens, const FormulaBook& book, bool shared,
                                    int baseRow, int baseCol) {
    return renderFormula(FormulaBytes{tokens, {}}, book, shared, baseRow, baseCol);
}

/// The first half of renderFormula: one postfix token per Ptg, joined by spaces.
std::u16string tokensToPostfix(const FormulaBytes& formula, const FormulaBook& book, bool shared, int baseRow,
                               int baseCol);

/// The second half: infix text from postfix text, arguments separated by ";".
std::u16string postfixToInfix(std::u16string_view postfix, const FunctionTable& functions);

} // namespace karvo
