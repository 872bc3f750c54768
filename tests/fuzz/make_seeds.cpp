// make_seeds.cpp - writes the fuzz seeds of tests/fuzz/seeds with the library's own writer.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "xls/biff_strings.h"
#include "xls/xls.h"

using namespace karvo;

namespace {

const std::vector<std::uint8_t> kBof = {0x00, 0x06, 0x05, 0x00, 0xD3, 0x18, 0xCD, 0x07, 0x01, 0, 0, 0, 0x06, 0, 0, 0};
const std::vector<std::uint8_t> kSheetBof = {0x00, 0x06, 0x10, 0x00, 0xD3, 0x18, 0xCD, 0x07, 0x01, 0, 0, 0, 0x06, 0, 0, 0};

void save(const std::string& dir, const std::string& name, Xls& xls) {
    std::vector<std::uint8_t> file = xls.finish();
    std::ofstream(dir + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
}

// BOF and EOF only.
void minimal(const std::string& dir) {
    Xls xls = Xls::openWrite();
    xls.out().record(RecordId::BOF, kBof);
    xls.out().record(RecordId::EOF_, {});
    save(dir, "minimal.xls", xls);
}

// An SST whose strings cross CONTINUE records: 8-bit, 16-bit, runs, extended data.
void sharedStrings(const std::string& dir) {
    Xls xls = Xls::openWrite();
    RecordWriter& out = xls.out();
    out.record(RecordId::BOF, kBof);
    std::vector<RichString> strings(6);
    strings[0].text = u"plain";
    strings[1].flags = 0x00;
    strings[1].text = std::u16string(8300, u'n');
    strings[2].text = std::u16string(4200, u'\u0416');
    strings[3].text = u"runs";
    strings[3].runs = {{0, 5}, {2, 6}};
    strings[4].text = u"phonetic";
    strings[4].extRst = std::vector<std::uint8_t>(40, 0x11);
    strings[5].text = u"";
    ContinueWriter sst(out, RecordId::SST);
    sst.u32(6);
    sst.u32(6);
    for (const RichString& s : strings) writeRichString(sst, s);
    sst.finish();
    out.record(RecordId::EOF_, {});
    save(dir, "sst_continue.xls", xls);
}

// The globals with a BoundSheet8, then a sheet substream with a Label.
void sheet(const std::string& dir) {
    Xls xls = Xls::openWrite();
    RecordWriter& out = xls.out();
    out.record(RecordId::BOF, kBof);
    out.header(RecordId::BoundSheet8, 6 + shortStringSize(u"Sheet1", ShortForm::Count8));
    std::size_t position = out.position();
    out.u32(0);
    out.u16(0);
    writeShortString(out, u"Sheet1", ShortForm::Count8);
    out.record(RecordId::EOF_, {});
    out.patchU32(position, static_cast<std::uint32_t>(out.position()));
    out.record(RecordId::BOF, kSheetBof);
    std::vector<std::uint8_t> label = {0x00, 0x00, 0x01, 0x00, 0x0F, 0x00}; // row 0, column 1, XF 15
    writeShortString(label, u"Label text", ShortForm::Count16);
    out.record(RecordId::Label, label);
    out.record(RecordId::EOF_, {});
    save(dir, "sheet.xls", xls);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_seeds <directory>\n";
        return 2;
    }
    minimal(argv[1]);
    sharedStrings(argv[1]);
    sheet(argv[1]);
    return 0;
}
