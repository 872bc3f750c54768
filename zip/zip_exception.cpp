// zip_exception.cpp - the archive layer's codes and their messages.
#include "zip/zip_archive.h"

#include <array>

namespace karvo::zip {
namespace {

struct CodeText {
    CZipException::Code code;
    const char* text;
};

// One row per code, in the enum's order; the check below keeps them in step.
constexpr std::array kMessages{
    CodeText{CZipException::badZipFile, "Damaged or not a zip file."},
    CodeText{CZipException::badCrc, "Crc is mismatched."},
    CodeText{CZipException::aborted, "Action aborted."},
    CodeText{CZipException::abortedSafely, "Action aborted safely."},
    CodeText{CZipException::tooManyFiles, "The limit of the maximum number of files in an archive has been reached."},
    CodeText{CZipException::tooLongData, "The filename, the comment or local or central extra field of the file "
                                         "added to the archive is too long."},
    CodeText{CZipException::tooBigSize, "The file size is too large to be supported."},
    CodeText{CZipException::badPassword, "An incorrect password set for the file being decrypted."},
    CodeText{CZipException::internalError, "An internal error."},
    CodeText{CZipException::cdirNotFound, "The central directory was not found in the archive (or you were trying "
                                          "to open not the last volume of a segmented archive)."},
    CodeText{CZipException::noZip64, "The Zip64 format has not been enabled for the library, but is required to "
                                     "use the archive."},
    CodeText{CZipException::noAes, "WinZip AES encryption has not been enabled for the library, but is required "
                                   "to decompress the archive."},
    CodeText{CZipException::zlibStreamError, "Zlib library error (stream error)."},
    CodeText{CZipException::zlibDataError, "Zlib library error (data error)."},
    CodeText{CZipException::zlibMemError, "Not enough memory."},
    CodeText{CZipException::zlibBufError, "Zlib library error (buffer error)."},
    CodeText{CZipException::zlibVersionError, "Zlib library error (version error)."},
    CodeText{CZipException::zlibStreamEnd, "Zlib library error (end of stream)."},
    CodeText{CZipException::memoryAllocation, "Zip Memory Allocation Failure"},
    CodeText{CZipException::generic, "Unspecified error"},
};

constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < kMessages.size(); ++i)
        if (kMessages[i].code != static_cast<CZipException::Code>(i)) return false;
    return true;
}
static_assert(inEnumOrder() && kMessages.back().code == CZipException::generic,
              "every code has its row, in the enum's order");

} // namespace

CZipException::CZipException(Code code) noexcept : code_(code) {}

const char* CZipException::what() const noexcept {
    std::size_t index = static_cast<std::size_t>(code_);
    return index < kMessages.size() ? kMessages[index].text : kMessages.back().text;
}

} // namespace karvo::zip
