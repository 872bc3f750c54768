// shared_strings.cpp - the shared string table.
#include "xlsx/shared_strings.h"

#include "core/xlerror.h"

namespace karvo::xlsx {
namespace {

void plainText(const sharedStringTable::c_CT_Rst& entry, std::u16string& out) {
    if (entry.t.has()) {
        out.assign(entry.t.get());
        return;
    }
    out.clear();
    for (const auto& run : entry.r) out += run->t;
}

} // namespace

const sharedStringTable::c_CT_Rst& SharedStrings::richEntry(std::uint32_t index) const {
    return *root_.si.object(index).as<sharedStringTable::c_CT_Rst>();
}

const char16_t* SharedStrings::text(std::uint32_t index, std::u16string& scratch) const {
    if (index >= root_.si.size()) throw xlerror("index is out of range or no value");
    if (root_.si.is_text(index)) return root_.si.text(index).data();
    const auto& entry = richEntry(index);
    if (entry.t.has()) return entry.t.get().c_str();
    plainText(entry, scratch);
    return scratch.c_str();
}

std::u16string_view SharedStrings::storedText(std::uint32_t index) const {
    if (root_.si.is_text(index)) return root_.si.text(index);
    const auto& entry = richEntry(index);
    if (entry.t.has()) return entry.t.get();
    return joined_.at(index);
}

// Equal texts keep the first index, as a reader of the file would resolve them: the
// index lets a later insert of an equal text take the slot, so the first comes last.
void SharedStrings::indexEntries() {
    for (std::uint32_t i = 0; i < root_.si.size(); ++i) {
        if (root_.si.is_text(i)) continue;
        const sharedStringTable::c_CT_Rst& entry = richEntry(i);
        if (!entry.t.has()) plainText(entry, joined_[i]);
    }
    for (auto i = static_cast<std::uint32_t>(root_.si.size()); i-- > 0;) index_.insert(i);
    indexed_ = true;
}

std::uint32_t SharedStrings::add(std::u16string_view text) {
    if (!indexed_) indexEntries();
    if (!root_.count.has()) root_.count.set(1);
    TextIndex::Lookup found = index_.lookup(text);
    if (found.position != TextIndex::kAbsent) return found.position;
    if (root_.si.size() >= TextIndex::kPositionLimit) throw xlerror("too many shared strings");
    root_.si.push_back(text);
    auto index = static_cast<std::uint32_t>(root_.si.size() - 1);
    index_.add(found, index);
    root_.uniqueCount.set(static_cast<std::uint32_t>(root_.si.size()));
    return index;
}

} // namespace karvo::xlsx
