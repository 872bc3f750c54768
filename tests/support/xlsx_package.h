// xlsx_package.h - packages built and taken apart in tests of Open XML books.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/book_factory.h"
#include "core/utf_convert.h"
#include "support/book_bytes.h"
#include "zip/zip_archive.h"

namespace karvo::testing {

/// Entry name (archive form, no leading "/") to bytes, in archive order.
using PackageEntries = std::vector<std::pair<std::string, std::string>>;

inline std::string packageBytes(const PackageEntries& entries) {
    zip::CZipArchiveWriter writer;
    for (const auto& [name, bytes] : entries)
        writer.add(utf8ToUtf16(name), {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    std::vector<std::uint8_t> archive = writer.close();
    return {archive.begin(), archive.end()};
}

inline PackageEntries packageEntries(const char* data, std::size_t size) {
    zip::CZipArchive archive({reinterpret_cast<const std::uint8_t*>(data), size});
    PackageEntries entries;
    for (std::size_t i = 0; i < archive.entryCount(); ++i)
        entries.emplace_back(utf16ToUtf8(archive.header(i).fileName), archive.extract(i));
    return entries;
}

/// The smallest package most consumers open: one sheet whose worksheet XML is given.
inline PackageEntries minimalPackage(const std::string& sheetXml, const std::string& extraTypes = "") {
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rels = "http://schemas.openxmlformats.org/package/2006/relationships";
    const std::string officeRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    return {
        {"[Content_Types].xml",
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>" + extraTypes +
             "<Override PartName=\"/xl/workbook.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
             "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
             "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
             "</Types>"},
        {"_rels/.rels", "<Relationships xmlns=\"" + rels + "\"><Relationship Id=\"rId1\" Type=\"" + officeRels +
                            "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
        {"xl/workbook.xml", "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + officeRels +
                                "\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", "<Relationships xmlns=\"" + rels + "\"><Relationship Id=\"rId1\" Type=\"" +
                                           officeRels + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml", "<worksheet xmlns=\"" + main + "\">" + sheetXml + "</worksheet>"},
    };
}

/// An Open XML book loaded from a package; a failed load is a test failure.
inline BookPtr loadedXml(const std::string& package) {
    BookPtr book(createXmlBook());
    EXPECT_TRUE(book->loadFromMemory(package.data(), package.size())) << book->errorMessage();
    return book;
}

/// The entries an Open XML book saves.
inline PackageEntries savedEntries(IBook& book) {
    const char* data = nullptr;
    std::size_t size = 0;
    EXPECT_TRUE(book.saveToMemory(&data, &size)) << book.errorMessage();
    return data ? packageEntries(data, size) : PackageEntries{};
}

/// The saved bytes of one entry, with the layout whitespace of the XML taken out:
/// runs of blanks inside tags become one, blank text between tags goes.
inline std::string entry(const PackageEntries& entries, const std::string& name) {
    for (const auto& [entryName, bytes] : entries) {
        if (entryName != name) continue;
        std::string compact;
        bool inTag = false;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            char c = bytes[i];
            bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
            if (c == '<') inTag = true;
            if (c == '>') inTag = false;
            if (blank && inTag) {
                if (compact.back() != ' ') compact += ' ';
                continue;
            }
            if (blank && !inTag && (compact.empty() || compact.back() == '>')) {
                std::size_t next = bytes.find_first_not_of(" \t\r\n", i);
                if (next == std::string::npos || bytes[next] == '<') {
                    i = next == std::string::npos ? bytes.size() : next - 1;
                    continue;
                }
            }
            compact += c;
        }
        return compact;
    }
    return {};
}

/// The bytes of one entry exactly as saved.
inline std::string rawEntry(const PackageEntries& entries, const std::string& name) {
    for (const auto& [entryName, bytes] : entries)
        if (entryName == name) return bytes;
    return {};
}

} // namespace karvo::testing
