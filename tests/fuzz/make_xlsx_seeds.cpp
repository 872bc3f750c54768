// make_xlsx_seeds.cpp - writes the seeds of xlsx_load_fuzz (tests/fuzz/seeds/xlsx) with
// our own code: books made through the interfaces (values, sheets, pictures), and one
// package assembled part by part for what the interfaces do not write (shared
// formulas, inline strings, errors, merges, column ranges, a part kept as bytes).
#include <fstream>
#include <string>
#include <vector>

#include "core/book_factory.h"
#include "support/test_images.h"
#include "zip/zip_archive.h"

using namespace karvo;

namespace {

void saveBook(IBook* book, const std::string& path) {
    const char* data = nullptr;
    std::size_t size = 0;
    if (book->saveToMemory(&data, &size)) std::ofstream(path, std::ios::binary).write(data, static_cast<std::streamsize>(size));
    book->release();
}

void values(const std::string& dir) {
    IBook* book = createXmlBook();
    ISheet* sheet = book->addSheet(u"Values");
    IFormat* date = book->addFormat();
    date->setNumFormat(book->addCustomNumFormat(u"yyyy-mm-dd"));
    sheet->writeNumber(0, 0, 1.5);
    sheet->writeNumber(0, 1, -42);
    sheet->writeString(1, 0, u" gr\u00FC\u00DFe ");
    sheet->writeString(1, 1, u" gr\u00FC\u00DFe ");
    sheet->writeBool(2, 0, true);
    sheet->writeBlank(2, 1, date);
    sheet->writeNumber(3, 0, 36526, date);
    sheet->writeFormula(3, 1, u"SUM(A1:A4;'Other sheet'!B2)");
    sheet->setRow(4, 30, nullptr, true);
    sheet->setColumns(2, 4, 12.5, nullptr, false);
    sheet->setColumnHidden(6, true);
    saveBook(book, dir + "/values.xlsx");
}

void sheets(const std::string& dir) {
    IBook* book = createXmlBook();
    book->addSheet(u"One")->writeNumber(0, 0, 1);
    book->addSheet(u"Other sheet")->setSheetState(SheetHidden);
    book->addSheet(u"Three")->setSheetState(SheetVeryHidden);
    book->setActiveSheetNumber(0);
    book->setUsesR1C1(true);
    saveBook(book, dir + "/sheets.xlsx");
}

void features(const std::string& dir) {
    IBook* book = createXmlBook();
    ISheet* sheet = book->addSheet(u"My Data");
    sheet->writeNumber(0, 0, 1);
    sheet->addMerge(1, 2, 0, 1);
    sheet->setNamedRange(u"Prices", 1, 9, 0, 2);
    sheet->setPrintArea(0, 19, 0, 5);
    sheet->setPrintRepeatRows(0, 1);
    sheet->setPrintRepeatColumns(0, 0);
    sheet->setRowBreak(10, true);
    sheet->setColumnBreak(3, true);
    sheet->splitPanes(1, 1);
    sheet->groupRows(4, 6, true);
    sheet->groupColumns(5, 6, false);
    sheet->setPrintFitPages(1, 2);
    sheet->setLandscape(true);
    sheet->setHeader(u"&CPage &P", 0.4);
    sheet->setProtected(true);
    saveBook(book, dir + "/features.xlsx");
}

void styled(const std::string& dir) {
    IBook* book = createXmlBook();
    ISheet* sheet = book->addSheet(u"Styled");
    IFormat* palette = book->addFormat();
    IFont* font = book->addFont();
    font->setBold(true);
    font->setUnderline(UnderlineDoubleAccounting);
    font->setColor(static_cast<Color>(10));
    palette->setFont(font);
    palette->setBorder(BorderDashDot);
    palette->setBorderColor(static_cast<Color>(12));
    palette->setBorderDiagonal(BorderDiagonalBoth);
    palette->setFillPattern(FillGray6P25);
    palette->setPatternBackgroundColor(ColorSystemBackground);
    palette->setAlignH(AlignHDistributed);
    palette->setRotation(255);
    palette->setLocked(false);
    sheet->writeNumber(0, 0, 1, palette);
    book->setRgbColorMode(true);
    IFormat* rgb = book->addFormat(palette);
    rgb->setPatternForegroundColor(book->packColor(1, 2, 3));
    rgb->font()->setScript(ScriptSub);
    rgb->setNumFormat(book->addCustomNumFormat(u"0.0%"));
    sheet->writeString(1, 0, u"rgb", rgb);
    saveBook(book, dir + "/styled.xlsx");
}

// Two images on two sheets: drawing parts, their relationships and the image parts.
void pictures(const std::string& dir) {
    IBook* book = createXmlBook();
    ISheet* first = book->addSheet(u"Pictures");
    ISheet* second = book->addSheet(u"More");
    auto add = [&](const std::vector<std::uint8_t>& image) {
        return book->addPictureData(reinterpret_cast<const char*>(image.data()), image.size());
    };
    int png = add(karvo::testing::makePng(3, 2));
    int bmp = add(karvo::testing::makeBmp(2, 3));
    first->setColumns(1, 1, 20, nullptr, false);
    first->placePictureSized(1, 1, png, 150, 40, 3, 2);
    first->placePictureScaled(4, 0, bmp, 10, 0, 0);
    second->placePictureScaled(0, 0, png, 1, 0, 0);
    saveBook(book, dir + "/pictures.xlsx");
}

void assembled(const std::string& dir) {
    const std::string main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    const std::vector<std::pair<std::u16string, std::string>> parts = {
        {u"[Content_Types].xml",
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument."
         "spreadsheetml.sheet.main+xml\"/><Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\""
         "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
         "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/vnd.openxmlformats-"
         "officedocument.spreadsheetml.sharedStrings+xml\"/></Types>"},
        {u"_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                         "<Relationship Id=\"rId1\" Type=\"" + rel + "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                         "</Relationships>"},
        {u"xl/workbook.xml", "<workbook xmlns=\"" + main + "\" xmlns:r=\"" + rel + "\"><workbookPr date1904=\"1\"/>"
                             "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
                             "<definedNames><definedName name=\"N\">S!$A$1</definedName></definedNames></workbook>"},
        {u"xl/_rels/workbook.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"" + rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"" + rel + "/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
         "<Relationship Id=\"rId3\" Type=\"" + rel + "/theme\" Target=\"../xl/theme/theme1.xml\"/></Relationships>"},
        {u"xl/sharedStrings.xml", "<sst xmlns=\"" + main + "\" count=\"2\" uniqueCount=\"2\"><si><t>a</t></si>"
                                  "<si><r><t>b</t></r><r><t>c</t></r></si></sst>"},
        {u"xl/worksheets/sheet1.xml",
         "<worksheet xmlns=\"" + main + "\"><sheetFormatPr defaultRowHeight=\"14\" baseColWidth=\"9\"/>"
         "<cols><col min=\"1\" max=\"3\" width=\"20\" customWidth=\"1\"/></cols><sheetData>"
         "<row r=\"1\" ht=\"20\" customHeight=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
         "<c r=\"C1\"><f t=\"shared\" ref=\"C1:C3\" si=\"0\">A1&amp;B$1</f><v>0</v></c></row>"
         "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>in</t></is></c><c r=\"B2\" t=\"e\"><v>#N/A</v></c>"
         "<c r=\"C2\"><f t=\"shared\" si=\"0\"/></c></row>"
         "<row r=\"3\" hidden=\"1\"><c r=\"A3\" t=\"b\"><v>1</v></c><c r=\"C3\"><f t=\"shared\" si=\"0\"/></c></row>"
         "</sheetData><mergeCells count=\"1\"><mergeCell ref=\"A5:C6\"/></mergeCells></worksheet>"},
        {u"xl/theme/theme1.xml", "<theme name=\"kept as bytes\"/>"},
    };
    zip::CZipArchiveWriter writer;
    for (const auto& [name, data] : parts)
        writer.add(name, {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
    std::vector<std::uint8_t> bytes = writer.close();
    std::ofstream(dir + "/assembled.xlsx", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : "tests/fuzz/seeds/xlsx";
    values(dir);
    sheets(dir);
    pictures(dir);
    assembled(dir);
    styled(dir);
    features(dir);
    return 0;
}
