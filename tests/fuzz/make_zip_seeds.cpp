// make_zip_seeds.cpp - writes the seeds of zip_fuzz (tests/fuzz/seeds/zip) with our own
// archive writer: small archives of stored, deflated and empty entries.
#include <fstream>
#include <string>
#include <vector>

#include "zip/zip_archive.h"

namespace {

using Entries = std::vector<std::pair<std::u16string, std::string>>;

void save(const std::string& dir, const char* name, const Entries& entries) {
    karvo::zip::CZipArchiveWriter writer;
    for (const auto& [entry, data] : entries)
        writer.add(entry, {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
    std::vector<std::uint8_t> bytes = writer.close();
    std::ofstream(dir + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string rows(int count) {
    std::string s = "<sheetData>";
    for (int r = 1; r <= count; ++r)
        s += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\"><v>" + std::to_string(r * 0.25) +
             "</v></c></row>";
    return s + "</sheetData>";
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : "tests/fuzz/seeds/zip";
    save(dir, "empty.zip", {});
    save(dir, "stored.zip", {{u"a", "abc"}, {u"b", ""}, {u"c", "1234"}});
    save(dir, "deflated.zip", {{u"xl/worksheets/sheet1.xml", rows(40)}});
    save(dir, "package.zip",
         {{u"[Content_Types].xml", "<Types><Default Extension=\"xml\"/></Types>"},
          {u"_rels/.rels", "<Relationships/>"},
          {u"xl/\u0434\u0430\u043D\u043D\u044B\u0435.xml", rows(5)},
          {u"xl/empty.xml", ""}});
    return 0;
}
