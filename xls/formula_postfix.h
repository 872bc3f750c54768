// formula_postfix.h - the postfix text that formula compiling and rendering both pass through.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace karvo {

class FunctionTable;

/// Postfix tokens that are words rather than operator characters.
namespace postfix {
inline constexpr std::u16string_view kUnaryPlus = u"uPlus";
inline constexpr std::u16string_view kUnaryMinus = u"uMinus";
inline constexpr std::u16string_view kPercent = u"%";           ///< as the compiler writes it
inline constexpr std::u16string_view kRenderedPercent = u"uPercent"; ///< as the renderer writes it
inline constexpr std::u16string_view kParentheses = u"(";
inline constexpr std::u16string_view kMissing = u"MISS";
inline constexpr std::u16string_view kAttrSum = u"SUM1";

// Renderer only. These begin with "@", which no operand begins with (names, cells,
// numbers, strings, error and array constants), so no operand is taken for them.
inline constexpr std::u16string_view kRange = u"@range";         ///< A1:B2 as an operator (":")
inline constexpr std::u16string_view kUnion = u"@union";         ///< list of references (",")
inline constexpr std::u16string_view kIntersection = u"@isect";  ///< common cells (" ")
/// A call of a function that is not built in, followed by the count of operands it
/// takes: the first is the function's name (a defined or external name), the rest its
/// arguments, as in @call3 for MYFUNC(A1;B1).
inline constexpr std::u16string_view kUserCall = u"@call";

/// Formula text is read with ASCII classes, whatever the C locale.
inline bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
inline bool isLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
} // namespace postfix

/// A binary operator: its text, its Ptg id and its precedence when compiling.
struct BinaryOperator {
    std::u16string_view text;
    std::uint8_t ptg;
    int precedence;
};

/// The binary operator with this text or Ptg id; null when there is none.
const BinaryOperator* binaryOperator(std::u16string_view text);
const BinaryOperator* binaryOperator(std::uint8_t ptg);

/// The tokens of a postfix text: they end at a space outside double or single quotes,
/// so strings and quoted sheet names keep their spaces. Empty tokens are left out.
std::vector<std::u16string_view> splitPostfix(std::u16string_view text);

/// A function token NAME + argument count + "F", such as SUM2F.
struct FunctionToken {
    std::u16string_view name;
    std::uint32_t count = 0; ///< saturates far above any count a token byte holds
};

/// Reads a function token whose name is in the table. Names that end in digits
/// (LOG10, ATAN2, DAYS360, SUMX2MY2) run into the count digits, so the longest
/// table name that still leaves a count digit is taken: LOG101F is LOG10 with one
/// argument, ATAN22F is ATAN2 with two.
std::optional<FunctionToken> parseFunctionToken(std::u16string_view token, const FunctionTable& functions);

/// A cell as a token spells it: [$]letters[$]digits, not yet checked against the sheet's size.
struct CellText {
    bool colAbsolute = false;
    std::u16string_view letters;
    bool rowAbsolute = false;
    std::u16string_view digits;
};

/// A reference token: [sheet!]cell[:cell][R]. The sheet name comes without its quotes
/// (and with doubled quotes undone); the R suffix asks for the reference class.
struct ReferenceText {
    std::optional<std::u16string> sheet;
    CellText first;
    std::optional<CellText> last;
    bool refClass = false;
};

/// The parts of a reference token; empty when the token has another shape.
std::optional<ReferenceText> parseReference(std::u16string_view token);

} // namespace karvo
