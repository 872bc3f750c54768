// xml_reader_input.cpp - decoding to UTF-8 and the window the parser reads.
#include "xlsx/lmx/xml_reader_input.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace lmx::detail {

namespace {

constexpr const char* kBadUtf8 = "Invalid UTF-8 byte sequence";
// The runtime's published item for a broken UTF-16 surrogate pair.
constexpr const char* kBadUnit = "Unrecognised character encoding";

bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The bounds of the second byte of a sequence, which rule out overlong forms,
// surrogates and code points beyond U+10FFFF.
bool second_byte_ok(unsigned char lead, unsigned char second) {
    switch (lead) {
    case 0xE0: return second >= 0xA0 && second <= 0xBF;
    case 0xED: return second >= 0x80 && second <= 0x9F;
    case 0xF0: return second >= 0x90 && second <= 0xBF;
    case 0xF4: return second >= 0x80 && second <= 0x8F;
    default: return is_continuation(second);
    }
}

std::size_t sequence_length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

} // namespace

std::size_t utf8_valid_prefix(const unsigned char* s, std::size_t n, bool& cut) {
    cut = false;
    std::size_t i = 0;
    for (;;) {
        // Worksheets are nearly all ASCII: test 32 bytes at once, then eight.
        constexpr std::uint64_t kHigh = 0x8080808080808080ull;
        while (n - i >= 32) {
            std::uint64_t w[4];
            std::memcpy(w, s + i, 32);
            if ((w[0] | w[1] | w[2] | w[3]) & kHigh) break;
            i += 32;
        }
        while (n - i >= 8) {
            std::uint64_t w;
            std::memcpy(&w, s + i, 8);
            if (w & kHigh) break;
            i += 8;
        }
        while (i < n && s[i] < 0x80) ++i;
        if (i == n) return n;
        std::size_t len = sequence_length(s[i]);
        if (len == 0) return i;
        std::size_t have = std::min(len, n - i);
        for (std::size_t k = 1; k < have; ++k) {
            bool ok = k == 1 ? second_byte_ok(s[i], s[i + 1]) : is_continuation(s[i + k]);
            if (!ok) return i;
        }
        if (have < len) {
            cut = true;
            return i;
        }
        i += len;
    }
}

