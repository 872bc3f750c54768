// sst.cpp - reading, writing and sharing the strings of the SST record.
#include "xls/sst.h"

#include "core/xlerror.h"

namespace karvo {
namespace {

// The table's header: total count and unique count, u32 each.
constexpr std::size_t kSstHeaderSize = 8;
// Each string needs at least its count and flags bytes, so a unique count larger
// than the bytes left / 3 cannot be genuine; it is checked before any reservation.
constexpr std::size_t kMinRichStringSize = 3;

} // namespace

std::uint32_t SharedStrings::add(std::u16string_view text) {
    if (!indexed_) buildIndex();
    std::uint32_t found = index_.find(text);
    if (found != TextIndex::kAbsent) return found;
    auto index = size();
    strings_.push_back(RichString{std::u16string(text), richflag::kHighByte, {}, {}});
    index_.insert(index);
    return index;
}

void SharedStrings::append(RichString s) {
    strings_.push_back(std::move(s));
    if (indexed_) index_.insert(size() - 1);
}

void SharedStrings::replace(std::uint32_t index, std::u16string_view text) {
    RichString& s = strings_.at(index);
    if (indexed_) index_.erase(index);
    s = RichString{std::u16string(text), richflag::kHighByte, {}, {}};
    if (indexed_) index_.insert(index);
}

// Entered in file order, a later equal string takes the place of an earlier one.
void SharedStrings::buildIndex() {
    for (std::uint32_t i = 0; i < size(); ++i) index_.insert(i);
    indexed_ = true;
}

void SharedStrings::retain(std::uint32_t index) {
    if (index >= strings_.size()) return;
    if (uses_.size() < strings_.size()) uses_.resize(strings_.size());
    ++uses_[index];
    ++totalCount_;
}

void SharedStrings::release(std::uint32_t index) {
    if (index >= uses_.size() || uses_[index] == 0) return;
    --uses_[index];
    --totalCount_;
}

void SharedStrings::clear() {
    strings_.clear();
    index_.clear();
    indexed_ = false;
    uses_.clear();
    totalCount_ = 0;
}

void SharedStrings::read(RecordReader& records, const Record& sst) {
    if (sst.body.size() < kSstHeaderSize) throw xlerror("SST size is incorrect");
    ByteReader header = sst.reader();
    header.u32();  // the file's total count; the cells that load recount it
    std::uint32_t unique = header.u32();
    ContinueReader in(records, ByteReader(sst.body.subspan(kSstHeaderSize)));
    if (unique > in.available() / kMinRichStringSize) throw xlerror("SST size is incorrect");
    strings_.reserve(strings_.size() + unique);
    // Real files state more strings than they hold; the table ends with its data.
    for (std::uint32_t i = 0; i < unique && !in.atEnd(); ++i) append(readRichString(in));
}

void SharedStrings::write(RecordWriter& out) const {
    ContinueWriter group(out, RecordId::SST);
    group.u32(totalCount_);
    group.u32(size());
    for (const RichString& s : strings_) writeRichString(group, s);
    group.finish();
}

} // namespace karvo
