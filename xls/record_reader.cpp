// record_reader.cpp - walking the BIFF records of a workbook stream, with CONTINUE-aware reads.
#include "xls/record_reader.h"

#include "core/xlerror.h"

namespace karvo {

bool RecordReader::atEnd() const {
    if (stream_.size() - pos_ < kHeaderSize) return true;
    std::size_t size = stream_[pos_ + 2] | stream_[pos_ + 3] << 8;
    return size > stream_.size() - pos_ - kHeaderSize;
}

Record RecordReader::next() {
    if (atEnd()) throw xlerror("read error: unexpected end of the workbook stream");
    ByteReader in(stream_.subspan(pos_));
    Record r;
    r.offset = pos_;
    r.id = in.u16();
    r.body = in.bytes(in.u16());
    pos_ += kHeaderSize + r.body.size();
    return r;
}

std::optional<std::uint16_t> RecordReader::peekId() const {
    if (atEnd()) return std::nullopt;
    return static_cast<std::uint16_t>(stream_[pos_] | stream_[pos_ + 1] << 8);
}

void RecordReader::seek(std::size_t offset) {
    if (offset > stream_.size()) throw xlerror("read error: position is outside the workbook stream");
    pos_ = offset;
}

std::size_t ContinueReader::groupBytes() const {
    RecordReader ahead = records_;
    std::size_t total = body_.remaining();
    while (ahead.peekId() == raw(RecordId::Continue)) total += ahead.next().body.size();
    return total;
}

void ContinueReader::continueIfExhausted(const char* missing) {
    if (body_.remaining() > 0) return;
    if (records_.peekId() != raw(RecordId::Continue)) throw xlerror(missing);
    body_ = records_.next().reader();
}

std::uint8_t ContinueReader::u8(const char* missing) {
    // An empty CONTINUE record holds no byte; keep stepping until one does.
    while (body_.remaining() == 0) {
        if (records_.peekId() != raw(RecordId::Continue)) throw xlerror(missing);
        body_ = records_.next().reader();
    }
    return body_.u8();
}

std::uint64_t ContinueReader::little(std::size_t n, const char* missing) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < n; ++i) value |= std::uint64_t(u8(missing)) << (8 * i);
    return value;
}

std::uint16_t ContinueReader::u16() {
    return static_cast<std::uint16_t>(little(2, "readInt16: CONTINUE record not found"));
}

std::uint32_t ContinueReader::u32() {
    return static_cast<std::uint32_t>(little(4, "readInt32: CONTINUE record not found"));
}

} // namespace karvo
