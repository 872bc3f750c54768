// formula_biff5.cpp - BIFF5 token arrays rewritten as BIFF8 token arrays.
#include "xls/formula_biff5.h"

#include <algorithm>

#include "core/byte_reader.h"
#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "xls/biff_strings.h"
#include "xls/code_page.h"
#include "xls/formula_book.h"
#include "xls/formula_constants.h"
#include "xls/record_writer.h"

namespace karvo {
namespace {

// A BIFF8 expression must still fit the record that holds it; the Formula record has
// the longest fixed part (20 bytes) of the three records that carry one.
constexpr std::size_t kMaxExpression = kMaxRecordBody - 20;
// A PtgStr counts its characters in one byte.
constexpr std::size_t kMaxStringChars = 0xFF;

// BIFF5 cell addresses: the row word holds the row in bits 0-13, bit 14 the relative
// column and bit 15 the relative row; the column is one byte. BIFF8 moves both flags
// to the column word.
constexpr std::uint16_t kRowRelative = 0x8000;
constexpr std::uint16_t kColRelative = 0x4000;
constexpr std::uint16_t kOldRowBits = 0x3FFF;

// BIFF5 3-D tokens: ixals (i16, negative for this book), 8 reserved bytes, then the
// first and last sheet (u16 each) before the cell or area.
constexpr std::size_t kOld3dReserved = 8;
// A BIFF5 PtgName: the 1-based name index (u16) and 12 reserved bytes.
constexpr std::size_t kOldNameReserved = 12;

constexpr std::uint8_t kAttrIf = 0x02;
constexpr std::uint8_t kAttrChoose = 0x04;
constexpr std::uint8_t kAttrSkip = 0x08;
constexpr std::uint8_t kKnownAttributes[] = {0x01, 0x02, 0x08, 0x10, 0x20, 0x21, 0x40, 0x41};

[[noreturn]] void untranslatable() { throw xlerror(kBiff5Untranslated); }

/// A u16 of the new tokens that holds a distance: the target is a token boundary of the
/// old tokens; the value is the new distance from `base`, less `less`.
struct Jump {
    std::size_t field;
    std::size_t oldTarget;
    std::size_t base;
    std::size_t less;
};

class Translator {
public:
    Translator(std::span<const std::uint8_t> tokens, std::span<const std::uint8_t> extra, FormulaBook& book,
               bool shared)
        : in_(tokens), extra_(extra), book_(book), shared_(shared) {}

    std::vector<std::uint8_t> run() {
        while (!in_.atEnd()) {
            boundaries_.push_back({in_.position(), out_.size()});
            token();
            if (!in_.ok() || !extra_.ok()) untranslatable();
        }
        boundaries_.push_back({in_.position(), out_.size()});
        for (const Jump& jump : jumps_) patch(jump);
        std::vector<std::uint8_t> expression;
        if (out_.size() + extraOut_.size() + 2 > kMaxExpression) untranslatable();
        putLittle(expression, out_.size(), 2);
        expression.insert(expression.end(), out_.begin(), out_.end());
        expression.insert(expression.end(), extraOut_.begin(), extraOut_.end());
        return expression;
    }

private:
    void token() {
        const std::uint8_t id = in_.u8();
        const std::uint8_t base = id < 0x20 ? id : static_cast<std::uint8_t>((id & 0x1F) | 0x20);
        const std::uint8_t cls = id & 0x60; // the class bits, 0x20 to 0x60
        if (id >= 0x03 && id <= 0x16) return out_.push_back(id);
        switch (base) {
        case 0x01: case 0x02: return copy(id, 4);
        case 0x17: return string();
        case 0x19: return attribute();
        case 0x1C: case 0x1D: return copy(id, 1);
        case 0x1E: return copy(id, 2);
        case 0x1F: return copy(id, 8);
        case 0x20: copy(id, 7); return arrayConstant();
        case 0x21: return copy(id, 2);
        case 0x22: return copy(id, 3);
        case 0x23: return name(id);
        case 0x24: case 0x2C: return cell(id, base == 0x2C);
        case 0x25: case 0x2D: return area(id, base == 0x2D);
        case 0x26: memory(id, 4); return extraMem();
        case 0x27: case 0x28: return memory(id, 4);
        case 0x29: return memory(id, 0);
        case 0x2A: in_.skip(3); return zeros(id, 4);
        case 0x2B: in_.skip(6); return zeros(id, 8);
        case 0x3A: case 0x3B: case 0x3C: case 0x3D: return threeD(cls, base);
        default: untranslatable();
        }
    }

