// compound_file_test.cpp - reading hand-built compound files (and broken copies), and the writer's layout.
#include "xls/compound_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/utf_convert.h"
#include "core/xlerror.h"
#include "support/error_of.h"
#include "xls/xls.h"

namespace karvo {
namespace {

using testing::errorOf;

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t FREE = 0xFFFFFFFF, EOC = 0xFFFFFFFE, FATSECT = 0xFFFFFFFD;

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = v & 0xFF;
    b[at + 1] = v >> 8;
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}
void put64(Bytes& b, std::size_t at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}
std::uint16_t get16(const Bytes& b, std::size_t at) { return b[at] | b[at + 1] << 8; }
std::uint32_t get32(const Bytes& b, std::size_t at) { return get16(b, at) | std::uint32_t(get16(b, at + 2)) << 16; }
std::uint64_t get64(const Bytes& b, std::size_t at) { return get32(b, at) | std::uint64_t(get32(b, at + 4)) << 32; }

// A compound file described field by field; bytes() lays it out. Independent of the
// code under test on purpose: it is what a producer would write.
struct TestFile {
    std::uint16_t sectorShift = 9;
    std::uint16_t miniSectorShift = 6;
    std::uint32_t numFatSectors = 1;
    std::uint32_t firstDirSector = 1;
    std::uint32_t firstMiniFatSector = EOC;
    std::uint32_t numMiniFatSectors = 0;
    std::uint32_t firstDifatSector = EOC;
    std::uint32_t numDifatSectors = 0;
    std::vector<std::uint32_t> headerDifat = {0}; // the rest of the 109 are FREE
    std::vector<Bytes> sectors;                    // sector n is sectors[n]

    std::size_t sectorSize() const { return std::size_t(1) << sectorShift; }

    Bytes bytes() const {
        // The header occupies the first sector (512 bytes of it are used).
        Bytes b(sectorSize() * (sectors.size() + 1), 0);
        const std::uint8_t signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        std::memcpy(b.data(), signature, 8);
        put16(b, 24, 0x003E);            // minor version
        put16(b, 26, sectorShift == 12 ? 4 : 3); // major version
        put16(b, 28, 0xFFFE);            // byte order
        put16(b, 30, sectorShift);
        put16(b, 32, miniSectorShift);
        put32(b, 44, numFatSectors);
        put32(b, 48, firstDirSector);
        put32(b, 56, 4096);              // mini stream cut-off
        put32(b, 60, firstMiniFatSector);
        put32(b, 64, numMiniFatSectors);
        put32(b, 68, firstDifatSector);
        put32(b, 72, numDifatSectors);
        for (std::size_t i = 0; i < 109; ++i) put32(b, 76 + 4 * i, i < headerDifat.size() ? headerDifat[i] : FREE);
        for (std::size_t n = 0; n < sectors.size(); ++n) {
            EXPECT_LE(sectors[n].size(), sectorSize());
            std::memcpy(b.data() + (n + 1) * sectorSize(), sectors[n].data(), sectors[n].size());
        }
        return b;
    }
};

Bytes u32Sector(std::size_t sectorSize, std::vector<std::uint32_t> entries, std::uint32_t fill = FREE) {
    Bytes b(sectorSize, 0);
    entries.resize(sectorSize / 4, fill);
    for (std::size_t i = 0; i < entries.size(); ++i) put32(b, 4 * i, entries[i]);
    return b;
}

struct Entry {
    std::u16string name;
    std::uint8_t type;
    std::uint32_t start;
    std::uint64_t size;
};

Bytes dirSector(std::size_t sectorSize, const std::vector<Entry>& entries) {
    Bytes b(sectorSize, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::size_t at = 128 * i;
        const Entry& e = entries[i];
        for (std::size_t c = 0; c < e.name.size(); ++c) put16(b, at + 2 * c, e.name[c]);
        put16(b, at + 64, static_cast<std::uint16_t>((e.name.size() + 1) * 2)); // name length, zero included
        b[at + 66] = e.type;
        b[at + 67] = 1;                                                          // colour
        put32(b, at + 68, FREE);                                                 // left sibling
        put32(b, at + 72, FREE);                                                 // right sibling
        put32(b, at + 76, e.type == 5 ? 1 : FREE);                               // child
        put32(b, at + 116, e.start);
        put64(b, at + 120, e.size);
    }
    return b;
}

// The workbook stream of the test files: a tell-tale pattern, recognisable anywhere.
Bytes pattern(std::size_t n, std::uint8_t seed = 0) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + seed + i / 251);
    return b;
}

