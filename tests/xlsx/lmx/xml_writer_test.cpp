// The writer's exact output bytes: declaration, namespace declarations, attribute
// placement, indentation, and the escaping of narrow and wide text.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "xlsx/lmx/xml_writer.h"

using namespace lmx;

namespace {

constexpr int kMain = 1000;
constexpr int kRel = 1001;

const ns_entry kTable[] = {
    {kMain, "", "http://example.com/main"},
    {kRel, "r", "http://example.com/rel"},
    {0, nullptr, nullptr},
};

struct writer_texts {
    unsigned flags = c_xml_writer::kWriteDeclaration;
    const char* indent = nullptr;
    const char* new_line = nullptr;
    const char* attribute_indent = nullptr;
    const char* attribute_new_line = nullptr;
};

struct document_case {
    const char* name;
    writer_texts texts;
    std::function<void(c_xml_writer&)> write;
    std::string expected;
};

std::string write_document(const document_case& c) {
    std::string out;
    c_xml_writer writer(out, c.texts.flags, c.texts.indent, c.texts.new_line, c.texts.attribute_indent,
                        c.texts.attribute_new_line);
    c.write(writer);
    EXPECT_EQ(writer.error().code, ELMX_OK) << c.name;
    EXPECT_EQ(writer.level(), 0) << c.name;
    return out;
}

void empty_root(c_xml_writer& w) {
    w.start_element(kNoNamespace, "a");
    w.end_element();
}

// Three attributes on the root, so that the second and third show the separator rule.
void root_with_attributes(c_xml_writer& w) {
    w.start_element(kNoNamespace, "a");
    w.attribute(kNoNamespace, "x", "1");
    w.attribute(kNoNamespace, "y", "2");
    w.attribute_unescaped(kNoNamespace, "z", "3");
    w.start_element(kNoNamespace, "b");
    w.end_element();
    w.end_element();
}

// A worksheet-like nest: one row, one cell with a value, one empty element.
void nested_cells(c_xml_writer& w) {
    w.set_namespace_table(kTable);
    w.start_element(kMain, "sheetData");
    w.start_element(kMain, "row");
    w.attribute_unescaped(kNoNamespace, "r", "1");
    w.start_element(kMain, "c");
    w.attribute_unescaped(kNoNamespace, "r", "A1");
    w.attribute_unescaped(kNoNamespace, "t", "n");
    w.start_element(kMain, "v");
    w.text("1.5");
    w.end_element();
    w.end_element();
    w.start_element(kMain, "c");
    w.attribute(kRel, "id", "rId1");
    w.end_element();
    w.end_element();
    w.end_element();
}

void namespaced_root(c_xml_writer& w) {
    w.set_namespace_table(kTable);
    w.add_namespace_declaration("x14", "http://example.com/x14");
    w.set_schema_location("http://example.com/main main.xsd");
    w.start_element(kMain, "worksheet");
    w.attribute(kXmlNamespace, "space", "preserve");
    w.start_element(kRel, "item");
    w.end_element();
    w.end_element();
}

const document_case kDocuments[] = {
    {"declaration", {}, empty_root, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a/>\n"},
    {"standalone",
     {c_xml_writer::kWriteDeclaration | c_xml_writer::kStandalone},
     empty_root,
     "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<a/>\n"},
    {"no declaration", {0}, empty_root, "<a/>\n"},
    {"standalone bit alone writes nothing", {c_xml_writer::kStandalone}, empty_root, "<a/>\n"},
    {"default texts: later attributes on lines of their own, indented level + 1 times",
     {0},
     root_with_attributes,
     "<a x=\"1\"\n\t\ty=\"2\"\n\t\tz=\"3\">\n\t<b/>\n</a>\n"},
    {"empty attribute new line: attribute indent once",
     {0, nullptr, nullptr, nullptr, ""},
     root_with_attributes,
     "<a x=\"1\"\ty=\"2\"\tz=\"3\">\n\t<b/>\n</a>\n"},
    {"empty attribute new line and indent: one blank",
     {0, nullptr, nullptr, "", ""},
     root_with_attributes,
     "<a x=\"1\" y=\"2\" z=\"3\">\n\t<b/>\n</a>\n"},
    {"attribute indent follows a given element indent",
     {0, "  ", "\r\n", nullptr, nullptr},
     root_with_attributes,
     "<a x=\"1\"\n    y=\"2\"\n    z=\"3\">\r\n  <b/>\r\n</a>\r\n"},
    {"all texts empty: compact", {0, "", "", "", ""}, root_with_attributes, "<a x=\"1\" y=\"2\" z=\"3\"><b/></a>"},
    {"nested elements with text and an empty element",
     {0},
     nested_cells,
     "<sheetData xmlns=\"http://example.com/main\"\n\t\txmlns:r=\"http://example.com/rel\">\n"
     "\t<row r=\"1\">\n"
     "\t\t<c r=\"A1\"\n\t\t\t\tt=\"n\">\n"
     "\t\t\t<v>1.5</v>\n"
     "\t\t</c>\n"
     "\t\t<c r:id=\"rId1\"/>\n"
     "\t</row>\n"
     "</sheetData>\n"},
    {"table, extra declaration, schema location, then own attributes",
     {0},
     namespaced_root,
     "<worksheet xmlns=\"http://example.com/main\"\n"
     "\t\txmlns:r=\"http://example.com/rel\"\n"
     "\t\txmlns:x14=\"http://example.com/x14\"\n"
     "\t\txmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
     "\t\txsi:schemaLocation=\"http://example.com/main main.xsd\"\n"
     "\t\txml:space=\"preserve\">\n"
     "\t<r:item/>\n"
     "</worksheet>\n"},
    {"no-namespace schema location",
     {0, "", "", "", ""},
     [](c_xml_writer& w) {
         w.set_no_namespace_schema_location("plain.xsd");
         w.start_element("doc");
         w.end_element();
     },
     "<doc xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:noNamespaceSchemaLocation=\"plain.xsd\"/>"},
    {"declarations go on the first element only",
     {0, "", "", "", ""},
     [](c_xml_writer& w) {
         w.set_namespace_table(kTable);
         w.start_element(kMain, "a");
         w.start_element(kMain, "b");
         w.attribute(kNoNamespace, "k", "v");
         w.end_element();
         w.end_element();
     },
     "<a xmlns=\"http://example.com/main\" xmlns:r=\"http://example.com/rel\"><b k=\"v\"/></a>"},
    {"a second table is ignored",
     {0, "", "", "", ""},
     [](c_xml_writer& w) {
         static const ns_entry other[] = {{kMain, "o", "http://example.com/other"}, {0, nullptr, nullptr}};
         w.set_namespace_table(kTable);
         w.set_namespace_table(other);
         w.start_element(kMain, "a");
         w.end_element();
     },
     "<a xmlns=\"http://example.com/main\" xmlns:r=\"http://example.com/rel\"/>"},
    {"attribute values and text escaped, narrow and wide",
     {0, "", "", "", ""},
     [](c_xml_writer& w) {
         w.start_element("p");
         w.attribute("q", "a<\"&'>");
         w.attribute(kNoNamespace, "w", std::u16string_view(u"\u00E9<"));
         w.text("x&y");
         w.text(std::u16string_view(u"\u4E2D>"));
         w.end_element();
     },
     "<p q=\"a&lt;&quot;&amp;&apos;>\" w=\"\xC3\xA9&lt;\">x&amp;y\xE4\xB8\xAD></p>"},
    {"white space a reader would change is written as character references",
     {0, "", "", "", ""},
     [](c_xml_writer& w) {
         w.start_element("p");
         w.attribute("q", "a\tb\nc\r\nd");
         w.attribute(kNoNamespace, "w", std::u16string_view(u"\t\r"));
         w.text("e\tf\r\ng");
         w.end_element();
     },
     "<p q=\"a&#x9;b&#xA;c&#xD;&#xA;d\" w=\"&#x9;&#xD;\">e\tf&#xD;\ng</p>"},
    {"empty text still closes the start tag",
     {0, "", "", "", ""},
     [](c_xml_writer& w) {
         w.start_element("t");
         w.text("");
         w.end_element();
     },
     "<t></t>"},
};

} // namespace

TEST(XmlWriter, DocumentsComeOutByteForByte) {
    for (const auto& c : kDocuments) EXPECT_EQ(write_document(c), c.expected) << c.name;
}

// An element written in one call comes out as the element-by-element calls write it,
// whatever the separator texts, the namespace and the nesting.
TEST(XmlWriter, FlatElementsLookLikeElementsWrittenCallByCall) {
    using attribute_list = std::vector<std::pair<std::string_view, std::string_view>>;
    const attribute_list lists[] = {{}, {{"r", "B7"}}, {{"r", "B7"}, {"s", "3"}, {"t", "s"}}};
    const writer_texts texts[] = {{}, {0, "", "", "", ""}, {0, "  ", "\r\n", "", ""}, {0, " ", "\n", "\t", ""}};
    for (const writer_texts& t : texts)
        for (int ns : {kMain, kRel})
            for (const attribute_list& attributes : lists)
                for (bool withChild : {false, true}) {
                    auto write = [&](bool flat) {
                        std::string out;
                        c_xml_writer w(out, t.flags, t.indent, t.new_line, t.attribute_indent, t.attribute_new_line);
                        w.set_namespace_table(kTable);
                        w.start_element(kMain, "sheet");
                        w.start_element(kMain, "row");
                        if (flat) {
                            w.flat_element(ns, "c", attributes, withChild ? "v" : "", "42");
                        } else {
                            w.start_element(ns, "c");
                            for (const auto& [name, value] : attributes) w.attribute_unescaped(kNoNamespace, name, value);
                            if (withChild) {
                                w.start_element(ns, "v");
                                w.text_unescaped("42");
                                w.end_element();
                            }
                            w.end_element();
                        }
                        w.start_element(kMain, "after");
                        w.end_element();
                        w.end_element();
                        w.end_element();
                        EXPECT_EQ(w.error().code, ELMX_OK);
                        return out;
                    };
                    EXPECT_EQ(write(true), write(false)) << ns << " " << attributes.size() << " " << withChild;
                }
    // The wide form escapes its text as text() does.
    auto entry = [](bool flat) {
        std::string out;
        c_xml_writer w(out);
        w.set_namespace_table(kTable);
        w.start_element(kMain, "sst");
        if (flat) {
            w.flat_element(kMain, "si", "t", u"a<b & ]]> \u00E9");
        } else {
            w.start_element(kMain, "si");
            w.start_element(kMain, "t");
            w.text(std::u16string_view(u"a<b & ]]> \u00E9"));
            w.end_element();
            w.end_element();
        }
        w.end_element();
        return out;
    };
    EXPECT_EQ(entry(true), entry(false));
    EXPECT_NE(entry(true).find("a&lt;b &amp; ]]&gt; \xC3\xA9"), std::string::npos) << entry(true);
    std::string out;
    c_xml_writer outside(out, 0);
    outside.flat_element(kMain, "c", {}, "", "");
    EXPECT_EQ(outside.error().code, ELMX_BADLY_FORMED);
    EXPECT_EQ(out, "");
}

TEST(XmlWriter, DynamicNameIsCopiedForTheEndTag) {
    std::string out;
    c_xml_writer writer(out, 0, "", "", "", "");
    std::string name = "first";
    writer.start_element(name);
    name = "a much longer name that would reallocate";
    writer.start_element(name);
    name.assign("zz");
    writer.text("t");
    writer.end_element();
    writer.end_element();
    EXPECT_EQ(out, "<first><a much longer name that would reallocate>t</a much longer name that would reallocate></first>");
}

TEST(XmlWriter, MisuseWritesNothingAndRecordsBadlyFormed) {
    struct misuse_case {
        const char* name;
        std::function<void(c_xml_writer&)> write;
        std::string expected;
    };
    const misuse_case cases[] = {
        {"attribute after text",
         [](c_xml_writer& w) {
             w.start_element("a");
             w.text("t");
             w.attribute("late", "1");
             w.end_element();
         },
         "<a>t</a>"},
        {"attribute after a child",
         [](c_xml_writer& w) {
             w.start_element("a");
             w.start_element("b");
             w.end_element();
             w.attribute_unescaped(kNoNamespace, "late", "1");
             w.end_element();
         },
         "<a><b/></a>"},
        {"end with nothing open",
         [](c_xml_writer& w) {
             w.start_element("a");
             w.end_element();
             w.end_element();
         },
         "<a/>"},
        {"text outside the root", [](c_xml_writer& w) { w.text("stray"); }, ""},
    };
    for (const auto& c : cases) {
        std::string out;
        c_xml_writer writer(out, 0, "", "", "", "");
        c.write(writer);
        EXPECT_EQ(out, c.expected) << c.name;
        EXPECT_EQ(writer.error().code, ELMX_BADLY_FORMED) << c.name;
    }
}

TEST(XmlWriter, TableThatBindsXsiGetsNoSecondBinding) {
    static const ns_entry table[] = {
        {kMain, "", "http://example.com/main"},
        {1002, "xsi", "http://www.w3.org/2001/XMLSchema-instance"},
        {0, nullptr, nullptr},
    };
    std::string out;
    c_xml_writer writer(out, 0, "", "", "", "");
    writer.set_namespace_table(table);
    writer.set_schema_location("u l");
    writer.start_element(kMain, "a");
    writer.end_element();
    EXPECT_EQ(out,
              "<a xmlns=\"http://example.com/main\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
              "xsi:schemaLocation=\"u l\"/>");
}

TEST(XmlWriterEscape, NarrowText) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"a\"b'c&d<e", "a&quot;b&apos;c&amp;d&lt;e"},
        {">", ">"},
        {"a>b", "a>b"},
        {"]>", "]>"},           // the bracket at index 0, ">" at 1: as is
        {"x]>", "x]&gt;"},      // ">" at index 2 after a bracket
        {"]]>", "]]&gt;"},
        {"a]]]>>", "a]]]&gt;>"},
        {"\xC3\xA9\xE4\xB8\xAD", "\xC3\xA9\xE4\xB8\xAD"},  // UTF-8 passes byte for byte
        {"tab\tlf\ncr\r", "tab\tlf\ncr&#xD;"},  // a raw CR would read back as LF
        {"a\x01" "b\x1F" "c\x0B", "abc"},                  // controls XML 1.0 cannot carry
        {std::string_view("a\0b", 3), "ab"},
        {"]]\x01>", "]]&gt;"},  // a dropped control must not open a way to "]]>"
        {"x]\x01>", "x]&gt;"},  // nor count as the character before ">": "x]>" is written
        {"\x01]>", "]>"},       // nor take an index
        {"&&", "&amp;&amp;"},
    };
    for (const auto& [input, expected] : cases) {
        std::string out;
        append_escaped(out, input);
        EXPECT_EQ(out, expected) << input;
    }
}

