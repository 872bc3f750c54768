// ooxml_root_fuzz.cpp - one root class's unmarshal on arbitrary bytes (the root is
// chosen at build time by KARVO_FUZZ_ROOT). A part that reads must write, and what
// it writes must read back and write the same bytes again; a deep copy must write
// them too.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "support/ooxml_roots.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    karvo::testing::RoundTrip result;
    karvo::testing::roundTrip(KARVO_FUZZ_ROOT, std::string_view(reinterpret_cast<const char*>(data), size), result);
    if (result.code == lmx::ELMX_OK && (!result.stable || !result.copyStable)) std::abort();
    return 0;
}
