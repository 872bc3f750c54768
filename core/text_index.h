// text_index.h - a flat hash index from text to a position in a list of strings.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "core/huge_pages.h"

namespace karvo {

/// Open addressing with linear probing over one array of (hash, position) pairs.
/// The text itself stays in the caller's list and is read through `textAt`, so the
/// index costs 8 bytes a slot and a lookup usually touches one cache line of it.
/// Writing a large sheet of strings spends much of its time here, hence no node-based
/// set.
class TextIndex {
public:
    using TextAt = std::function<std::u16string_view(std::uint32_t)>;
    static constexpr std::uint32_t kAbsent = 0xFFFFFFFF;
    /// Positions stay below this: the values above it mark slots.
    static constexpr std::uint32_t kPositionLimit = 0xFFFFFFFE;

    explicit TextIndex(TextAt textAt) : textAt_(std::move(textAt)) {}

    /// Where a text stands in the index: the position of its entry, or kAbsent and
    /// the slot where `add` enters it.
    struct Lookup {
        std::uint32_t position;
        std::uint32_t hash;
        std::size_t slot;
    };
    Lookup lookup(std::u16string_view text) const;
    /// The position of an entry with this text, or kAbsent.
    std::uint32_t find(std::u16string_view text) const { return lookup(text).position; }
    /// Enters `position` where a lookup that found nothing said its text goes, which
    /// spares hashing the text again; the index must not change in between.
    void add(const Lookup& where, std::uint32_t position);
    /// Enters a position under its text; an entry with equal text gives way to it.
    void insert(std::uint32_t position);
    /// Removes the entry of this position (found through its current text).
    void erase(std::uint32_t position);
    void clear();

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t position = kEmpty;
    };
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    static constexpr std::uint32_t kErased = kPositionLimit;

    static std::uint32_t hashOf(std::u16string_view text);
    bool needsRoom() const;
    /// The slot holding `text`, or the empty slot where it would go.
    std::size_t probe(std::u16string_view text, std::uint32_t hash) const;
    void grow();

    TextAt textAt_;
    std::vector<Slot, HugePageAllocator<Slot>> slots_;
    std::size_t occupied_ = 0;  // entries and erased markers: both lengthen probes
};

} // namespace karvo
