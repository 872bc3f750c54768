// xls.cpp - Xls, the binary book's one object for the container and its record stream.
#include "xls/xls.h"

#include <utility>

#include "xls/compound_file.h"

namespace karvo {

Xls Xls::openRead(std::span<const std::uint8_t> file) {
    Xls xls;
    xls.in_ = RecordReader(readWorkbookStream(file, xls.copy_));
    return xls;
}

Xls Xls::fromStream(std::vector<std::uint8_t> stream) {
    Xls xls;
    xls.copy_ = std::move(stream);
    xls.in_ = RecordReader(xls.copy_);
    return xls;
}

// A moved vector keeps its buffer, so a reader over the copy stays valid; one over
// the caller's file is not affected at all.
Xls::Xls(Xls&& other) noexcept : copy_(std::move(other.copy_)), in_(other.in_), out_(std::move(other.out_)) {
    other.in_ = RecordReader();
}

Xls& Xls::operator=(Xls&& other) noexcept {
    if (this != &other) {
        copy_ = std::move(other.copy_);
        in_ = other.in_;
        out_ = std::move(other.out_);
        other.in_ = RecordReader();
    }
    return *this;
}

std::vector<std::uint8_t> Xls::finish() {
    std::vector<std::uint8_t> stream = out_.take();
    out_ = RecordWriter();
    return writeCompoundFile(std::move(stream));
}

} // namespace karvo
