// formula_compiler.h - the token bytes of a formula text for a binary book's formula cell.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace karvo {

class FormulaBook;
class FunctionTable;

/// Compiles formula text (a leading "=" is optional, arguments are separated by ";"
/// or ",") into the token array of a Formula record. References to other sheets
/// find or add their XTI entry in the book. The compiled array must render again,
/// so malformed text such as "1+" fails here rather than in a later read. Fails
/// with xlerror.
std::vector<std::uint8_t> compileFormula(std::u16string_view text, FormulaBook& book);

/// The first half of compileFormula: the postfix text of a formula, with the
/// reference arguments of table functions marked by an R suffix.
std::u16string formulaToPostfix(std::u16string_view text, const FunctionTable& functions);

/// The second half: the token bytes of postfix text.
std::vector<std::uint8_t> encodePostfix(std::u16string_view postfix, FormulaBook& book);

/// Rewrites the R1C1 references of a formula (R1C1, R[-1]C, rc[2], RC) as A1
/// references for the cell at zero-based row and col, "$" marking absolute parts.
/// Text inside quotes and words such as RATE stay as they are. A reference outside
/// the sheet fails with "row must be in range 0-1048575" or "col must be in range 0-16383".
std::u16string r1c1ToA1(std::u16string_view text, int row, int col);

} // namespace karvo
