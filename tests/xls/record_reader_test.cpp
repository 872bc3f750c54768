// record_reader_test.cpp - walking records, marks, the end of the data and CONTINUE-aware reads.
#include "xls/record_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/xlerror.h"
#include "support/error_of.h"

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::errorOf;

// BOF, an empty InterfaceEnd, CodePage 1200, EOF.
const Bytes kStream = {
    0x09, 0x08, 0x04, 0x00, 0x00, 0x06, 0x05, 0x00, // BOF, 4 bytes: vers 0x0600, dt 5
    0xE2, 0x00, 0x00, 0x00,                         // InterfaceEnd, empty
    0x42, 0x00, 0x02, 0x00, 0xB0, 0x04,             // CodePage, 2 bytes: 1200
    0x0A, 0x00, 0x00, 0x00,                         // EOF
};

TEST(RecordReader, WalksIdsBodiesAndOffsets) {
    RecordReader in(kStream);
    Record bof = in.next();
    EXPECT_TRUE(bof.is(RecordId::BOF));
    EXPECT_EQ(bof.offset, 0u);
    EXPECT_EQ(bof.body.size(), 4u);
    ByteReader fields = bof.reader();
    EXPECT_EQ(fields.u16(), 0x0600);
    EXPECT_EQ(fields.u16(), 5);
    EXPECT_TRUE(fields.ok());
    fields.u8(); // past the body: the handler's one check catches it
    EXPECT_FALSE(fields.ok());

    Record end = in.next();
    EXPECT_EQ(end.id, 0x00E2);
    EXPECT_TRUE(end.body.empty());
    EXPECT_EQ(end.offset, 8u);
    Record cp = in.next();
    EXPECT_EQ(cp.offset, 12u);
    EXPECT_EQ(cp.reader().u16(), 1200);
    EXPECT_FALSE(in.atEnd());
    EXPECT_TRUE(in.next().is(RecordId::EOF_));
    EXPECT_TRUE(in.atEnd());
    EXPECT_EQ(in.position(), kStream.size());
    EXPECT_EQ(errorOf([&] { in.next(); }), "read error: unexpected end of the workbook stream");
}

TEST(RecordReader, PeekAndRestore) {
    RecordReader in(kStream);
    EXPECT_EQ(in.peekId(), 0x0809);
    EXPECT_EQ(in.peekId(), 0x0809); // peeking consumes nothing
    in.next();
    std::size_t mark = in.position();
    EXPECT_EQ(in.next().id, 0x00E2);
    EXPECT_EQ(in.next().id, 0x0042);
    in.seek(mark);
    EXPECT_EQ(in.next().id, 0x00E2); // read again after the restore
    in.seek(kStream.size());
    EXPECT_EQ(in.peekId(), std::nullopt);
    EXPECT_EQ(errorOf([&] { in.seek(kStream.size() + 1); }), "read error: position is outside the workbook stream");
}

