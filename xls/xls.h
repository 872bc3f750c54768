// xls.h - Xls, the binary book's one object for the container and its record stream.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "xls/record_reader.h"
#include "xls/record_writer.h"

namespace karvo {

/// The compound file and the BIFF record stream of one load or one save.
///
/// Reading: openRead() takes apart a container held in memory and views the workbook
/// stream where it lies there in one piece (so the file must outlive the Xls);
/// openFile() reads a file piece by piece, and such a stream a window at a time. in()
/// walks the stream's records. A record handler takes a Record, reads its fields from
/// record.reader() and checks ok() once; a handler whose data may go on in CONTINUE
/// records wraps that reader in a ContinueReader.
///
/// Writing: openWrite() starts an empty stream; records go to out(), whose position()
/// is the stream offset the book stores for its sheets, and finish() returns the bytes
/// of the compound file around the stream.
class Xls {
public:
    static Xls openRead(std::span<const std::uint8_t> file);
    /// Fails with an xlerror of `failure` when the file cannot be opened or read.
    static Xls openFile(const char16_t* path, const char* failure);
    /// Reads a workbook stream that is already out of its container.
    static Xls fromStream(std::vector<std::uint8_t> stream);
    static Xls openWrite() { return Xls(); }

    // The reader points into copy_ or reads through source_.
    Xls(const Xls&) = delete;
    Xls& operator=(const Xls&) = delete;
    Xls(Xls&& other) noexcept;
    Xls& operator=(Xls&& other) noexcept;
    ~Xls();

    RecordReader& in() { return in_; }
    RecordWriter& out() { return out_; }

    /// Wraps what out() holds in a compound file and returns the file's bytes. The
    /// writer is left empty.
    std::vector<std::uint8_t> finish();

private:
    Xls();

    class FileStream;

    std::vector<std::uint8_t> copy_; // the stream, when it had to be gathered from the file
    std::unique_ptr<FileStream> source_;
    RecordReader in_;
    RecordWriter out_;
};

} // namespace karvo
