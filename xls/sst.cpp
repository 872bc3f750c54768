// sst.cpp - reading, writing and sharing the strings of the SST record.
#include "xls/sst.h"

#include <functional>
#include <new>
#include <utility>

#include "core/xlerror.h"

namespace karvo {
namespace {

// The table's header: total count and unique count, u32 each.
constexpr std::size_t kSstHeaderSize = 8;
// Each string needs at least its count and flags bytes, so a unique count larger
// than the bytes left / 3 cannot be genuine; it is checked before any reservation.
constexpr std::size_t kMinRichStringSize = 3;
// Entries hold 32-bit offsets into the blocks.
constexpr std::size_t kMaxChars = 0xFFFFFFFF;
// Replaced texts are dropped from the blocks once they are more than half of them and
// more than this many characters, so that small tables are never rewritten.
constexpr std::size_t kMinGarbage = 1 << 16;
// The most characters a string's count field can state.
constexpr std::size_t kMaxStringLength = 0xFFFF;

} // namespace

std::u16string_view SharedStrings::textIn(const std::vector<HugePageU16String>& blocks, const Entry& e) {
    return std::u16string_view(blocks[e.start / kBlockChars].data() + e.start % kBlockChars, e.length);
}

std::u16string_view SharedStrings::text(std::uint32_t index) const { return textIn(blocks_, entries_.at(index)); }

RichString SharedStrings::at(std::uint32_t index) const {
    RichString s{std::u16string(text(index)), entries_[index].flags, {}, {}};
    if (auto found = extras_.find(index); found != extras_.end()) {
        s.runs = found->second.runs;
        s.extRst = found->second.extRst;
    }
    return s;
}

SharedStrings::Entry SharedStrings::store(std::u16string_view text, std::uint8_t flags) {
    if (text.size() > kMaxStringLength) throw xlerror("string is too long");
    // Only the last block can move, as it grows, and with it a view of one of its
    // own texts: such a text is copied first.
    if (!blocks_.empty()) {
        const HugePageU16String& last = blocks_.back();
        if (std::less_equal<>()(last.data(), text.data()) && std::less<>()(text.data(), last.data() + last.size()))
            return store(std::u16string(text), flags);
    }
    const std::size_t need = text.size() + 1;
    if (blocks_.empty() || blocks_.back().size() + need > kBlockChars - 1) {
        if (blocks_.size() * kBlockChars + need > kMaxChars) throw xlerror("shared string table is full");
        HugePageU16String block;
        // A later block is taken whole at once; the first grows with the table.
        if (!blocks_.empty()) block.reserve(kBlockChars - 1);
        blocks_.push_back(std::move(block));
    }
    HugePageU16String& block = blocks_.back();
    Entry e{static_cast<std::uint32_t>((blocks_.size() - 1) * kBlockChars + block.size()),
            static_cast<std::uint16_t>(text.size()), flags};
    reserveGrowing(block, need);
    block.append(text);
    block.push_back(u'\0');
    stored_ += need;
    return e;
}

std::uint32_t SharedStrings::add(std::u16string_view text) {
    if (!indexed_) buildIndex();
    TextIndex::Lookup found = index_.lookup(text);
    if (found.position != TextIndex::kAbsent) return found.position;
    reserveGrowing(entries_, 1);
    entries_.push_back(store(text, richflag::kHighByte));
    index_.add(found, size() - 1);
    return size() - 1;
}

void SharedStrings::append(const RichString& s) {
    reserveGrowing(entries_, 1);
    entries_.push_back(store(s.text, s.flags));
    if (!s.runs.empty() || !s.extRst.empty()) extras_[size() - 1] = Extras{s.runs, s.extRst};
    if (indexed_) index_.insert(size() - 1);
}

void SharedStrings::replace(std::uint32_t index, std::u16string_view text) {
    Entry& e = entries_.at(index);
    // Stored first: when that fails, the entry and the index are as they were.
    Entry fresh = store(text, richflag::kHighByte);
    fresh.uses = e.uses;
    if (indexed_) index_.erase(index);
    garbage_ += e.length + 1;
    e = fresh;
    extras_.erase(index);
    if (indexed_) index_.insert(index);
    if (garbage_ > kMinGarbage && garbage_ * 2 > stored_) {
        try {
            compact();
        } catch (const std::bad_alloc&) {
            // Dropping the replaced texts only saves memory; without the memory to
            // rebuild, they stay until a later replacement.
        }
    }
}

void SharedStrings::compact() {
    // Rebuilt beside the old blocks, which come back if memory runs out halfway.
    std::vector<Entry, HugePageAllocator<Entry>> entries = entries_;
    std::vector<HugePageU16String> old = std::exchange(blocks_, {});
    const std::size_t stored = std::exchange(stored_, 0);
    try {
        for (Entry& e : entries)
            e.start = store(textIn(old, e), e.flags).start;
    } catch (...) {
        blocks_ = std::move(old);
        stored_ = stored;
        throw;
    }
    entries_ = std::move(entries);
    garbage_ = 0;
}

// Entered in file order, a later equal string takes the place of an earlier one.
void SharedStrings::buildIndex() {
    for (std::uint32_t i = 0; i < size(); ++i) index_.insert(i);
    indexed_ = true;
}

void SharedStrings::retain(std::uint32_t index) {
    if (index >= entries_.size()) return;
    ++entries_[index].uses;
    ++totalCount_;
}

void SharedStrings::release(std::uint32_t index) {
    if (index >= entries_.size() || entries_[index].uses == 0) return;
    --entries_[index].uses;
    --totalCount_;
}

void SharedStrings::clear() {
    blocks_.clear();
    stored_ = 0;
    entries_.clear();
    extras_.clear();
    garbage_ = 0;
    index_.clear();
    indexed_ = false;
    totalCount_ = 0;
}

void SharedStrings::read(RecordReader& records, const Record& sst) {
    if (sst.body.size() < kSstHeaderSize) throw xlerror("SST size is incorrect");
    ByteReader header = sst.reader();
    header.u32();  // the file's total count; the cells that load recount it
    std::uint32_t unique = header.u32();
    // Every text is copied out as it is read.
    ContinueReader in(records, ByteReader(sst.body.subspan(kSstHeaderSize)), ContinueReader::Past::Released);
    if (unique > in.available() / kMinRichStringSize) throw xlerror("SST size is incorrect");
    entries_.reserve(entries_.size() + unique);
    // Each text is read here, then stored; runs and extended data go through the
    // other two, which stay empty (and unallocated) for plain strings.
    std::u16string text;
    std::vector<FormatRun> runs;
    std::vector<std::uint8_t> extRst;
    // Real files state more strings than they hold; the table ends with its data.
    for (std::uint32_t i = 0; i < unique && !in.atEnd(); ++i) {
        text.clear();
        std::uint8_t flags = readRichString(in, text, runs, extRst);
        entries_.push_back(store(text, flags));
        if (!runs.empty() || !extRst.empty()) extras_[size() - 1] = Extras{std::move(runs), std::move(extRst)};
        runs.clear();
        extRst.clear();
        if (indexed_) index_.insert(size() - 1);
    }
}

std::size_t SharedStrings::recordBytesHint() const {
    // Count and flags before 16-bit characters; a record header every kMaxRecordBody bytes.
    std::size_t body = entries_.size() * 3 + stored_ * 2;
    return body + body / kMaxRecordBody * 5 + 12;
}

void SharedStrings::write(RecordWriter& out) const {
    ContinueWriter group(out, RecordId::SST);
    group.u32(totalCount_);
    group.u32(size());
    for (std::uint32_t i = 0; i < size(); ++i) {
        auto extras = extras_.find(i);
        if (extras == extras_.end())
            writeRichString(group, text(i), entries_[i].flags, {}, {});
        else
            writeRichString(group, text(i), entries_[i].flags, extras->second.runs, extras->second.extRst);
    }
    group.finish();
}

} // namespace karvo
