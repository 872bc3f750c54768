// sst.h - the shared string table of a binary book.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/biff_strings.h"
#include "core/huge_pages.h"
#include "core/text_index.h"

namespace karvo {

/// Strings that LabelSst cells refer to by index. Strings read from a file keep
/// their file positions (duplicates included); strings added by the program are
/// shared with an equal string already present.
///
/// A large book holds hundreds of thousands of short strings, so they are not
/// objects of their own: every text lives in a block of characters, followed by a
/// zero, and an entry holds its offset, length and flags. The rare formatting runs
/// and extended data sit in a side table keyed by index.
///
/// Blocks are one huge page each and never move once full, so a table that grows to
/// megabytes a string at a time is not copied into fresh memory at every doubling;
/// only the first block grows, from a few characters, so a small table stays small.
class SharedStrings {
public:
    SharedStrings() = default;
    // The index refers to this object's own buffer.
    SharedStrings(const SharedStrings&) = delete;
    SharedStrings& operator=(const SharedStrings&) = delete;

    std::uint32_t size() const { return static_cast<std::uint32_t>(entries_.size()); }
    /// About the bytes the table's records take when written; sizes the stream ahead.
    std::size_t recordBytesHint() const;
    bool contains(std::uint32_t index) const { return index < entries_.size(); }
    /// The text of a string, zero-terminated in place; valid until the table changes.
    std::u16string_view text(std::uint32_t index) const;
    /// The whole string, runs and extended data included.
    RichString at(std::uint32_t index) const;

    /// Index of an equal string, or of `text` appended as a new plain string.
    std::uint32_t add(std::u16string_view text);
    /// Appends a string read from a file, without looking for an equal one.
    void append(const RichString& s);
    /// Replaces the text of a string that no other cell refers to.
    void replace(std::uint32_t index, std::u16string_view text);

    /// Cells keep use counts so that a cell can tell whether it is the only user of
    /// its string (then a new text replaces it in place) without scanning every sheet.
    void retain(std::uint32_t index);
    void release(std::uint32_t index);
    std::uint32_t uses(std::uint32_t index) const { return index < entries_.size() ? entries_[index].uses : 0; }
    /// The number of LabelSst cells referring to the table: what the SST header counts.
    std::uint32_t totalCount() const { return totalCount_; }

    void clear();

    /// The SST record and its CONTINUE records; reading checks every count. It
    /// releases the records it reads: `sst` and every record handed out before it may
    /// no longer be read.
    void read(RecordReader& records, const Record& sst);
    void write(RecordWriter& out) const;

private:
    struct Entry {
        std::uint32_t start = 0;  // block * kBlockChars + offset of the text in the block
        std::uint16_t length = 0; // a rich string's count field is 16 bits
        std::uint8_t flags = richflag::kHighByte;
        // Beside the text's place rather than in an array of its own: a cell that takes
        // a new string counts its use while the entry is still in the cache.
        std::uint32_t uses = 0;
    };
    struct Extras {
        std::vector<FormatRun> runs;
        std::vector<std::uint8_t> extRst;
    };

    // The index finds an equal string for add(). It is built on the first add()
    // only: a book that is loaded and read never pays for it.
    void buildIndex();
    /// The text of an entry in these blocks.
    static std::u16string_view textIn(const std::vector<HugePageU16String>& blocks, const Entry& e);
    /// Appends a text to the last block, or to a new one when it does not fit, and
    /// returns its entry, of no uses yet.
    Entry store(std::u16string_view text, std::uint8_t flags);
    /// Drops the texts that replace() left behind, once they are most of the characters.
    void compact();

    /// A block takes one huge page: kBlockChars - 1 characters and the terminator of
    /// the block itself. That is far more than the longest text, which therefore
    /// never has to be split.
    static constexpr std::size_t kBlockChars = kHugePageBytes / sizeof(char16_t);
    std::vector<HugePageU16String> blocks_;
    std::size_t stored_ = 0;  // characters in blocks_, terminators and replaced texts included
    std::vector<Entry, HugePageAllocator<Entry>> entries_;
    std::unordered_map<std::uint32_t, Extras> extras_;
    std::size_t garbage_ = 0; // characters of replaced texts still in blocks_
    TextIndex index_{[this](std::uint32_t i) { return text(i); }};
    bool indexed_ = false;
    std::uint32_t totalCount_ = 0;
};

} // namespace karvo
