// function_table.h - the built-in functions of formulas: names, numbers and argument information.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <string_view>

namespace karvo {

/// One built-in function as function tokens store it.
struct FunctionEntry {
    std::uint16_t number = 0;     ///< index written into function tokens
    std::u16string_view name;     ///< upper-case name as formulas spell it
    std::uint8_t fixedArgs = 0;   ///< arguments of a call stored without a count; 0 for none or variable
    std::uint32_t refMask = 0;    ///< bit i: argument i + 1 is compiled as a reference
};

/// The name-to-number map of the built-in functions that the formula compiler and
/// renderer share. Names compare exactly, so "sum" is not SUM.
class FunctionTable {
public:
    /// The number of a call of an external or user-defined function, and the answer
    /// for a name that is not built in.
    static constexpr std::uint16_t kNotFound = 255;

    struct NumberAndMask {
        std::uint16_t number = kNotFound;
        std::uint32_t refMask = 0;
    };
    struct NameAndCount {
        std::u16string_view name = u"?";
        std::uint8_t fixedArgs = 0;
    };

    FunctionTable();

    std::uint16_t find(std::u16string_view name) const { return findWithMask(name).number; }
    NumberAndMask findWithMask(std::u16string_view name) const;
    /// "?" and 0 for a number without a function.
    NameAndCount findByNumber(std::uint32_t number) const;

    /// Every entry, in function-number order.
    static std::span<const FunctionEntry> entries();

    /// Function numbers run from 0 to 379, with gaps.
    static constexpr std::size_t kNumberSlots = 380;

private:

    std::map<std::u16string_view, const FunctionEntry*> byName_;
    std::array<const FunctionEntry*, kNumberSlots> byNumber_{};
};

} // namespace karvo