char* put_utf8(char* out, char32_t cp) {
    if (cp < 0x80) {
        *out++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

namespace {

// The LF bytes of [b, e). Every byte of a part read in chunks passes through here
// once, and an indented part has a line end every dozen bytes; a byte-by-byte count
// took as long as inflating. Sixteen bytes are compared at once (the compiler's
// vector types, which become SIMD instructions where the machine has them); each
// lane counts its matches for at most 255 blocks, so none overflows.
std::size_t count_lf(const char* b, const char* e) {
    using bytes16 = unsigned char __attribute__((vector_size(16)));
    std::size_t n = 0;
    while (e - b >= 16) {
        bytes16 lanes = {};
        for (int i = 0; i < 255 && e - b >= 16; ++i, b += 16) {
            bytes16 block;
            std::memcpy(&block, b, sizeof block);
            lanes += (bytes16)(block == '\n') & 1;  // a match compares as all ones
        }
        for (int k = 0; k < 16; ++k) n += lanes[k];
    }
    for (; b < e; ++b) n += *b == '\n';
    return n;
}

} // namespace

std::size_t count_line_ends(const char* b, const char* e, bool& last_cr) {
    if (b >= e) return 0;
    std::size_t n = 0;
    if (!std::memchr(b, '\r', static_cast<std::size_t>(e - b))) {
        n = count_lf(b, e);
        if (last_cr && *b == '\n') --n;  // the LF of a CR LF counted with the CR
        last_cr = false;
        return n;
    }
    for (; b < e; ++b) {
        if (*b == '\r' || (*b == '\n' && !last_cr)) ++n;
        last_cr = *b == '\r';
    }
    return n;
}

xml_input::xml_input(const char* begin, const char* end)
    : raw_(reinterpret_cast<const unsigned char*>(begin)),
      raw_size_(static_cast<std::size_t>(end - begin)),
      eof_(true) {}

xml_input::xml_input(chunk_source source) : source_(std::move(source)) {}

void xml_input::fail(elmx_error code, std::string item) {
    if (error_code_ != ELMX_OK) return;
    error_code_ = code;
    error_item_ = std::move(item);
}

bool xml_input::read_raw_more() {
    if (raw_buf_.size() < raw_size_ + kChunkBytes) raw_buf_.resize(raw_size_ + kChunkBytes);
    std::ptrdiff_t n = source_(reinterpret_cast<char*>(raw_buf_.data() + raw_size_), kChunkBytes);
    raw_ = raw_buf_.data();
    if (n < 0) {
        fail(ELMX_NO_FILE, "Input could not be read");
        return false;
    }
    if (n == 0) eof_ = true;
    raw_size_ += std::min(static_cast<std::size_t>(n), kChunkBytes);
    return true;
}

bool xml_input::raw_need(std::size_t n) {
    while (raw_size_ < n && !eof_ && error_code_ == ELMX_OK) read_raw_more();
    return error_code_ == ELMX_OK;
}

void xml_input::reserve(std::size_t bytes) {
    if (buf_.size() < bytes) buf_.resize(std::max(bytes, buf_.size() * 2));
}

void xml_input::set_window() {
    begin_ = buf_.data();
    end_ = begin_ + valid_;
    line_pos_ = nullptr;
}

void xml_input::start(text_encoding encoding, std::size_t from) {
    encoding_ = encoding;
    raw_pos_ = std::min(from, raw_size_);
    std::size_t rest = raw_size_ - raw_pos_;
    if (!chunked() && encoding == text_encoding::utf8) {
        bool cut;
        std::size_t ok = utf8_valid_prefix(raw_ + raw_pos_, rest, cut);
        if (ok < rest) fail(ELMX_BAD_CHAR_ENCODING, kBadUtf8);
        begin_ = reinterpret_cast<const char*>(raw_ + raw_pos_);
        end_ = begin_ + ok;
        return;
    }
    if (encoding == text_encoding::utf8) {
        reserve(std::max(rest, 2 * kChunkBytes));
        if (rest) std::memcpy(buf_.data(), raw_ + raw_pos_, rest);
        filled_ = rest;
        raw_pos_ = raw_size_;
        validate_utf8();
    } else {
        reserve(std::max(2 * rest + 8, 2 * kChunkBytes));
        raw_pos_ += decode_into(raw_ + raw_pos_, rest, eof_);
        valid_ = filled_;
    }
    if (eof_) finish_at_end();
    set_window();
}

void xml_input::validate_utf8() {
    bool cut;
    valid_ += utf8_valid_prefix(reinterpret_cast<const unsigned char*>(buf_.data()) + valid_, filled_ - valid_, cut);
    if (valid_ < filled_ && !cut) fail(ELMX_BAD_CHAR_ENCODING, kBadUtf8);
}

void xml_input::finish_at_end() {
    if (encoding_ == text_encoding::utf8) {
        if (valid_ < filled_) fail(ELMX_BAD_CHAR_ENCODING, kBadUtf8);
        return;
    }
    if (raw_pos_ < raw_size_ && error_code_ == ELMX_OK) {
        reserve(filled_ + 2 * (raw_size_ - raw_pos_) + 8);
        raw_pos_ += decode_into(raw_ + raw_pos_, raw_size_ - raw_pos_, true);
        valid_ = filled_;
    }
}

void xml_input::read_more_utf8() {
    reserve(filled_ + kChunkBytes);
    std::size_t space = buf_.size() - filled_;
    std::ptrdiff_t n = source_(buf_.data() + filled_, space);
    if (n < 0) return fail(ELMX_NO_FILE, "Input could not be read");
    if (n == 0) {
        eof_ = true;
        return;
    }
    filled_ += std::min(static_cast<std::size_t>(n), space);
    validate_utf8();
}

void xml_input::read_more_decoded() {
    // Keep only the undecoded tail (a cut code unit or surrogate pair).
    std::memmove(raw_buf_.data(), raw_buf_.data() + raw_pos_, raw_size_ - raw_pos_);
    raw_size_ -= raw_pos_;
    raw_pos_ = 0;
    if (!read_raw_more() || eof_) return;
    reserve(filled_ + 2 * raw_size_ + 8);
    raw_pos_ += decode_into(raw_, raw_size_, false);
    valid_ = filled_;
}

void xml_input::read_more() {
    if (encoding_ == text_encoding::utf8)
        read_more_utf8();
    else
        read_more_decoded();
}

fill xml_input::refill(const char*& keep) {
    if (error_code_ != ELMX_OK) return fill::failed;
    if (!chunked()) return fill::end;
    std::size_t off = static_cast<std::size_t>(keep - buf_.data());
    lines_before_ += count_line_ends(begin_, keep, last_cr_before_);
    std::memmove(buf_.data(), keep, filled_ - off);
    filled_ -= off;
    valid_ -= off;
    std::size_t kept = valid_;
    if (kept > kMaxItemBytes) {
        fail(ELMX_BADLY_FORMED, "Markup item larger than 256 MiB");
        return fill::failed;
    }
    std::size_t target = kept + std::max(kChunkBytes, kept);
    reserve(target + kChunkBytes);
    while (valid_ < target && !eof_ && error_code_ == ELMX_OK) read_more();
    if (eof_ && error_code_ == ELMX_OK) finish_at_end();
    set_window();
    keep = begin_;
    if (valid_ > kept) return fill::added;
    return error_code_ != ELMX_OK ? fill::failed : fill::end;
}

std::size_t xml_input::decode_into(const unsigned char* src, std::size_t n, bool final) {
    char* out = buf_.data() + filled_;
    std::size_t i = 0;
    if (encoding_ == text_encoding::latin1) {
        for (; i < n; ++i) out = put_utf8(out, src[i]);
        filled_ = static_cast<std::size_t>(out - buf_.data());
        return i;
    }
    bool big = encoding_ == text_encoding::utf16be || encoding_ == text_encoding::ucs2be;
    bool ucs2 = encoding_ == text_encoding::ucs2le || encoding_ == text_encoding::ucs2be;
    auto unit = [&](std::size_t at) -> char32_t {
        return big ? char32_t(src[at] << 8 | src[at + 1]) : char32_t(src[at] | src[at + 1] << 8);
    };
    const char* bad = nullptr;
    while (n - i >= 2) {
        char32_t u = unit(i);
        if (u < 0xD800 || u > 0xDFFF) {
            out = put_utf8(out, u);
            i += 2;
            continue;
        }
        if (ucs2) {
            bad = "Surrogate code unit in UCS-2 input";
            break;
        }
        if (u >= 0xDC00) {
            bad = kBadUnit;
            break;
        }
        if (n - i < 4) {
            if (final) bad = kBadUnit;
            break;
        }
        char32_t low = unit(i + 2);
        if (low < 0xDC00 || low > 0xDFFF) {
            bad = kBadUnit;
            break;
        }
        out = put_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 4;
    }
    if (!bad && final && n - i == 1) bad = "Odd number of bytes in UTF-16 input";
    if (bad) fail(ELMX_BAD_CHAR_ENCODING, bad);
    filled_ = static_cast<std::size_t>(out - buf_.data());
    return i;
}

void xml_input::add_lines(std::size_t n, bool last_cr) {
    lines_before_ += n;
    last_cr_before_ = last_cr;
    line_pos_ = nullptr;
}

int xml_input::line_at(const char* p) const {
    if (!begin_) return static_cast<int>(1 + lines_before_);
    p = std::clamp(p, begin_, end_);
    if (!line_pos_ || p < line_pos_) {
        line_pos_ = begin_;
        line_count_ = 0;
        line_last_cr_ = last_cr_before_;
    }
    line_count_ += count_line_ends(line_pos_, p, line_last_cr_);
    line_pos_ = p;
    return static_cast<int>(1 + lines_before_ + line_count_);
}

} // namespace lmx::detail
