// The script module's handle registry: kinds, stability, ownership and death.
#include <gtest/gtest.h>

#include "binding/handle_registry.h"

using karvo::binding::HandleKind;
using karvo::binding::HandleRegistry;

namespace {

// Distinct addresses to stand for library objects.
int book1, book2, sheetA, sheetB, format1;

} // namespace

TEST(HandleRegistry, SameObjectSameHandleAndKindsAreChecked) {
    HandleRegistry registry;
    int b = registry.handleFor(HandleKind::Book, &book1, 0);
    int s = registry.handleFor(HandleKind::Sheet, &sheetA, b);
    EXPECT_GT(b, 0);
    EXPECT_NE(b, s);
    EXPECT_EQ(registry.handleFor(HandleKind::Sheet, &sheetA, b), s);
    EXPECT_EQ(registry.lookup(s, HandleKind::Sheet), &sheetA);
    EXPECT_EQ(registry.lookup(s, HandleKind::Book), nullptr);
    EXPECT_EQ(registry.lookup(b, HandleKind::Sheet), nullptr);
    EXPECT_EQ(registry.lookup(12345, HandleKind::Book), nullptr);
    EXPECT_EQ(registry.ownerOf(s), b);
    EXPECT_EQ(registry.ownerOf(b), b);
    EXPECT_EQ(registry.handleFor(HandleKind::Format, nullptr, b), 0);
}

TEST(HandleRegistry, ReleasingABookKillsOnlyWhatItOwns) {
    HandleRegistry registry;
    int b1 = registry.handleFor(HandleKind::Book, &book1, 0);
    int b2 = registry.handleFor(HandleKind::Book, &book2, 0);
    int s1 = registry.handleFor(HandleKind::Sheet, &sheetA, b1);
    int f1 = registry.handleFor(HandleKind::Format, &format1, b1);
    int s2 = registry.handleFor(HandleKind::Sheet, &sheetB, b2);
    registry.forgetOwnedBy(b1);
    EXPECT_EQ(registry.lookup(s1, HandleKind::Sheet), nullptr);
    EXPECT_EQ(registry.lookup(f1, HandleKind::Format), nullptr);
    EXPECT_EQ(registry.lookup(b1, HandleKind::Book), &book1);  // the book itself survives a load
    EXPECT_EQ(registry.lookup(s2, HandleKind::Sheet), &sheetB);
    registry.forget(b1);
    EXPECT_EQ(registry.lookup(b1, HandleKind::Book), nullptr);
}

TEST(HandleRegistry, HandlesAreNeverReused) {
    HandleRegistry registry;
    int b = registry.handleFor(HandleKind::Book, &book1, 0);
    int s = registry.handleFor(HandleKind::Sheet, &sheetA, b);
    registry.forgetObject(HandleKind::Sheet, &sheetA);
    EXPECT_EQ(registry.lookup(s, HandleKind::Sheet), nullptr);
    // A new object at the address of a dead one gets a fresh number.
    int again = registry.handleFor(HandleKind::Sheet, &sheetA, b);
    EXPECT_NE(again, s);
    EXPECT_GT(again, s);
    EXPECT_EQ(registry.lookup(again, HandleKind::Sheet), &sheetA);
    EXPECT_LE(again, HandleRegistry::kLastHandle);
}

TEST(HandleRegistry, AHandleJustLookedUpDiesWithItsObject) {
    HandleRegistry registry;
    int b = registry.handleFor(HandleKind::Book, &book1, 0);
    int s = registry.handleFor(HandleKind::Sheet, &sheetA, b);
    ASSERT_EQ(registry.lookup(s, HandleKind::Sheet), &sheetA);
    EXPECT_EQ(registry.lookup(s, HandleKind::Format), nullptr);  // the kind is checked on a repeat too
    registry.forgetOwnedBy(b);
    EXPECT_EQ(registry.lookup(s, HandleKind::Sheet), nullptr);
    ASSERT_EQ(registry.lookup(b, HandleKind::Book), &book1);
    registry.forget(b);
    EXPECT_EQ(registry.lookup(b, HandleKind::Book), nullptr);
}
