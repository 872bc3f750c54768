// xml_reader_input.h - the bytes under the pull reader: decoding to UTF-8 and the
// window of decoded text that the parser reads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "xlsx/lmx/xml_reader.h"

namespace lmx::detail {

/// What the first bytes of a document say about its character width and order.
enum class byte_start { eight_bit, utf16le, utf16be };

/// How the text after the declaration is decoded.
enum class text_encoding { utf8, latin1, utf16le, utf16be, ucs2le, ucs2be };

/// How a request for more text ended.
enum class fill { added, end, failed };

/// A single markup item (a tag, a text run, the DTD) larger than this fails cleanly
/// instead of growing the chunked window without bound. Real worksheet items are
/// kilobytes; a quarter of a gigabyte leaves room for huge shared strings.
constexpr std::size_t kMaxItemBytes = std::size_t(256) << 20;
/// The least the chunked window asks of its source per refill.
constexpr std::size_t kChunkBytes = std::size_t(64) << 10;

/// Holds the input and hands the parser a window of UTF-8 text. Over UTF-8 in memory
/// the window is the caller's buffer itself; any other input is decoded into a
/// buffer of ours. A decoding fault ends the window where it happened and is
/// reported only when the parser asks for text past that point, so that memory and
/// chunked input fail at the same place.
class xml_input {
public:
    xml_input(const char* begin, const char* end);
    explicit xml_input(chunk_source source);

    /// Brings at least `n` raw bytes in when the input has them; false on a read error.
    bool raw_need(std::size_t n);
    const unsigned char* raw() const { return raw_; }
    std::size_t raw_size() const { return raw_size_; }
    bool chunked() const { return static_cast<bool>(source_); }

    /// Starts decoding the raw bytes from offset `from`; the window then begins there.
    void start(text_encoding encoding, std::size_t from);

    const char* begin() const { return begin_; }
    const char* end() const { return end_; }
    /// Drops the text before `keep` and brings in more, at least as much as is kept
    /// so that an item read again after each refill costs linear time overall.
    /// `keep` follows the text it pointed at.
    fill refill(const char*& keep);

    /// The failure behind `fill::failed`.
    elmx_error error_code() const { return error_code_; }
    const std::string& error_item() const { return error_item_; }

    /// Line ends read before the window (the declaration's among them).
    void add_lines(std::size_t n, bool last_cr);
    /// The 1-based line of `p`, a position inside the window.
    int line_at(const char* p) const;

private:
    void fail(elmx_error code, std::string item);
    bool read_raw_more();
    void read_more();
    void read_more_utf8();
    void read_more_decoded();
    void validate_utf8();
    void finish_at_end();
    void set_window();
    void reserve(std::size_t bytes);
    std::size_t decode_into(const unsigned char* src, std::size_t n, bool final);

    chunk_source source_;
    const unsigned char* raw_ = nullptr;  // bytes not yet decoded (chunked: raw_buf_)
    std::size_t raw_size_ = 0;
    std::size_t raw_pos_ = 0;             // first raw byte not yet decoded
    std::vector<unsigned char> raw_buf_;
    bool eof_ = false;

    text_encoding encoding_ = text_encoding::utf8;
    std::vector<char> buf_;               // decoded text we own
    std::size_t filled_ = 0;              // bytes in buf_, a cut UTF-8 sequence included
    std::size_t valid_ = 0;               // bytes of buf_ the parser may read
    const char* begin_ = nullptr;
    const char* end_ = nullptr;

    elmx_error error_code_ = ELMX_OK;     // set once: decoding fault or read error
    std::string error_item_;

    std::size_t lines_before_ = 0;        // line ends before begin_
    bool last_cr_before_ = false;
    mutable const char* line_pos_ = nullptr;  // cache: line ends in [begin_, line_pos_)
    mutable std::size_t line_count_ = 0;
    mutable bool line_last_cr_ = false;
};

/// Counts line ends in [b, e); CR LF, CR and LF each end one line. `last_cr` carries
/// whether the byte before `b` was a CR, and is left saying the same of `e`.
std::size_t count_line_ends(const char* b, const char* e, bool& last_cr);

/// The length of the longest prefix of [s, s + n) that is well-formed UTF-8; `cut`
/// tells whether it stops at a sequence that more bytes could complete.
std::size_t utf8_valid_prefix(const unsigned char* s, std::size_t n, bool& cut);

/// Appends the UTF-8 form of code point `cp` (at most 4 bytes) at `out`; returns the end.
char* put_utf8(char* out, char32_t cp);

} // namespace lmx::detail