Bytes slice(const Bytes& b, std::size_t from, std::size_t n) { return Bytes(b.begin() + from, b.begin() + from + n); }

// The valid file the broken variants start from: 512-byte sectors; sector 0 the FAT,
// sector 1 the directory, sectors 2-9 a 4096-byte "Workbook" stream.
TestFile base() {
    TestFile f;
    f.sectors.push_back(u32Sector(512, {FATSECT, EOC, 3, 4, 5, 6, 7, 8, 9, EOC}));
    f.sectors.push_back(dirSector(512, {{u"Root Entry", 5, EOC, 0}, {u"Workbook", 2, 2, 4096}}));
    Bytes stream = pattern(4096);
    for (std::size_t n = 0; n < 8; ++n) f.sectors.push_back(slice(stream, 512 * n, 512));
    return f;
}

// Equal, or where they first differ: a failure names one offset, not two dumps.
void expectSameBytes(const Bytes& actual, const Bytes& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin());
    EXPECT_TRUE(a == actual.end()) << "first difference at byte " << (a - actual.begin()) << ": " << int(*a)
                                   << " instead of " << int(*e);
}

void expectFailure(const Bytes& file, const std::string& message) {
    EXPECT_EQ(errorOf([&] { readWorkbookStream(file); }), message);
}

// --- reading: the valid layouts --------------------------------------------------

TEST(CompoundFileRead, BaseFileDeliversTheWholeChain) {
    EXPECT_EQ(readWorkbookStream(base().bytes()), pattern(4096));
}

TEST(CompoundFileRead, StreamNameMatchesWithoutRegardToCase) {
    for (std::u16string name : {u"BOOK", u"Book", u"workbook", u"WORKBOOK"}) {
        TestFile f = base();
        f.sectors[1] = dirSector(512, {{u"Root Entry", 5, EOC, 0}, {name, 2, 2, 4096}});
        EXPECT_EQ(readWorkbookStream(f.bytes()), pattern(4096)) << std::string(name.begin(), name.end());
    }
}

TEST(CompoundFileRead, AWorkbookStreamWinsOverAnOldBookStream) {
    TestFile f = base();
    // "Book" (sectors 2-9) stands first in the directory, "Workbook" (sectors 4-9) after it.
    f.sectors[1] = dirSector(512, {{u"Root Entry", 5, EOC, 0}, {u"Book", 2, 2, 4096}, {u"Workbook", 2, 4, 4096}});
    EXPECT_EQ(readWorkbookStream(f.bytes()), slice(pattern(4096), 1024, 3072));
}

TEST(CompoundFileRead, StoragesAreSkipped) {
    TestFile f = base();
    // A storage called "Workbook" (type 1) is not a stream; "Book" after it is taken.
    f.sectors[1] = dirSector(512, {{u"Root Entry", 5, EOC, 0}, {u"Workbook", 1, 2, 4096}, {u"Book", 2, 4, 4096}});
    Bytes stream = readWorkbookStream(f.bytes());
    EXPECT_EQ(stream, slice(pattern(4096), 1024, 3072)); // sectors 4-9
}

TEST(CompoundFileRead, FourKilobyteSectors) {
    TestFile f;
    f.sectorShift = 12;
    f.sectors.push_back(u32Sector(4096, {FATSECT, EOC, 3, EOC, EOC}));
    f.sectors.push_back(dirSector(4096, {{u"Root Entry", 5, EOC, 0}, {u"Workbook", 2, 2, 8192}, {u"Book", 2, 4, 4096}}));
    f.sectors.push_back(pattern(4096, 1));
    f.sectors.push_back(pattern(4096, 2));
    f.sectors.push_back(pattern(4096, 3));
    Bytes file = f.bytes();
    ASSERT_EQ(file.size(), 6u * 4096); // sector n at (n + 1) x 4096
    Bytes expected = pattern(4096, 1);
    Bytes second = pattern(4096, 2);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(readWorkbookStream(file), expected);

    // A one-sector stream starts on an end-of-chain FAT entry and is read as it is.
    f.sectors[1] = dirSector(4096, {{u"Root Entry", 5, EOC, 0}, {u"Book", 2, 4, 4096}});
    EXPECT_EQ(readWorkbookStream(f.bytes()), pattern(4096, 3));
}

