// entry_reader.cpp - stored and inflating readers, piece by piece into the caller's buffer.
#include "zip/entry_reader.h"

#include <algorithm>
#include <cstring>

#include <zlib.h>

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

[[noreturn]] void failZlib(int status) {
    switch (status) {
    case Z_MEM_ERROR: throw CZipException(CZipException::zlibMemError);
    case Z_VERSION_ERROR: throw CZipException(CZipException::zlibVersionError);
    case Z_STREAM_ERROR: throw CZipException(CZipException::zlibStreamError);
    default: throw CZipException(CZipException::zlibDataError);
    }
}

class CInflateReader final : public CCheckedReader {
public:
    explicit CInflateReader(const CZipEntrySource& source) : CCheckedReader(source), in_(source.data) {
        int status = inflateInit2(&stream_, -MAX_WBITS); // raw deflate: no zlib header or trailer
        if (status != Z_OK) failZlib(status);
    }
    ~CInflateReader() override { inflateEnd(&stream_); }

private:
    std::size_t produce(std::uint8_t* out, std::size_t capacity) override {
        std::size_t n = inflateSome(out, capacity);
        // The stream ended before the declared size.
        if (n < capacity && ended_) throw CZipException(CZipException::badZipFile);
        return n;
    }

    void finish() override {
        // The declared bytes are out; the stream must end here. One more byte proves a
        // longer stream, and nothing beyond that byte is ever inflated.
        std::uint8_t extra;
        if (inflateSome(&extra, 1) != 0) throw CZipException(CZipException::badZipFile);
    }

    // Inflates until `out` is full or the stream ends; each zlib call gets at most
    // kFeed input bytes, since its counters are 32-bit.
    std::size_t inflateSome(std::uint8_t* out, std::size_t capacity) {
        static constexpr std::size_t kFeed = std::size_t(1) << 30;
        stream_.next_out = out;
        stream_.avail_out = static_cast<uInt>(std::min(capacity, kFeed));
        while (stream_.avail_out > 0 && !ended_) {
            if (stream_.avail_in == 0) {
                std::size_t feed = std::min(in_.size(), kFeed);
                stream_.next_in = const_cast<Bytef*>(in_.data());
                stream_.avail_in = static_cast<uInt>(feed);
                in_ = in_.subspan(feed);
            }
            int status = inflate(&stream_, Z_NO_FLUSH);
            if (status == Z_STREAM_END)
                ended_ = true;
            else if (status == Z_BUF_ERROR)
                throw CZipException(CZipException::zlibDataError); // input ran out
            else if (status != Z_OK)
                failZlib(status);
        }
        return static_cast<std::size_t>(stream_.next_out - out);
    }

    std::span<const std::uint8_t> in_;
    z_stream stream_{};
    bool ended_ = false;
};

} // namespace

std::unique_ptr<CZipEntryReader> openEntryReader(const CZipEntrySource& source) {
    if (source.method == method::kStored) return std::make_unique<CStoredReader>(source);
    return std::make_unique<CInflateReader>(source);
}

} // namespace karvo::zip