TEST(RecordReader, EndOfDataCases) {
    // Sector padding after the last record walks as empty records of id 0.
    const Bytes padding = {0x0A, 0x00, 0x00, 0x00, 0, 0, 0, 0};
    RecordReader padded(padding);
    padded.next();
    EXPECT_FALSE(padded.atEnd());
    EXPECT_EQ(padded.next().id, 0);

    // Fewer bytes than a header.
    const Bytes strayBytes = {0x0A, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
    RecordReader stray(strayBytes);
    stray.next();
    EXPECT_TRUE(stray.atEnd());

    // A header whose body runs past the end: the data ends before it.
    const Bytes truncated = {
        0x0A, 0x00, 0x00, 0x00, // EOF
        0xFF, 0xFF, 0x0A, 0x00, // id 0xFFFF, 10 bytes declared ...
        1, 2, 3, 4,             // ... 4 present
    };
    RecordReader cut(truncated);
    cut.next();
    EXPECT_TRUE(cut.atEnd());
    EXPECT_EQ(cut.peekId(), std::nullopt); // not a record
    EXPECT_EQ(errorOf([&] { cut.next(); }), "read error: unexpected end of the workbook stream");

    // The body may end exactly at the end of the stream.
    Bytes exact(truncated.begin(), truncated.end());
    exact[6] = 4;
    RecordReader whole(exact);
    whole.next();
    EXPECT_EQ(whole.next().body.size(), 4u);
    EXPECT_TRUE(whole.atEnd());

    EXPECT_TRUE(RecordReader().atEnd());
}

// --- CONTINUE-aware reads ------------------------------------------------------

// A record of 3 bytes whose u16 and u32 fields straddle two CONTINUE records.
const Bytes kSplit = {
    0x17, 0x00, 0x03, 0x00, 0x02, 0x00, 0x34, // ExternSheet: u16 2, then the low byte of 0x1234
    0x3C, 0x00, 0x02, 0x00, 0x12, 0x78,       // CONTINUE: its high byte, then byte 0 of 0x12345678
    0x3C, 0x00, 0x00, 0x00,                   // an empty CONTINUE
    0x3C, 0x00, 0x03, 0x00, 0x56, 0x34, 0x12, // CONTINUE: bytes 1-3
    0x0A, 0x00, 0x00, 0x00,                   // EOF
};

TEST(ContinueReader, ValuesStraddlingRecords) {
    RecordReader records(kSplit);
    Record first = records.next();
    ContinueReader in(records, first.reader());
    EXPECT_EQ(in.left(), 3u);
    EXPECT_EQ(in.u16(), 2);
    EXPECT_EQ(in.u16(), 0x1234);
    EXPECT_EQ(in.left(), 1u);
    EXPECT_EQ(in.u32(), 0x12345678u); // across the empty CONTINUE as well
    EXPECT_EQ(in.left(), 0u);
    EXPECT_TRUE(in.atEnd());
    // The CONTINUE records were consumed; the loop carries on at EOF.
    EXPECT_EQ(records.next().id, 0x000A);
}

TEST(ContinueReader, MissingContinueRecord) {
    RecordReader records(kSplit);
    ContinueReader in(records, records.next().reader());
    in.u16();
    in.u16();
    in.u32();
    // The next record is EOF, not CONTINUE.
    EXPECT_EQ(errorOf([&] { in.u16(); }), "readInt16: CONTINUE record not found");
    EXPECT_EQ(errorOf([&] { in.u32(); }), "readInt32: CONTINUE record not found");
    EXPECT_EQ(errorOf([&] { in.u8("custom message"); }), "custom message");
    EXPECT_EQ(errorOf([&] { in.continueIfExhausted("no more"); }), "no more");
    EXPECT_EQ(records.peekId(), 0x000A); // left unread

    // The same at the very end of the stream.
    const Bytes alone = {0x17, 0x00, 0x01, 0x00, 0x07};
    RecordReader end(alone);
    ContinueReader last(end, end.next().reader());
    EXPECT_EQ(errorOf([&] { last.u16(); }), "readInt16: CONTINUE record not found");
}

TEST(ContinueReader, TakeStaysInTheCurrentRecord) {
    RecordReader records(kSplit);
    ContinueReader in(records, records.next().reader());
    EXPECT_EQ(in.take(100).size(), 3u);
    EXPECT_EQ(in.take(100).size(), 0u);
    EXPECT_FALSE(in.atEnd()); // a CONTINUE record follows
    EXPECT_EQ(in.available(), kSplit.size() - 7);
    in.continueIfExhausted("x");
    EXPECT_EQ(in.left(), 2u);
    in.continueIfExhausted("x"); // bytes left: stays
    EXPECT_EQ(in.left(), 2u);
}

// Hands out the bytes of a stream as a file would, counting its reads; a read that
// reaches `failFrom` fails.
class CountingSource : public StreamSource {
public:
    explicit CountingSource(const Bytes& stream) : stream_(stream) {}
    void read(std::size_t offset, std::uint8_t* to, std::size_t n) override {
        ++reads;
        if (offset + n > failFrom) throw xlerror("read failed");
        std::copy_n(stream_.data() + offset, n, to);
    }
    int reads = 0;
    std::size_t failFrom = SIZE_MAX;

private:
    const Bytes& stream_;
};

void appendRecord(Bytes& out, std::uint16_t id, std::size_t size, std::uint8_t seed) {
    out.push_back(id & 0xFF);
    out.push_back(id >> 8);
    out.push_back(size & 0xFF);
    out.push_back(static_cast<std::uint8_t>(size >> 8));
    for (std::size_t i = 0; i < size; ++i) out.push_back(static_cast<std::uint8_t>(seed + i * 7));
}

// Several windows' worth of records of every size, the largest body among them, so
// that records straddle the borders of the windows.
Bytes largeStream() {
    const std::size_t sizes[] = {0, 1, 7, 8224, 0xFFFF, 300};
    Bytes out;
    for (std::uint16_t i = 0; out.size() < (std::size_t(5) << 20); ++i)
        appendRecord(out, static_cast<std::uint16_t>(i % 0x1000 + 1), sizes[i % 6], static_cast<std::uint8_t>(i));
    return out;
}

TEST(WindowedRecordReader, WalksAsTheReaderOverMemoryDoes) {
    const Bytes stream = largeStream();
    CountingSource source(stream);
    RecordReader windowed(source, stream.size()), whole(stream);
    std::size_t records = 0;
    while (!whole.atEnd()) {
        ASSERT_FALSE(windowed.atEnd());
        EXPECT_EQ(windowed.peekId(), whole.peekId());
        windowed.release();
        Record a = windowed.next(), b = whole.next();
        ASSERT_EQ(a.offset, b.offset);
        ASSERT_EQ(a.id, b.id);
        ASSERT_TRUE(std::equal(a.body.begin(), a.body.end(), b.body.begin(), b.body.end())) << "at " << a.offset;
        ++records;
    }
    EXPECT_TRUE(windowed.atEnd());
    EXPECT_GT(records, 400u);
    EXPECT_LT(source.reads, 10); // a window at a time, not a read per record

    // Back to a record of the first window, and on from there.
    windowed.seek(0);
    whole.seek(0);
    EXPECT_EQ(windowed.next().body.size(), whole.next().body.size());
    EXPECT_EQ(errorOf([&] { windowed.seek(stream.size() + 1); }), "read error: position is outside the workbook stream");
}

TEST(WindowedRecordReader, RecordsSinceReleaseStayReadableAcrossWindows) {
    const Bytes stream = largeStream();
    CountingSource source(stream);
    RecordReader in(source, stream.size());
    std::vector<Record> held;
    while (!in.atEnd() && in.position() < (std::size_t(9) << 19)) held.push_back(in.next());
    for (const Record& r : held) {
        auto original = std::span<const std::uint8_t>(stream).subspan(r.offset + RecordReader::kHeaderSize, r.body.size());
        ASSERT_TRUE(std::equal(r.body.begin(), r.body.end(), original.begin(), original.end())) << "at " << r.offset;
    }
    in.release();
    std::size_t at = in.position();
    Record next = in.next();
    EXPECT_EQ(next.offset, at);
    EXPECT_EQ(next.body.size(), std::size_t(stream[at + 2] | stream[at + 3] << 8));
}

// A group that spans many windows reads the same bytes whether the records it steps
// out of stay readable or give their windows up to the records after them. Kept, the
// first of them still holds its bytes at the end; released, its window has taken
// later bytes (it is looked at here only to see that).
TEST(WindowedRecordReader, ContinueGroupLongerThanAWindow) {
    Bytes stream;
    appendRecord(stream, raw(RecordId::SST), 8, 1);
    for (int i = 0; i < 100; ++i) appendRecord(stream, raw(RecordId::Continue), 0xFFFF, static_cast<std::uint8_t>(i));
    appendRecord(stream, raw(RecordId::EOF_), 0, 0);
    auto original = [&](std::size_t at) { return std::span<const std::uint8_t>(stream).subspan(at, 0xFFFF); };
    auto same = [](std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    };
    for (auto past : {ContinueReader::Past::Kept, ContinueReader::Past::Released}) {
        CountingSource source(stream);
        RecordReader in(source, stream.size());
        Record sst = in.next();
        ContinueReader group(in, sst.reader(), past);
        group.take(SIZE_MAX);
        std::span<const std::uint8_t> first;
        for (int i = 0; i < 100; ++i) {
            group.continueIfExhausted("no more");
            const std::size_t at = in.position() - 0xFFFF;
            auto body = group.take(SIZE_MAX);
            ASSERT_TRUE(same(body, original(at))) << i;
            if (i == 0) first = body;
        }
        EXPECT_EQ(same(first, original(16)), past == ContinueReader::Past::Kept);
        EXPECT_TRUE(group.atEnd());
        EXPECT_TRUE(in.next().is(RecordId::EOF_));
        EXPECT_TRUE(in.atEnd());
    }
}

TEST(WindowedRecordReader, SourceFailureReachesTheCaller) {
    const Bytes stream = largeStream();
    CountingSource source(stream);
    source.failFrom = std::size_t(3) << 20;
    RecordReader in(source, stream.size());
    std::string failure;
    try {
        while (!in.atEnd()) {
            in.release();
            in.next();
        }
    } catch (const xlerror& e) {
        failure = e.what();
    }
    EXPECT_EQ(failure, "read failed");
    EXPECT_LT(in.position(), std::size_t(3) << 20);
}

TEST(RecordId, NamesForMessages) {
    EXPECT_EQ(recordName(0x000A), "EOF"); // the enumerator's underscore is not part of the name
    EXPECT_EQ(recordName(RecordId::BoundSheet8), "BoundSheet8");
    EXPECT_EQ(recordName(0x003C), "Continue");
    EXPECT_EQ(recordName(0x0001), "");
    static_assert(raw(RecordId::SST) == 0x00FC && raw(RecordId::BOF) == 0x0809);
}

} // namespace
} // namespace karvo
