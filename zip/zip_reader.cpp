// zip_reader.cpp - CZipArchive: the directory at opening, entries on demand.
#include "zip/zip_archive.h"

#include "zip/central_dir.h"
#include "zip/deflate.h"
#include "zip/entry_reader.h"
#include "zip/entry_source.h"
#include "zip/zip_format.h"

namespace karvo::zip {

CZipArchive::CZipArchive(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
    CZipCentralDir dir = CZipCentralDir::read(bytes);
    headers_ = std::move(dir.headers);
    entryEnds_ = std::move(dir.entryEnds);
}

CZipArchive::~CZipArchive() = default;

// libdeflate inflates a whole buffer about twice as fast as the streaming reader. The
// two libraries notice different faults first in a damaged stream, and both ways of
// reading an entry must fail alike, so anything short of an exact fill with the right
// CRC is read again the streaming way, which says what is wrong.
std::string CZipArchive::extract(std::size_t index) const {
    CZipEntrySource source = CZipEntrySource::locate(bytes_, headers_.at(index), entryEnds_.at(index));
    // The size is capped and, for deflated data, bounded by what the stream's bytes can
    // inflate to, so this allocation is one the archive's bytes justify.
    std::string out(source.size, '\0');
    std::span<std::uint8_t> whole(reinterpret_cast<std::uint8_t*>(out.data()), out.size());
    if (source.method == method::kDeflated && inflateWhole(source.data, whole) && crc32(0, whole) == source.crc32)
        return out;
    std::unique_ptr<CZipEntryReader> in = openEntryReader(source);
    std::size_t filled = 0;
    do {
        std::size_t n = in->read(out.data() + filled, out.size() - filled);
        // Each read delivers bytes until the last one; a stall would be this layer's fault.
        if (n == 0 && filled < out.size()) throw CZipException(CZipException::internalError);
        filled += n;
    } while (filled < out.size());
    return out;
}

std::unique_ptr<CZipEntryReader> CZipArchive::open(std::size_t index) const {
    return openEntryReader(CZipEntrySource::locate(bytes_, headers_.at(index), entryEnds_.at(index)));
}

} // namespace karvo::zip
