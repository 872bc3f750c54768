// compound_file.cpp - reading the workbook stream out of a compound file, and wrapping one in a new file.
#include "xls/compound_file.h"

#include <algorithm>
#include <string>

#include "core/xlerror.h"

namespace karvo {

namespace {

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHeaderDifatEntries = 109;

// Streams shorter than this live in the mini stream. The format fixes the value; the
// header repeats it, and the reader goes by the format rather than trusting the header.
constexpr std::uint64_t kMiniStreamCutoff = 4096;

// Real files use 512- or 4096-byte sectors (shift 9 or 12). Shifts from 7, where a
// sector still holds one whole directory entry, up to 20 are read as well; a larger
// shift would only let a hostile header ask for megabyte-sized sectors and overflow
// the offset arithmetic long before that.
constexpr unsigned kMinSectorShift = 7;
constexpr unsigned kMaxSectorShift = 20;

// The layout the writer uses: 512-byte sectors of 128 FAT entries, 127 DIFAT entries
// (plus the link to the next DIFAT sector) and 4 directory entries.
constexpr std::size_t kWriteSectorSize = 512;
constexpr std::uint32_t kFatPerSector = kWriteSectorSize / 4;
constexpr std::uint32_t kDifatPerSector = kFatPerSector - 1;
constexpr std::uint32_t kDirPerSector = kWriteSectorSize / DirEntry::kSize;

std::string number(std::uint64_t n) { return std::to_string(n); }

bool equalsIgnoringCase(std::u16string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = static_cast<unsigned char>(b[i]);
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - u'a' + u'A');
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - u'a' + u'A');
        if (x != y) return false;
    }
    return true;
}

struct Header {
    std::uint16_t minorVersion = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t byteOrder = 0;
    std::uint16_t sectorShift = 0;
    std::uint16_t miniSectorShift = 0;
    std::uint32_t numDirSectors = 0;
    std::uint32_t numFatSectors = 0;
    std::uint32_t firstDirSector = 0;
    std::uint32_t transactionSignature = 0;
    std::uint32_t miniStreamCutoff = 0;
    std::uint32_t firstMiniFatSector = 0;
    std::uint32_t numMiniFatSectors = 0;
    std::uint32_t firstDifatSector = 0;
    std::uint32_t numDifatSectors = 0;
    std::array<std::uint32_t, kHeaderDifatEntries> difat{};
};

// How a chain walk names itself in its messages, and how long it may be.
struct ChainRules {
    std::string_view who;   // "Xls::loadDir(): "
    std::string_view table; // "_fat" or "_minifat"
    std::uint64_t maxLength = UINT64_MAX;
    const char* tooLong = nullptr; // message for a chain longer than maxLength
};

// Follows a chain through `table` from `start` to its end mark, checking every number
// before it is used. A visited bitmap turns a looping chain into an error rather than
// a hang, so a walk never takes more steps than the table has entries, and no table
// is larger than the file that holds it.
std::vector<std::uint32_t> walk(const std::vector<std::uint32_t>& table, std::uint32_t start,
                                const ChainRules& rules) {
    std::vector<std::uint32_t> chain;
    std::vector<bool> visited(table.size());
    for (std::uint32_t n = start; n != sector::kEndOfChain; n = table[n]) {
        if (n >= table.size())
            throw xlerror(std::string(rules.who) + "sector #" + number(n) + " is not found in " +
                          std::string(rules.table));
        if (visited[n])
            throw xlerror(std::string(rules.who) + "sector #" + number(n) + " appears twice in one chain");
        if (chain.size() == rules.maxLength) throw xlerror(rules.tooLong);
        visited[n] = true;
        chain.push_back(n);
    }
    return chain;
}

class Reader {
public:
    explicit Reader(CompoundBytes& file) : file_(file) {}

