// The operation frame: messages and failure values for every kind of escape.
#include <gtest/gtest.h>

#include <new>

#include "core/operation_frame.h"
#include "core/xlerror.h"

using namespace karvo;

TEST(OperationFrame, SuccessSetsOkAndKeepsWarnings) {
    BookMessage message;
    message.set("stale");
    EXPECT_EQ(runOperation(message, -1, [] { return 7; }), 7);
    EXPECT_STREQ(message.text(), "ok");
    EXPECT_TRUE(runOperation(message, false, [&] {
        message.warn("sheet's name is cut to 31 characters");
        return true;
    }));
    EXPECT_STREQ(message.text(), "warning: sheet's name is cut to 31 characters");
}

TEST(OperationFrame, EveryEscapeBecomesAMessageAndTheFailureValue) {
    BookMessage message;
    EXPECT_EQ(runOperation(message, -1, []() -> int { throw xlerror("Row size is incorrect"); }), -1);
    EXPECT_STREQ(message.text(), "Row size is incorrect");
    EXPECT_EQ(runOperation(message, 0, []() -> int { throw std::bad_alloc(); }), 0);
    EXPECT_STREQ(message.text(), "std::bad_alloc");
    EXPECT_EQ(runOperation(message, nullptr, []() -> const char* { throw 42; }), nullptr);
    EXPECT_STREQ(message.text(), "general failure");
    runOperation(message, [] { throw xlerror("index is out of range"); });
    EXPECT_STREQ(message.text(), "index is out of range");
}
