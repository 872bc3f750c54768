// bound_sheet.cpp - reading and writing BoundSheet8.
#include "xls/bound_sheet.h"

#include "core/xlerror.h"
#include "xls/biff_strings.h"

namespace karvo {

BoundSheet8 BoundSheet8::read(const Record& record, std::uint16_t biffVersion) {
    ByteReader in = record.reader();
    BoundSheet8 entry;
    entry.position = in.u32();
    entry.visibility = in.u8();
    entry.type = in.u8();
    entry.name = readShortString(in, biffVersion <= 0x0500 ? ShortForm::Count8NoFlags : ShortForm::Count8);
    if (!in.ok()) throw xlerror("BoundSheet8 size is incorrect");
    return entry;
}

std::size_t BoundSheet8::write(RecordWriter& out, std::u16string_view currentName) const {
    out.header(RecordId::BoundSheet8, 6 + shortStringSize(currentName, ShortForm::Count8));
    std::size_t positionField = out.position();
    out.u32(0);
    out.u8(visibility);
    out.u8(type);
    writeShortString(out, currentName, ShortForm::Count8);
    return positionField;
}

} // namespace karvo
