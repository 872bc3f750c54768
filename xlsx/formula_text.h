// formula_text.h - formula texts of Open XML cells.
//
// A worksheet stores a formula as text with "," between arguments and without the
// leading "="; the interface shows it with ";" between arguments. Shared formulas
// store their text once, in the group's first cell, and every other cell of the
// group means that text with its relative references moved.
#pragma once

#include <string>
#include <string_view>

namespace karvo {

/// The stored form of an interface formula text: a leading "=" dropped and every
/// ";" outside string literals and quoted sheet names turned into ",".
std::u16string formulaTextToStored(std::u16string_view text);

/// The interface form of a stored formula text: every "," outside string literals
/// and quoted sheet names turned into ";".
std::u16string formulaTextFromStored(std::u16string_view stored);

/// The stored formula text with every relative A1 reference moved by the given
/// distance (rows, columns). Absolute parts ("$") stay; a reference moved outside
/// the sheet becomes "#REF!". Texts inside string literals, function names and
/// defined names are left alone.
std::u16string shiftFormulaReferences(std::u16string_view stored, int rowDelta, int colDelta);

} // namespace karvo