TEST(CompoundFileRead, SmallStreamComesFromTheMiniStream) {
    // Sector 2 holds the mini stream (the root entry's data): four 64-byte mini
    // sectors. Sector 3 is the MiniFAT: the workbook is mini sectors 1 -> 3 -> 0.
    TestFile f;
    f.firstMiniFatSector = 3;
    f.numMiniFatSectors = 1;
    f.sectors.push_back(u32Sector(512, {FATSECT, EOC, EOC, EOC}));
    f.sectors.push_back(dirSector(512, {{u"Root Entry", 5, 2, 256}, {u"Workbook", 2, 1, 150}}));
    Bytes mini = pattern(256);
    f.sectors.push_back(mini);
    f.sectors.push_back(u32Sector(512, {EOC, 3, FREE, 0}));
    Bytes expected = slice(mini, 64, 64);
    Bytes three = slice(mini, 192, 64), zero = slice(mini, 0, 64);
    expected.insert(expected.end(), three.begin(), three.end());
    expected.insert(expected.end(), zero.begin(), zero.end());
    Bytes file = f.bytes();
    EXPECT_EQ(readWorkbookStream(file), expected);

    // The same MiniFAT kept in sector 0, which the header then counts.
    TestFile g = f;
    std::swap(g.sectors[0], g.sectors[3]);
    g.sectors[3] = u32Sector(512, {EOC, EOC, EOC, FATSECT});
    g.headerDifat = {3};
    g.firstMiniFatSector = 0;
    EXPECT_EQ(readWorkbookStream(g.bytes()), expected);

    // A mini chain that leaves the MiniFAT.
    f.sectors[3] = u32Sector(512, {EOC, 200, FREE, 0});
    expectFailure(f.bytes(), "Xls::read(): mini sector #200 is not found in _minifat");
    // ... or the mini stream.
    f.sectors[3] = u32Sector(512, {EOC, 100, FREE, 0}, EOC);
    expectFailure(f.bytes(), "Xls::read(): mini sector #100 is beyond the end of the mini stream");
    // ... or loops.
    f.sectors[3] = u32Sector(512, {EOC, 3, FREE, 1});
    expectFailure(f.bytes(), "Xls::read(): mini sector #1 appears twice in one chain");
}

TEST(CompoundFileRead, StartSectorOnFatBookkeepingMovesOn) {
    // The directory points at sector 0 (the FAT) and sector 1 (end of the directory
    // chain); the stream is read from sector 2, the first ordinary sector.
    TestFile f = base();
    f.sectors[1] = dirSector(512, {{u"Root Entry", 5, EOC, 0}, {u"Workbook", 2, 0, 4096}});
    EXPECT_EQ(readWorkbookStream(f.bytes()), pattern(4096));
}

TEST(CompoundFileRead, CutShortLastSectorGivesWhatIsThere) {
    Bytes file = base().bytes();
    file.resize(file.size() - 100);
    EXPECT_EQ(readWorkbookStream(file), slice(pattern(4096), 0, 3996));
}

