// byte_sink.h - the one buffered sink the writer and its escaping write through.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "core/huge_pages.h"
#include "xlsx/lmx/utf16_units.h"

namespace lmx {

/// Takes the next piece of a document that a writer hands over as it goes.
using byte_drain = std::function<void(std::string_view)>;

} // namespace lmx

namespace lmx::detail {

/// Writes straight into the output string through a pointer. The string is kept
/// longer than what has been written (the spare room is the buffer), so a piece costs
/// one bounds check and one copy, without std::string's length bookkeeping per
/// append. finish() trims the string to what was written; until then its tail holds
/// spare bytes. The destructor finishes.
///
/// With a drain, the string is a buffer: once it holds kDrainBytes, what it holds
/// goes to the drain and writing starts over at its front, so that a document of any
/// size takes a megabyte or so.
class byte_sink {
public:
    static constexpr std::size_t kDrainBytes = std::size_t(1) << 20;

    /// `chunk`: how much room to add at a time beyond what one piece needs.
    byte_sink(std::string& out, std::size_t chunk) : out_(out), chunk_(chunk) {
        cur_ = end_ = out_.data() + out_.size();
    }
    /// Hands what is written to `drain` from now on; the drain must outlive the sink.
    void drain_to(const byte_drain& drain) { drain_ = &drain; }
    byte_sink(const byte_sink&) = delete;
    byte_sink& operator=(const byte_sink&) = delete;
    ~byte_sink() { finish(); }

    void put(char c) {
        if (cur_ == end_) grow(1);
        *cur_++ = c;
    }
    void put(std::string_view s) { cur_ = copy(room(s.size()), s); }
    /// A code point (at most U+10FFFF, not a surrogate) as UTF-8.
    void put_utf8(char32_t cp) {
        char* p = room(4);
        cur_ = p + detail::put_utf8(cp, p);
    }

    /// For a piece assembled in place: room() gives space for at least `n` bytes,
    /// copy() fills it, and advance() commits what was filled.
    char* room(std::size_t n) {
        if (static_cast<std::size_t>(end_ - cur_) < n) grow(n);
        return cur_;
    }
    void advance(char* to) { cur_ = to; }

    /// Names, indents and numbers are a few bytes long, where a call to memcpy costs
    /// more than the copy; two overlapping fixed-size copies need no call.
    static char* copy(char* to, std::string_view s) {
        const char* from = s.data();
        std::size_t n = s.size();
        if (n >= 8 && n <= 16) {
            std::memcpy(to, from, 8);
            std::memcpy(to + n - 8, from + n - 8, 8);
        } else if (n >= 4 && n < 8) {
            std::memcpy(to, from, 4);
            std::memcpy(to + n - 4, from + n - 4, 4);
        } else if (n > 0 && n < 4) {
            to[0] = from[0];
            to[n / 2] = from[n / 2];
            to[n - 1] = from[n - 1];
        } else if (n > 16) {
            std::memcpy(to, from, n);
        }
        return to + n;
    }

    /// Trims the string to the bytes written; writing may go on afterwards.
    void finish() {
        out_.resize(written());
        cur_ = end_ = out_.data() + out_.size();
    }
    /// Whether the last two bytes written are "]]".
    bool ends_with_brackets() const { return written() >= 2 && cur_[-1] == ']' && cur_[-2] == ']'; }

private:
    std::size_t written() const { return static_cast<std::size_t>(cur_ - out_.data()); }

    void grow(std::size_t needed) {
        std::size_t used = written();
        if (drain_ && used >= kDrainBytes) used = drain(used);
        std::size_t size = used + std::max(needed, chunk_);
        // Doubling keeps the copies of a growing document linear in its length; one
        // written whole (a string table) can run to megabytes, hence huge pages.
        if (size > out_.capacity()) {
            out_.resize(used);
            karvo::reserveAdvised(out_, size);
        }
        out_.resize(size);
        cur_ = out_.data() + used;
        end_ = out_.data() + size;
    }

    /// Hands over all but the last bytes written, which ends_with_brackets() may still
    /// look at, and moves those to the front; returns what is left.
    std::size_t drain(std::size_t used) {
        constexpr std::size_t kKept = 2;
        (*drain_)(std::string_view(out_.data(), used - kKept));
        std::memmove(out_.data(), out_.data() + used - kKept, kKept);
        return kKept;
    }

    std::string& out_;
    const byte_drain* drain_ = nullptr;
    std::size_t chunk_;
    char* cur_;
    char* end_;
};

} // namespace lmx::detail
