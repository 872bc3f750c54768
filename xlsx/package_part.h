// package_part.h - the part objects an Open XML book is made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "core/xlerror.h"
#include "xlsx/lmx/byte_sink.h"
#include "xlsx/lmx/xml_error.h"
#include "xlsx/lmx/xml_reader.h"

namespace karvo::xlsx {

/// Every part of a package. `write` hands the bytes that go into the archive to
/// `drain`; no bytes at all means the part is left out.
class XFile {
public:
    virtual ~XFile() = default;
    /// An XML part is marshalled into `buffer` and handed over a piece at a time, so
    /// that a large part is never held whole.
    virtual void write(std::string& buffer, const lmx::byte_drain& drain) = 0;
};

/// Turns a code of the XML runtime into the book's failure.
[[noreturn]] void throwXmlError(lmx::elmx_error code);

/// A part held as the tree of its generated root class.
template <class Root>
class XmlFile : public XFile {
public:
    XmlFile() = default;
    /// Parses the part at once; no bytes at all is a failure of its own.
    XmlFile(const char* data, std::size_t size) {
        if (size == 0) throw xlerror("data is empty");
        check(root_.unmarshal(data, data + size));
    }
    /// Parses a part while its bytes arrive, for parts too large to hold twice.
    explicit XmlFile(lmx::chunk_source source) { check(root_.unmarshal(std::move(source))); }

    void write(std::string& buffer, const lmx::byte_drain& drain) override {
        buffer.clear();
        check(root_.marshal(buffer, nullptr, &drain));
    }

    Root& root() { return root_; }
    const Root& root() const { return root_; }

protected:
    static void check(lmx::elmx_error code) {
        if (code != lmx::ELMX_OK) throwXmlError(code);
    }

    Root root_;
};

/// A part the book does not interpret: its bytes go back out exactly as read.
class BinaryFile : public XFile {
public:
    explicit BinaryFile(std::string bytes) : bytes_(std::move(bytes)) {}
    void write(std::string&, const lmx::byte_drain& drain) override { drain(bytes_); }
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

} // namespace karvo::xlsx
