// xls.cpp - Xls, the binary book's one object for the container and its record stream.
#include "xls/xls.h"

#include <utility>

#include "xls/compound_file.h"

namespace karvo {

Xls Xls::openRead(std::span<const std::uint8_t> file) { return fromStream(readWorkbookStream(file)); }

Xls Xls::fromStream(std::vector<std::uint8_t> stream) {
    Xls xls;
    xls.stream_ = std::move(stream);
    xls.in_ = RecordReader(xls.stream_);
    return xls;
}

// A moved vector keeps its buffer, but the reader is rebuilt over the new owner
// anyway, so that nothing depends on that.
Xls::Xls(Xls&& other) noexcept
    : stream_(std::move(other.stream_)), in_(stream_), out_(std::move(other.out_)) {
    in_.seek(other.in_.position());
    other.in_ = RecordReader();
}

Xls& Xls::operator=(Xls&& other) noexcept {
    if (this != &other) {
        std::size_t position = other.in_.position();
        stream_ = std::move(other.stream_);
        in_ = RecordReader(stream_);
        in_.seek(position);
        out_ = std::move(other.out_);
        other.in_ = RecordReader();
    }
    return *this;
}

std::vector<std::uint8_t> Xls::finish() {
    std::vector<std::uint8_t> stream = out_.take();
    out_ = RecordWriter();
    return writeCompoundFile(stream);
}

} // namespace karvo
