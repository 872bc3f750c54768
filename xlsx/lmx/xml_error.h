// xml_error.h - the XML runtime's error codes, their messages and the error record.
#pragma once

#include <string>
#include <string_view>

namespace lmx {

/// Every failure of reading or writing XML is one of these codes; 0 is success.
/// The numbers are part of the runtime's contract: reports and tests name them.
enum elmx_error : int {
    ELMX_OK = 0,
    ELMX_NO_FILE = 1,
    ELMX_ALL_CARDINALITY = 2,
    ELMX_ATTRIBUTE_ALREADY_READ = 3,
    ELMX_ATTRIBUTES_IN_ANONYMOUS_COMPOSITOR = 4,
    ELMX_BADLY_FORMED = 5,
    ELMX_BAD_CHAR_ENCODING = 6,
    ELMX_BAD_CHOICE = 7,
    ELMX_BAD_COMMENT = 8,
    ELMX_BAD_DTD = 9,
    ELMX_BAD_END_OF_ELEMENT = 10,
    ELMX_BAD_END_TAG = 11,
    ELMX_BAD_END_TAG_SYNTAX = 12,
    ELMX_BAD_XML_DECL = 13,
    ELMX_BAD_XML_VERSION = 14,
    ELMX_ENCODING_MISMATCH = 15,
    ELMX_ELEMENT_NOT_FOUND = 16,
    ELMX_EXTERNAL_ENTITY = 17,
    ELMX_FRACTION_DIGITS_EXCEEDED = 18,
    ELMX_LENGTH_TOO_LONG = 19,
    ELMX_LENGTH_TOO_SHORT = 20,
    ELMX_MANDATORY_ELEMENT_MISSING = 21,
    ELMX_NO_PATTERN_MATCHED = 22,
    ELMX_NOT_WELL_FORMED = 23,
    ELMX_RECURSIVE_ENTITY = 24,
    ELMX_REQUIRED_ATTRIBUTES_MISSING = 25,
    ELMX_OCCURRENCE_EXCEEDS_MAX = 26,
    ELMX_TOTAL_DIGITS_EXCEEDED = 27,
    ELMX_UNABLE_TO_READ_ATTRIBUTE_VALUE = 28,
    ELMX_UNABLE_TO_READ_ELEMENT_VALUE = 29,
    ELMX_UNKNOWN_ALL_ELEMENT = 30,
    ELMX_UNKNOWN_COMPLEX_CONTENT_ELEMENT = 31,
    ELMX_UNEXPECTED_EMPTY_ELEMENT = 32,
    ELMX_UNEXPECTED_ENTITY = 33,
    ELMX_UNEXPECTED_EOM = 34,
    ELMX_VALUE_BAD_FORMAT = 35,
    ELMX_VALUE_EXCEEDS_MAX = 36,
    ELMX_VALUE_EXCEEDS_MIN = 37,
    ELMX_VALUE_NOT_ENUMERATED = 38,
    ELMX_UNEXPECTED_ATTRIBUTE = 39,
    ELMX_NILLED_ELEMENT_NOT_EMPTY = 40,
    ELMX_ENTITY_NOT_FOUND = 41,
    ELMX_UNDEFINED_ERROR = 42,
    ELMX_VALUE_NOT_FIXED = 43,
    ELMX_UNKNOWN_XSI_TYPE = 44,
    ELMX_TYPE_NOT_SET = 45,
    ELMX_OCCURRENCE_ERROR = 46,
    ELMX_USER_DEFINED_1 = 1000,
    ELMX_USER_DEFINED_9 = 1008,
};

/// The fixed message of a code; "" for a code outside the table.
const char* elmx_error_message(elmx_error code);

/// What went wrong, where in the input, and which generated member was reading.
struct c_error {
    elmx_error code = ELMX_OK;
    std::string item;
    std::string program_file = "(not set)";
    int program_line = 0;
    int xml_line = -1;

    /// "Error: <message>\n", then for a failure the item, program file and line,
    /// and the XML line when it is known.
    std::string report() const;
};

/// The base of the reader and the writer: keeps the first error and the member
/// that was being handled when it happened.
class c_xml {
public:
    virtual ~c_xml() = default;

    /// Records the error (the first one stands) and returns what `user_error` makes of it.
    virtual elmx_error handle_error(elmx_error code, std::string_view item, const char* program_file, int program_line);
    /// A derived class could forgive a code by returning 0; the library never does.
    virtual elmx_error user_error(elmx_error code) { return code; }
    virtual std::string error_report() const { return error_.report(); }

    const c_error& error() const { return error_; }
    /// The generated member about to be read or written; errors raised by the
    /// runtime itself are reported against it.
    void set_program(const char* file, int line) {
        program_file_ = file;
        program_line_ = line;
    }
    /// Reports a failure against the member set by `set_program`.
    elmx_error fail(elmx_error code, std::string_view item) {
        return handle_error(code, item, program_file_, program_line_);
    }

protected:
    /// The input line being read, -1 where there is none (the writer).
    virtual int current_xml_line() const { return -1; }

private:
    c_error error_;
    const char* program_file_ = "(not set)";
    int program_line_ = 0;
};

} // namespace lmx
