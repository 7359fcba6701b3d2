#include "plot/svg_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support/xml_reader.h"

namespace binario {
namespace {

using testing_xml::parse;

// The reader the drawings are checked with must itself refuse bad XML.
TEST(XmlReaderTest, RefusesWhatXmlRefuses) {
  EXPECT_TRUE(parse("<a x=\"1\"><b/>t &amp; &#233;</a>"));
  for (const char* bad :
       {"<a><b></a>", "<a>x & y</a>", "<a>x < y</a>", "<a x=\"<\"/>", "<a x=\"1\" x=\"2\"/>",
        "<a>&nbsp;</a>", "<a/><b/>", "<a>\x01</a>", "<a>\xE8</a>", "<a x=1/>", "<a>"}) {
    EXPECT_FALSE(parse(bad)) << bad;
  }
}

TEST(SvgWriterTest, EscapesTheSpecialCharactersAndKeepsUtf8) {
  EXPECT_EQ(xml_escape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
  EXPECT_EQ(xml_escape("Città \u2030"), "Città \u2030");
  EXPECT_EQ(xml_escape("tab\tnew\nline"), "tab\tnew\nline");
}

TEST(SvgWriterTest, ReplacesWhatXmlCannotHold) {
  const std::string r = "\xEF\xBF\xBD";
  EXPECT_EQ(xml_escape(std::string("a\x01"
                                   "b\x1F"
                                   "c",
                                   5)),
            "a" + r + "b" + r + "c");
  EXPECT_EQ(xml_escape(std::string("x\0y", 3)), "x" + r + "y");
  EXPECT_EQ(xml_escape("caff\xE8"), "caff" + r);                  // a Windows-1252 byte
  EXPECT_EQ(xml_escape("\xC0\x80"), r + r);                       // an overlong NUL
  EXPECT_EQ(xml_escape("\xED\xA0\x80"), r + r + r);               // a surrogate
  EXPECT_EQ(xml_escape("\xEF\xBF\xBE"), r + r + r);               // U+FFFE is no character
  EXPECT_EQ(xml_escape("\xE2\x82"), r + r);                       // cut short
  EXPECT_EQ(xml_escape("\xF0\x9F\x9A\x86"), "\xF0\x9F\x9A\x86");  // a train
}

TEST(SvgWriterTest, NumbersAreShort) {
  EXPECT_EQ(svg_number(12.5), "12.5");
  EXPECT_EQ(svg_number(12.0), "12");
  EXPECT_EQ(svg_number(12.04), "12");
  EXPECT_EQ(svg_number(-0.04), "0");
  EXPECT_EQ(svg_number(1234.5678, 2), "1234.57");
  EXPECT_EQ(svg_number(100, 0), "100");
}

TEST(SvgWriterTest, WritesAWellFormedDocumentWhateverTheText) {
  SvgWriter svg(200, 100.5);
  svg.open("g", {{"class", "a\"b"}, {"data-m", 1050}});
  svg.title("<script>&\x02");
  svg.empty("rect", {{"x", 1.26}, {"y", "x'<y"}});
  svg.open("g");
  svg.text("text", {{"x", 3}}, "Ponte & \"Arno\" <1>");
  // Two elements left open: finish() closes them.
  const std::string doc = svg.finish();

  std::string error;
  auto root = parse(doc, &error);
  ASSERT_TRUE(root) << error << "\n" << doc;
  EXPECT_EQ(root->name, "svg");
  EXPECT_EQ(root->attr("xmlns"), "http://www.w3.org/2000/svg");
  EXPECT_EQ(root->attr("viewBox"), "0 0 200 100.5");
  ASSERT_EQ(root->children.size(), 1u);
  const auto& g = root->children[0];
  EXPECT_EQ(g.attr("class"), "a\"b");
  EXPECT_EQ(g.attr("data-m"), "1050");
  ASSERT_EQ(g.children.size(), 3u);
  EXPECT_EQ(g.children[0].text, "<script>&\xEF\xBF\xBD");
  EXPECT_EQ(g.children[1].attr("x"), "1.3");
  EXPECT_EQ(g.children[1].attr("y"), "x'<y");
  ASSERT_EQ(g.children[2].children.size(), 1u);
  EXPECT_EQ(g.children[2].children[0].text, "Ponte & \"Arno\" <1>");
}

}  // namespace
}  // namespace binario
