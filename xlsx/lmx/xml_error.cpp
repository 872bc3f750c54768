// xml_error.cpp - the message table and the error report.
#include "xlsx/lmx/xml_error.h"

#include <iterator>

namespace lmx {

namespace {

struct CodeMessage {
    elmx_error code;
    const char* message;
};

// One row per code; the texts are the runtime's published messages.
constexpr CodeMessage kMessages[] = {
    {ELMX_OK, "No Error"},
    {ELMX_NO_FILE, "Unable to open file"},
    {ELMX_ALL_CARDINALITY, "Violation of xs:all cardinality constraints"},
    {ELMX_ATTRIBUTE_ALREADY_READ, "Attribute has already been read"},
    {ELMX_ATTRIBUTES_IN_ANONYMOUS_COMPOSITOR, "Attributes found in anonymous compositor"},
    {ELMX_BADLY_FORMED, "XML badly formed"},
    {ELMX_BAD_CHAR_ENCODING, "XML character encoding not supported"},
    {ELMX_BAD_CHOICE, "Inappropriate choice option selected"},
    {ELMX_BAD_COMMENT, "Badly formed comment"},
    {ELMX_BAD_DTD, "Badly formed DTD"},
    {ELMX_BAD_END_OF_ELEMENT, "Bad end of element"},
    {ELMX_BAD_END_TAG, "Bad start tag end"},
    {ELMX_BAD_END_TAG_SYNTAX, "Syntax error in end tag"},
    {ELMX_BAD_XML_DECL, "Bad XML Decl spec"},
    {ELMX_BAD_XML_VERSION, "Unsupported XML version"},
    {ELMX_ENCODING_MISMATCH, "Mis-match between specified char encoding and read bytes"},
    {ELMX_ELEMENT_NOT_FOUND, "Element not found"},
    {ELMX_EXTERNAL_ENTITY, "Reference to external entity"},
    {ELMX_FRACTION_DIGITS_EXCEEDED, "Fraction digits exceeded"},
    {ELMX_LENGTH_TOO_LONG, "Length too long"},
    {ELMX_LENGTH_TOO_SHORT, "Length too short"},
    {ELMX_MANDATORY_ELEMENT_MISSING, "Mandatory element missing"},
    {ELMX_NO_PATTERN_MATCHED, "No pattern matched"},
    {ELMX_NOT_WELL_FORMED, "Not well formed"},
    {ELMX_RECURSIVE_ENTITY, "Recursive entity definition"},
    {ELMX_REQUIRED_ATTRIBUTES_MISSING, "Required attribute(s) missing"},
    {ELMX_OCCURRENCE_EXCEEDS_MAX, "Element instances exceeds maxOccurs"},
    {ELMX_TOTAL_DIGITS_EXCEEDED, "Total digits exceeded"},
    {ELMX_UNABLE_TO_READ_ATTRIBUTE_VALUE, "Unable to read attribute value"},
    {ELMX_UNABLE_TO_READ_ELEMENT_VALUE, "Unable to read element value"},
    {ELMX_UNKNOWN_ALL_ELEMENT, "Unknown element in xs:all"},
    {ELMX_UNKNOWN_COMPLEX_CONTENT_ELEMENT, "Unknown element in complexContent"},
    {ELMX_UNEXPECTED_EMPTY_ELEMENT, "Unexpected empty element"},
    {ELMX_UNEXPECTED_ENTITY, "Unexpected entity"},
    {ELMX_UNEXPECTED_EOM, "Unexpected end of message"},
    {ELMX_VALUE_BAD_FORMAT, "Invalid value format for this type"},
    {ELMX_VALUE_EXCEEDS_MAX, "Value greater than specified maximum"},
    {ELMX_VALUE_EXCEEDS_MIN, "Value less than specified minimum"},
    {ELMX_VALUE_NOT_ENUMERATED, "Value does not match enumerations"},
    {ELMX_UNEXPECTED_ATTRIBUTE, "Unexpected attribute"},
    {ELMX_NILLED_ELEMENT_NOT_EMPTY, "Nilled element body not empty"},
    {ELMX_ENTITY_NOT_FOUND, "Entity not found"},
    {ELMX_UNDEFINED_ERROR, "Undefined error"},
    {ELMX_VALUE_NOT_FIXED, "Value does not match specified fixed constraint"},
    {ELMX_UNKNOWN_XSI_TYPE, "Unknown xsi:type"},
    {ELMX_TYPE_NOT_SET, "Type not set"},
    {ELMX_OCCURRENCE_ERROR, "min/max occurs error on marshaling"},
    {elmx_error(1000), "User defined error 1"},
    {elmx_error(1001), "User defined error 2"},
    {elmx_error(1002), "User defined error 3"},
    {elmx_error(1003), "User defined error 4"},
    {elmx_error(1004), "User defined error 5"},
    {elmx_error(1005), "User defined error 6"},
    {elmx_error(1006), "User defined error 7"},
    {elmx_error(1007), "User defined error 8"},
    {elmx_error(1008), "User defined error 9"},
};
static_assert(std::size(kMessages) == 56);

} // namespace

const char* elmx_error_message(elmx_error code) {
    for (const CodeMessage& row : kMessages)
        if (row.code == code) return row.message;
    return "";
}

std::string c_error::report() const {
    std::string text = "Error: ";
    text += elmx_error_message(code);
    text += '\n';
    if (code == ELMX_OK) return text;
    text += "Item: " + item + "\n";
    text += "Program file: " + program_file + "\n";
    text += "Program line: " + std::to_string(program_line) + "\n";
    if (xml_line != -1) text += "XML line: " + std::to_string(xml_line) + "\n";
    return text;
}

elmx_error c_xml::handle_error(elmx_error code, std::string_view item, const char* program_file, int program_line) {
    if (error_.code == ELMX_OK && code != ELMX_OK) {
        error_.code = code;
        error_.item.assign(item);
        error_.program_file = program_file ? program_file : "(not set)";
        error_.program_line = program_line;
        error_.xml_line = current_xml_line();
    }
    return user_error(code);
}

} // namespace lmx
