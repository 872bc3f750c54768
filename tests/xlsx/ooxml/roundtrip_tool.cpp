// roundtrip_tool.cpp - reads XML parts and writes them back through the schema
// classes, for the corpus check script (corpus_roundtrip.py).
//
// Input on stdin: lines "<root element> <input path> <output path>". For each, the
// marshalled text goes to the output path and one line reports the result:
// "ok", "unstable" (a second round trip differs), or "fail <message>".
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "support/ooxml_roots.h"

namespace {

// Parts built from scratch the way a new book builds them, so that the script can
// validate what we write when nothing was read.

void writePart(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

template <class T>
T& append(std::vector<lmx::owned<T>>& list) {
    list.emplace_back(std::make_unique<T>());
    return *list.back();
}

std::string sampleSheet() {
    sheet::c_worksheet ws;
    auto& data = ws.sheetData.make();
    auto& row = append(data.row);
    row.r.set(1);
    row.ht.set(15);
    row.customHeight.set(true);
    auto& number = row.c.push_back({});
    number.set_value(u"2.5");
    auto& text = row.c.push_back({});
    text.set_column(1);
    text.set_type(lmx::compact_cell::t_s);
    text.set_value(u"0");
    text.set_style(1);
    auto& formula = row.c.push_back({});
    formula.set_column(2);
    sheet::cell_make_f(formula).value = u"A1*2";
    formula.set_value(u"5");
    auto& inlined = row.c.push_back({});
    inlined.set_column(3);
    inlined.set_type(lmx::compact_cell::t_inlineStr);
    sheet::cell_make_is(inlined).t.set(u" leading blank & <markup>");
    auto& cols = append(ws.cols);
    auto& col = append(cols.col);
    col.min = 1;
    col.max = 2;
    col.width.set(12.5);
    col.customWidth.set(true);
    auto& merge = append(ws.mergeCells.make().mergeCell);
    merge.ref = u"A2:B3";
    auto& margins = ws.pageMargins.make();
    margins.left = margins.right = 0.7;
    margins.top = margins.bottom = 0.75;
    margins.header = margins.footer = 0.3;
    std::string out;
    ws.marshal(out);
    return out;
}

std::string sampleStyles() {
    styles::c_styleSheet ss;
    auto& font = append(ss.fonts.make().font);
    font.sz.make().val = 11;
    font.name.make().val = u"Calibri";
    auto& fills = ss.fills.make();
    append(fills.fill).patternFill.make().patternType.set(u"none");
    append(fills.fill).patternFill.make().patternType.set(u"gray125");
    auto& border = append(ss.borders.make().border);
    border.left.make();
    border.right.make();
    border.top.make();
    border.bottom.make();
    border.diagonal.make();
    auto& xf = append(ss.cellXfs.make().xf);
    xf.numFmtId.set(0);
    xf.fontId.set(0);
    xf.fillId.set(0);
    xf.borderId.set(0);
    xf.xfId.set(0);
    auto& style = append(ss.cellStyles.make().cellStyle);
    style.name.set(u"Normal");
    style.xfId = 0;
    style.builtinId.set(0);
    std::string out;
    ss.marshal(out);
    return out;
}

std::string sampleStrings() {
    sharedStringTable::c_sst sst;
    sst.count.set(2);
    sst.uniqueCount.set(2);
    sst.si.push_back(u"plain");
    sst.si.push_back(u" padded ");
    std::string out;
    sst.marshal(out);
    return out;
}

std::string sampleWorkbook() {
    workbook::c_workbook wb;
    auto& sheet = append(wb.sheets.make().sheet);
    sheet.name = u"Sheet1";
    sheet.sheetId = 1;
    sheet.id = u"rId1";
    std::string out;
    wb.marshal(out);
    return out;
}

std::string sampleTypes() {
    contentypes::c_Types types;
    auto* d = new contentypes::c_CT_Default;
    d->Extension = u"rels";
    d->ContentType = u"application/vnd.openxmlformats-package.relationships+xml";
    types.items.push_back({0, lmx::any_object(&contentypes::c_CT_Default::class_table, d)});
    auto* o = new contentypes::c_CT_Override;
    o->PartName = u"/xl/workbook.xml";
    o->ContentType = u"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
    types.items.push_back({1, lmx::any_object(&contentypes::c_CT_Override::class_table, o)});
    std::string out;
    types.marshal(out);
    return out;
}

std::string sampleRelationships() {
    relationships::c_Relationships rels;
    auto& r = append(rels.Relationship);
    r.Id = u"rId1";
    r.Type = u"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
    r.Target = u"xl/workbook.xml";
    std::string out;
    rels.marshal(out);
    return out;
}

std::string sampleDrawing() {
    drawing::c_wsDr dr;
    auto* anchor = new drawing::c_CT_TwoCellAnchor;
    anchor->from.make().col = 1;
    anchor->to.make().col = 3;
    anchor->to->row = 5;
    anchor->clientData.make();
    auto& pic = anchor->pic.make();
    auto& nv = pic.nvPicPr.make();
    nv.cNvPr.make().id = 2;
    nv.cNvPr->name = u"Picture 1";
    nv.cNvPicPr.make();
    pic.blipFill.make().blip.make().embed.set(u"rId1");
    pic.blipFill->stretch.make().fillRect.make();
    pic.spPr.make().prstGeom.make().prst = u"rect";
    dr.items.push_back({0, lmx::any_object(&drawing::c_CT_TwoCellAnchor::class_table, anchor)});
    std::string out;
    dr.marshal(out);
    return out;
}

void writeSamples(const std::string& dir) {
    writePart(dir + "/wsDr.xml", sampleDrawing());
    writePart(dir + "/worksheet.xml", sampleSheet());
    writePart(dir + "/styleSheet.xml", sampleStyles());
    writePart(dir + "/sst.xml", sampleStrings());
    writePart(dir + "/workbook.xml", sampleWorkbook());
    writePart(dir + "/Types.xml", sampleTypes());
    writePart(dir + "/Relationships.xml", sampleRelationships());
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--samples") {
        writeSamples(argv[2]);
        return 0;
    }
    std::string root, input, output;
    while (std::cin >> root >> input >> output) {
        std::ifstream in(input, std::ios::binary);
        std::string xml((std::istreambuf_iterator<char>(in)), {});
        karvo::testing::RoundTrip result;
        if (!karvo::testing::roundTrip(root, xml, result)) {
            std::cout << "fail no class for root " << root << "\n";
            continue;
        }
        if (result.code || !result.report.empty()) {
            std::string report = result.report;
            for (char& c : report)
                if (c == '\n') c = ' ';
            std::cout << "fail " << report << "\n";
            continue;
        }
        std::ofstream(output, std::ios::binary) << result.marshalled;
        std::cout << (!result.stable ? "unstable" : !result.copyStable ? "copy-differs" : "ok") << "\n";
    }
}
