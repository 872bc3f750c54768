// xml_reader_fuzz.cpp - libFuzzer target: the XML pull reader over the input in memory
// and over the same bytes in chunks must report the same events, texts, captures and
// final error. Which of next/read_text/skip runs at each element, and the chunk sizes,
// follow from a hash of the input, so plain XML files serve as seeds.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tests/xlsx/lmx/xml_walk.h"

namespace {

const lmx::ns_entry kTable[] = {{1000, "", "urn:main"}, {1001, "r", "urn:rel"}, {0, nullptr, nullptr}};

std::uint64_t fnv1a(std::string_view s) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view doc(reinterpret_cast<const char*>(data), size);
    const std::uint64_t seed = fnv1a(doc);
    auto choose = [seed](const lmx::c_xml_reader&, int index) {
        std::uint64_t x = (seed + static_cast<std::uint64_t>(index)) * 0x9E3779B97F4A7C15ull;
        switch ((x >> 59) & 7) {
        case 5: return lmx::walk::step::text;
        case 6: return lmx::walk::step::skip;
        case 7: return lmx::walk::step::capture;
        default: return lmx::walk::step::next;
        }
    };
    lmx::c_xml_reader memory(doc.data(), doc.data() + doc.size());
    lmx::walk::result m = lmx::walk::run(memory, choose, kTable);
    lmx::c_xml_reader chunked(lmx::walk::pieces(doc, {1 + seed % 7, 1 + (seed >> 8) % 64, 1}));
    lmx::walk::result c = lmx::walk::run(chunked, choose, kTable);
    if (m.events != c.events || m.code != c.code || m.item != c.item || m.line != c.line) std::abort();
    return 0;
}
