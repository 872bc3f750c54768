// content_type_names.h - media types and relationship types the book works with.
#pragma once

namespace karvo::xlsx {

inline constexpr char16_t kWorkbookType[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
// Workbooks with macros, templates and add-ins have the same main part under
// other types; they load and save like a plain workbook.
inline constexpr const char16_t* kOtherWorkbookTypes[] = {
    u"application/vnd.ms-excel.sheet.macroEnabled.main+xml",
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml",
    u"application/vnd.ms-excel.template.macroEnabled.main+xml",
    u"application/vnd.ms-excel.addin.macroEnabled.main+xml",
};
inline constexpr char16_t kRelationshipsType[] = u"application/vnd.openxmlformats-package.relationships+xml";
inline constexpr char16_t kStylesType[] = u"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
inline constexpr char16_t kWorksheetType[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr char16_t kDrawingType[] = u"application/vnd.openxmlformats-officedocument.drawing+xml";
inline constexpr char16_t kSharedStringsType[] =
    u"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";

inline constexpr char16_t kOfficeDocumentRelationship[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr char16_t kWorksheetRelationship[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr char16_t kSharedStringsRelationship[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
inline constexpr char16_t kStylesRelationship[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr char16_t kDrawingRelationship[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing";
inline constexpr char16_t kImageRelationship[] =
    u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image";

inline constexpr char16_t kContentTypesPart[] = u"/[Content_Types].xml";

} // namespace karvo::xlsx