    StreamPlace workbookStream(std::vector<std::uint8_t>& copy) {
        readHeader();
        loadDifat();
        loadFat();
        loadMiniFat();
        loadDir();
        const DirEntry& workbook = findWorkbook();
        if (workbook.streamSize < kMiniStreamCutoff) {
            copy = readMiniStream(workbook);
            return {true, 0, copy.size()};
        }
        return readStream(workbook, copy);
    }

private:
    void readHeader();
    void loadDifat();
    void loadFat();
    void loadMiniFat();
    void loadDir();
    const DirEntry& findWorkbook() const;
    StreamPlace readStream(const DirEntry& entry, std::vector<std::uint8_t>& copy) const;
    std::vector<std::uint8_t> readMiniStream(const DirEntry& entry) const;

    // Where sector n lies: its offset and size. The last sector of a file may be cut
    // short (some producers do not pad it), so it ends at the end of the file; a
    // sector that starts beyond the end is an error.
    struct Extent {
        std::uint64_t offset;
        std::size_t size;
    };
    Extent sectorExtent(std::uint32_t n, std::string_view who) const {
        std::uint64_t offset = (std::uint64_t(n) + 1) << header_.sectorShift;
        if (offset >= file_.size())
            throw xlerror(std::string(who) + "sector #" + number(n) + " is beyond the end of the file");
        return {offset, static_cast<std::size_t>(std::min<std::uint64_t>(sectorSize_, file_.size() - offset))};
    }
    std::span<const std::uint8_t> sectorData(std::uint32_t n, std::string_view who) const {
        Extent e = sectorExtent(n, who);
        return file_.view(e.offset, e.size);
    }
    void appendSector(std::vector<std::uint8_t>& out, std::uint32_t n, std::string_view who) const {
        Extent e = sectorExtent(n, who);
        file_.append(out, e.offset, e.size);
    }

    std::uint64_t sectorsInFile() const {
        if (file_.size() <= sectorSize_) return 0;
        return (file_.size() - sectorSize_ + sectorSize_ - 1) / sectorSize_;
    }

    CompoundBytes& file_;
    Header header_;
    std::size_t sectorSize_ = 0;
    std::size_t miniSectorSize_ = 0;
    std::vector<std::uint32_t> difat_;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    std::vector<DirEntry> dir_;
};

void Reader::readHeader() {
    auto head = file_.view(0, static_cast<std::size_t>(std::min<std::uint64_t>(file_.size(), kHeaderSize)));
    if (head.size() < sizeof kSignature || !std::equal(kSignature, kSignature + 8, head.begin()))
        throw xlerror("invalid file format");
    ByteReader in(head);
    in.skip(sizeof kSignature + 16); // signature, class id
    Header& h = header_;
    h.minorVersion = in.u16();
    h.majorVersion = in.u16();
    h.byteOrder = in.u16();
    h.sectorShift = in.u16();
    h.miniSectorShift = in.u16();
    in.skip(6);
    h.numDirSectors = in.u32();
    h.numFatSectors = in.u32();
    h.firstDirSector = in.u32();
    h.transactionSignature = in.u32();
    h.miniStreamCutoff = in.u32();
    h.firstMiniFatSector = in.u32();
    h.numMiniFatSectors = in.u32();
    h.firstDifatSector = in.u32();
    h.numDifatSectors = in.u32();
    for (auto& entry : h.difat) entry = in.u32();
    if (!in.ok()) throw xlerror("invalid file format: the compound file header is truncated");
    if (h.sectorShift < kMinSectorShift || h.sectorShift > kMaxSectorShift ||
        h.miniSectorShift > h.sectorShift)
        throw xlerror("invalid file format: unsupported sector size");
    sectorSize_ = std::size_t(1) << h.sectorShift;
    miniSectorSize_ = std::size_t(1) << h.miniSectorShift;
}

