// deflate.h - the compression library behind the archive layer: raw deflate and
// inflate of whole buffers and CRC-32 (libdeflate, which measured fastest: see
// bench/zip_bench.cpp). Inflating piece by piece is zlib's, in entry_reader.cpp.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

struct libdeflate_compressor;
struct z_stream_s;

namespace karvo::zip {

/// The default level of the archive writer. Worksheet parts are where saving spends
/// its time, and on them libdeflate's curve bends at 4: levels 5 and 6 take 1.5 and
/// 2.7 times as long for parts 3-8% and 7-12% smaller (measured on the sheets of
/// bench/xlsx_bench.cpp; a 229 MB sheet part deflates in 0.8 s at 4, 2.3 s at 6).
inline constexpr int kDeflateLevel = 4;

class CDeflateCompressor {
public:
    explicit CDeflateCompressor(int level = kDeflateLevel);
    ~CDeflateCompressor();
    CDeflateCompressor(const CDeflateCompressor&) = delete;
    CDeflateCompressor& operator=(const CDeflateCompressor&) = delete;

    /// The raw deflate stream of `data`.
    std::vector<std::uint8_t> compress(std::span<const std::uint8_t> data);

private:
    libdeflate_compressor* compressor_;
};

/// The level of data deflated as it comes, which takes zlib: libdeflate has whole
/// buffers only. zlib's 2 deflates a 53 MB worksheet part of texts and numbers in
/// half the time of its 3 (0.15 s against 0.30 s) for a tenth more bytes (6.7 MB
/// against 6.0 MB), and a 229 MB part of numbers alone in three quarters of the time
/// for the same bytes; its 1 is slower than its 2 on both, and 4 and up slower still.
inline constexpr int kStreamDeflateLevel = 2;

/// Raw deflate of data that comes in pieces; the compressed bytes go to `output` as
/// they are made, a buffer's worth at a time.
class CDeflateStream {
public:
    using Output = std::function<void(std::span<const std::uint8_t>)>;
    explicit CDeflateStream(Output output, int level = kStreamDeflateLevel);
    ~CDeflateStream();
    CDeflateStream(const CDeflateStream&) = delete;
    CDeflateStream& operator=(const CDeflateStream&) = delete;

    void write(std::span<const std::uint8_t> data);
    /// Ends the stream; nothing may be written after it.
    void finish();

private:
    void run(std::span<const std::uint8_t> data, int flush);

    Output output_;
    std::unique_ptr<z_stream_s> stream_;
    std::vector<std::uint8_t> buffer_;
};

/// Inflates the raw deflate stream `in` into `out`, which it must fill exactly; false
/// for anything else. Damaged data is then read the streaming way, whose messages say
/// what is wrong with it, so that an entry fails alike however it is read.
bool inflateWhole(std::span<const std::uint8_t> in, std::span<std::uint8_t> out);

/// Continues the CRC-32 `crc` (0 to start) over `data`.
std::uint32_t crc32(std::uint32_t crc, std::span<const std::uint8_t> data);

} // namespace karvo::zip
