// book_bytes.h - whole books in tests: hand-built files, loading and saving them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "core/book_factory.h"
#include "support/record_bytes.h"
#include "xls/xls.h"

namespace karvo::testing {

struct BookDeleter {
    void operator()(IBook* book) const { book->release(); }
};
using BookPtr = std::unique_ptr<IBook, BookDeleter>;

// BOF version 0x0500: globals (dt 5) and worksheet (dt 0x10), 8-byte form.
inline const Bytes kBofGlobals5 = {0x00, 0x05, 0x05, 0x00, 0x04, 0x3D, 0xCD, 0x07};
inline const Bytes kBofSheet5 = {0x00, 0x05, 0x10, 0x00, 0x04, 0x3D, 0xCD, 0x07};

/// A compound file around a hand-built workbook stream.
inline Bytes fileOf(const Bytes& stream) {
    Xls xls = Xls::openWrite();
    xls.out().bytes(stream);
    return xls.finish();
}

/// The book in `file`; a failed load is a test failure that names the message.
inline BookPtr loaded(const Bytes& file) {
    BookPtr book(createBinaryBook());
    EXPECT_TRUE(book->loadFromMemory(reinterpret_cast<const char*>(file.data()), file.size()))
        << book->errorMessage();
    return book;
}

inline Bytes saved(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(book.saveToMemory(&data, &size)) << book.errorMessage();
    return Bytes(data, data + size);
}

} // namespace karvo::testing