void Reader::loadDifat() {
    const std::size_t perSector = sectorSize_ / 4 - 1;
    difat_.assign(header_.difat.begin(), header_.difat.end());
    std::vector<bool> visited(sectorsInFile());
    std::uint32_t count = 0;
    for (std::uint32_t n = header_.firstDifatSector; n != sector::kEndOfChain && n != sector::kFree;) {
        if (count == header_.numDifatSectors)
            throw xlerror("Xls::loadDifat(): difat chain contains more sectors than _header.numDifatSectors (" +
                          number(header_.numDifatSectors) + ")");
        ByteReader in(sectorData(n, "Xls::loadDifat(): "));
        if (visited[n]) throw xlerror("Xls::loadDifat(): sector #" + number(n) + " appears twice in one chain");
        visited[n] = true;
        ++count;
        for (std::size_t i = 0; i < perSector && in.remaining() >= 4; ++i) difat_.push_back(in.u32());
        // A cut-short last sector has lost its link; the chain ends there.
        n = in.remaining() >= 4 ? in.u32() : sector::kEndOfChain;
    }
    if (count != header_.numDifatSectors)
        throw xlerror("Xls::loadDifat(): difat chain sectors (" + number(count) +
                      ") not equal _header.numDifatSectors (" + number(header_.numDifatSectors) + ")");
}

void Reader::loadFat() {
    const auto used = std::count_if(difat_.begin(), difat_.end(), [](auto n) { return n != sector::kFree; });
    if (std::uint64_t(used) != header_.numFatSectors)
        throw xlerror("Xls::loadFat(): extract fat sectors (" + number(used) + ") not equal _header.numFatSectors (" +
                      number(header_.numFatSectors) + ")");
    // Each FAT sector may be listed once: repeats would let a small file claim a FAT
    // far larger than itself.
    std::vector<bool> seen(sectorsInFile());
    for (std::uint32_t n : difat_) {
        if (n == sector::kFree) continue;
        ByteReader in(sectorData(n, "Xls::loadFat(): "));
        if (seen[n]) throw xlerror("Xls::loadFat(): sector #" + number(n) + " is listed twice as a fat sector");
        seen[n] = true;
        while (in.remaining() >= 4) fat_.push_back(in.u32());
    }
}

void Reader::loadMiniFat() {
    // A first MiniFAT sector of 0 with a count of 0 means there is none; a file may
    // also really keep its MiniFAT in sector 0, and then it counts the sectors.
    if (header_.firstMiniFatSector == sector::kEndOfChain ||
        (header_.firstMiniFatSector == 0 && header_.numMiniFatSectors == 0))
        return;
    ChainRules rules{"Xls::loadMiniFat(): ", "_fat", header_.numMiniFatSectors, "error in loading minifat"};
    for (std::uint32_t n : walk(fat_, header_.firstMiniFatSector, rules)) {
        ByteReader in(sectorData(n, rules.who));
        while (in.remaining() >= 4) miniFat_.push_back(in.u32());
    }
}

void Reader::loadDir() {
    ChainRules rules{"Xls::loadDir(): ", "_fat"};
    for (std::uint32_t n : walk(fat_, header_.firstDirSector, rules)) {
        ByteReader in(sectorData(n, rules.who));
        while (in.remaining() >= DirEntry::kSize) dir_.push_back(DirEntry::parse(in));
    }
}

const DirEntry& Reader::findWorkbook() const {
    // Only stream entries qualify: a storage or an unused slot may carry a stale name.
    auto named = [this](const char* name) {
        return std::find_if(dir_.begin(), dir_.end(), [name](const DirEntry& e) {
            return e.objectType == DirEntry::kStream && equalsIgnoringCase(e.name, name);
        });
    };
    // Some producers write both an old "Book" stream and a "Workbook" stream for the
    // same book; the newer one holds everything, wherever it stands in the directory.
    auto it = named("Workbook");
    if (it == dir_.end()) it = named("Book");
    if (it == dir_.end()) throw xlerror("Xls::read(): workbook section is not found");
    if (it->streamSize >> 32) throw xlerror("Xls::read(): workbook stream size is too big");
    if (it->startSector == sector::kEndOfChain) throw xlerror("Xls::read(): workbook stream is empty");
    return *it;
}