// A file on disk is read in pieces (its stream a window at a time where it lies in
// one piece, else gathered); every layout gives the records it gives from memory.
TEST(CompoundFileRead, AFileOnDiskReadsAsTheSameBytesInMemory) {
    TestFile scattered = base();
    scattered.sectors[0] = u32Sector(512, {FATSECT, EOC, 5, 4, 6, 3, 7, 8, 9, EOC});
    TestFile cutShort = base();
    TestFile mini;
    mini.firstMiniFatSector = 3;
    mini.numMiniFatSectors = 1;
    mini.sectors.push_back(u32Sector(512, {FATSECT, EOC, EOC, EOC}));
    mini.sectors.push_back(dirSector(512, {{u"Root Entry", 5, 2, 256}, {u"Workbook", 2, 1, 150}}));
    mini.sectors.push_back(pattern(256));
    mini.sectors.push_back(u32Sector(512, {EOC, 3, FREE, 0}));
    const std::pair<const char*, Bytes> layouts[] = {
        {"in one piece", base().bytes()},
        {"scattered", scattered.bytes()},
        {"cut short", [&] { Bytes b = cutShort.bytes(); b.resize(b.size() - 100); return b; }()},
        {"in the mini stream", mini.bytes()},
    };
    const std::string path = ::testing::TempDir() + "karvo-compound-layout.bin";
    for (const auto& [name, file] : layouts) {
        SCOPED_TRACE(name);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
        Xls fromDisk = Xls::openFile(utf8ToUtf16(path).c_str(), "can't open file for reading");
        const Bytes stream = readWorkbookStream(file);
        RecordReader fromMemory(stream);
        RecordReader& in = fromDisk.in();
        ASSERT_EQ(in.size(), stream.size());
        while (!fromMemory.atEnd()) {
            ASSERT_FALSE(in.atEnd());
            in.release();
            Record a = in.next(), b = fromMemory.next();
            ASSERT_EQ(a.offset, b.offset);
            ASSERT_EQ(a.id, b.id);
            ASSERT_TRUE(std::equal(a.body.begin(), a.body.end(), b.body.begin(), b.body.end()));
        }
        EXPECT_TRUE(in.atEnd());
    }
    std::remove(path.c_str());
    EXPECT_EQ(errorOf([&] { Xls::openFile(utf8ToUtf16(path).c_str(), "can't open file for reading"); }),
              "can't open file for reading");
}

TEST(CompoundFileRead, DifatSectorsListFatSectors) {
    // The FAT lives in sector 11 and is listed only in the DIFAT sector 10.
    TestFile f = base();
    f.headerDifat = {};
    f.firstDifatSector = 10;
    f.numDifatSectors = 1;
    f.sectors.push_back(u32Sector(512, {11, FREE}, FREE));
    put32(f.sectors.back(), 508, EOC); // next DIFAT sector
    f.sectors.push_back(f.sectors[0]);
    f.sectors[0] = Bytes(512, 0xAA); // no longer the FAT
    EXPECT_EQ(readWorkbookStream(f.bytes()), pattern(4096));
}

// --- reading: broken variants --------------------------------------------------

// base() with one thing broken, in its description or in its bytes.
Bytes changed(void (*change)(TestFile&)) {
    TestFile f = base();
    change(f);
    return f.bytes();
}
Bytes damaged(void (*damage)(Bytes&)) {
    Bytes b = base().bytes();
    damage(b);
    return b;
}
// A DIFAT sector (10) the header does not count, ending its chain with `next`.
void addDifatSector(TestFile& f, std::uint32_t next) {
    f.firstDifatSector = 10;
    f.sectors.push_back(u32Sector(512, {}, FREE));
    put32(f.sectors.back(), 508, next);
}
void directory(TestFile& f, std::vector<Entry> entries) { f.sectors[1] = dirSector(512, entries); }

