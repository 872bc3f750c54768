// xml_tree_bench.cpp - a worksheet part of ROWS x 4 number cells (1,000,000 rows by
// default), written by our own writer, read into the schema classes and written
// back; prints MB/s both ways, the tree's heap bytes per cell, and the floors: a
// memchr scan for '<' over the same bytes and `xmllint --stream --noout`.
//
// Usage: xml_tree_bench [rows] [parse|marshal]: with a phase named, runs only that
// phase five times (for profiling).
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "xlsx/ooxml/sml-sheet.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

std::size_t heapInUse() { return mallinfo2().uordblks; }

std::string numberText(double v) {
    char text[32];
    int n = std::snprintf(text, sizeof text, "%.15g", v);
    return std::string(text, std::size_t(n));
}

void buildSheet(sheet::c_worksheet& ws, int rows) {
    auto& data = ws.sheetData.make();
    data.row.reserve(std::size_t(rows));
    for (int r = 0; r < rows; ++r) {
        data.row.emplace_back(std::make_unique<sheet::c_CT_Row>());
        sheet::c_CT_Row& row = *data.row.back();
        row.r.set(std::uint32_t(r + 1));
        row.c.reserve(4);
        for (int c = 0; c < 4; ++c) {
            lmx::compact_cell& cell = row.c.push_back({});
            cell.set_column(std::uint16_t(c));
            const double values[] = {double(r), r * 0.25, r / 7.0, -1e-5 * r};
            std::string text = numberText(values[c]);
            cell.set_value_utf8(text);
        }
    }
}

double rate(std::size_t bytes, double secs) { return double(bytes) / 1e6 / secs; }

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::size_t cells = std::size_t(rows) * 4;

    std::string xml;
    {
        sheet::c_worksheet source;
        buildSheet(source, rows);
        if (source.marshal(xml)) return 1;
    }
    std::printf("worksheet: %d rows x 4 number cells, %.1f MB of XML\n", rows, double(xml.size()) / 1e6);
    if (argc > 2) {
        const bool parseOnly = std::strcmp(argv[2], "parse") == 0;
        sheet::c_worksheet tree;
        tree.unmarshal(xml.data(), xml.data() + xml.size());
        for (int i = 0; i < 5; ++i) {
            auto start = Clock::now();
            std::string out;
            if (parseOnly) {
                sheet::c_worksheet again;
                again.unmarshal(xml.data(), xml.data() + xml.size());
            } else {
                tree.marshal(out);
            }
            std::printf("%s: %.3f s\n", argv[2], seconds(start));
        }
        return 0;
    }

    std::size_t before = heapInUse();
    auto* tree = new sheet::c_worksheet;
    auto start = Clock::now();
    lmx::c_error error;
    if (tree->unmarshal(xml.data(), xml.data() + xml.size(), &error)) {
        std::printf("%s", error.report().c_str());
        return 1;
    }
    double parse = seconds(start);
    std::size_t treeBytes = heapInUse() - before;
    std::printf("parse into tree:   %.3f s  %6.0f MB/s  tree %.1f bytes per cell\n", parse, rate(xml.size(), parse),
                double(treeBytes) / double(cells));

    std::string out;
    out.reserve(xml.size());
    start = Clock::now();
    tree->marshal(out);
    double marshal = seconds(start);
    std::printf("marshal tree:      %.3f s  %6.0f MB/s  (%s)\n", marshal, rate(out.size(), marshal),
                out == xml ? "same bytes" : "DIFFERENT bytes");
    delete tree;

    sheet::c_worksheet chunked;
    std::size_t offset = 0;
    start = Clock::now();
    chunked.unmarshal([&](char* dst, std::size_t capacity) -> std::ptrdiff_t {
        std::size_t n = std::min<std::size_t>({capacity, std::size_t(64) << 10, xml.size() - offset});
        std::memcpy(dst, xml.data() + offset, n);
        offset += n;
        return std::ptrdiff_t(n);
    });
    double chunks = seconds(start);
    std::printf("parse in 64 KiB chunks: %.3f s  %6.0f MB/s\n", chunks, rate(xml.size(), chunks));

    start = Clock::now();
    std::size_t tags = 0;
    for (const char* p = xml.data(); (p = static_cast<const char*>(std::memchr(p, '<', std::size_t(xml.data() + xml.size() - p))));
         ++p)
        ++tags;
    double scan = seconds(start);
    std::printf("floor, memchr '<':  %.3f s  %6.0f MB/s  (%zu tags)\n", scan, rate(xml.size(), scan), tags);

    const char* path = "/tmp/karvo_xml_tree_bench.xml";
    std::ofstream(path, std::ios::binary) << xml;
    start = Clock::now();
    int status = std::system("xmllint --stream --noout /tmp/karvo_xml_tree_bench.xml 2>/dev/null");
    double lint = seconds(start);
    if (status == 0)
        std::printf("yardstick, xmllint --stream --noout: %.3f s  %6.0f MB/s\n", lint, rate(xml.size(), lint));
    else
        std::printf("yardstick, xmllint: not available\n");
    std::remove(path);
}