StreamPlace Reader::readStream(const DirEntry& entry, std::vector<std::uint8_t>& copy) const {
    // A sector whose FAT entry marks it free, a chain end or a FAT sector cannot begin
    // a stream of several sectors; such a start is moved on to the next ordinary
    // sector. A stream that fits in one sector rightly starts on an end-of-chain
    // entry, so it is left alone.
    std::uint32_t start = entry.startSector;
    if (entry.streamSize > sectorSize_)
        while (start < fat_.size() &&
               (fat_[start] == sector::kFat || fat_[start] == sector::kEndOfChain || fat_[start] == sector::kFree))
            ++start;
    ChainRules rules{"Xls::read(): ", "_fat"};
    std::vector<std::uint32_t> chain = walk(fat_, start, rules);
    // The chain in runs of consecutive sectors, each read in one piece. A stream written
    // in one go is a single run, and then it is read where it lies: a large book is not
    // held twice. Otherwise the runs are gathered.
    for (std::size_t i = 0; i < chain.size();) {
        std::size_t end = i + 1;
        while (end < chain.size() && chain[end] == chain[end - 1] + 1) ++end;
        Extent first = sectorExtent(chain[i], rules.who), last = sectorExtent(chain[end - 1], rules.who);
        const std::uint64_t size = last.offset + last.size - first.offset;
        if (i == 0 && end == chain.size()) return {false, first.offset, size};
        file_.append(copy, first.offset, static_cast<std::size_t>(size));
        i = end;
    }
    return {true, 0, copy.size()};
}

std::vector<std::uint8_t> Reader::readMiniStream(const DirEntry& entry) const {
    auto root = std::find_if(dir_.begin(), dir_.end(), [](const DirEntry& e) { return e.objectType == DirEntry::kRoot; });
    if (root == dir_.end()) throw xlerror("Xls::read(): root entry is not found");
    ChainRules rootRules{"Xls::read(): ", "_fat"};
    std::vector<std::uint8_t> ministream;
    for (std::uint32_t n : walk(fat_, root->startSector, rootRules)) appendSector(ministream, n, rootRules.who);

    ChainRules rules{"Xls::read(): mini ", "_minifat"};
    std::vector<std::uint8_t> stream;
    for (std::uint32_t m : walk(miniFat_, entry.startSector, rules)) {
        std::uint64_t offset = std::uint64_t(m) * miniSectorSize_;
        if (offset >= ministream.size())
            throw xlerror("Xls::read(): mini sector #" + number(m) + " is beyond the end of the mini stream");
        auto bytes = std::span<const std::uint8_t>(ministream).subspan(offset);
        bytes = bytes.first(std::min(bytes.size(), miniSectorSize_));
        stream.insert(stream.end(), bytes.begin(), bytes.end());
    }
    return stream;
}

// --- writing -------------------------------------------------------------------

void putHeader(std::vector<std::uint8_t>& out, std::uint32_t fatSectors, std::uint32_t firstDir,
               std::uint32_t firstDifat, std::uint32_t difatSectors, std::span<const std::uint32_t> difat) {
    out.insert(out.end(), kSignature, kSignature + 8);
    out.insert(out.end(), 16, 0); // class id
    putLittle(out, 0x003E, 2);    // minor version
    putLittle(out, 3, 2);         // major version
    putLittle(out, 0xFFFE, 2);    // byte order
    putLittle(out, 9, 2);         // sector shift: 512-byte sectors
    putLittle(out, 6, 2);         // mini sector shift: 64-byte mini sectors
    out.insert(out.end(), 6, 0);  // reserved
    putLittle(out, 0, 4);         // directory sectors (always 0 in version 3)
    putLittle(out, fatSectors, 4);
    putLittle(out, firstDir, 4);
    putLittle(out, 0, 4); // transaction signature
    putLittle(out, kMiniStreamCutoff, 4);
    putLittle(out, sector::kEndOfChain, 4); // first MiniFAT sector: there is none
    putLittle(out, 0, 4);
    putLittle(out, firstDifat, 4);
    putLittle(out, difatSectors, 4);
    for (std::size_t i = 0; i < kHeaderDifatEntries; ++i)
        putLittle(out, i < difat.size() ? difat[i] : sector::kFree, 4);
}

std::uint32_t ceilDiv(std::uint64_t a, std::uint64_t b) { return static_cast<std::uint32_t>((a + b - 1) / b); }

} // namespace

