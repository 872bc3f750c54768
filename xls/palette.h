// palette.h - the 56-entry colour palette of a binary book and its Palette record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/enums.h"
#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// The palette: colour index i (8 to 63) is entry i - 8. Indices handed out by
/// packColor are claimed, so that a second colour never takes an entry a cell
/// already shows; unclaimed default colours are given away in order.
class Palette {
public:
    static constexpr std::size_t kEntries = 56;
    static constexpr const char* kNoFreeIndex = "no free color index, limit is reached for xls format";
    // The text the original bounds-checked container gave; callers compare it.
    static constexpr const char* kBadIndex = "invalid vector<T> subscript";

    struct Rgb {
        std::uint8_t red = 0, green = 0, blue = 0;
        bool operator==(const Rgb&) const = default;
    };

    Palette() { reset(); }

    /// The default palette of the format, nothing claimed, not modified.
    void reset();

    /// The index of an equal entry, else of the first unclaimed entry overwritten
    /// with the colour; the entry is claimed and the palette marked modified. Empty
    /// when every entry is claimed.
    std::optional<Color> pack(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    /// The colour at an index; fails with kBadIndex outside 8 to 63.
    Rgb unpack(Color index) const;

    Rgb at(std::size_t entry) const { return entries_.at(entry); }
    bool modified() const { return modified_; }

    /// Replaces the entries with the record's and marks the palette modified.
    void read(const Record& rec);
    /// The Palette record with all 56 entries.
    void write(RecordWriter& out) const;

private:
    std::array<Rgb, kEntries> entries_{};
    std::array<bool, kEntries> claimed_{};
    bool modified_ = false;
};

} // namespace karvo
