// formula_block.cpp - reading and writing a formula cell's group of records.
#include "xls/formula_block.h"

#include <algorithm>
#include <cstring>

#include "core/xlerror.h"

namespace karvo {
namespace {

// rw, col, ixfe, the cached result, flags and chn come before the expression.
constexpr std::size_t kFormulaFixedSize = 20;
// The fixed part and the expression's own length field.
constexpr std::size_t kMinFormulaSize = kFormulaFixedSize + 2;
// A Formula record of this size is no formula but a marker kept before the next one.
constexpr std::size_t kPrefixSize = 2;
constexpr std::uint16_t kAlwaysCalc = 0x0001;

// PtgExp: token 0x01, then the row and column of the cell holding the shared formula.
// It follows the expression's u16 length.
constexpr std::uint8_t kPtgExp = 0x01;
constexpr std::uint8_t kPtgTbl = 0x02;
constexpr std::size_t kPtgExpAt = 2;
constexpr std::size_t kPtgExpEnd = kPtgExpAt + 5;

bool nextIs(const RecordReader& records, RecordId id) { return records.peekId() == raw(id); }

RawRecord takeNext(RecordReader& records) {
    Record r = records.next();
    return RawRecord::take(r, records);
}

void appendChars(std::u16string& out, ByteReader& in, std::size_t wanted, bool wide) {
    std::size_t n = std::min(wanted - out.size(), in.remaining() / (wide ? 2 : 1));
    for (std::size_t i = 0; i < n; ++i) out.push_back(wide ? in.u16() : in.u8());
}

} // namespace

FormulaResult FormulaBlock::resultType() const {
    if (result[6] != 0xFF || result[7] != 0xFF) return FormulaResult::Number;
    switch (result[0]) {
    case 0: return FormulaResult::String;
    case 1: return FormulaResult::Bool;
    case 2: return FormulaResult::Error;
    case 3: return FormulaResult::EmptyString;
    default: return FormulaResult::Unknown;
    }
}

double FormulaBlock::number() const {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < result.size(); ++i) bits |= std::uint64_t(result[i]) << (8 * i);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::u16string FormulaBlock::cachedText() const {
    if (textAt == TextAt::None) return {};
    ByteReader in(text.body);
    std::size_t cch = in.u16();
    bool wide = !narrowText && (in.u8() & 0x01);
    std::u16string out;
    appendChars(out, in, cch, wide);
    // Text carried on in CONTINUE records restates its width in each one's first byte.
    for (const auto& part : text.continues) {
        if (out.size() >= cch) break;
        ByteReader more(part);
        wide = more.u8() & 0x01;
        appendChars(out, more, cch, wide);
    }
    return out;
}

// PtgExp and PtgTbl share a layout: the id, then the row and column of a cell.
std::optional<std::pair<std::uint16_t, std::uint16_t>> FormulaBlock::anchorOf(std::uint8_t ptg) const {
    if (expression.size() < kPtgExpEnd || expression[kPtgExpAt] != ptg) return std::nullopt;
    ByteReader in(expression.data() + kPtgExpAt + 1, expression.size() - kPtgExpAt - 1);
    std::uint16_t row = in.u16();
    std::uint16_t col = in.u16();
    return std::pair{row, col};
}

std::optional<std::pair<std::uint16_t, std::uint16_t>> FormulaBlock::sharedAnchor() const { return anchorOf(kPtgExp); }

std::optional<std::pair<std::uint16_t, std::uint16_t>> FormulaBlock::tableAnchor() const { return anchorOf(kPtgTbl); }

void FormulaBlock::setSharedAnchor(std::uint16_t row, std::uint16_t col) {
    if (!sharedAnchor()) return;
    std::vector<std::uint8_t> fields;
    putLittle(fields, row, 2);
    putLittle(fields, col, 2);
    std::copy(fields.begin(), fields.end(), expression.begin() + kPtgExpAt + 1);
}

std::optional<SharedRange> FormulaBlock::sharedRange() const {
    if (!shrFmla) return std::nullopt;
    ByteReader in(shrFmla->body);
    SharedRange range{in.u16(), in.u16(), in.u8(), in.u8()};
    if (!in.ok()) return std::nullopt;
    return range;
}

FormulaBlock FormulaBlock::read(const Record& first, RecordReader& records, bool old) {
    FormulaBlock block;
    Record formula = first;
    if (first.body.size() == kPrefixSize) {
        block.prefix = RawRecord{first.id, {first.body.begin(), first.body.end()}, {}};
        if (!nextIs(records, RecordId::Formula)) throw xlerror("error in record FormulaBlock");
        formula = records.next();
    }
    if (formula.body.size() < kMinFormulaSize) throw xlerror("Formula size is incorrect");
    ByteReader in = formula.reader();
    block.at = CellPos{in.u16(), in.u16(), in.u16()};
    auto result = in.bytes(block.result.size());
    std::copy(result.begin(), result.end(), block.result.begin());
    block.flags = in.u16();
    block.chn = in.u32();
    auto expression = in.bytes(in.remaining());
    block.expression.assign(expression.begin(), expression.end());
    block.narrowText = old;

    if (block.resultType() == FormulaResult::String && nextIs(records, RecordId::String)) {
        block.text = takeNext(records);
        block.textAt = TextAt::AfterFormula;
    }
    if (nextIs(records, RecordId::Array) || nextIs(records, RecordId::Table))
        block.arrayOrTable = takeNext(records);
    else if (nextIs(records, RecordId::ShrFmla))
        block.shrFmla = takeNext(records);
    if (nextIs(records, RecordId::String)) {
        block.text = takeNext(records);
        block.textAt = TextAt::AfterCompanions;
    }
    return block;
}

void FormulaBlock::write(RecordWriter& out) const {
    // The marker is written under the id that such a 2-byte marker has.
    if (prefix) out.record(RecordId::Uncalced, prefix->body);
    std::vector<std::uint8_t> body;
    body.reserve(kFormulaFixedSize + expression.size());
    putLittle(body, at.row, 2);
    putLittle(body, at.col, 2);
    putLittle(body, at.xf, 2);
    body.insert(body.end(), result.begin(), result.end());
    putLittle(body, flags | kAlwaysCalc, 2);
    putLittle(body, chn, 4);
    body.insert(body.end(), expression.begin(), expression.end());
    out.record(RecordId::Formula, body);
    if (textAt == TextAt::AfterFormula) text.write(out);
    if (arrayOrTable) arrayOrTable->write(out);
    if (shrFmla) shrFmla->write(out);
    if (textAt == TextAt::AfterCompanions) text.write(out);
}

} // namespace karvo