DirEntry::DirEntry(std::u16string_view newName, std::uint8_t type, std::uint32_t childEntry)
    : name(newName), objectType(type), child(childEntry) {
    if (newName.size() >= kNameUnits)
        throw xlerror("DirEntry::DirEntry(): newName is too big (length must be less 32)");
}

DirEntry DirEntry::parse(ByteReader& in) {
    DirEntry e;
    ByteReader nameField(in.bytes(kNameUnits * 2));
    std::uint16_t nameLength = in.u16();
    // The length counts bytes with the terminating zero; a bad length is clipped to the
    // field, and the name also ends at its first zero.
    for (std::size_t i = 0; i < std::min<std::size_t>(nameLength / 2, kNameUnits); ++i) {
        char16_t c = nameField.u16();
        if (c == 0) break;
        e.name.push_back(c);
    }
    e.objectType = in.u8();
    e.colorFlag = in.u8();
    e.leftSibling = in.u32();
    e.rightSibling = in.u32();
    e.child = in.u32();
    for (auto& b : e.clsid) b = in.u8();
    e.stateBits = in.u32();
    e.creationTime = in.u64();
    e.modifiedTime = in.u64();
    e.startSector = in.u32();
    e.streamSize = in.u64();
    return e;
}

void DirEntry::write(std::vector<std::uint8_t>& out) const {
    for (std::size_t i = 0; i < kNameUnits; ++i) putLittle(out, i < name.size() ? name[i] : 0, 2);
    putLittle(out, name.empty() ? 0 : (name.size() + 1) * 2, 2);
    out.push_back(objectType);
    out.push_back(colorFlag);
    putLittle(out, leftSibling, 4);
    putLittle(out, rightSibling, 4);
    putLittle(out, child, 4);
    out.insert(out.end(), clsid.begin(), clsid.end());
    putLittle(out, stateBits, 4);
    putLittle(out, creationTime, 8);
    putLittle(out, modifiedTime, 8);
    putLittle(out, startSector, 4);
    putLittle(out, streamSize, 8);
}

StreamPlace locateWorkbookStream(CompoundBytes& file, std::vector<std::uint8_t>& copy) {
    return Reader(file).workbookStream(copy);
}

std::span<const std::uint8_t> readWorkbookStream(std::span<const std::uint8_t> file, std::vector<std::uint8_t>& copy) {
    MemoryBytes bytes(file);
    StreamPlace place = locateWorkbookStream(bytes, copy);
    if (place.gathered) return copy;
    return file.subspan(static_cast<std::size_t>(place.offset), static_cast<std::size_t>(place.size));
}

std::vector<std::uint8_t> readWorkbookStream(std::span<const std::uint8_t> file) {
    std::vector<std::uint8_t> copy;
    auto stream = readWorkbookStream(file, copy);
    if (stream.data() != copy.data()) copy.assign(stream.begin(), stream.end());
    return copy;
}

std::uint32_t fatSectorCount(std::uint64_t sectors) {
    std::uint64_t a = (sectors + kFatPerSector - 1) / kFatPerSector;
    std::uint64_t b = (a + kFatPerSector - 1) / kFatPerSector;
    std::uint64_t f = a + b + b / kFatPerSector;
    if (b % kFatPerSector != 0) f += 1;
    if (b > 100) f += 3;
    return static_cast<std::uint32_t>(f);
}

