// zip_bench.cpp - the compression libraries on a 1,000,000-row worksheet part: deflate
// time and size, streaming and whole-buffer inflate, CRC-32; then the archive layer
// itself, and the inflate ratios of repetitive sheets that the ratio cap must allow.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <libdeflate.h>
#include <zlib.h>

#include "zip/zip_archive.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Four cells a row: integers, fractions of a few digits and longer ones, from a fixed
// generator so that every run measures the same text.
std::string makeSheet(int rows) {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
    s.reserve(static_cast<std::size_t>(rows) * 160);
    std::uint64_t x = 88172645463325252ull;
    auto next = [&x] {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        return x;
    };
    char value[32];
    for (int r = 1; r <= rows; ++r) {
        std::string n = std::to_string(r);
        s += "<row r=\"" + n + "\">";
        for (char col : {'A', 'B', 'C', 'D'}) {
            std::uint64_t v = next();
            switch (col) {
            case 'A': std::snprintf(value, sizeof value, "%llu", static_cast<unsigned long long>(v % 100000)); break;
            case 'B': std::snprintf(value, sizeof value, "%.2f", double(v % 1000000) / 100); break;
            case 'C': std::snprintf(value, sizeof value, "%.15g", double(v % 1000000007) / 7919); break;
            default: std::snprintf(value, sizeof value, "%d", int(v % 7) - 3); break;
            }
            s += std::string("<c r=\"") + col + n + "\"><v>" + value + "</v></c>";
        }
        s += "</row>";
    }
    return s + "</sheetData></worksheet>";
}

// Rows of styled empty cells, the most repetitive text a real sheet part holds.
std::string makeStyledEmptySheet(int rows, int columns) {
    std::string s = "<worksheet><sheetData>";
    for (int r = 1; r <= rows; ++r) {
        std::string n = std::to_string(r);
        s += "<row r=\"" + n + "\" spans=\"1:" + std::to_string(columns) + "\" s=\"3\" customFormat=\"1\">";
        for (int c = 0; c < columns; ++c) {
            std::string name =
                c < 26 ? std::string(1, char('A' + c)) : std::string{char('A' + c / 26 - 1), char('A' + c % 26)};
            s += "<c r=\"" + name + n + "\" s=\"3\"/>";
        }
        s += "</row>";
    }
    return s + "</sheetData></worksheet>";
}

double seconds(const std::function<void()>& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

const std::uint8_t* bytesOf(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }

Bytes zlibDeflate(const std::string& text, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&z, text.size()));
    z.next_in = const_cast<Bytef*>(bytesOf(text));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

Bytes libdeflateDeflate(const std::string& text, int level) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(level);
    Bytes out(libdeflate_deflate_compress_bound(c, text.size()));
    out.resize(libdeflate_deflate_compress(c, text.data(), text.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
}

// Inflates into one 64 KiB buffer, the way the package layer feeds its XML parser.
std::size_t zlibInflateChunks(const Bytes& in) {
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    std::vector<std::uint8_t> chunk(64 * 1024);
    std::size_t total = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        z.next_out = chunk.data();
        z.avail_out = static_cast<uInt>(chunk.size());
        status = inflate(&z, Z_NO_FLUSH);
        total += chunk.size() - z.avail_out;
    }
    inflateEnd(&z);
    return total;
}

void row(const std::string& what, double s, std::size_t bytes, const std::string& note = "") {
    std::printf("  %-44s %8.3f s %9.1f MB/s  %s\n", what.c_str(), s, bytes / s / 1e6, note.c_str());
}

std::string sizeNote(std::size_t bytes) { return "-> " + std::to_string(bytes) + " bytes"; }

std::span<const std::uint8_t> spanOf(const std::string& s) { return {bytesOf(s), s.size()}; }

// The same row, its number apart, a million times: rows formatted across the sheet.
std::string makeFormattedRows(int rows) {
    std::string s = "<worksheet><sheetData>";
    for (int r = 1; r <= rows; ++r)
        s += "<row r=\"" + std::to_string(r) +
             "\" spans=\"1:16384\" s=\"5\" customFormat=\"1\" ht=\"15.75\" customHeight=\"1\"/>";
    return s + "</sheetData></worksheet>";
}

// One 2,000-character text inline in every row, the most repetitive sheet we could make.
std::string makeRepeatedInlineText(int rows) {
    std::string text(2000, 'x');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i * 7 % 26);
    std::string s = "<worksheet><sheetData>";
    for (int r = 1; r <= rows; ++r) {
        std::string n = std::to_string(r);
        s += "<row r=\"" + n + "\"><c r=\"A" + n + "\" t=\"inlineStr\"><is><t>" + text + "</t></is></c></row>";
    }
    return s + "</sheetData></worksheet>";
}

} // namespace

