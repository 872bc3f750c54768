// style_names.h - the interface's style enumerations and the stylesheet's names
// for them. The numbers are the same in both book families.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/enums.h"
#include "xlsx/ooxml/sml-styles.h"

namespace karvo::xlsx {

/// The names of one enumeration; the entry at position i names value `values[i]`.
struct StyleNames {
    const char* what;  ///< for the message when a value has no name
    std::span<const std::u16string_view> names;
    std::span<const int> values;  ///< empty when the values are 0, 1, 2, ...
};

extern const StyleNames kHorizontalNames;
extern const StyleNames kVerticalNames;
extern const StyleNames kBorderStyleNames;
extern const StyleNames kPatternNames;
extern const StyleNames kScriptNames;
extern const StyleNames kUnderlineNames;

/// The value a name stands for; any other name reads as 0.
int styleValue(const StyleNames& names, std::u16string_view name);
/// The name of a value; an xlerror when the enumeration has no such value.
std::u16string_view styleName(const StyleNames& names, int value);

/// The value of an optional attribute, `absent` when it is not there.
template <class Enum>
Enum styleValue(const StyleNames& names, const lmx::opt<std::u16string>& attribute, Enum absent) {
    return attribute.has() ? static_cast<Enum>(styleValue(names, attribute.get())) : absent;
}

} // namespace karvo::xlsx