TEST(XmlWriterEscape, GreaterThanAfterBracketsLeftByAnEarlierCall) {
    std::string out = "<v>a]]";
    append_escaped(out, std::string_view(">"));
    EXPECT_EQ(out, "<v>a]]&gt;");
    out = "<v>a]]";
    append_escaped(out, std::u16string_view(u">"));
    EXPECT_EQ(out, "<v>a]]&gt;");
    out = "<v>]";
    append_escaped(out, std::string_view(">"));  // one bracket cannot close anything
    EXPECT_EQ(out, "<v>]>");
}

TEST(XmlWriterEscape, WideTextBecomesUtf8) {
    const std::pair<std::u16string, std::string_view> cases[] = {
        {u"", ""},
        {u"a\u00E9\u4E2D", "a\xC3\xA9\xE4\xB8\xAD"},
        {u"\U0001D11E", "\xF0\x9D\x84\x9E"},                  // a surrogate pair
        {u"\U0010FFFF!", "\xF4\x8F\xBF\xBF!"},
        {u"<\"'&", "&lt;&quot;&apos;&amp;"},
        {u"]>", "]>"},
        {u"x]>", "x]&gt;"},
        {u"\U0001D11E]>", "\xF0\x9D\x84\x9E]&gt;"},
        {std::u16string{u'a', 0xD834}, "a"},                   // high surrogate last
        {std::u16string{u'a', 0xD834, u'b', u'c'}, "a"},       // high surrogate, no low after it
        {std::u16string{u'a', 0xD834, 0xD834, 0xDD1E}, "a"},   // two highs: the first ends it
        {std::u16string{u'a', 0xDD1E, u'b'}, "a"},             // lone low surrogate ends it too
        {std::u16string{u'a', 0x01, u'b', 0x1F, u'\t'}, "ab\t"},
        {std::u16string{u'a', 0xFFFE, 0xFFFF, u'b'}, "ab"},
        {std::u16string{u'x', u']', 0xFFFF, u'>'}, "x]&gt;"},  // dropped, as a control is
        {std::u16string{u'x', u']', 0x01, u'>'}, "x]&gt;"},
        {std::u16string{0xFFFD}, "\xEF\xBF\xBD"},
    };
    for (const auto& [input, expected] : cases) {
        std::string out = "=";
        append_escaped(out, std::u16string_view(input));
        EXPECT_EQ(out.substr(1), expected) << out;
    }
}