int main() {
    std::string sheet = makeSheet(1'000'000);
    std::printf("worksheet text: %.1f MB (1,000,000 rows, 4 cells a row)\n\n", sheet.size() / 1e6);

    std::printf("deflate (MB/s of input)\n");
    Bytes ld6;
    double t = seconds([&] { ld6 = zlibDeflate(sheet, 6); });
    row("zlib level 6", t, sheet.size(), sizeNote(ld6.size()));
    for (int level : {1, 3, 6}) {
        t = seconds([&] { ld6 = libdeflateDeflate(sheet, level); });
        row("libdeflate level " + std::to_string(level), t, sheet.size(), sizeNote(ld6.size()));
    }

    std::printf("\ninflate (MB/s of output)\n");
    std::size_t streamed = 0;
    row("zlib streaming, 64 KiB chunks", seconds([&] { streamed = zlibInflateChunks(ld6); }), sheet.size());
    std::string whole(sheet.size(), '\0');
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    int status = 0;
    row("libdeflate whole buffer", seconds([&] {
            status = libdeflate_deflate_decompress(d, ld6.data(), ld6.size(), whole.data(), whole.size(), nullptr);
        }),
        sheet.size());
    libdeflate_free_decompressor(d);
    if (streamed != sheet.size() || status != LIBDEFLATE_SUCCESS || whole != sheet) std::printf("  MISMATCH\n");

    std::printf("\nCRC-32\n");
    unsigned long zc = 0;
    std::uint32_t lc = 0;
    row("zlib crc32", seconds([&] { zc = crc32(0, bytesOf(sheet), static_cast<uInt>(sheet.size())); }), sheet.size());
    row("libdeflate_crc32", seconds([&] { lc = libdeflate_crc32(0, sheet.data(), sheet.size()); }), sheet.size());
    if (zc != lc) std::printf("  MISMATCH\n");

    std::printf("\nthe archive layer on the same part\n");
    karvo::zip::CZipArchiveWriter writer;
    Bytes archive;
    t = seconds([&] {
        writer.add(u"xl/worksheets/sheet1.xml", spanOf(sheet));
        archive = writer.close();
    });
    row("CZipArchiveWriter add + close", t, sheet.size(), sizeNote(archive.size()));
    karvo::zip::CZipArchive reader(archive);
    std::string extracted;
    row("CZipArchive::extract", seconds([&] { extracted = reader.extract(0); }), sheet.size());
    std::size_t chunked = 0;
    row("CZipArchive::open, read in 64 KiB chunks", seconds([&] {
            std::unique_ptr<karvo::zip::CZipEntryReader> in = reader.open(0);
            std::vector<char> chunk(64 * 1024);
            while (std::size_t n = in->read(chunk.data(), chunk.size())) chunked += n;
        }),
        sheet.size());
    if (extracted != sheet || chunked != sheet.size()) std::printf("  MISMATCH\n");

    std::printf("\ninflate ratios (uncompressed / compressed, libdeflate level 6)\n");
    auto ratio = [](const std::string& what, const std::string& text) {
        std::printf("  %-44s %8.1f  (%.0f MB)\n", what.c_str(), double(text.size()) / libdeflateDeflate(text, 6).size(),
                    text.size() / 1e6);
    };
    ratio("the worksheet above", sheet);
    ratio("styled empty cells, 26 columns", makeStyledEmptySheet(40'000, 26));
    ratio("styled empty cells, 200 columns", makeStyledEmptySheet(5'000, 200));
    ratio("formatted empty rows", makeFormattedRows(1'000'000));
    ratio("a 2,000-character inline text in every row", makeRepeatedInlineText(50'000));

    std::printf("\na flat bomb: 1 GiB of zeros in one entry\n");
    std::string zeros(std::size_t(1) << 30, '\0');
    karvo::zip::CZipArchiveWriter bombWriter;
    bombWriter.add(u"xl/worksheets/sheet1.xml", spanOf(zeros));
    Bytes bomb = bombWriter.close();
    std::string outcome = "read";
    t = seconds([&] {
        try {
            karvo::zip::CZipArchive opened(bomb);
            opened.extract(0);
        } catch (const karvo::zip::CZipException& e) {
            outcome = e.what();
        }
    });
    std::printf("  %zu bytes, refused in %.3f ms: %s\n", bomb.size(), t * 1e3, outcome.c_str());
    return 0;
}
