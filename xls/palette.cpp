// palette.cpp - the default palette, colour packing and the Palette record.
#include "xls/palette.h"

#include <algorithm>

#include "core/default_palette.h"
#include "core/xlerror.h"

namespace karvo {

namespace {

static_assert(kDefaultPalette.size() == Palette::kEntries);

constexpr std::size_t kEntryBytes = 4; // red, green, blue, reserved

Color colorOf(std::size_t entry) { return static_cast<Color>(entry + ColorPaletteFirst); }

} // namespace

void Palette::reset() {
    for (std::size_t i = 0; i < kEntries; ++i) {
        const std::uint32_t rgb = kDefaultPalette[i];
        entries_[i] = {std::uint8_t(rgb >> 16), std::uint8_t(rgb >> 8), std::uint8_t(rgb)};
    }
    claimed_.fill(false);
    modified_ = false;
}

std::optional<Color> Palette::pack(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const Rgb wanted{red, green, blue};
    auto entry = std::find(entries_.begin(), entries_.end(), wanted) - entries_.begin();
    if (entry == std::ptrdiff_t(kEntries)) {
        entry = std::find(claimed_.begin(), claimed_.end(), false) - claimed_.begin();
        if (entry == std::ptrdiff_t(kEntries)) return std::nullopt;
        entries_[entry] = wanted;
    }
    claimed_[entry] = true;
    modified_ = true;
    return colorOf(entry);
}

Palette::Rgb Palette::unpack(Color index) const {
    if (index < ColorPaletteFirst || index >= ColorPaletteFirst + kEntries) throw xlerror(kBadIndex);
    return entries_[index - ColorPaletteFirst];
}

void Palette::read(const Record& rec) {
    ByteReader in = rec.reader();
    const std::uint16_t count = in.u16();
    if (!in.ok() || in.remaining() != std::size_t(count) * kEntryBytes) throw xlerror("Palette size is incorrect");
    // The format always has 56 entries; a record with fewer leaves the rest as they
    // were, and entries beyond 56 have no index to be reached by and are skipped.
    for (std::size_t i = 0; i < count; ++i) {
        const Rgb rgb{in.u8(), in.u8(), in.u8()};
        in.u8(); // reserved
        if (i < kEntries) entries_[i] = rgb;
    }
    modified_ = true;
}

void Palette::write(RecordWriter& out) const {
    out.header(RecordId::Palette, 2 + kEntries * kEntryBytes);
    out.u16(kEntries);
    for (const Rgb& rgb : entries_) {
        out.u8(rgb.red);
        out.u8(rgb.green);
        out.u8(rgb.blue);
        out.u8(0);
    }
}

} // namespace karvo
