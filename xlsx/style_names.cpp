// style_names.cpp - the name tables of the style enumerations.
#include "xlsx/style_names.h"

#include <algorithm>
#include <array>

#include "core/xlerror.h"

namespace karvo::xlsx {
namespace {

using namespace std::string_view_literals;

constexpr std::array kHorizontal = {u"general"sv, u"left"sv, u"center"sv, u"right"sv, u"fill"sv,
                                    u"justify"sv, u"centerContinuous"sv, u"distributed"sv};
constexpr std::array kVertical = {u"top"sv, u"center"sv, u"bottom"sv, u"justify"sv, u"distributed"sv};
constexpr std::array kBorderStyle = {u"none"sv,         u"thin"sv,          u"medium"sv,    u"dashed"sv,
                                     u"dotted"sv,       u"thick"sv,         u"double"sv,    u"hair"sv,
                                     u"mediumDashed"sv, u"dashDot"sv,       u"mediumDashDot"sv,
                                     u"dashDotDot"sv,   u"mediumDashDotDot"sv, u"slantDashDot"sv};
constexpr std::array kPattern = {u"none"sv,           u"solid"sv,         u"mediumGray"sv,     u"darkGray"sv,
                                 u"lightGray"sv,      u"darkHorizontal"sv, u"darkVertical"sv,  u"darkDown"sv,
                                 u"darkUp"sv,         u"darkGrid"sv,      u"darkTrellis"sv,    u"lightHorizontal"sv,
                                 u"lightVertical"sv,  u"lightDown"sv,     u"lightUp"sv,        u"lightGrid"sv,
                                 u"lightTrellis"sv,   u"gray125"sv,       u"gray0625"sv};
constexpr std::array kScript = {u"baseline"sv, u"superscript"sv, u"subscript"sv};
constexpr std::array kUnderline = {u"none"sv, u"single"sv, u"double"sv, u"singleAccounting"sv,
                                   u"doubleAccounting"sv};
constexpr std::array<int, 5> kUnderlineValues = {UnderlineNone, UnderlineSingle, UnderlineDouble,
                                                 UnderlineSingleAccounting, UnderlineDoubleAccounting};

int valueAt(const StyleNames& names, std::size_t position) {
    return names.values.empty() ? static_cast<int>(position) : names.values[position];
}

} // namespace

const StyleNames kHorizontalNames{"horizontal alignment", kHorizontal, {}};
const StyleNames kVerticalNames{"vertical alignment", kVertical, {}};
const StyleNames kBorderStyleNames{"border style", kBorderStyle, {}};
const StyleNames kPatternNames{"fill pattern", kPattern, {}};
const StyleNames kScriptNames{"script", kScript, {}};
const StyleNames kUnderlineNames{"underline", kUnderline, kUnderlineValues};

int styleValue(const StyleNames& names, std::u16string_view name) {
    auto found = std::find(names.names.begin(), names.names.end(), name);
    return found == names.names.end() ? 0 : valueAt(names, static_cast<std::size_t>(found - names.names.begin()));
}

std::u16string_view styleName(const StyleNames& names, int value) {
    for (std::size_t i = 0; i < names.names.size(); ++i)
        if (valueAt(names, i) == value) return names.names[i];
    throw xlerror(std::string("invalid ") + names.what);
}

} // namespace karvo::xlsx
