// xml_reader_bench.cpp - throughput of the XML pull reader over a worksheet-like part,
// from memory and in 64 KiB chunks, against a plain memchr scan for '<' as the floor.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "xlsx/lmx/xml_reader.h"

namespace {

const lmx::ns_entry kTable[] = {
    {1000, "", "http://schemas.openxmlformats.org/spreadsheetml/2006/main"},
    {1001, "r", "http://schemas.openxmlformats.org/officeDocument/2006/relationships"},
    {0, nullptr, nullptr}};

std::string make_sheet(int rows) {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheetData>";
    s.reserve(static_cast<std::size_t>(rows) * 140);
    for (int r = 1; r <= rows; ++r) {
        std::string n = std::to_string(r);
        s += "<row r=\"" + n + "\">";
        for (char col : {'A', 'B', 'C', 'D'}) s += std::string("<c r=\"") + col + n + "\"><v>1.5</v></c>";
        s += "</row>";
    }
    return s + "</sheetData></worksheet>";
}

// The loop a generated class runs: every attribute looked at, every value read.
std::size_t read_all(lmx::c_xml_reader& r) {
    std::size_t seen = 0;
    r.set_namespace_table(kTable);
    if (r.read_root() != lmx::ELMX_OK) return 0;
    lmx::c_xml_reader::event e;
    while (r.depth() > 0) {
        if (r.next(e) != lmx::ELMX_OK) return 0;
        if (e == lmx::c_xml_reader::event::end) continue;
        for (const lmx::xml_attribute& a : r.attributes()) seen += a.value.size() + static_cast<std::size_t>(a.name.ns);
        if (r.element().local == "v") {
            std::string_view t;
            if (r.read_text(t) != lmx::ELMX_OK) return 0;
            seen += t.size();
        }
    }
    return seen;
}

template <class F>
double best_seconds(F&& f, int runs) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        best = std::min(best, d.count());
    }
    return best;
}

void report(const char* what, std::size_t bytes, double seconds, std::size_t check) {
    std::printf("%-28s %8.1f MB/s  (%.3f s, check %zu)\n", what, static_cast<double>(bytes) / seconds / 1e6, seconds, check);
}

} // namespace

int main(int argc, char** argv) {
    // xml_reader_bench [rows] [memory|chunked]: the second argument runs one mode alone, for profiling.
    int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    std::string only = argc > 2 ? argv[2] : "";
    const std::string doc = make_sheet(rows);
    std::printf("document: %d rows x 4 cells, %.1f MB\n", rows, static_cast<double>(doc.size()) / 1e6);

    std::size_t lts = 0;
    double floor = best_seconds([&] {
        lts = 0;
        for (const char* p = doc.data(), *end = p + doc.size();
             (p = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)))); ++p)
            ++lts;
    }, 5);
    report("memchr '<' (floor)", doc.size(), floor, lts);

    std::size_t check = 0;
    if (only != "chunked") {
    double memory = best_seconds([&] {
        lmx::c_xml_reader r(doc.data(), doc.data() + doc.size());
        check = read_all(r);
    }, 5);
    report("reader, memory", doc.size(), memory, check);
    }
    if (only == "memory") return check == 0;

    double chunked = best_seconds([&] {
        std::size_t pos = 0;
        lmx::c_xml_reader r([&](char* dst, std::size_t capacity) -> std::ptrdiff_t {
            std::size_t n = std::min({capacity, std::size_t(64) << 10, doc.size() - pos});
            std::memcpy(dst, doc.data() + pos, n);
            pos += n;
            return static_cast<std::ptrdiff_t>(n);
        });
        check = read_all(r);
    }, 5);
    report("reader, 64 KiB chunks", doc.size(), chunked, check);
    return check == 0;
}
