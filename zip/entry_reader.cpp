// entry_reader.cpp - stored and inflating readers, piece by piece into the caller's buffer.
#include "zip/entry_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <isa-l/igzip_lib.h>

#include "zip/deflate.h"
#include "zip/zip_format.h"

namespace karvo::zip {
namespace {

// The size and CRC bookkeeping shared by both methods. A reader never hands out more
// than the declared size, and checks at the last byte that the data ends there too.
class CCheckedReader : public CZipEntryReader {
public:
    explicit CCheckedReader(const CZipEntrySource& source) : left_(source.size), crc32_(source.crc32) {}

    std::size_t read(char* buffer, std::size_t capacity) final {
        if (done_) return 0;
        std::size_t n = produce(reinterpret_cast<std::uint8_t*>(buffer), std::min<std::uint64_t>(capacity, left_));
        crc_ = crc32(crc_, {reinterpret_cast<const std::uint8_t*>(buffer), n});
        left_ -= n;
        if (left_ == 0) {
            finish();
            if (crc_ != crc32_) throw CZipException(CZipException::badCrc);
            done_ = true;
        }
        return n;
    }

private:
    /// Up to `capacity` bytes, at least one when capacity allows.
    virtual std::size_t produce(std::uint8_t* out, std::size_t capacity) = 0;
    /// Throws unless the data ends after the declared size.
    virtual void finish() = 0;

    std::uint64_t left_;
    std::uint32_t crc32_;
    std::uint32_t crc_ = 0;
    bool done_ = false;
};

class CStoredReader final : public CCheckedReader {
public:
    explicit CStoredReader(const CZipEntrySource& source) : CCheckedReader(source), data_(source.data) {}

private:
    std::size_t produce(std::uint8_t* out, std::size_t capacity) override {
        std::memcpy(out, data_.data(), capacity);
        data_ = data_.subspan(capacity);
        return capacity;
    }
    void finish() override {} // the located data is exactly the declared size

    std::span<const std::uint8_t> data_;
};

// Entries too large to inflate whole are read piece by piece, through the streaming
// inflater that is fastest here: it spends half the time zlib does on a worksheet.
class CInflateReader final : public CCheckedReader {
public:
    explicit CInflateReader(const CZipEntrySource& source)
        : CCheckedReader(source), in_(source.data), state_(new (std::nothrow) inflate_state) {
        if (!state_) throw CZipException(CZipException::zlibMemError);
        isal_inflate_init(state_.get());  // raw deflate: no zlib header or trailer
    }

private:
    std::size_t produce(std::uint8_t* out, std::size_t capacity) override {
        std::size_t n = inflateSome(out, capacity);
        // The stream ended before the declared size.
        if (n < capacity && ended()) throw CZipException(CZipException::badZipFile);
        return n;
    }

    void finish() override {
        // The declared bytes are out; the stream must end here. One more byte proves a
        // longer stream, and nothing beyond that byte is ever inflated.
        std::uint8_t extra;
        if (inflateSome(&extra, 1) != 0 || !ended()) throw CZipException(CZipException::badZipFile);
    }

    bool ended() const { return state_->block_state == ISAL_BLOCK_FINISH; }

    // Inflates until `out` is full or the stream ends; each call gets at most kFeed
    // input bytes, since the inflater's counters are 32-bit.
    std::size_t inflateSome(std::uint8_t* out, std::size_t capacity) {
        static constexpr std::size_t kFeed = std::size_t(1) << 30;
        inflate_state& s = *state_;
        s.next_out = out;
        s.avail_out = static_cast<std::uint32_t>(std::min(capacity, kFeed));
        while (s.avail_out > 0 && !ended()) {
            if (s.avail_in == 0 && !in_.empty()) {
                std::size_t feed = std::min(in_.size(), kFeed);
                s.next_in = const_cast<std::uint8_t*>(in_.data());
                s.avail_in = static_cast<std::uint32_t>(feed);
                in_ = in_.subspan(feed);
            }
            // The inflater keeps up to 64 bits of input in hand, so a call with no
            // input left can still go on; one that moves nothing means the input ran out.
            const std::uint8_t* outBefore = s.next_out;
            std::uint32_t inBefore = s.avail_in;
            std::int32_t bitsBefore = s.read_in_length;
            isal_block_state stateBefore = s.block_state;
            if (isal_inflate(&s) != ISAL_DECOMP_OK) throw CZipException(CZipException::zlibDataError);
            if (s.next_out == outBefore && s.avail_in == inBefore && s.read_in_length == bitsBefore &&
                s.block_state == stateBefore)
                throw CZipException(CZipException::zlibDataError);
        }
        return static_cast<std::size_t>(s.next_out - out);
    }

    std::span<const std::uint8_t> in_;
    std::unique_ptr<inflate_state> state_;
};

} // namespace

std::unique_ptr<CZipEntryReader> openEntryReader(const CZipEntrySource& source) {
    if (source.method == method::kStored) return std::make_unique<CStoredReader>(source);
    return std::make_unique<CInflateReader>(source);
}

} // namespace karvo::zip