TEST(XmlWriterEscape, LongWideTextCrossesTheSinkBuffer) {
    std::u16string input;
    std::string expected;
    for (int i = 0; i < 700; ++i) {
        input += u"\u00E9&\U0001D11E";
        expected += "\xC3\xA9&amp;\xF0\x9D\x84\x9E";
    }
    std::string out;
    append_escaped(out, std::u16string_view(input));
    EXPECT_EQ(out, expected);
}

namespace {

std::string unescape(std::string_view text) {
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&quot;", '"'}, {"&apos;", '\''}, {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
    std::string plain;
    for (std::size_t i = 0; i < text.size();) {
        bool matched = false;
        for (const auto& [entity, c] : kEntities) {
            if (text.substr(i, entity.size()) == entity) {
                plain += c;
                i += entity.size();
                matched = true;
                break;
            }
        }
        if (!matched) plain += text[i++];
    }
    return plain;
}

} // namespace

// Every text of up to six characters over the alphabet that matters: the output
// must be content XML 1.0 accepts and must read back as the input less its controls.
TEST(XmlWriterEscape, EveryShortTextStaysWellFormedAndReadsBack) {
    constexpr std::string_view kAlphabet = "]>\x01<a";
    std::string text;
    std::function<void()> visit = [&] {
        std::string out;
        append_escaped(out, std::string_view(text));
        std::string expected;
        for (char c : text)
            if (c != '\x01') expected += c;
        ASSERT_EQ(out.find("]]>"), std::string::npos) << text;
        ASSERT_EQ(out.find_first_of("<\x01"), std::string::npos) << text;
        ASSERT_EQ(unescape(out), expected) << text;
        if (text.size() == 6) return;
        for (char c : kAlphabet) {
            text.push_back(c);
            visit();
            text.pop_back();
        }
    };
    visit();
}

