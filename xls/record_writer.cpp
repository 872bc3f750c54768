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

void RecordWriter::header(std::uint16_t id, std::size_t size) {
    u16(id);
    u16(static_cast<std::uint16_t>(size));
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

void RecordWriter::patchU16(std::size_t offset, std::uint16_t v) {
    if (offset + 2 > out_.size()) throw xlerror("stream error, perhaps it's too small writing buffer");
    storeLittle(std::span(out_).subspan(offset, 2), v);
}

void RecordWriter::patchU32(std::size_t offset, std::uint32_t v) {
    if (offset + 4 > out_.size()) throw xlerror("stream error, perhaps it's too small writing buffer");
    storeLittle(std::span(out_).subspan(offset, 4), v);
}

ContinueWriter::ContinueWriter(RecordWriter& out, std::uint16_t id) : out_(out) { open(id, kMaxRecordBody); }

void ContinueWriter::open(std::uint16_t id, std::size_t room) {
    out_.u16(id);
    records_.push_back({out_.position(), 0});
    out_.u16(0); // placeholder, see finish()
    left_ = room;
}

void ContinueWriter::reserve(std::size_t n) {
    if (left_ < n) openContinue();
}

void ContinueWriter::openContinue() { open(raw(RecordId::Continue), kMaxRecordBody); }

void ContinueWriter::openContinue(std::uint8_t flagsByte) {
    open(raw(RecordId::Continue), kRoomAfterFlags);
    out_.u8(flagsByte);
    records_.back().size = 1;
}

void ContinueWriter::u8(std::uint8_t v) {
    if (left_ == 0) openContinue();
    out_.u8(v);
    --left_;
    ++records_.back().size;
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
    records_.back().size += size;
}

void ContinueWriter::fitted(std::span<const std::uint8_t> data) {
    account(data.size());
    out_.bytes(data);
}

void ContinueWriter::fittedChars(std::u16string_view text, bool wide) {
    account(text.size() * (wide ? 2 : 1));
    out_.chars(text, wide);
}

void ContinueWriter::finish() {
    for (const Open& r : records_) out_.patchU16(r.sizeField, static_cast<std::uint16_t>(r.size));
}

} // namespace karvo
