// xml_reader_test.cpp - the pull reader: encodings, declaration, DTD and entities,
// namespaces, errors with their items, limits, and chunked input against memory.
#include "xlsx/lmx/xml_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tests/xlsx/lmx/xml_walk.h"
#include "xlsx/lmx/xml_reader_input.h"

namespace lmx {
namespace {

const ns_entry kTable[] = {{1000, "", "urn:main"}, {1001, "r", "urn:rel"}, {0, nullptr, nullptr}};

// Text for r, t and v; x is captured, s skipped; everything else walked with next().
walk::step by_name(const c_xml_reader& r, int) {
    std::string_view n = r.element().local;
    if (n == "r" || n == "t" || n == "v") return walk::step::text;
    if (n == "x") return walk::step::capture;
    if (n == "s") return walk::step::skip;
    return walk::step::next;
}

walk::result from_memory(std::string_view doc) {
    c_xml_reader r(doc.data(), doc.data() + doc.size());
    return walk::run(r, by_name, kTable);
}

walk::result from_chunks(std::string_view doc, std::vector<std::size_t> sizes) {
    c_xml_reader r(walk::pieces(doc, std::move(sizes)));
    return walk::run(r, by_name, kTable);
}

// Memory and chunked input must agree to the byte; this returns the memory reading.
walk::result read_both(std::string_view doc) {
    walk::result m = from_memory(doc);
    walk::result c = from_chunks(doc, {1});
    EXPECT_EQ(m.events, c.events) << doc;
    EXPECT_EQ(m.code, c.code) << doc;
    EXPECT_EQ(m.item, c.item) << doc;
    EXPECT_EQ(m.line, c.line) << doc;
    return m;
}

struct Case {
    std::string doc;
    elmx_error code;
    std::string expected;  // the item of a failure, else the events
};

void check(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        walk::result r = read_both(c.doc);
        EXPECT_EQ(r.code, c.code) << c.doc << "\n" << r.item;
        EXPECT_EQ(c.code == ELMX_OK ? r.events : r.item, c.expected) << c.doc;
    }
}

// UTF-8 test text to UTF-16 bytes; `units` are spliced in raw (for broken pairs).
std::string utf16(std::string_view s, bool big, bool bom, std::vector<char16_t> units = {}) {
    std::u16string u;
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t cp = len == 1 ? c : c & (0x3F >> (len - 1));
        for (int k = 1; k < len; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += len;
        if (cp >= 0x10000) {
            u += char16_t(0xD800 + ((cp - 0x10000) >> 10));
            u += char16_t(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            u += char16_t(cp);
        }
        if (cp == '>' && !units.empty()) u.append(units.begin(), units.end()), units.clear();
    }
    std::string out = bom ? (big ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (char16_t c : u) {
        char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
        out += big ? hi : lo;
        out += big ? lo : hi;
    }
    return out;
}

const std::string kMismatch = "Mis-match between specfied encoding and byte format";
const std::string kText = "(1:r=\xC3\xA9\xF0\x9F\x98\x80)";  // é and U+1F600
std::string decl(const char* encoding) { return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>"; }

TEST(XmlReaderEncoding, EveryStartAndDeclaredName) {
    const std::string body = "<r>\xC3\xA9\xF0\x9F\x98\x80</r>";
    check({
        {body, ELMX_OK, kText},
        {"\xEF\xBB\xBF" + body, ELMX_OK, kText},
        {decl("utf-8") + body, ELMX_OK, kText},
        {" \n" + body, ELMX_OK, kText},
        {utf16(body, false, true), ELMX_OK, kText},
        {utf16(body, false, false), ELMX_OK, kText},
        {utf16(body, true, true), ELMX_OK, kText},
        {utf16(body, true, false), ELMX_OK, kText},
        {utf16(decl("UTF-16") + body, false, false), ELMX_OK, kText},
        {utf16(decl("ISO-10646-UCS-2") + "<r>\xC3\xA9</r>", true, false), ELMX_OK, "(1:r=\xC3\xA9)"},
        {utf16(decl("ISO-10646-UCS-2") + body, false, true), ELMX_BAD_CHAR_ENCODING, "Surrogate code unit in UCS-2 input"},
        {utf16("<r>x</r>", false, true, {0xD800}), ELMX_BAD_CHAR_ENCODING, "Unrecognised character encoding"},
        {utf16("<r>x</r>", true, false, {0xDC00}), ELMX_BAD_CHAR_ENCODING, "Unrecognised character encoding"},
        {utf16("<r/>", false, false) + "<", ELMX_BAD_CHAR_ENCODING, "Odd number of bytes in UTF-16 input"},
        {decl("ISO-8859-1") + "<r>\xE9\xFF</r>", ELMX_OK, "(1:r=\xC3\xA9\xC3\xBF)"},
        {decl("us-ascii") + "<r a='\xE9'/>", ELMX_OK, "(1:r 1:a=\xC3\xA9/=)"},
        {utf16(decl("UTF-8") + body, false, true), ELMX_ENCODING_MISMATCH, kMismatch},
        {decl("UTF-16") + body, ELMX_ENCODING_MISMATCH, kMismatch},
        {decl("ISO-10646-UCS-2") + body, ELMX_ENCODING_MISMATCH, kMismatch},
        {utf16(decl("ISO-8859-1") + body, true, false), ELMX_ENCODING_MISMATCH, kMismatch},
        {decl("EBCDIC-US") + body, ELMX_BAD_CHAR_ENCODING, "Unknown character encoding specified"},
        {"x" + body, ELMX_BAD_CHAR_ENCODING, "Unrecognised character encoding"},
        {"\xFF\xFE", ELMX_BAD_CHAR_ENCODING, "Unrecognised character encoding"},
        {"<r>\xC3\x28</r>", ELMX_BAD_CHAR_ENCODING, "Invalid UTF-8 byte sequence"},
        {"<r>\xC0\xAF</r>", ELMX_BAD_CHAR_ENCODING, "Invalid UTF-8 byte sequence"},
        {"<r>\xED\xA0\x80</r>", ELMX_BAD_CHAR_ENCODING, "Invalid UTF-8 byte sequence"},
        {"<r/>\xE2\x82", ELMX_BAD_CHAR_ENCODING, "Invalid UTF-8 byte sequence"},
        // Inside and past the runs of ASCII that are checked many bytes at a time.
        {"<r>" + std::string(20, 'a') + "\xC3\x28" + std::string(40, 'b') + "</r>", ELMX_BAD_CHAR_ENCODING,
         "Invalid UTF-8 byte sequence"},
        {"<r>" + std::string(45, 'a') + "\xC3\x28</r>", ELMX_BAD_CHAR_ENCODING, "Invalid UTF-8 byte sequence"},
        {"<r>" + std::string(45, 'a') + "\xC3\xA9</r>", ELMX_OK, "(1:r=" + std::string(45, 'a') + "\xC3\xA9)"},
        {"", ELMX_UNEXPECTED_EOM, "Premature end of file encountered"},
    });
}

TEST(XmlReaderDeclaration, OrderAndValues) {
    check({
        {"<?xml version='1.1' encoding='UTF-8' standalone='no' ?><a/>", ELMX_OK, "(1:a/)"},
        {"<?xml version=\"1.0\"?><?xml-stylesheet href='a'?><a/>", ELMX_OK, "(1:a/)"},
        {" <?xml version=\"1.0\"?><a/>", ELMX_BAD_XML_DECL, "XML declaration not at start of document"},
        {"<a/><?xml version=\"1.0\"?>", ELMX_BAD_XML_DECL, "XML declaration not at start of document"},
        {"<?xml encoding=\"UTF-8\"?><a/>", ELMX_BAD_XML_DECL, "Version not present in XML Decl"},
        {"<?xml version=\"2.0\"?><a/>", ELMX_BAD_XML_VERSION, "XML version 2.0 not understood"},
        {"<?xml version\"1.0\"?><a/>", ELMX_BAD_XML_DECL, "Schema is not Well Formed (expected '=', got '\""},
        {"<?xml version=1.0?><a/>", ELMX_BAD_XML_DECL, "Schema is not Well Formed (expected '\"' or ''', got1"},
        {"<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?><a/>", ELMX_BAD_XML_DECL, "XML Decl not Well Formed (got e)"},
        {"<?xml version=\"1.0\"encoding=\"UTF-8\"?><a/>", ELMX_BAD_XML_DECL, "XML Decl not Well Formed (got e)"},
        {"<?xml version=\"1.0\" standalone=\"maybe\"?><a/>", ELMX_BAD_XML_DECL, "standalone must be \"yes\" or \"no\", not \"maybe\""},
        {"<?xml version=\"1.0\" \xC3\xA9?><a/>", ELMX_BAD_XML_DECL, "XML Decl not Well Formed"},
    });
}

TEST(XmlReaderDtd, FailuresWithTheirItems) {
    check({
        {"<!DOCTYPE a><!DOCTYPE a><a/>", ELMX_BAD_DTD, "Document Type Declaration already read"},
        {"<a><!DOCTYPE a></a>", ELMX_BAD_DTD, "Document Type Declaration not at start of document"},
        {"<a/><!DOCTYPE a>", ELMX_BAD_DTD, "Document Type Declaration not at start of document"},
        {"<!DOCTYPE r [<!ENTITY e SYSTEM \"x\">]><r/>", ELMX_EXTERNAL_ENTITY, "External Entity definitions not supported"},
        {"<!DOCTYPE r [<!ENTITY e PUBLIC \"x\" \"y\">]><r/>", ELMX_EXTERNAL_ENTITY, "External Entity definitions not supported"},
        {"<!DOCTYPE r [<!ENTITY e x>]><r/>", ELMX_BAD_DTD, "Unexpected value in Entity definition: x"},
        {"<!DOCTYPE r [<!ENTITY e \"x\" y>]><r/>", ELMX_BAD_DTD, "DTD not Well Formed (expected '>', got y)"},
        {"<!DOCTYPE r [ junk ]><r/>", ELMX_BAD_DTD, "DTD not Well Formed (got j)"},
        {"<!DOCTYPE r [] x><r/>", ELMX_BAD_DTD, "DTD not Well Formed (expected '>', got x)"},
        {"<!DOCTYPEr><r/>", ELMX_BAD_DTD, "DTD not Well Formed (got r)"},
        {"<!DOCTYPE r [<!-- a -- b -->]><r/>", ELMX_BAD_COMMENT, "End of comment not Well-Formed"},
        {"<!DOCTYPE r [%p;]><r/>", ELMX_ENTITY_NOT_FOUND, "Entity '%p' not found"},
        {"<!DOCTYPE r [<!ENTITY e \"%q;\">]><r/>", ELMX_ENTITY_NOT_FOUND, "Entity '%q' not found"},
        {"<!DOCTYPE r [<!ENTITY % a \"&#37;a;\"> %a;]><r/>", ELMX_RECURSIVE_ENTITY, "Recursive entity definition for: %a"},
        {"<!DOCTYPE r [<!ENTITY % d \"<!ENTITY e 'x'\"> %d;]><r/>", ELMX_BAD_DTD, "DTD not Well Formed (got end of entity)"},
    });
}

std::string billion_laughs() {
    std::string d = "<!DOCTYPE r [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i) {
        d += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) d += "&l" + std::to_string(i - 1) + ";";
        d += "\">";
    }
    return d + "]><r>&l9;</r>";
}

std::string quadratic_blowup() {
    std::string d = "<!DOCTYPE r [<!ENTITY big \"" + std::string(100000, 'a') + "\">]><r>";
    for (int i = 0; i < 100000; ++i) d += "&big;";
    return d + "</r>";
}

std::string entity_chain(int length) {
    std::string d = "<!DOCTYPE r [<!ENTITY e0 \"end\">";
    for (int i = 1; i < length; ++i) d += "<!ENTITY e" + std::to_string(i) + " \"&e" + std::to_string(i - 1) + ";\">";
    return d + "]><r>&e" + std::to_string(length - 1) + ";</r>";
}

std::string many_definitions(int count) {
    std::string d = "<!DOCTYPE r [";
    for (int i = 0; i < count; ++i) d += "<!ENTITY e" + std::to_string(i) + " \"v\">";
    return d + "]><r>&e0;</r>";
}

TEST(XmlReaderEntities, ReplacementAndReferences) {
    const std::string kTooMuch = "Entity expansion exceeds 1 MiB in one document";
    check({
        {"<r>&lt;&gt;&amp;&apos;&quot;</r>", ELMX_OK, "(1:r=<>&'\")"},
        {"<r>&#65;&#x42;&#x1F600;</r>", ELMX_OK, "(1:r=AB\xF0\x9F\x98\x80)"},
        {"<r>&undefined; & x &;</r>", ELMX_OK, "(1:r=&undefined; & x &;)"},
        {"<!DOCTYPE r [<!ENTITY e \"v&amp;&#65;\">]><r>[&e;]</r>", ELMX_OK, "(1:r=[v&A])"},
        {"<!DOCTYPE r [<!ENTITY e \"&#38;#60;\">]><r>&e;</r>", ELMX_OK, "(1:r=<)"},
        {"<!DOCTYPE r [<!ENTITY a \"x&b;\"><!ENTITY b \"y\">]><r>&a;</r>", ELMX_OK, "(1:r=xy)"},
        {"<!DOCTYPE r [<!ENTITY % p \"P\"><!ENTITY e \"a%p;b\">]><r>&e;</r>", ELMX_OK, "(1:r=aPb)"},
        {"<!DOCTYPE r [<!ENTITY % d \"<!ENTITY e 'D'>\"> %d;]><r>&e;</r>", ELMX_OK, "(1:r=D)"},
        {"<!DOCTYPE r [<!ENTITY e \"1\"><!ENTITY e \"2\">]><r>&e;</r>", ELMX_OK, "(1:r=1)"},
        {"<!DOCTYPE r [<!ELEMENT r (#PCDATA)><!ATTLIST r a CDATA \"x>y\"><!-- c --><?pi x?><!ENTITY e \"E\">]><r>&e;</r>",
         ELMX_OK, "(1:r=E)"},
        {"<!DOCTYPE r SYSTEM \"r.dtd\"><r>x</r>", ELMX_OK, "(1:r=x)"},
        {"<!DOCTYPE r [<!ENTITY e \"E\">]><a b=\"&e;&lt;&#65;\" c='&x;'/>", ELMX_OK, "(1:a 1:b=E<A 1:c=&x;/)"},
        {"<r>a<![CDATA[<&>]]>b<!-- c --><?p i?><k>skipped</k>c</r>", ELMX_OK, "(1:r=a<&>bc)"},
        {"<r>a\r\nb\rc<![CDATA[x\r\ny]]></r>", ELMX_OK, "(1:r=a\nb\ncx\ny)"},
        {"<a b=\"1\r\n2\"/>", ELMX_OK, "(1:a 1:b=1\r\n2/)"},
        {"<r>&#0;</r>", ELMX_NOT_WELL_FORMED, "Invalid character reference: &#0;"},
        {"<r>&#xD800;</r>", ELMX_NOT_WELL_FORMED, "Invalid character reference: &#xD800;"},
        {"<r>&#x110000;</r>", ELMX_NOT_WELL_FORMED, "Invalid character reference: &#x110000;"},
        {"<r>&#12</r>", ELMX_NOT_WELL_FORMED, "Invalid character reference: &#12"},
        {"<r>&#x;</r>", ELMX_NOT_WELL_FORMED, "Invalid character reference: &#x;"},
        {"<!DOCTYPE r [<!ENTITY e \"x&e;\">]><r>&e;</r>", ELMX_RECURSIVE_ENTITY, "Recursive entity definition for: e"},
        {"<!DOCTYPE r [<!ENTITY a \"&b;\"><!ENTITY b \"&a;\">]><r>&a;</r>", ELMX_RECURSIVE_ENTITY,
         "Recursive entity definition for: a"},
        {billion_laughs(), ELMX_UNEXPECTED_ENTITY, kTooMuch},
        {entity_chain(16), ELMX_OK, "(1:r=end)"},
        {entity_chain(17), ELMX_UNEXPECTED_ENTITY, "Entity references nested deeper than 16"},
        {many_definitions(10000), ELMX_OK, "(1:r=v)"},
        {many_definitions(10001), ELMX_UNEXPECTED_ENTITY, "More than 10000 entity definitions"},
    });
}

// Each reference is charged where it is expanded, so this stops after a megabyte
// of output instead of producing ten gigabytes.
TEST(XmlReaderEntities, QuadraticBlowupStopsAtTheBudget) {
    std::string doc = quadratic_blowup();
    walk::result r = from_memory(doc);
    EXPECT_EQ(r.code, ELMX_UNEXPECTED_ENTITY);
    EXPECT_EQ(r.item, "Entity expansion exceeds 1 MiB in one document");
    EXPECT_EQ(from_chunks(doc, {4096}).item, r.item);
}

TEST(XmlReaderNamespaces, ResolvesInScope) {
    const std::string kXsi = "http://www.w3.org/2001/XMLSchema-instance";
    check({
        {"<a xmlns=\"urn:main\" xmlns:r=\"urn:rel\" r:id=\"1\" b=\"2\"><r:c/><d xmlns=\"urn:other\"/><e xmlns=\"\"/></a>", ELMX_OK,
         "(1000:a 1:xmlns#=urn:main 1:xmlns:r#=urn:rel 1001:r:id=1 1:b=2(1001:r:c|c/)(0:d 1:xmlns#=urn:other/)(1:e 1:xmlns#=/))"},
        {"<a xmlns:i=\"" + kXsi + "\" xml:space=\"preserve\" i:nil=\"true\"/>", ELMX_OK,
         "(1:a 1:xmlns:i#=" + kXsi + " 2:xml:space=preserve 3:i:nil=true/)"},
        {"<p:a xmlns:p=\"urn:main\"><p:b xmlns:p=\"urn:rel\"/><p:c/></p:a>", ELMX_OK,
         "(1000:p:a|a 1:xmlns:p#=urn:main(1001:p:b|b 1:xmlns:p#=urn:rel/)(1000:p:c|c/))"},
        {"<q:a/>", ELMX_NOT_WELL_FORMED, "Namespace prefix not declared: q"},
        {"<a q:b=\"1\"/>", ELMX_NOT_WELL_FORMED, "Namespace prefix not declared: q"},
        {"<a xmlns:q=\"urn:rel\"><q:b/></a><!-- -->", ELMX_OK, "(1:a 1:xmlns:q#=urn:rel(1001:q:b|b/))"},
        {"<a><q:b xmlns:q=\"urn:rel\"/><q:c/></a>", ELMX_NOT_WELL_FORMED, "Namespace prefix not declared: q"},
    });
}

TEST(XmlReaderElements, SyntaxFaults) {
    check({
        {"<a>text<b a = 'x' />\n<s><b>deep</b></s></a>", ELMX_OK, "(1:a(1:b 1:a=x/)(1:s~))"},
        {"<a></b>", ELMX_NOT_WELL_FORMED, "Element start tag (a) and end tag (b) do not match"},
        {"<a/ >", ELMX_BAD_END_TAG, "Illegal character(s) after / at end of tag -  "},
        {"<a b='1'/x>", ELMX_BAD_END_TAG, "Illegal character(s) after / at end of tag - x"},
        {"<a b=\"1\"c=\"2\"/>", ELMX_NOT_WELL_FORMED, "XML not Well-Formed"},
        {"<a b=1/>", ELMX_NOT_WELL_FORMED, "XML not Well-Formed"},
        {"<a b/>", ELMX_NOT_WELL_FORMED, "XML not Well-Formed"},
        {"<a b=\"<\"/>", ELMX_NOT_WELL_FORMED, "Character '<' in attribute value"},
        {"<a><!-- x -- y --></a>", ELMX_BAD_COMMENT, "End of comment not Well-Formed"},
        {"<a/><b/>", ELMX_NOT_WELL_FORMED, "XML not Well-Formed"},
        {"<a/>junk", ELMX_NOT_WELL_FORMED, "XML not Well-Formed"},
        {"junk<a/>", ELMX_BAD_CHAR_ENCODING, "Unrecognised character encoding"},
        {" junk<a/>", ELMX_NOT_WELL_FORMED, "XML not Well-Formed"},
        {"<a>", ELMX_UNEXPECTED_EOM, "Unexpected end of file"},
        {"<!-- only -->", ELMX_UNEXPECTED_EOM, "Premature end of file encountered"},
        {"<a><?xml version=\"1.0\"?></a>", ELMX_BAD_XML_DECL, "XML declaration not at start of document"},
        {"<a><!x></a>", ELMX_NOT_WELL_FORMED, "XML not Well-Formed"},
        {"<a><1/></a>", ELMX_NOT_WELL_FORMED, "XML not Well-Formed"},
        {"<a></ a>", ELMX_NOT_WELL_FORMED, "XML not Well-Formed"},
    });
}

TEST(XmlReaderSkip, CaptureStandsOnItsOwn) {
    check({
        {"<a xmlns=\"urn:main\" xmlns:r=\"urn:rel\" xmlns:q='a\"b&amp;'><x r:id=\"1\"><y>t</y><!--c--></x>"
         "<x xmlns:r=\"urn:r2\"/><b xmlns=\"urn:in\"><x/></b></a>",
         ELMX_OK,
         "(1000:a 1:xmlns#=urn:main 1:xmlns:r#=urn:rel 1:xmlns:q#=a\"b&"
         "(1000:x 1001:r:id=1[<x xmlns=\"urn:main\" xmlns:r=\"urn:rel\" xmlns:q=\"a&quot;b&amp;\" r:id=\"1\"><y>t</y><!--c--></x>])"
         "(1000:x 1:xmlns:r#=urn:r2/[<x xmlns=\"urn:main\" xmlns:q=\"a&quot;b&amp;\" xmlns:r=\"urn:r2\"/>])"
         "(0:b 1:xmlns#=urn:in(0:x/[<x xmlns:r=\"urn:rel\" xmlns:q=\"a&quot;b&amp;\" xmlns=\"urn:in\"/>]))"
         ")"},
        {"<x a='1'>t<![CDATA[c]]><s/></x>", ELMX_OK, "(1:x 1:a=1[<x a='1'>t<![CDATA[c]]><s/></x>])"},
    });
}

// The same document with every chunking: byte by byte, odd sizes, mixed, large.
TEST(XmlReaderChunked, AnyChunkingReadsAsMemory) {
    std::string sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                        "<worksheet xmlns=\"urn:main\" xmlns:r=\"urn:rel\"><sheetData>";
    for (int row = 1; row <= 300; ++row) {
        sheet += "<row r=\"" + std::to_string(row) + "\">";
        for (char col : {'A', 'B', 'C'})
            sheet += std::string("<c r=\"") + col + std::to_string(row) + "\" t=\"n\"><v>" + std::to_string(row * 1.5) + "</v></c>";
        sheet += "</row>\n";
    }
    sheet += "</sheetData><x><r:y a='&amp;'>z</r:y></x></worksheet>";
    std::string wide = sheet;
    wide.replace(wide.find("UTF-8"), 5, "UTF-16");
    std::vector<std::string> docs = {sheet, utf16(wide, true, true), billion_laughs(), entity_chain(5),
                                     "<a>\n<b>\r\n<c>\r<d></x>", sheet.substr(0, sheet.size() - 20)};
    std::mt19937 rng(7);
    std::vector<std::size_t> random_sizes;
    for (int i = 0; i < 50; ++i) random_sizes.push_back(1 + rng() % 200);
    for (const std::string& doc : docs) {
        walk::result m = from_memory(doc);
        for (const auto& sizes : std::vector<std::vector<std::size_t>>{{1}, {7}, {3, 1, 11, 64, 2}, random_sizes, {65536}}) {
            walk::result c = from_chunks(doc, sizes);
            EXPECT_EQ(m.events, c.events);
            EXPECT_EQ(m.code, c.code);
            EXPECT_EQ(m.item, c.item);
            EXPECT_EQ(m.line, c.line);
        }
    }
    EXPECT_EQ(from_memory(docs[0]).events, from_memory(docs[1]).events);
    EXPECT_EQ(from_memory(docs[4]).line, 4);  // LF, CR LF and a lone CR each end a line
}

// Line ends are counted eight bytes at a time; runs long enough to fill every lane,
// and starts and ends at every offset of a word, must count as one byte at a time does.
TEST(XmlReaderChunked, LineEndsOfLongRuns) {
    std::string lines(5000, '\n');
    bool last_cr = false;
    EXPECT_EQ(detail::count_line_ends(lines.data(), lines.data() + lines.size(), last_cr), 5000u);
    std::string text;
    std::size_t expected = 0;
    for (int i = 0; i < 3000; ++i) {
        bool lf = i % 7 == 0 || i % 11 == 0;
        text += lf ? '\n' : static_cast<char>(i % 2 ? '\x8a' : 'a' + i % 26);
        expected += lf;
    }
    for (std::size_t cut = 0; cut < 9; ++cut) {
        last_cr = false;
        std::size_t skipped = static_cast<std::size_t>(std::count(text.begin(), text.begin() + cut, '\n')) +
                              static_cast<std::size_t>(std::count(text.end() - cut, text.end(), '\n'));
        EXPECT_EQ(detail::count_line_ends(text.data() + cut, text.data() + text.size() - cut, last_cr),
                  expected - skipped)
            << cut;
    }
    last_cr = true;  // the LF of a CR LF split across two calls counts once
    EXPECT_EQ(detail::count_line_ends(lines.data(), lines.data() + lines.size(), last_cr), 4999u);
    EXPECT_FALSE(last_cr);
}

// Every prefix of a document that uses most of the syntax ends in a clean error.
TEST(XmlReaderChunked, EveryTruncationFailsCleanly) {
    const std::string doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e \"E\">]>\n"
                            "<a b=\"1\" xmlns:p=\"urn:rel\"><p:v>&e;&#65;</p:v><t><![CDATA[x]]></t><!--c--><?pi?>"
                            "<s><k/></s><x/></a>";
    for (std::size_t n = 0; n < doc.size(); ++n) {
        walk::result r = read_both(doc.substr(0, n));
        EXPECT_TRUE(r.code == ELMX_UNEXPECTED_EOM || r.code == ELMX_NOT_WELL_FORMED) << n << ": " << r.item;
    }
    EXPECT_EQ(read_both(doc).code, ELMX_OK);
}

// The children of the root, each described the same way whether the shortcut read
// it ("F" in front) or the walk did: attributes r, s, t in that order, then the
// text of each v; "~" for anything else the walk passed over.
std::string read_cells(c_xml_reader& r) {
    static constexpr std::string_view kNames[] = {"r", "s", "t"};
    auto attribute_list = [](const std::string_view (&values)[3]) {
        std::string out;
        for (std::size_t i = 0; i < 3; ++i)
            if (values[i].data()) out += " " + std::string(kNames[i]) + "=" + std::string(values[i]);
        return out;
    };
    std::string out;
    r.set_namespace_table(kTable);
    if (r.read_root() != ELMX_OK) return "root failed";
    for (;;) {
        flat_element f;
        if (r.peek_flat(1000, "c", kNames, "v", f)) {
            std::string_view values[3] = {f.attributes[0], f.attributes[1], f.attributes[2]};
            out += "F[c" + attribute_list(values) + "]" + (f.has_child ? "{" + std::string(f.text) + "}" : "") + " ";
            r.take_flat();
            continue;
        }
        c_xml_reader::event ev;
        if (r.next(ev) != ELMX_OK) return out + "failed: " + r.error().item;
        if (ev == c_xml_reader::event::end) return out;
        if (r.element().qname != "c") {
            if (r.skip() != ELMX_OK) return out + "failed";
            out += "~ ";
            continue;
        }
        std::string_view values[3];
        std::string others;
        for (const xml_attribute& a : r.attributes()) {
            auto i = std::find(std::begin(kNames), std::end(kNames), a.name.qname) - std::begin(kNames);
            if (i < 3) values[i] = a.value;
            else others += "+" + std::string(a.name.qname);
        }
        out += "[c" + attribute_list(values) + others + "]";
        for (;;) {
            if (r.next(ev) != ELMX_OK) return out + "failed: " + r.error().item;
            if (ev == c_xml_reader::event::end) break;
            std::string_view text;
            if (r.element().qname == "v" && r.read_text(text) == ELMX_OK) out += "{" + std::string(text) + "}";
            else if (r.skip() == ELMX_OK) out += "~";
        }
        out += " ";
    }
}

// What the shortcut takes reads as the walk reads it, and it leaves every other
// shape to the walk, under any chunking of the input.
TEST(XmlReaderFlat, TakesOnlyWhatTheWalkReadsTheSame) {
    const std::string doc = "<w xmlns='urn:main' xmlns:r='urn:rel'>"
                            "<c r=\"A1\" s=\"3\" t=\"s\"><v>17</v></c>"
                            "\n\t<c t='n' r='B1'>\n\t\t<v>1.5</v>\n\t</c>"
                            "<c r=\"C1\"/><c/><c r=\"D1\"></c><c r=\"E1\"><v></v></c>"
                            "<c r = \"F1\"><v>1</v></c>"
                            "<c r=\"G1\" cm=\"1\"><v>2</v></c>"
                            "<c r=\"H1\" r=\"H2\"><v>3</v></c>"
                            "<c r=\"I&amp;1\"><v>4</v></c>"
                            "<c r=\"J1\"><v>5&amp;6</v></c>"
                            "<c r=\"K1\"><v>7</v><v>8</v></c>"
                            "<c r=\"L1\"><f>A1</f><v>9</v></c>"
                            "<c r=\"M1\"><!-- x --><v>10</v></c>"
                            "<c r=\"N1\"><v>11\r\n</v></c>"
                            "<r:c r=\"O1\"><v>12</v></r:c>"
                            "<cc r=\"P1\"><v>13</v></cc>"
                            "<c xmlns='urn:rel' r=\"Q1\"><v>14</v></c>"
                            "<c r=\"R1\"><v >15</v></c>"
                            "</w>";
    const std::string expected = "F[c r=A1 s=3 t=s]{17} F[c r=B1 t=n]{1.5} F[c r=C1] F[c] F[c r=D1] F[c r=E1]{} "
                                 "[c r=F1]{1} [c r=G1+cm]{2} [c r=H2]{3} [c r=I&1]{4} [c r=J1]{5&6} [c r=K1]{7}{8} "
                                 "[c r=L1]~{9} [c r=M1]{10} [c r=N1]{11\n} ~ ~ [c r=Q1+xmlns]{14} [c r=R1]{15} ";
    c_xml_reader memory(doc.data(), doc.data() + doc.size());
    EXPECT_EQ(read_cells(memory), expected);
    auto unmarked = [](std::string s) {
        for (std::size_t at; (at = s.find("F[")) != std::string::npos;) s.erase(at, 1);
        return s;
    };
    for (const auto& sizes : std::vector<std::vector<std::size_t>>{{1}, {7}, {3, 1, 11, 64, 2}}) {
        c_xml_reader chunked(walk::pieces(doc, sizes));
        EXPECT_EQ(unmarked(read_cells(chunked)), unmarked(expected));
    }
    // In another namespace the child is not the one asked for.
    c_xml_reader other(doc.data(), doc.data() + doc.size());
    other.set_namespace_table(kTable);
    ASSERT_EQ(other.read_root(), ELMX_OK);
    flat_element f;
    EXPECT_FALSE(other.peek_flat(1001, "c", {}, "v", f));
}

TEST(XmlReaderLimits, NestingAttributesAndSource) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    std::string fits = "<s>";
    for (int i = 0; i < 255; ++i) fits += "<a>";
    for (int i = 0; i < 255; ++i) fits += "</a>";
    fits += "</s>";
    std::string attrs = "<a";
    for (int i = 0; i < 8192; ++i) attrs += " a" + std::to_string(i) + "=''";
    std::string bindings = "<a";
    for (int i = 0; i < 1025; ++i) bindings += " xmlns:p" + std::to_string(i) + "='urn:" + std::to_string(i) + "'";
    check({
        {deep, ELMX_BADLY_FORMED, "Elements nested deeper than 256"},
        {"<s>" + deep, ELMX_BADLY_FORMED, "Elements nested deeper than 256"},
        {"<s>" + deep.substr(0, 256 * 3), ELMX_BADLY_FORMED, "Elements nested deeper than 256"},
        {fits, ELMX_OK, "(1:s~)"},
        {attrs + " b=''/>", ELMX_BADLY_FORMED, "More than 8192 attributes on one element"},
        {bindings + "/>", ELMX_BADLY_FORMED, "More than 1024 namespace declarations in scope"},
    });
    std::string closed = attrs + "/>";
    c_xml_reader ok(closed.data(), closed.data() + closed.size());
    EXPECT_EQ(ok.read_root(), ELMX_OK);
    EXPECT_EQ(ok.attributes().size(), 8192u);

    std::string_view doc = "<a><b/></a>";
    for (std::size_t fail_after : {0, 1, 5}) {
        std::size_t calls = 0;
        c_xml_reader r([&](char* dst, std::size_t) -> std::ptrdiff_t {
            if (calls == fail_after) return -1;
            dst[0] = doc[calls++];
            return 1;
        });
        walk::result res = walk::run(r, by_name, kTable);
        EXPECT_EQ(res.code, ELMX_NO_FILE);
        EXPECT_EQ(res.item, "Input could not be read");
    }
}

TEST(XmlReaderErrors, StickyAndMisuse) {
    std::string_view doc = "<a><b></c></a>";
    c_xml_reader r(doc.data(), doc.data() + doc.size());
    c_xml_reader::event e;
    EXPECT_EQ(r.next(e), ELMX_UNDEFINED_ERROR);
    EXPECT_EQ(r.read_root(), ELMX_UNDEFINED_ERROR);
    c_xml_reader s(doc.data(), doc.data() + doc.size());
    ASSERT_EQ(s.read_root(), ELMX_OK);
    ASSERT_EQ(s.next(e), ELMX_OK);
    EXPECT_EQ(s.element().qname, "b");
    EXPECT_EQ(s.next(e), ELMX_NOT_WELL_FORMED);
    std::string_view text;
    std::string cap;
    EXPECT_EQ(s.read_text(text), ELMX_NOT_WELL_FORMED);
    EXPECT_EQ(s.skip(&cap), ELMX_NOT_WELL_FORMED);
    EXPECT_EQ(s.next(e), ELMX_NOT_WELL_FORMED);
    EXPECT_EQ(s.error().item, "Element start tag (b) and end tag (c) do not match");

    std::string_view nested = "<a><b/><c>t</c></a>";
    c_xml_reader late(nested.data(), nested.data() + nested.size());
    ASSERT_EQ(late.read_root(), ELMX_OK);
    ASSERT_EQ(late.next(e), ELMX_OK);
    ASSERT_EQ(late.next(e), ELMX_OK);
    ASSERT_EQ(e, c_xml_reader::event::end);
    EXPECT_EQ(late.element().qname, "a");
    EXPECT_EQ(late.skip(&cap), ELMX_UNDEFINED_ERROR);
}

} // namespace
} // namespace lmx
