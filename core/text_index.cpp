// text_index.cpp - the probing, growing and erasing of TextIndex.
#include "core/text_index.h"

namespace karvo {
namespace {

constexpr std::size_t kFirstCapacity = 1024;  // a power of two, as every capacity

} // namespace

std::uint32_t TextIndex::hashOf(std::u16string_view text) {
    auto h = std::hash<std::u16string_view>()(text);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

std::size_t TextIndex::probe(std::u16string_view text, std::uint32_t hash) const {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.position == kEmpty) return i;
        if (slot.position != kErased && slot.hash == hash && textAt_(slot.position) == text) return i;
    }
}

TextIndex::Lookup TextIndex::lookup(std::u16string_view text) const {
    std::uint32_t hash = hashOf(text);
    if (slots_.empty()) return {kAbsent, hash, 0};
    std::size_t slot = probe(text, hash);
    std::uint32_t position = slots_[slot].position;
    return {position == kEmpty ? kAbsent : position, hash, slot};
}

// A quarter of the slots stays empty at least, so that probes stay short and always
// end; a higher load would lengthen them, a lower one would make a large table's
// array, and its page faults and cache misses, larger.
bool TextIndex::needsRoom() const { return (occupied_ + 1) * 4 > slots_.size() * 3; }

void TextIndex::add(const Lookup& where, std::uint32_t position) {
    std::size_t slot = where.slot;
    if (needsRoom()) {
        grow();
        // The text is not in the index, so the first empty slot of its run is its place.
        std::size_t mask = slots_.size() - 1;
        for (slot = where.hash & mask; slots_[slot].position != kEmpty; slot = (slot + 1) & mask) {}
    }
    ++occupied_;
    slots_[slot] = Slot{where.hash, position};
}

void TextIndex::insert(std::uint32_t position) {
    if (needsRoom()) grow();
    std::u16string_view text = textAt_(position);
    std::uint32_t hash = hashOf(text);
    Slot& slot = slots_[probe(text, hash)];
    if (slot.position == kEmpty) ++occupied_;
    slot = Slot{hash, position};
}

void TextIndex::erase(std::uint32_t position) {
    if (slots_.empty()) return;
    std::u16string_view text = textAt_(position);
    Slot& slot = slots_[probe(text, hashOf(text))];
    if (slot.position == position) slot.position = kErased;
}

void TextIndex::clear() {
    slots_.clear();
    occupied_ = 0;
}

void TextIndex::grow() {
    std::size_t live = 0;
    for (const Slot& slot : slots_) live += slot.position < kErased;
    std::size_t capacity = kFirstCapacity;
    // Twice the live entries at least, so that a grown table takes as many entries
    // again before it grows next.
    while (capacity < (live + 1) * 2) capacity *= 2;
    // Filled beside the old slots, which stay if there is no memory for the new ones.
    std::vector<Slot, HugePageAllocator<Slot>> grown(capacity, Slot{});
    std::size_t mask = capacity - 1;
    for (const Slot& slot : slots_) {
        if (slot.position >= kErased) continue;
        std::size_t i = slot.hash & mask;
        while (grown[i].position != kEmpty) i = (i + 1) & mask;
        grown[i] = slot;
    }
    slots_.swap(grown);
    occupied_ = live;
}

} // namespace karvo