    void copy(std::uint8_t id, std::size_t size) {
        out_.push_back(id);
        auto body = in_.bytes(size);
        out_.insert(out_.end(), body.begin(), body.end());
    }

    void zeros(std::uint8_t id, std::size_t size) {
        out_.push_back(id);
        out_.insert(out_.end(), size, 0);
    }

    // PtgStr: the count and 8-bit characters in the book's code page gain the flags byte
    // of BIFF8; a text beyond Latin-1 is written with 16-bit characters, and the jumps
    // over it follow the new size.
    void string() {
        const std::uint8_t count = in_.u8();
        std::u16string text = NarrowCodePage::decode(in_.bytes(count));
        text.resize(utf16Prefix(text, kMaxStringChars).size());
        out_.push_back(0x17);
        writeShortString(out_, text, ShortForm::Count8, CharWidth::narrow);
    }

    // The attribute layouts are the same; the jumps of IF, CHOOSE and skip are not.
    void attribute() {
        const std::uint8_t type = in_.u8();
        out_.insert(out_.end(), {0x19, type});
        if (type == kAttrChoose) return choose();
        if (std::find(std::begin(kKnownAttributes), std::end(kKnownAttributes), type) == std::end(kKnownAttributes))
            untranslatable();
        const std::uint16_t data = in_.u16();
        const std::size_t field = out_.size();
        putLittle(out_, data, 2);
        const std::size_t end = in_.position();
        // IF jumps from its end to the false branch; skip lands one byte past its offset.
        if (type == kAttrIf) jumps_.push_back({field, end + data, out_.size(), 0});
        if (type == kAttrSkip) jumps_.push_back({field, end + data + 1, out_.size(), 1});
    }

    // CHOOSE: the count, then count + 1 offsets from the start of the offsets.
    void choose() {
        const std::uint16_t count = in_.u16();
        putLittle(out_, count, 2);
        const std::size_t oldStart = in_.position();
        const std::size_t newStart = out_.size();
        if (!in_.canRead(count + 1u, 2)) untranslatable();
        for (std::size_t i = 0; i <= count; ++i) {
            const std::uint16_t offset = in_.u16();
            jumps_.push_back({out_.size(), oldStart + offset, newStart, 0});
            putLittle(out_, offset, 2);
        }
    }

    // The memory tokens give the length of the sub-expression that follows them.
    void memory(std::uint8_t id, std::size_t reserved) {
        copy(id, reserved);
        const std::uint16_t cce = in_.u16();
        const std::size_t field = out_.size();
        putLittle(out_, cce, 2);
        jumps_.push_back({field, in_.position() + cce, out_.size(), 0});
    }

    void name(std::uint8_t id) {
        const std::uint16_t index = in_.u16();
        in_.skip(kOldNameReserved);
        out_.push_back(id);
        putLittle(out_, index, 4);
    }

    // The row word of BIFF5 with its flags, and the column byte, as BIFF8's row and
    // column words. A relative row of a shared formula is an offset modulo 16384 (the
    // rows of a BIFF5 sheet), read as signed: right for any offset within 8191 rows.
    void cellFields(std::uint16_t rowWord, std::uint8_t col, bool offsets) {
        std::uint16_t row = rowWord & kOldRowBits;
        if (offsets && (rowWord & kRowRelative) && (row & 0x2000)) row |= 0xC000;
        putLittle(out_, row, 2);
        putLittle(out_, col | (rowWord & (kRowRelative | kColRelative)), 2);
    }

    void cell(std::uint8_t id, bool offsets) {
        const std::uint16_t row = in_.u16();
        const std::uint8_t col = in_.u8();
        out_.push_back(id);
        cellFields(row, col, offsets);
    }

