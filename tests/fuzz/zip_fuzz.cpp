// zip_fuzz.cpp - libFuzzer target: the input opened as an archive, every entry read
// whole and in chunks. Both readers must fail alike or deliver the same bytes, and
// nothing but a CZipException may come out. Chunk sizes follow from the input's size.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "zip/zip_archive.h"

using karvo::zip::CZipArchive;
using karvo::zip::CZipException;

namespace {

constexpr int kOk = -1;

int extractWhole(const CZipArchive& archive, std::size_t index, std::string& out) {
    try {
        out = archive.extract(index);
        return kOk;
    } catch (const CZipException& e) {
        return e.code();
    }
}

int readChunked(const CZipArchive& archive, std::size_t index, std::size_t chunk, std::string& out) {
    try {
        std::unique_ptr<karvo::zip::CZipEntryReader> in = archive.open(index);
        std::string buffer(chunk, '\0');
        while (std::size_t n = in->read(buffer.data(), buffer.size())) {
            if (n > chunk) std::abort();
            out.append(buffer, 0, n);
        }
        return kOk;
    } catch (const CZipException& e) {
        return e.code();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<CZipArchive> archive;
    try {
        archive = std::make_unique<CZipArchive>(std::span(data, size));
    } catch (const CZipException&) {
        return 0;
    }
    for (std::size_t i = 0; i < archive->entryCount(); ++i) {
        std::string whole, chunked;
        int wholeCode = extractWhole(*archive, i, whole);
        int chunkedCode = readChunked(*archive, i, 1 + (size + i) % 4099, chunked);
        if (wholeCode != chunkedCode) std::abort();
        if (wholeCode == kOk && whole != chunked) std::abort();
        if (wholeCode == kOk && whole.size() != archive->header(i).uncompressedSize) std::abort();
    }
    return 0;
}
