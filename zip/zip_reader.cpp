// zip_reader.cpp - CZipArchive: the directory at opening, entries on demand.
#include "zip/zip_archive.h"

#include "zip/central_dir.h"
#include "zip/entry_reader.h"

namespace karvo::zip {

CZipArchive::CZipArchive(std::span<const std::uint8_t> bytes) : bytes_(bytes) {
    CZipCentralDir dir = CZipCentralDir::read(bytes);
    headers_ = std::move(dir.headers);
    entryEnds_ = std::move(dir.entryEnds);
}

CZipArchive::~CZipArchive() = default;

// The streaming reader fills the whole entry in one call. libdeflate inflates a whole
// buffer about twice as fast, but the two libraries notice different faults first in
// a damaged stream, and both ways of reading an entry must fail alike.
std::string CZipArchive::extract(std::size_t index) const {
    std::unique_ptr<CZipEntryReader> in = open(index);
    // The size is capped and, for deflated data, bounded by what the stream's bytes can
    // inflate to, so this allocation is one the archive's bytes justify.
    std::string out(headers_[index].uncompressedSize, '\0');
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
