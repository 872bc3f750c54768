// record_writer.cpp - building a workbook stream record by record, with CONTINUE splitting.
#include "xls/record_writer.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/xlerror.h"

namespace karvo {

namespace {

// Room left in a CONTINUE record after the flags byte that opens a split string. One
// byte short of 8223 so that the room is even, as 16-bit characters need.
constexpr std::size_t kRoomAfterFlags = kMaxRecordBody - 2;

} // namespace

void RecordWriter::f64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    little(bits, 8);
}

void putChars(std::vector<std::uint8_t>& out, std::u16string_view text, bool wide) {
    std::size_t at = out.size();
    out.resize(at + text.size() * (wide ? 2 : 1));
    // Without a call per character: a string table is mostly characters. 16-bit ones
    // are the host's own on a little-endian machine.
    std::uint8_t* to = out.data() + at;
    if (!wide) {
        for (std::size_t i = 0; i < text.size(); ++i) to[i] = static_cast<std::uint8_t>(text[i]);
    } else if constexpr (std::endian::native == std::endian::little) {
        if (!text.empty()) std::memcpy(to, text.data(), text.size() * 2);
    } else {
        for (std::size_t i = 0; i < text.size(); ++i) {
            to[2 * i] = static_cast<std::uint8_t>(text[i]);
            to[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
        }
    }
}

void RecordWriter::record(std::uint16_t id, std::span<const std::uint8_t> body) {
    auto first = body.first(std::min(body.size(), kMaxRecordBody));
    header(id, first.size());
    bytes(first);
    for (body = body.subspan(first.size()); !body.empty();) {
        auto piece = body.first(std::min(body.size(), kMaxRecordBody));
        header(RecordId::Continue, piece.size());
        bytes(piece);
        body = body.subspan(piece.size());
    }
}

void RecordWriter::patch(std::size_t offset, std::uint32_t v, std::size_t n) {
    if (offset + n > position()) throw xlerror("stream error, perhaps it's too small writing buffer");
    std::uint8_t bytes[4];
    storeLittle(std::span(bytes, n), v);
    if (offset >= handedOver_) {
        std::memcpy(out_.data() + (offset - handedOver_), bytes, n);
        return;
    }
    // A value that straddles the hand-over is written in its two parts.
    std::size_t before = std::min(n, handedOver_ - offset);
    spill_->overwrite(offset, std::span(bytes, before));
    if (before < n) std::memcpy(out_.data(), bytes + before, n - before);
}

void RecordWriter::flush() {
    if (!spill_ || out_.empty()) return;
    spill_->append(out_);
    handedOver_ += out_.size();
    out_.clear();
}

ContinueWriter::ContinueWriter(RecordWriter& out, std::uint16_t id) : out_(out) { open(id, kMaxRecordBody); }

void ContinueWriter::open(std::uint16_t id, std::size_t room) {
    // The record before is complete; its size goes in now, while it is most likely
    // still in the writer's buffer.
    if (current_.sizeField != 0) finish();
    out_.header(id, 0); // the size is filled in when the record closes
    current_ = {out_.position() - 2, 0};
    left_ = room;
}

void ContinueWriter::reserve(std::size_t n) {
    if (left_ < n) openContinue();
}

void ContinueWriter::openContinue() { open(raw(RecordId::Continue), kMaxRecordBody); }

void ContinueWriter::openContinue(std::uint8_t flagsByte) {
    open(raw(RecordId::Continue), kRoomAfterFlags);
    out_.u8(flagsByte);
    current_.size = 1;
}

void ContinueWriter::u8(std::uint8_t v) {
    if (left_ == 0) openContinue();
    out_.u8(v);
    --left_;
    ++current_.size;
}

void ContinueWriter::u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v));
    u8(static_cast<std::uint8_t>(v >> 8));
}

void ContinueWriter::u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    u16(static_cast<std::uint16_t>(v >> 16));
}

void ContinueWriter::bytes(std::span<const std::uint8_t> data) {
    while (!data.empty()) {
        if (left_ == 0) openContinue();
        auto piece = data.first(std::min(data.size(), left_));
        fitted(piece);
        data = data.subspan(piece.size());
    }
}

void ContinueWriter::account(std::size_t size) {
    if (size > left_) throw xlerror("record data does not fit in the current record");
    left_ -= size;
    current_.size += size;
}

void ContinueWriter::fitted(std::span<const std::uint8_t> data) {
    account(data.size());
    out_.bytes(data);
}

void ContinueWriter::fittedChars(std::u16string_view text, bool wide) {
    account(text.size() * (wide ? 2 : 1));
    out_.chars(text, wide);
}

void ContinueWriter::finish() { out_.patchU16(current_.sizeField, static_cast<std::uint16_t>(current_.size)); }

} // namespace karvo