    void areaFields(bool offsets) {
        const std::uint16_t firstRow = in_.u16(), lastRow = in_.u16();
        const std::uint8_t firstCol = in_.u8(), lastCol = in_.u8();
        cellFields(firstRow, firstCol, offsets);
        cellFields(lastRow, lastCol, offsets);
        // cellFields wrote row1 col1 row2 col2; BIFF8 wants row1 row2 col1 col2.
        std::swap_ranges(out_.end() - 6, out_.end() - 4, out_.end() - 4);
    }

    void area(std::uint8_t id, bool offsets) {
        out_.push_back(id);
        areaFields(offsets);
    }

    void threeD(std::uint8_t cls, std::uint8_t base) {
        const std::int16_t ixals = in_.i16();
        in_.skip(kOld3dReserved);
        const std::uint16_t first = in_.u16(), last = in_.u16();
        const bool isArea = base == 0x3B || base == 0x3D;
        const bool ownSheets = base <= 0x3B && ixals < 0 && first <= last && last < book_.sheetCount();
        if (!ownSheets) {
            in_.skip(isArea ? 6 : 3);
            return zeros(static_cast<std::uint8_t>(cls | (isArea ? 0x0B : 0x0A)), isArea ? 8 : 4);
        }
        out_.push_back(static_cast<std::uint8_t>(cls | (base & 0x1F)));
        putLittle(out_, static_cast<std::uint16_t>(book_.xtiForSheets(first, last)), 2);
        if (isArea) return areaFields(shared_);
        const std::uint16_t row = in_.u16();
        cellFields(row, in_.u8(), shared_);
    }

    // PtgExtraArray: BIFF5 stores the counts themselves (0 columns meaning 256), BIFF8
    // each count less 1; strings gain a u16 count and a flags byte.
    void arrayConstant() {
        const std::uint8_t cols = extra_.u8();
        const std::uint16_t rows = extra_.u16();
        if (!extra_.ok() || rows == 0) untranslatable();
        const std::size_t colCount = cols == 0 ? 256 : cols;
        extraOut_.push_back(static_cast<std::uint8_t>(colCount - 1));
        putLittle(extraOut_, rows - 1, 2);
        const std::size_t count = colCount * rows;
        constexpr std::size_t kMinElement = 2; // a type byte and an empty string's count
        if (!extra_.canRead(count, kMinElement)) untranslatable();
        for (std::size_t i = 0; i < count && extra_.ok(); ++i) arrayElement();
    }

    void arrayElement() {
        const std::uint8_t type = extra_.u8();
        extraOut_.push_back(type);
        if (type == arrayvalue::kString) {
            const std::uint8_t length = extra_.u8();
            auto chars = extra_.bytes(length);
            putLittle(extraOut_, length, 2);
            extraOut_.push_back(0x00);
            extraOut_.insert(extraOut_.end(), chars.begin(), chars.end());
            return;
        }
        const bool known = type == arrayvalue::kNil || type == arrayvalue::kNumber || type == arrayvalue::kBool ||
                           type == arrayvalue::kError;
        if (!known) untranslatable();
        auto body = extra_.bytes(arrayvalue::kFixedBody);
        extraOut_.insert(extraOut_.end(), body.begin(), body.end());
    }

    // PtgExtraMem: a count of areas, each rows u16 and columns u8 in BIFF5, all u16 in BIFF8.
    void extraMem() {
        const std::uint16_t count = extra_.u16();
        putLittle(extraOut_, count, 2);
        constexpr std::size_t kOldArea = 6;
        if (!extra_.canRead(count, kOldArea)) untranslatable();
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::uint16_t firstRow = extra_.u16(), lastRow = extra_.u16();
            const std::uint8_t firstCol = extra_.u8(), lastCol = extra_.u8();
            for (std::uint16_t field : {firstRow, lastRow, std::uint16_t(firstCol), std::uint16_t(lastCol)})
                putLittle(extraOut_, field, 2);
        }
    }

    void patch(const Jump& jump) {
        auto found = std::find_if(boundaries_.begin(), boundaries_.end(),
                                  [&](const auto& b) { return b.first == jump.oldTarget; });
        if (found == boundaries_.end() || found->second < jump.base + jump.less) untranslatable();
        const std::size_t distance = found->second - jump.base - jump.less;
        if (distance > 0xFFFF) untranslatable();
        out_[jump.field] = static_cast<std::uint8_t>(distance);
        out_[jump.field + 1] = static_cast<std::uint8_t>(distance >> 8);
    }

