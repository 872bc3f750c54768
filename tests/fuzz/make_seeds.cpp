// make_seeds.cpp - writes the fuzz seeds of tests/fuzz/seeds with the library's own writer.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "core/book_factory.h"
#include "core/interfaces.h"
#include "../support/test_images.h"
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

void saveBook(const std::string& dir, const std::string& name, IBook* book) {
    const char* data = nullptr;
    std::size_t size = 0;
    if (!book->saveToMemory(&data, &size)) std::cerr << name << ": " << book->errorMessage() << "\n";
    std::ofstream(dir + "/" + name, std::ios::binary).write(data, static_cast<std::streamsize>(size));
    book->release();
}

// Pictures (PNG and BMP) placed on two sheets, comments with 8-bit and 16-bit text, and
// comments moved by row and column operations.
void drawings(const std::string& dir) {
    IBook* book = createBinaryBook();
    ISheet* first = book->addSheet(u"Pictures", nullptr);
    ISheet* second = book->addSheet(u"Comments", nullptr);
    std::vector<std::uint8_t> png = testing::makePng(30, 20);
    std::vector<std::uint8_t> bmp = testing::makeBmp(8, 4);
    int a = book->addPictureData(reinterpret_cast<const char*>(png.data()), png.size());
    int b = book->addPictureData(reinterpret_cast<const char*>(bmp.data()), bmp.size());
    first->placePictureScaled(1, 1, a, 2.0, 3, 4);
    first->placePictureSized(4, 0, b, 100, 40, 0, 0);
    second->placePictureScaled(0, 3, a, 1.0, 0, 0);
    first->writeComment(0, 0, u"plain comment", u"Ann", 0, 0);
    second->writeComment(2, 1, u"\u041F\u0440\u0438\u0432\u0435\u0442", nullptr, 150, 60);
    second->writeComment(6, 4, u"moved", nullptr, 0, 0);
    second->insertRows(3, 4);
    second->removeColumns(0, 0);
    saveBook(dir, "drawings.xls", book);
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
    drawings(argv[1]);
    return 0;
}