TEST(CompoundFileBroken, EachVariantFailsWithItsMessage) {
    const std::string badSize = "invalid file format: unsupported sector size";
    const struct {
        const char* name;
        Bytes file;
        std::string message;
    } cases[] = {
        {"WrongSignature", damaged([](Bytes& b) { b[0] = 0xD1; }), "invalid file format"},
        {"ThreeBytes", {0xD0, 0xCF, 0x11}, "invalid file format"},
        {"Empty", {}, "invalid file format"},
        {"TruncatedHeader", slice(base().bytes(), 0, 300), "invalid file format: the compound file header is truncated"},
        {"SectorShift0", damaged([](Bytes& b) { put16(b, 30, 0); }), badSize},
        {"SectorShift6", damaged([](Bytes& b) { put16(b, 30, 6); }), badSize},
        {"SectorShift21", damaged([](Bytes& b) { put16(b, 30, 21); }), badSize},
        {"SectorShift64", damaged([](Bytes& b) { put16(b, 30, 64); }), badSize},
        {"SectorShiftFFFF", damaged([](Bytes& b) { put16(b, 30, 0xFFFF); }), badSize},
        {"MiniSectorsLargerThanSectors", damaged([](Bytes& b) { put16(b, 32, 10); }), badSize},
        {"FatChainLoop", changed([](TestFile& f) { f.sectors[0] = u32Sector(512, {FATSECT, EOC, 3, 4, 5, 3}); }),
         "Xls::read(): sector #3 appears twice in one chain"},
        {"FatChainLeavesTheFat",
         changed([](TestFile& f) { f.sectors[0] = u32Sector(512, {FATSECT, EOC, 3, 4, 5, 6, 7, 8, 9, 200}); }),
         "Xls::read(): sector #200 is not found in _fat"},
        {"FreeEntryInsideAChain", changed([](TestFile& f) { f.sectors[0] = u32Sector(512, {FATSECT, EOC, 3, FREE}); }),
         "Xls::read(): sector #4294967295 is not found in _fat"},
        {"FatChainLeavesTheFile",
         changed([](TestFile& f) { f.sectors[0] = u32Sector(512, {FATSECT, EOC, 3, 4, 5, 6, 7, 8, 9, 12, EOC, EOC, EOC}); }),
         "Xls::read(): sector #12 is beyond the end of the file"},
        {"DirectoryOutsideTheFat", changed([](TestFile& f) { f.firstDirSector = 500; }),
         "Xls::loadDir(): sector #500 is not found in _fat"},
        {"DirectoryChainLoop", changed([](TestFile& f) { f.sectors[0] = u32Sector(512, {FATSECT, 1}); }),
         "Xls::loadDir(): sector #1 appears twice in one chain"},
        {"FatCountTooLarge", changed([](TestFile& f) { f.numFatSectors = 2; }),
         "Xls::loadFat(): extract fat sectors (1) not equal _header.numFatSectors (2)"},
        {"FatSectorListedTwice",
         changed([](TestFile& f) {
             f.headerDifat = {0, 0};
             f.numFatSectors = 2;
         }),
         "Xls::loadFat(): sector #0 is listed twice as a fat sector"},
        {"FatSectorBeyondTheFile", changed([](TestFile& f) { f.headerDifat = {300}; }),
         "Xls::loadFat(): sector #300 is beyond the end of the file"},
        {"DifatCountedButAbsent", changed([](TestFile& f) { f.numDifatSectors = 1; }),
         "Xls::loadDifat(): difat chain sectors (0) not equal _header.numDifatSectors (1)"},
        {"DifatSectorNotCounted", changed([](TestFile& f) { addDifatSector(f, EOC); }),
         "Xls::loadDifat(): difat chain contains more sectors than _header.numDifatSectors (0)"},
        // A DIFAT sector linking to itself, with a count too large to stop the walk ...
        {"DifatLoop",
         changed([](TestFile& f) {
             addDifatSector(f, 10);
             f.numDifatSectors = 1000000;
         }),
         "Xls::loadDifat(): sector #10 appears twice in one chain"},
        // ... and with a count of 1, the count stops it first.
        {"DifatLoopStoppedByTheCount",
         changed([](TestFile& f) {
             addDifatSector(f, 10);
             f.numDifatSectors = 1;
         }),
         "Xls::loadDifat(): difat chain contains more sectors than _header.numDifatSectors (1)"},
        {"MiniFatLongerThanCounted", // the chain 2 -> 3 -> ... -> 9 has 8 sectors
         changed([](TestFile& f) {
             f.firstMiniFatSector = 2;
             f.numMiniFatSectors = 3;
         }),
         "error in loading minifat"},
        {"NoWorkbookEntry", changed([](TestFile& f) { directory(f, {{u"Root Entry", 5, EOC, 0}, {u"Sheet", 2, 2, 4096}}); }),
         "Xls::read(): workbook section is not found"},
        {"WorkbookOf4GiB",
         changed([](TestFile& f) { directory(f, {{u"Root Entry", 5, EOC, 0}, {u"Workbook", 2, 2, 1ull << 32}}); }),
         "Xls::read(): workbook stream size is too big"},
        {"WorkbookWithoutSectors",
         changed([](TestFile& f) { directory(f, {{u"Root Entry", 5, EOC, 0}, {u"Workbook", 2, EOC, 4096}}); }),
         "Xls::read(): workbook stream is empty"},
        {"NoRootEntry", changed([](TestFile& f) { directory(f, {{u"Workbook", 2, 0, 100}}); }),
         "Xls::read(): root entry is not found"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectFailure(c.file, c.message);
    }
}

// --- directory entries --------------------------------------------------------

TEST(DirEntry, NameLengthLimit) {
    std::u16string name31(31, u'x');
    EXPECT_NO_THROW(DirEntry(name31, DirEntry::kStream, kNoStream));
    EXPECT_EQ(errorOf([&] { DirEntry(name31 + u"x", DirEntry::kStream, kNoStream); }),
              "DirEntry::DirEntry(): newName is too big (length must be less 32)");
}

TEST(DirEntry, WrittenLayout) {
    const std::u16string name(31, u'x'); // the longest: the terminating zero still fits
    DirEntry e(name, DirEntry::kRoot, 1);
    Bytes b;
    e.write(b);
    // Colour 1, no siblings, child 1, no start sector, size 0; class id, state and times zero.
    expectSameBytes(b, slice(dirSector(512, {{name, 5, EOC, 0}}), 0, 128));

    ByteReader in(b);
    DirEntry back = DirEntry::parse(in);
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(back.name, e.name);
    EXPECT_EQ(back.objectType, 5);
    EXPECT_EQ(back.child, 1u);
}

TEST(DirEntry, ParseClipsABadNameLength) {
    Bytes b = dirSector(512, {{u"Book", 2, 0, 0}});
    put16(b, 64, 0xFFFF);
    ByteReader in(b);
    EXPECT_EQ(DirEntry::parse(in).name, u"Book"); // ends at its zero
    put16(b, 64, 6);
    in = ByteReader(b);
    // Three units. Some producers leave the zero out of the length, so the name is
    // taken up to the length or the first zero, whichever comes first.
    EXPECT_EQ(DirEntry::parse(in).name, u"Boo");
}

// --- writing ------------------------------------------------------------------

TEST(CompoundFileWrite, FatSectorCount) {
    EXPECT_EQ(fatSectorCount(9), 3u);       // a = 1, b = 1: 1 + 1 + 1
    EXPECT_EQ(fatSectorCount(128), 3u);     // a stream of 127 sectors and the directory
    EXPECT_EQ(fatSectorCount(129), 4u);     // a = 2
    EXPECT_EQ(fatSectorCount(16384), 130u); // a = 128, b = 1
    EXPECT_EQ(fatSectorCount(16385), 132u); // a = 129, b = 2
    EXPECT_EQ(fatSectorCount(12801u * 128), 12906u);  // a = 12801, b = 101 (> 100: 3 more)
    EXPECT_EQ(fatSectorCount(16384u * 128), 16516u);  // b = 128: + floor(b / 128), no + 1
}

TEST(CompoundFileWrite, ThreeThousandByteStreamLayout) {
    // Sectors 0-7 the stream padded with zeros to 4096 bytes, 8-10 the FAT (listed in
    // the header), 11 the directory: the layout a producer would write, byte for byte.
    TestFile f;
    f.numFatSectors = 3;
    f.firstDirSector = 11;
    f.headerDifat = {8, 9, 10};
    Bytes stream = pattern(3000);
    stream.resize(4096, 0);
    for (std::size_t n = 0; n < 8; ++n) f.sectors.push_back(slice(stream, 512 * n, 512));
    f.sectors.push_back(u32Sector(512, {1, 2, 3, 4, 5, 6, 7, EOC, FATSECT, FATSECT, FATSECT, EOC}));
    f.sectors.push_back(u32Sector(512, {}));
    f.sectors.push_back(u32Sector(512, {}));
    f.sectors.push_back(dirSector(512, {{u"Root Entry", 5, EOC, 0}, {u"Workbook", 2, 0, 4096}}));
    expectSameBytes(writeCompoundFile(pattern(3000)), f.bytes());
}

TEST(CompoundFileWrite, StreamOfWholeSectorsIsNotPadded) {
    Bytes file = writeCompoundFile(pattern(5000));
    // 5000 bytes: 10 sectors; n = 11, F = 3; directory sector 13.
    EXPECT_EQ(file.size(), 512u + 14 * 512);
    EXPECT_EQ(get32(file, 48), 13u);
    EXPECT_EQ(get64(file, 14 * 512 + 128 + 120), 5000u);
    Bytes expected = pattern(5000);
    expected.resize(5120, 0);
    EXPECT_EQ(readWorkbookStream(file), expected);
}

TEST(CompoundFileWrite, LargeStreamNeedsADifatSector) {
    // 7,100,000 bytes: S = 13868 sectors; n = S + 1 = 13869, a = 109, b = 1,
    // F = 109 + 1 + 1 = 111 > 109, so X = 1 DIFAT sector (sector 13868) lists the FAT
    // sectors 13978 and 13979; the directory follows at 13868 + 1 + 111 = 13980.
    const std::size_t size = 7100000;
    Bytes stream = pattern(size);
    Bytes file = writeCompoundFile(stream);
    ASSERT_EQ(file.size(), 512u + 13981u * 512);
    EXPECT_EQ(get32(file, 44), 111u);    // FAT sectors
    EXPECT_EQ(get32(file, 48), 13980u);  // first directory sector
    EXPECT_EQ(get32(file, 68), 13868u);  // first DIFAT sector
    EXPECT_EQ(get32(file, 72), 1u);      // DIFAT sectors
    EXPECT_EQ(get32(file, 76), 13869u);  // first FAT sector, after the DIFAT sector
    EXPECT_EQ(get32(file, 76 + 4 * 108), 13977u);
    const std::size_t difat = 13869u * 512;
    EXPECT_EQ(get32(file, difat), 13978u);
    EXPECT_EQ(get32(file, difat + 4), 13979u);
    EXPECT_EQ(get32(file, difat + 8), FREE);
    EXPECT_EQ(get32(file, difat + 508), EOC); // no further DIFAT sector
    const std::size_t fat = 13870u * 512;
    EXPECT_EQ(get32(file, fat + 4 * 13867), EOC);     // last stream sector
    EXPECT_EQ(get32(file, fat + 4 * 13868), 0xFFFFFFFCu); // the DIFAT sector
    EXPECT_EQ(get32(file, fat + 4 * 13869), FATSECT);
    EXPECT_EQ(get32(file, fat + 4 * 13979), FATSECT);
    EXPECT_EQ(get32(file, fat + 4 * 13980), EOC);     // the directory

    Bytes back = readWorkbookStream(file);
    ASSERT_EQ(back.size(), 13868u * 512);
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), back.begin()));
    EXPECT_TRUE(std::all_of(back.begin() + size, back.end(), [](auto b) { return b == 0; }));
}

