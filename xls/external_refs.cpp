// external_refs.cpp - reading and writing external-reference groups.
#include "xls/external_refs.h"

#include "core/xlerror.h"

namespace karvo {
namespace {

constexpr std::size_t kXtiSize = 6;

bool belongsToGroup(std::uint16_t id) {
    switch (static_cast<RecordId>(id)) {
    case RecordId::SupBook:
    case RecordId::ExternName:
    case RecordId::XCT:
    case RecordId::CRN:
    case RecordId::ExternSheet:
    case RecordId::Continue:
        return true;
    default:
        return false;
    }
}

std::vector<Xti> readExternSheet(const Record& record, RecordReader& records) {
    ContinueReader in(records, record.reader());
    if (in.left() < 2) throw xlerror("error in record ExternSheet");
    std::uint16_t count = in.u16();
    if (count > in.available() / kXtiSize) throw xlerror("error in record ExternSheet");
    std::vector<Xti> list;
    list.reserve(count);
    auto field = [&] {
        if (in.atEnd()) throw xlerror("error in XTI");
        return in.u16();
    };
    for (std::uint16_t i = 0; i < count; ++i) {
        Xti xti;
        xti.supBook = field();
        xti.firstSheet = field();
        xti.lastSheet = field();
        list.push_back(xti);
    }
    return list;
}

} // namespace

ExternalGroup ExternalGroup::read(const Record& supBook, RecordReader& records) {
    ExternalGroup group;
    RawRecord first = RawRecord::take(supBook, records);
    group.supBook = std::move(first.body);
    for (auto& part : first.continues) group.records.push_back(RawRecord{raw(RecordId::Continue), std::move(part), {}});
    while (auto id = records.peekId()) {
        if (!belongsToGroup(*id)) break;
        Record record = records.next();
        if (record.is(RecordId::ExternSheet)) {
            group.hasExternSheet = true;
            group.xti = readExternSheet(record, records);
        } else {
            group.records.push_back(RawRecord::take(record, records));
        }
    }
    return group;
}

void ExternalGroup::write(RecordWriter& out) const {
    out.record(RecordId::SupBook, supBook);
    for (const RawRecord& record : records) record.write(out);
    if (!hasExternSheet) return;
    // No XTI may be split across a CONTINUE boundary.
    ContinueWriter group(out, RecordId::ExternSheet);
    group.u16(static_cast<std::uint16_t>(xti.size()));
    for (const Xti& entry : xti) {
        group.reserve(kXtiSize);
        group.u16(entry.supBook);
        group.u16(entry.firstSheet);
        group.u16(entry.lastSheet);
    }
    group.finish();
}

} // namespace karvo
