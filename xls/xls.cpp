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

/// The workbook stream of a file in one piece, read where it lies; also the reader of
/// the container's own sectors.
class Xls::FileStream : public StreamSource, public CompoundBytes {
public:
    FileStream(const char16_t* path, const char* failure) : file_(path, failure) {}

    void setStream(std::uint64_t offset) { streamOffset_ = offset; }
    void read(std::size_t offset, std::uint8_t* to, std::size_t n) override { file_.read(streamOffset_ + offset, to, n); }

    std::uint64_t size() const override { return file_.size(); }
    std::span<const std::uint8_t> view(std::uint64_t offset, std::size_t n) override {
        if (offset < pieceStart_ || offset - pieceStart_ > piece_.size() || n > piece_.size() - (offset - pieceStart_)) {
            // The container's own sectors mostly follow one another (a FAT of hundreds
            // of sectors), so a read that goes on from the last one takes twice as
            // much, up to kReadAhead. Any other read takes what is asked: sectors
            // visited in a scattered order cost no more than their own bytes.
            const bool goesOn = offset == pieceStart_ + piece_.size();
            const std::uint64_t ahead = goesOn ? std::min<std::uint64_t>(kReadAhead, 2 * piece_.size()) : 0;
            const std::size_t length = static_cast<std::size_t>(std::max<std::uint64_t>(n, std::min(ahead, file_.size() - offset)));
            std::vector<std::uint8_t> piece(length);
            file_.read(offset, piece.data(), length);
            piece_.swap(piece);
            pieceStart_ = offset;
        }
        return std::span<const std::uint8_t>(piece_).subspan(static_cast<std::size_t>(offset - pieceStart_), n);
    }
    /// The container is read; its sectors are no longer viewed.
    void dropPiece() { std::vector<std::uint8_t>().swap(piece_); }
    void append(std::vector<std::uint8_t>& out, std::uint64_t offset, std::size_t n) override {
        const std::size_t at = out.size();
        out.resize(at + n);
        file_.read(offset, out.data() + at, n);
    }

private:
    static constexpr std::uint64_t kReadAhead = 256 << 10;

    FileReader file_;
    std::uint64_t streamOffset_ = 0;
    std::vector<std::uint8_t> piece_; // what view() read last, from pieceStart_
    std::uint64_t pieceStart_ = 0;
};

Xls Xls::openFile(const char16_t* path, const char* failure) {
    Xls xls;
    xls.source_ = std::make_unique<FileStream>(path, failure);
    StreamPlace place = locateWorkbookStream(*xls.source_, xls.copy_);
    xls.source_->dropPiece();
    if (place.gathered) {
        xls.in_ = RecordReader(xls.copy_);
    } else {
        xls.source_->setStream(place.offset);
        xls.in_ = RecordReader(*xls.source_, static_cast<std::size_t>(place.size));
    }
    return xls;
}

Xls Xls::fromStream(std::vector<std::uint8_t> stream) {
    Xls xls;
    xls.copy_ = std::move(stream);
    xls.in_ = RecordReader(xls.copy_);
    return xls;
}

// A moved vector keeps its buffer and a moved pointer its object, so a reader over
// the copy or the source stays valid; one over the caller's file is not affected at all.
Xls::Xls(Xls&& other) noexcept
    : copy_(std::move(other.copy_)), source_(std::move(other.source_)), in_(std::move(other.in_)),
      out_(std::move(other.out_)) {}

Xls& Xls::operator=(Xls&& other) noexcept {
    if (this != &other) {
        in_ = std::move(other.in_);
        copy_ = std::move(other.copy_);
        source_ = std::move(other.source_);
        out_ = std::move(other.out_);
    }
    return *this;
}

Xls::Xls() = default;
Xls::~Xls() = default;

std::vector<std::uint8_t> Xls::finish() {
    std::vector<std::uint8_t> stream = out_.take();
    out_ = RecordWriter();
    return writeCompoundFile(std::move(stream));
}

} // namespace karvo