    ByteReader in_;
    ByteReader extra_;
    FormulaBook& book_;
    bool shared_;
    std::vector<std::uint8_t> out_;
    std::vector<std::uint8_t> extraOut_;
    std::vector<std::pair<std::size_t, std::size_t>> boundaries_; ///< (old, new) start of each token
    std::vector<Jump> jumps_;
};

// The expression of a record body that starts `offset` bytes in, rewritten; the bytes
// before it are kept.
std::vector<std::uint8_t> translateBody(const std::vector<std::uint8_t>& body, std::size_t offset, FormulaBook& book,
                                        bool shared) {
    if (body.size() < offset) untranslatable();
    std::vector<std::uint8_t> out(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(offset));
    std::vector<std::uint8_t> expression = translateBiff5Expression(std::span(body).subspan(offset), book, shared);
    out.insert(out.end(), expression.begin(), expression.end());
    return out;
}

// Where the expression starts in a ShrFmla body (range, reserved byte, use count) and
// in an Array body (range, flags, reserved u32); the same in both versions.
constexpr std::size_t kShrFmlaExpression = 8;
constexpr std::size_t kArrayExpression = 12;
constexpr std::uint16_t kArrayId = 0x0221;

// Formula flags: bit 3 says that the cell uses a shared formula.
constexpr std::uint16_t kFlagShared = 0x0008;

// The token of a constant holding the cached result.
std::vector<std::uint8_t> resultTokens(const FormulaBlock& block) {
    std::vector<std::uint8_t> tokens;
    switch (block.resultType()) {
    case FormulaResult::Number: {
        tokens.push_back(0x1F);
        tokens.insert(tokens.end(), block.result.begin(), block.result.end());
        break;
    }
    case FormulaResult::Bool: tokens = {0x1D, block.resultValue()}; break;
    case FormulaResult::Error: tokens = {0x1C, block.resultValue()}; break;
    case FormulaResult::String: {
        std::u16string text = block.cachedText();
        text.resize(utf16Prefix(text, 255).size());
        tokens.push_back(0x17);
        writeShortString(tokens, text, ShortForm::Count8);
        break;
    }
    default: tokens = {0x17, 0x00, 0x00}; // an empty string
    }
    return tokens;
}

} // namespace

std::vector<std::uint8_t> translateBiff5Expression(std::span<const std::uint8_t> expression, FormulaBook& book,
                                                   bool shared) {
    ByteReader in(expression);
    const std::uint16_t cce = in.u16();
    if (!in.ok() || cce > in.remaining()) untranslatable();
    auto tokens = in.bytes(cce);
    return Translator(tokens, in.bytes(in.remaining()), book, shared).run();
}

bool translateBiff5Block(FormulaBlock& block, FormulaBook& book) {
    try {
        std::vector<std::uint8_t> expression = translateBiff5Expression(block.expression, book, false);
        std::optional<RawRecord> shrFmla = block.shrFmla;
        if (shrFmla) shrFmla->body = translateBody(shrFmla->body, kShrFmlaExpression, book, true);
        std::optional<RawRecord> array = block.arrayOrTable;
        if (array && array->id == kArrayId) array->body = translateBody(array->body, kArrayExpression, book, false);
        block.expression = std::move(expression);
        block.shrFmla = std::move(shrFmla);
        block.arrayOrTable = std::move(array);
        return true;
    } catch (const xlerror&) {
        return false;
    }
}

void keepCachedResult(FormulaBlock& block) {
    const std::vector<std::uint8_t> tokens = resultTokens(block);
    block.expression.clear();
    putLittle(block.expression, tokens.size(), 2);
    block.expression.insert(block.expression.end(), tokens.begin(), tokens.end());
    block.shrFmla.reset();
    if (block.arrayOrTable && block.arrayOrTable->id == kArrayId) block.arrayOrTable.reset();
    block.flags &= static_cast<std::uint16_t>(~kFlagShared);
    block.untranslated = true;
}

} // namespace karvo