CompoundFrame compoundFrame(std::uint64_t streamBytes) {
    // A short stream is padded to the mini stream cut-off so that it is stored in
    // ordinary sectors and the file needs no MiniFAT at all.
    const std::uint64_t streamSize = std::max<std::uint64_t>(streamBytes, kMiniStreamCutoff);
    // The reader side refuses streams of 4 GiB or more; so does the writer.
    if (streamSize >> 32) throw xlerror("workbook stream is too big");

    std::vector<DirEntry> dir;
    dir.emplace_back(u"Root Entry", DirEntry::kRoot, 1);
    dir.emplace_back(u"Workbook", DirEntry::kStream, kNoStream);
    dir[1].startSector = 0;
    dir[1].streamSize = streamSize;

    const std::uint32_t S = ceilDiv(streamSize, kWriteSectorSize);
    const std::uint32_t D = ceilDiv(dir.size(), kDirPerSector);
    const std::uint32_t F = fatSectorCount(std::uint64_t(S) + D);
    const std::uint32_t X = F > kHeaderDifatEntries ? ceilDiv(F - kHeaderDifatEntries, kDifatPerSector) : 0;
    const std::uint64_t total = std::uint64_t(S) + X + F + D;
    if (total > std::uint64_t(F) * kFatPerSector) throw xlerror("workbook stream is too big");

    std::vector<std::uint32_t> fat(std::size_t(F) * kFatPerSector, sector::kFree);
    for (std::uint32_t i = 0; i < S; ++i) fat[i] = i + 1 < S ? i + 1 : sector::kEndOfChain;
    for (std::uint32_t i = 0; i < X; ++i) fat[S + i] = sector::kDifat;
    for (std::uint32_t i = 0; i < F; ++i) fat[S + X + i] = sector::kFat;
    const std::uint32_t firstDir = S + X + F;
    for (std::uint32_t i = 0; i < D; ++i) fat[firstDir + i] = i + 1 < D ? firstDir + i + 1 : sector::kEndOfChain;

    std::vector<std::uint32_t> fatSectors(F);
    for (std::uint32_t i = 0; i < F; ++i) fatSectors[i] = S + X + i;

    CompoundFrame frame;
    putHeader(frame.header, F, firstDir, X > 0 ? S : sector::kEndOfChain, X, fatSectors);
    std::vector<std::uint8_t>& out = frame.trailer;
    out.reserve(std::size_t(S) * kWriteSectorSize - streamBytes + std::size_t(X + F + D) * kWriteSectorSize);
    out.resize(std::size_t(S) * kWriteSectorSize - streamBytes, 0);
    // The FAT sectors past the first 109 are listed in the DIFAT sectors, each of
    // which ends with the number of the next one.
    for (std::uint32_t d = 0; d < X; ++d) {
        for (std::uint32_t i = 0; i < kDifatPerSector; ++i) {
            std::size_t k = kHeaderDifatEntries + std::size_t(d) * kDifatPerSector + i;
            putLittle(out, k < fatSectors.size() ? fatSectors[k] : sector::kFree, 4);
        }
        putLittle(out, d + 1 < X ? S + d + 1 : sector::kEndOfChain, 4);
    }
    for (std::uint32_t entry : fat) putLittle(out, entry, 4);
    for (const DirEntry& e : dir) e.write(out);
    out.resize(out.size() + (kDirPerSector - dir.size() % kDirPerSector) % kDirPerSector * DirEntry::kSize, 0);
    return frame;
}

std::vector<std::uint8_t> writeCompoundFile(std::vector<std::uint8_t> stream) {
    CompoundFrame frame = compoundFrame(stream.size());
    // The file is built in the stream's own buffer: the stream moves up by the size of
    // the header, in place when the buffer has room for the whole file, so a large
    // book is not held twice while it is saved.
    stream.reserve(frame.header.size() + stream.size() + frame.trailer.size());
    stream.insert(stream.begin(), frame.header.begin(), frame.header.end());
    stream.insert(stream.end(), frame.trailer.begin(), frame.trailer.end());
    return stream;
}

CompoundFileSpill::CompoundFileSpill(SaveFile& file) : file_(file) {
    // The header goes in last, when the stream's size is known.
    const std::uint8_t placeholder[kHeaderSize] = {};
    file_.append(placeholder);
}

void CompoundFileSpill::append(std::span<const std::uint8_t> bytes) {
    file_.append(bytes);
    streamBytes_ += bytes.size();
}

void CompoundFileSpill::overwrite(std::size_t offset, std::span<const std::uint8_t> bytes) {
    file_.overwrite(kHeaderSize + offset, bytes);
}

void CompoundFileSpill::finish() {
    CompoundFrame frame = compoundFrame(streamBytes_);
    file_.append(frame.trailer);
    file_.overwrite(0, frame.header);
}

} // namespace karvo
