// zip_archive.h - the ZIP container under Open XML packages.
//
// Reading works over bytes the caller keeps alive (a file read whole, or the
// caller's buffer); every offset, size and count in the archive is checked against
// those bytes before it is used. Writing builds the archive in memory; the book
// puts it on disk through its safe-save helper.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace karvo::zip {

class CDeflateCompressor;

/// Every failure of the archive layer. `what()` is the description of the code,
/// which the package layer hands on as the book's message.
class CZipException : public std::exception {
public:
    enum Code {
        // Archive errors.
        badZipFile,          ///< "Damaged or not a zip file."
        badCrc,              ///< "Crc is mismatched."
        aborted,             ///< "Action aborted."
        abortedSafely,       ///< "Action aborted safely."
        tooManyFiles,        ///< "The limit of the maximum number of files in an archive has been reached."
        tooLongData,         ///< "The filename, the comment or local or central extra field ... is too long."
        tooBigSize,          ///< "The file size is too large to be supported."
        badPassword,         ///< "An incorrect password set for the file being decrypted."
        internalError,       ///< "An internal error."
        cdirNotFound,        ///< "The central directory was not found in the archive (...)."
        noZip64,             ///< "The Zip64 format has not been enabled for the library, ..."
        noAes,               ///< "WinZip AES encryption has not been enabled for the library, ..."
        // Compression library errors.
        zlibStreamError,     ///< "Zlib library error (stream error)."
        zlibDataError,       ///< "Zlib library error (data error)."
        zlibMemError,        ///< "Not enough memory."
        zlibBufError,        ///< "Zlib library error (buffer error)."
        zlibVersionError,    ///< "Zlib library error (version error)."
        zlibStreamEnd,       ///< "Zlib library error (end of stream)."
        memoryAllocation,    ///< "Zip Memory Allocation Failure"
        generic,             ///< "Unspecified error"
    };

    explicit CZipException(Code code) noexcept;
    Code code() const noexcept { return code_; }
    const char* what() const noexcept override;

private:
    Code code_;
};

/// One entry as the central directory describes it.
struct CZipFileHeader {
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;        ///< 0 stored, 8 deflated
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint64_t localHeaderOffset = 0;
    std::uint32_t externalAttributes = 0;
    std::u16string fileName;         ///< as stored, decoded from UTF-8 (invalid bytes replaced)
};

/// Reads one entry piece by piece, so a large part can be parsed while it
/// inflates instead of being held whole. The CRC is checked when the last byte
/// has been delivered; a mismatch throws then.
class CZipEntryReader {
public:
    virtual ~CZipEntryReader() = default;
    /// Up to `capacity` bytes into `buffer`; 0 at the end of the entry.
    /// Throws CZipException on damaged data.
    virtual std::size_t read(char* buffer, std::size_t capacity) = 0;
};

/// An archive opened for reading.
class CZipArchive {
public:
    /// Opens the archive held in `bytes`, which must outlive this object. Finds the
    /// end-of-central-directory record (an archive comment is allowed), Zip64
    /// records when present, and reads the central directory.
    explicit CZipArchive(std::span<const std::uint8_t> bytes);
    ~CZipArchive();

    std::size_t entryCount() const { return headers_.size(); }
    const CZipFileHeader& header(std::size_t index) const { return headers_.at(index); }

    /// The whole inflated entry. Encrypted entries fail (badPassword, noAes for AES),
    /// so do methods other than 0 and 8 (badZipFile: a package may use no other), and
    /// sizes beyond the caps of this layer (tooBigSize; see zip_format.h).
    std::string extract(std::size_t index) const;

    /// A reader over the inflated entry, for parsing while inflating.
    std::unique_ptr<CZipEntryReader> open(std::size_t index) const;

private:
    std::span<const std::uint8_t> bytes_;
    std::vector<CZipFileHeader> headers_;
    std::vector<std::uint64_t> entryEnds_; ///< where each entry's bytes must end
};

/// An archive being written, in memory or, with a sink, handed out entry by entry.
class CZipArchiveWriter {
public:
    /// Takes the next bytes of the archive.
    using Sink = std::function<void(std::span<const std::uint8_t>)>;

    CZipArchiveWriter();
    /// Hands each entry to `sink` as soon as it is added, so that the archive is never
    /// held whole; close() then hands out the directory and returns nothing.
    explicit CZipArchiveWriter(Sink sink);
    ~CZipArchiveWriter();

    /// Adds an entry under `name` (stored as UTF-8). Data shorter than 5 bytes is
    /// stored, anything longer deflated at the default level. The time stamp is
    /// the current local time.
    void add(std::u16string_view name, std::span<const std::uint8_t> data);

    /// Adds an entry whose data `produce` hands, in pieces, to the function it is
    /// given. Data of one piece is added as add() adds it. Data of more pieces is
    /// deflated as it comes, at kStreamDeflateLevel, and its CRC and sizes follow it
    /// in a data descriptor, so that neither the data nor the archive is held whole.
    /// No data at all adds no entry.
    void addInPieces(std::u16string_view name, const std::function<void(const Sink&)>& produce);

    /// Writes the central directory and hands out the archive's bytes. The writer
    /// is empty afterwards.
    std::vector<std::uint8_t> close();

private:
    /// The archive offset of what out_ holds next.
    std::uint64_t position() const { return handedOut_ + out_.size(); }
    /// A header for an entry about to be written, without its CRC and sizes.
    CZipFileHeader startHeader(const std::string& utf8Name, std::uint16_t method, std::uint16_t flags);
    void putLocalHeader(const CZipFileHeader& h, const std::string& utf8Name);
    /// Appends data of the archive, handing it out with a sink.
    void emit(std::span<const std::uint8_t> data);

    std::vector<std::uint8_t> out_;
    Sink sink_;
    std::uint64_t handedOut_ = 0;
    std::vector<CZipFileHeader> headers_;
    std::unique_ptr<CDeflateCompressor> compressor_;
};

} // namespace karvo::zip