TEST(CompoundFileWrite, EmptyStreamIsPaddedToTheCutOff) {
    Bytes file = writeCompoundFile({});
    EXPECT_EQ(file.size(), 6656u);
    EXPECT_EQ(readWorkbookStream(file), Bytes(4096, 0));
}


TEST(CompoundFileRead, ConsecutiveSectorsAreReadInPlaceOthersGathered) {
    Bytes inOrder = base().bytes();
    Bytes copy;
    auto view = readWorkbookStream(inOrder, copy);
    EXPECT_TRUE(copy.empty());
    EXPECT_EQ(view.data(), inOrder.data() + 3 * 512);  // sector 2, after the header sector
    EXPECT_EQ(Bytes(view.begin(), view.end()), pattern(4096));

    // The chain 2 -> 4 -> 3 -> 5 ... -> 9: the stream's second piece lies in sector 4.
    TestFile f = base();
    f.sectors[0] = u32Sector(512, {FATSECT, EOC, 4, 5, 3, 6, 7, 8, 9, EOC});
    Bytes stream = pattern(4096);
    f.sectors[4] = slice(stream, 512, 512);
    f.sectors[3] = slice(stream, 1024, 512);
    Bytes shuffled = f.bytes();
    view = readWorkbookStream(shuffled, copy);
    EXPECT_EQ(view.data(), copy.data());
    EXPECT_EQ(copy, stream);
}

} // namespace
} // namespace karvo