// A drained sink hands its text over a megabyte at a time and keeps the last bytes,
// which the escaping of a following '>' still looks at.
TEST(XmlWriterSink, DrainKeepsWhatTheEscapingLooksBackAt) {
    std::string out, drained;
    const byte_drain drain = [&](std::string_view piece) { drained.append(piece); };
    detail::byte_sink sink(out, 64);
    sink.drain_to(drain);
    const std::string filler(detail::byte_sink::kDrainBytes - 2, 'x');
    sink.put(filler);
    sink.put("]]");
    sink.room(1000);  // no room left: the buffer is drained
    EXPECT_EQ(drained, filler);
    EXPECT_TRUE(sink.ends_with_brackets());
    sink.put("&gt;");
    sink.finish();
    EXPECT_EQ(drained + out, filler + "]]&gt;");
}

TEST(XmlWriterSink, ADrainedDocumentIsTheWholeDocument) {
    auto write = [](std::string& out, const byte_drain* drain) {
        c_xml_writer w(out);
        if (drain) w.drain_to(*drain);
        w.start_element("sheetData");
        for (int i = 0; i < 100000; ++i) {
            w.start_element("c");
            w.attribute("r", "A" + std::to_string(i));
            w.text(std::string_view("a]]"));
            w.text(std::string_view(">b"));
            w.end_element();
        }
        w.end_element();
    };
    std::string whole, buffer, pieces;
    std::size_t count = 0;
    const byte_drain drain = [&](std::string_view piece) {
        pieces.append(piece);
        ++count;
    };
    write(whole, nullptr);
    write(buffer, &drain);
    pieces += buffer;
    ASSERT_GT(whole.size(), 2 * detail::byte_sink::kDrainBytes);
    EXPECT_GE(count, 2u);
    EXPECT_TRUE(pieces == whole) << pieces.size() << " bytes drained, " << whole.size() << " written whole";
}
