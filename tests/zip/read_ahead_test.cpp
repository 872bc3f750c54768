// read_ahead_test.cpp - the reader that inflates on a thread of its own gives what its
// inner reader gives, in order, and its failure at the same byte.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "zip/read_ahead.h"

using namespace karvo;
using zip::CZipEntryReader;
using zip::CZipException;

namespace {

// Hands out `data` in pieces of varying size, and then fails instead of ending when
// `fails` is set.
class Pieces : public CZipEntryReader {
public:
    Pieces(std::string data, bool fails) : data_(std::move(data)), fails_(fails) {}
    std::size_t read(char* buffer, std::size_t capacity) override {
        std::size_t n = std::min({capacity, data_.size() - at_, std::size_t(1) + (calls_++ * 7919) % 300000});
        if (n == 0 && fails_) throw CZipException(CZipException::badCrc);
        data_.copy(buffer, n, at_);
        at_ += n;
        return n;
    }

private:
    std::string data_;
    bool fails_;
    std::size_t at_ = 0;
    std::size_t calls_ = 0;
};

std::string pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = char('a' + (i * 31 + i / 4093) % 26);
    return s;
}

// Reads to the end in reads of `capacity`; `failed` tells whether the end was a failure.
std::string drain(CZipEntryReader& in, std::size_t capacity, bool& failed) {
    std::string out, buffer(capacity, '\0');
    failed = false;
    try {
        while (std::size_t n = in.read(buffer.data(), capacity)) out.append(buffer, 0, n);
    } catch (const CZipException& e) {
        EXPECT_EQ(CZipException::badCrc, e.code());
        failed = true;
    }
    return out;
}

TEST(ReadAhead, GivesEveryByteInOrderAndTheFailureAfterThem) {
    for (std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(5) << 20})
        for (bool fails : {false, true})
            for (std::size_t capacity : {std::size_t(1000), std::size_t(64) << 10}) {
                if (capacity == 1000 && size > 1) continue;  // a million reads prove nothing more
                auto in = zip::readAhead(std::make_unique<Pieces>(pattern(size), fails));
                bool failed;
                EXPECT_EQ(pattern(size), drain(*in, capacity, failed)) << size << " " << fails;
                EXPECT_EQ(fails, failed) << size;
                // The end, or the failure, stays where it is.
                char byte;
                if (fails) EXPECT_THROW(in->read(&byte, 1), CZipException);
                else EXPECT_EQ(0u, in->read(&byte, 1));
            }
}

TEST(ReadAhead, ALeftReaderStopsItsThread) {
    // Released unread, half read and while the thread waits for room: none may hang.
    for (std::size_t readFirst : {std::size_t(0), std::size_t(3) << 20, std::size_t(1)}) {
        auto in = zip::readAhead(std::make_unique<Pieces>(pattern(std::size_t(8) << 20), false));
        std::string buffer(readFirst, '\0');
        std::size_t got = 0;
        while (got < readFirst) got += in->read(buffer.data() + got, readFirst - got);
        EXPECT_EQ(pattern(readFirst), buffer);
    }
}

} // namespace
