// record_reader.cpp - walking the BIFF records of a workbook stream, with CONTINUE-aware reads.
#include "xls/record_reader.h"

#include <algorithm>
#include <utility>

#include "core/xlerror.h"

namespace karvo {

const std::uint8_t* RecordReader::bytesAt(std::size_t pos, std::size_t n) const {
    if (pos >= windowStart_ && pos <= windowEnd_ && n <= windowEnd_ - pos) return data_ + (pos - windowStart_);
    if (!source_) throw xlerror("read error: position is outside the workbook stream");
    // The window moves on to `pos`. Records handed out from it keep it alive until
    // release(); otherwise its memory takes the next bytes.
    forgetWindow();
    if (handedOut_ || !window_) {
        if (window_) retired_.push_back(std::move(window_));
        window_ = Window(HugePageAllocator<std::uint8_t>().allocate(windowBytes_), WindowRelease{windowBytes_});
    }
    const std::size_t length = std::min(windowBytes_, size_ - pos);
    source_->read(pos, window_.get(), length);
    data_ = window_.get();
    windowStart_ = pos;
    windowEnd_ = pos + length;
    return data_;
}

std::uint16_t RecordReader::u16At(std::size_t pos) const {
    const std::uint8_t* bytes;
    if (pos >= windowStart_ && pos <= windowEnd_ && windowEnd_ - pos >= 2) {
        bytes = data_ + (pos - windowStart_);
    } else if (pos >= peekStart_ && pos - peekStart_ + 2 <= peek_.size()) {
        bytes = peek_.data() + (pos - peekStart_);
    } else {
        if (!source_) throw xlerror("read error: position is outside the workbook stream");
        peekStart_ = SIZE_MAX; // nothing valid until the read succeeds
        peek_.resize(std::min(kPeekBytes, size_ - pos));
        source_->read(pos, peek_.data(), peek_.size());
        peekStart_ = pos;
        bytes = peek_.data();
    }
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

bool RecordReader::atEnd() const {
    if (size_ - pos_ < kHeaderSize) return true;
    return u16At(pos_ + 2) > size_ - pos_ - kHeaderSize;
}

Record RecordReader::next() {
    if (atEnd()) throw xlerror("read error: unexpected end of the workbook stream");
    const std::size_t size = u16At(pos_ + 2);
    const std::uint8_t* bytes = bytesAt(pos_, kHeaderSize + size);
    Record r;
    r.offset = pos_;
    r.id = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
    r.body = {bytes + kHeaderSize, size};
    pos_ += kHeaderSize + size;
    handedOut_ = true;
    return r;
}

std::optional<std::uint16_t> RecordReader::peekId() const {
    if (atEnd()) return std::nullopt;
    return u16At(pos_);
}

RecordReader& RecordReader::operator=(RecordReader&& other) noexcept {
    if (this != &other) {
        size_ = std::exchange(other.size_, 0);
        pos_ = std::exchange(other.pos_, 0);
        source_ = std::exchange(other.source_, nullptr);
        windowBytes_ = std::exchange(other.windowBytes_, 0);
        data_ = std::exchange(other.data_, nullptr);
        windowStart_ = std::exchange(other.windowStart_, 0);
        windowEnd_ = std::exchange(other.windowEnd_, 0);
        window_ = std::move(other.window_);
        retired_ = std::move(other.retired_);
        other.retired_.clear();
        peek_ = std::move(other.peek_);
        other.peek_.clear();
        peekStart_ = std::exchange(other.peekStart_, 0);
        handedOut_ = std::exchange(other.handedOut_, false);
    }
    return *this;
}

void RecordReader::release() {
    handedOut_ = false;
    retired_.clear();
}

void RecordReader::seek(std::size_t offset) {
    if (offset > size_) throw xlerror("read error: position is outside the workbook stream");
    pos_ = offset;
}

void ContinueReader::continueIfExhausted(const char* missing) {
    if (body_.remaining() == 0) step(missing);
}

std::uint8_t ContinueReader::u8(const char* missing) {
    // An empty CONTINUE record holds no byte; keep stepping until one does.
    while (body_.remaining() == 0) step(missing);
    return body_.u8();
}

void ContinueReader::step(const char* missing) {
    if (records_.peekId() != raw(RecordId::Continue)) throw xlerror(missing);
    // A long group read from a file would otherwise hold a fresh window for every
    // couple of megabytes it spans, each one more page fault to clear.
    if (past_ == Past::Released) records_.release();
    body_ = records_.next().reader();
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
