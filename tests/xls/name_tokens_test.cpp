// name_tokens_test.cpp - name tokens that follow a defined name out of the book.
#include "xls/name_tokens.h"

#include <gtest/gtest.h>

#include <vector>

namespace karvo {
namespace {

using Bytes = std::vector<std::uint8_t>;

// XTI 0 is the book's own; any other is another book's.
Bytes renumbered(Bytes tokens, std::uint32_t removed) {
    renumberNameTokens(tokens, removed, [](std::uint16_t xti) { return xti == 0; });
    return tokens;
}

TEST(NameTokens, LaterNamesMoveDownAndTheRemovedOneBecomesNameError) {
    struct Case {
        const char* what;
        Bytes before;
        Bytes after;
    };
    const Case cases[] = {
        {"earlier name", {0x23, 1, 0, 0, 0}, {0x23, 1, 0, 0, 0}},
        {"later name, value class", {0x43, 3, 0, 0, 0}, {0x43, 2, 0, 0, 0}},
        {"later name past 255", {0x63, 0x00, 0x01, 0, 0}, {0x63, 0xFF, 0x00, 0, 0}},
        {"the removed name", {0x23, 2, 0, 0, 0, 0x15}, {0x1C, 0x1D, 0x15, 0x15, 0x15, 0x15}},
        {"own NameX", {0x39, 0, 0, 3, 0, 0, 0}, {0x39, 0, 0, 2, 0, 0, 0}},
        {"own NameX removed", {0x59, 0, 0, 2, 0, 0, 0}, {0x1C, 0x1D, 0x15, 0x15, 0x15, 0x15, 0x15}},
        {"another book's NameX", {0x39, 1, 0, 3, 0, 0, 0}, {0x39, 1, 0, 3, 0, 0, 0}},
        // A string whose characters look like a name token is no token.
        {"string", {0x17, 5, 0, 0x23, 3, 0, 0, 0, 0x23, 3, 0, 0, 0}, {0x17, 5, 0, 0x23, 3, 0, 0, 0, 0x23, 2, 0, 0, 0}},
        {"inside a memory token", {0x29, 5, 0, 0x23, 4, 0, 0, 0}, {0x29, 5, 0, 0x23, 3, 0, 0, 0}},
        {"past a jump table", {0x19, 0x04, 1, 0, 4, 0, 9, 0, 0x23, 4, 0, 0, 0}, {0x19, 0x04, 1, 0, 4, 0, 9, 0, 0x23, 3, 0, 0, 0}},
        // The walk cannot size what follows an unknown token, so it stops there.
        {"after an unknown token", {0x23, 4, 0, 0, 0, 0x00, 0x23, 4, 0, 0, 0}, {0x23, 3, 0, 0, 0, 0x00, 0x23, 4, 0, 0, 0}},
        {"cut short", {0x23, 4, 0, 0}, {0x23, 4, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(renumbered(c.before, 2), c.after) << c.what;
}

} // namespace
} // namespace karvo
