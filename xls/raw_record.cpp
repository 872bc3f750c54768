// raw_record.cpp - keeping and writing back uninterpreted records.
#include "xls/raw_record.h"

namespace karvo {

RawRecord RawRecord::take(const Record& record, RecordReader& records) {
    RawRecord raw{record.id, {record.body.begin(), record.body.end()}, {}};
    while (records.peekId() == karvo::raw(RecordId::Continue)) {
        Record next = records.next();
        raw.continues.emplace_back(next.body.begin(), next.body.end());
    }
    return raw;
}

void RawRecord::write(RecordWriter& out) const {
    out.record(id, body);
    for (const auto& part : continues) out.record(RecordId::Continue, part);
}

} // namespace karvo
