// xls_fuzz.cpp - libFuzzer target: the compound file reader, the record walk and the BIFF strings.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/xlerror.h"
#include "xls/biff_strings.h"
#include "xls/compound_file.h"
#include "xls/xls.h"

using namespace karvo;

namespace {

// A string read and written back must read the same again; anything else is a
// writer or reader fault that no exception would show.
void roundTrip(const RichString& s) {
    RecordWriter out;
    ContinueWriter group(out, RecordId::SST);
    writeRichString(group, s);
    group.finish();
    RecordReader records(out.stream());
    Record first = records.next();
    ContinueReader in(records, first.reader());
    if (!(readRichString(in) == s) || !in.atEnd()) std::abort();
}

// Reads up to `count` rich strings from `record` on, as the shared string table does,
// with records of their own: the walk goes on from `record`.
void readStrings(std::span<const std::uint8_t> stream, const Record& record, std::size_t skip, std::size_t count) {
    RecordReader records(stream);
    records.seek(record.offset + RecordReader::kHeaderSize + record.body.size());
    ByteReader body = record.reader();
    body.skip(skip);
    if (!body.ok()) return;
    ContinueReader in(records, body);
    try {
        for (std::size_t i = 0; i < count && !in.atEnd(); ++i) roundTrip(readRichString(in));
    } catch (const xlerror&) {
    }
}

void walk(std::span<const std::uint8_t> stream) {
    RecordReader records(stream);
    while (!records.atEnd()) {
        Record r = records.next();
        for (ShortForm form : {ShortForm::Count16, ShortForm::Count8, ShortForm::Count16NoFlags, ShortForm::Count8NoFlags}) {
            ByteReader body = r.reader();
            readShortString(body, form);
        }
        // The SST is read whole (its count is only an upper bound: the records decide);
        // every other record is tried as the start of one string.
        if (r.is(RecordId::SST))
            readStrings(stream, r, 8, SIZE_MAX);
        else
            readStrings(stream, r, 0, 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> input(data, size);
    try {
        std::vector<std::uint8_t> copy;
        walk(readWorkbookStream(input, copy));
    } catch (const xlerror&) {
    }
    // The same bytes taken as a bare workbook stream reach the record and string code
    // even when they are no compound file.
    walk(input);
    return 0;
}
