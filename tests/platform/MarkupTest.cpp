#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Markup.h"
#include "platform/Port.h"
#include "platform/FontMap.h"
#include "platform/PlatformGlobals.h"

namespace {

MarkupTag TagOf(const char* text) {
    MarkupTag tag;
    CMarkupReader r(text);
    EXPECT_TRUE(r.ReadTag(tag)) << text;
    return tag;
}

std::string TextOf(const char* text, std::size_t outSize = CMarkupReader::kTextBufferSize) {
    CMarkupReader r(text);
    std::vector<char> out(outSize + 1, '#');
    r.ReadText(out.data(), outSize);
    EXPECT_EQ(out[outSize], '#');  // nothing written past the buffer
    return out.data();
}

// --- tags ------------------------------------------------------------------------------------

TEST(MarkupReadTag, WalksTagsAndTextInOrder) {
    const char* doc = "<?xml version=\"1.0\"?>\n<score>\n <note default-x=\"12\">C</note><rest/></score>";
    CMarkupReader r(doc);
    MarkupTag tag;
    std::vector<std::string> tags;
    while (r.ReadTag(tag)) {
        tags.push_back(tag.text);
        if (!std::strcmp(tag.text, "<note default-x=\"12\">")) {
            char text[256];
            r.ReadText(text);
            EXPECT_STREQ(text, "C");
            EXPECT_EQ(*r.pos, '<');
        }
    }
    std::vector<std::string> expected = {"<?xml version=\"1.0\"?>", "<score>", "<note default-x=\"12\">",
                                         "</note>", "<rest/>", "</score>"};
    EXPECT_EQ(tags, expected);
    EXPECT_FALSE(r.ReadTag(tag));  // still false past the end
}

TEST(MarkupReadTag, SelfClosingFlag) {
    struct Case {
        const char* text;
        std::uint32_t flag;
    } cases[] = {
        {"<a/>", 1}, {"<a />", 1}, {"<a b=\"1\"/>", 1}, {"<a>", 0}, {"<a href=\"x/\">", 0}, {"</a>", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(TagOf(c.text).flagOrPos, c.flag) << c.text;
}

TEST(MarkupReadTag, QuotedAngleBracketDoesNotEndTheTag) {
    MarkupTag tag = TagOf("<a b=\"x>y\" c='p>q' d=\"it's\"/><next>");
    EXPECT_STREQ(tag.text, "<a b=\"x>y\" c='p>q' d=\"it's\"/>");
    EXPECT_EQ(tag.flagOrPos, 1u);
    char v[32];
    ASSERT_TRUE(tag.GetAttr("b", v));
    EXPECT_STREQ(v, "x>y");
}

TEST(MarkupReadTag, CommentEndsAtItsOwnCloseWhateverQuotesItHolds) {
    CMarkupReader r("<!-- it's a 12\" ruler > -->\n<a x=\"1\">");
    MarkupTag tag;
    ASSERT_TRUE(r.ReadTag(tag));
    EXPECT_STREQ(tag.text, "<!-- it's a 12\" ruler > -->");
    ASSERT_TRUE(r.ReadTag(tag));
    EXPECT_STREQ(tag.text, "<a x=\"1\">");
}

TEST(MarkupReadTag, NameStopsAtTheClosingTag) {
    CMarkupReader r("<note><pitch><step>C</step></pitch></note><after>");
    MarkupTag tag;
    int inside = 0;
    while (r.ReadTag(tag, "</note")) ++inside;
    EXPECT_EQ(inside, 5);  // <note> <pitch> <step> </step> </pitch>
    EXPECT_STREQ(tag.text, "</note>");
    ASSERT_TRUE(r.ReadTag(tag));
    EXPECT_STREQ(tag.text, "<after>");
    EXPECT_FALSE(r.ReadTag(tag, "</x"));  // the end
}

TEST(MarkupReadTag, TruncatedInputEndsCleanly) {
    const char* cases[] = {"", "   text only", "<a", "<a b=\"x", "<a b=\"x><c>", "<!-- open <a>"};
    for (const char* text : cases) {
        CMarkupReader r(text);
        MarkupTag tag;
        EXPECT_FALSE(r.ReadTag(tag)) << text;
        EXPECT_LT(std::strlen(tag.text), MarkupTag::kTextSize);
        EXPECT_FALSE(r.ReadTag(tag)) << text;
    }
    // A text of known length without a terminator: nothing beyond it is read.
    std::vector<char> bytes = {'<', 'a', '>', '<', 'b'};
    CMarkupReader r(bytes.data(), bytes.data() + bytes.size());
    MarkupTag tag;
    ASSERT_TRUE(r.ReadTag(tag));
    EXPECT_STREQ(tag.text, "<a>");
    EXPECT_FALSE(r.ReadTag(tag));
    EXPECT_EQ(r.pos, bytes.data() + bytes.size());
}

TEST(MarkupReadTag, OverlongTagIsCutAndPassedWhole) {
    std::string longTag = "<t " + std::string(400, 'a') + " k=\"v\"/>";
    std::string doc = longTag + "<next>";
    CMarkupReader r(doc.c_str());
    MarkupTag tag;
    ASSERT_TRUE(r.ReadTag(tag));
    EXPECT_EQ(std::strlen(tag.text), 255u);
    EXPECT_EQ(std::string(tag.text), longTag.substr(0, 255));
    EXPECT_EQ(tag.flagOrPos, 1u);
    ASSERT_TRUE(r.ReadTag(tag));
    EXPECT_STREQ(tag.text, "<next>");

    // A double-byte character that would straddle the cut is left out whole.
    std::string wide = "<t";
    for (int i = 0; i < 200; ++i) wide += "\xB0\xA1";
    wide += ">";
    CMarkupReader w(wide.c_str());
    ASSERT_TRUE(w.ReadTag(tag));
    EXPECT_EQ(std::strlen(tag.text), 254u);
    EXPECT_EQ(std::string(tag.text), wide.substr(0, 254));
}

TEST(MarkupReadTag, SixteenBitTextReadsItsLowBytes) {
    const char16_t* src = u"<a k=\"v\">x</a>";
    std::vector<char> bytes;
    for (const char16_t* p = src;; ++p) {
        bytes.push_back(char(*p & 0xFF));
        bytes.push_back(char(*p >> 8));
        if (!*p) break;
    }
    CMarkupReader r(bytes.data(), 2);
    MarkupTag tag;
    ASSERT_TRUE(r.ReadTag(tag));
    EXPECT_STREQ(tag.text, "<a k=\"v\">");
    char text[16];
    r.ReadText(text, sizeof text);
    EXPECT_STREQ(text, "x");
    ASSERT_TRUE(r.ReadTag(tag));
    EXPECT_STREQ(tag.text, "</a>");
    EXPECT_FALSE(r.ReadTag(tag));
}

// --- text --------------------------------------------------------------------------------------

TEST(MarkupReadText, Entities) {
    EXPECT_EQ(TextOf("a &lt;b&gt; &amp; &quot;q&quot; x&frasl;y &ndash; &mdash;"), "a <b> & \"q\" x/y - _");
    EXPECT_EQ(TextOf("&apos;word&apos;s"), "'word's");
    EXPECT_EQ(TextOf("&unknown; & &amp &#233;"), "&unknown; & &amp &#233;");
    EXPECT_EQ(TextOf("&amp;lt;"), "&lt;");  // decoded once
}

TEST(MarkupReadText, Utf8LettersBecomeCodePageLetters) {
    EXPECT_EQ(TextOf("Caf\xC3\xA9"), "Caf\xA8\xA6");             // e acute
    EXPECT_EQ(TextOf("M\xC3\xBCller"), "M\xA8\xB9ller");         // u umlaut
    EXPECT_EQ(TextOf("it\xE2\x80\x99s"), "it\xA1\xAFs");         // right single quotation mark
    EXPECT_EQ(TextOf("90\xC2\xB0"), "90\xA1\xE3");               // degree sign
    EXPECT_EQ(TextOf("a\xC2\xA0" "b"), "a b");                   // no-break space
    EXPECT_EQ(TextOf("\xC3\xB1"), "?");                          // a letter the code page lacks
    // Bytes that are no such sequence stay: code-page text and other UTF-8.
    EXPECT_EQ(TextOf("\xC3\x41\xB0\xA1"), "\xC3\x41\xB0\xA1");
    EXPECT_EQ(TextOf("\xE4\xB8\xAD"), "\xE4\xB8\xAD");
}

TEST(MarkupReadText, LongTextIsCutOnACharacterAndSkipped) {
    std::string doc = std::string(300, 'a') + "<b>";
    CMarkupReader r(doc.c_str());
    char out[256];
    r.ReadText(out);
    EXPECT_EQ(std::string(out), std::string(255, 'a'));
    MarkupTag tag;
    ASSERT_TRUE(r.ReadTag(tag));
    EXPECT_STREQ(tag.text, "<b>");

    std::string wide;
    for (int i = 0; i < 200; ++i) wide += "\xB0\xA1";
    EXPECT_EQ(TextOf(wide.c_str()), wide.substr(0, 254));
    EXPECT_EQ(TextOf(wide.c_str(), 8), wide.substr(0, 6));
}

TEST(MarkupReadText, Numbers) {
    CMarkupReader r("<a>-120</a><b>70000</b><c>123456789</c><d></d>");
    MarkupTag tag;
    std::int16_t i = 1;
    std::int32_t l = 1;
    r.ReadTag(tag);
    EXPECT_EQ(r.ReadTextInt(i), -120);
    EXPECT_EQ(i, -120);
    r.ReadTag(tag);
    r.ReadTag(tag);
    EXPECT_EQ(r.ReadTextInt(i), std::int16_t(70000));  // kept to 16 bits
    r.ReadTag(tag);
    r.ReadTag(tag);
    r.ReadTextLong(l);
    EXPECT_EQ(l, 123456789);
    r.ReadTag(tag);
    r.ReadTag(tag);
    r.ReadTextInt(i);
    EXPECT_EQ(i, 0);
}

// --- attributes --------------------------------------------------------------------------------

TEST(MarkupAttributes, FindingAndCopyingValues) {
    MarkupTag tag = TagOf("<n a=\"12\" s='single'>");
    char out[16] = "keep";
    EXPECT_FALSE(tag.GetAttr("missing", out));
    EXPECT_STREQ(out, "keep");  // absent: untouched
    EXPECT_FALSE(tag.GetAttr("s", out));
    EXPECT_STREQ(out, "keep");  // single-quoted values are not found
    EXPECT_EQ(tag.FindAttr("s"), nullptr);
    ASSERT_TRUE(tag.GetAttr("a", out));
    EXPECT_STREQ(out, "12");

    MarkupTag open;
    open.Set("<n u=\"never closed>");
    std::strcpy(out, "keep");
    EXPECT_FALSE(open.GetAttr("u", out));
    EXPECT_STREQ(out, "");  // unterminated: emptied
}

TEST(MarkupAttributes, LongValueIsCutToTheCallersBuffer) {
    MarkupTag tag = TagOf("<n v=\"abcdefgh\" w=\"\xB0\xA1\xB0\xA1\">");
    char small[4];
    ASSERT_TRUE(tag.GetAttr("v", small, sizeof small));
    EXPECT_STREQ(small, "abc");
    ASSERT_TRUE(tag.GetAttr("w", small, sizeof small));
    EXPECT_STREQ(small, "\xB0\xA1");  // not half a character
}

TEST(MarkupAttributes, NumbersBoolsAndComparisons) {
    MarkupTag tag = TagOf(
        "<n i=\"-12\" w=\"70000\" u=\"300\" b=\"-1\" l=\"123456789\" on=\"yes\" off=\"off\" odd=\"maybe\" "
        "k=\"C#4\" font-style=\"italic\" implicit=\"yes\">");
    std::int16_t i = 0;
    EXPECT_TRUE(tag.GetIntAttr("i", i));
    EXPECT_EQ(i, -12);
    EXPECT_TRUE(tag.GetIntAttr("w", i));
    EXPECT_EQ(i, std::int16_t(70000));
    std::uint8_t u = 0;
    EXPECT_TRUE(tag.GetU8Attr("u", u));
    EXPECT_EQ(u, 44);
    std::int8_t b = 0;
    EXPECT_TRUE(tag.GetByteAttr("b", b));
    EXPECT_EQ(b, -1);
    std::int32_t l = 0;
    EXPECT_TRUE(tag.GetLongAttr("l", l));
    EXPECT_EQ(l, 123456789);
    EXPECT_FALSE(tag.GetLongAttr("none", l));

    BYTE flag = 7;
    EXPECT_TRUE(tag.GetBoolAttr("on", flag));
    EXPECT_EQ(flag, 1);
    EXPECT_TRUE(tag.GetBoolAttr("off", flag));
    EXPECT_EQ(flag, 0);
    flag = 7;
    EXPECT_TRUE(tag.GetBoolAttr("odd", flag));
    EXPECT_EQ(flag, 7);
    EXPECT_FALSE(tag.GetBoolAttr("none", flag));

    std::int16_t key = 0;
    EXPECT_TRUE(tag.GetNoteAttr("k", key, -1));
    EXPECT_EQ(key, 61);
    EXPECT_FALSE(tag.GetNoteAttr("none", key, -1));
    EXPECT_EQ(key, -1);
    std::uint8_t keyByte = 0;
    EXPECT_FALSE(tag.GetNoteAttrByte("none", keyByte, 60));
    EXPECT_EQ(keyByte, 60);

    EXPECT_TRUE(tag.AttrEquals("odd", "maybe"));
    EXPECT_FALSE(tag.AttrEquals("odd", "may"));
    EXPECT_FALSE(tag.AttrEquals("none", ""));
    // A name matches inside a longer one: "style" finds "font-style".
    EXPECT_TRUE(tag.AttrEquals("style", "italic"));

    EXPECT_TRUE(tag.StartsWith("<N "));
    EXPECT_FALSE(tag.StartsWith("<note"));
    EXPECT_TRUE(tag.HasImplicit("yes"));
    EXPECT_FALSE(tag.HasImplicit("maybe"));  // only after "implicit="
    EXPECT_FALSE(TagOf("<m x=\"1\">").HasImplicit("x"));
}

TEST(MarkupAttributes, DecodedValuesAndPlacement) {
    MarkupTag tag = TagOf("<w t=\"a &amp; b &lt;c&gt;\" placement=\"above\">");
    char out[32] = "keep";
    ASSERT_TRUE(CMarkupReader::GetAttrDecoded(tag, "t", out, sizeof out));
    EXPECT_STREQ(out, "a & b <c>");
    EXPECT_FALSE(CMarkupReader::GetAttrDecoded(tag, "none", out, sizeof out));
    EXPECT_STREQ(out, "");
    char small[4];
    ASSERT_TRUE(CMarkupReader::GetAttrDecoded(tag, "t", small, sizeof small));
    EXPECT_STREQ(small, "a &");

    struct Case {
        const char* text;
        bool above, below;
    } cases[] = {
        {"<d placement=\"above\">", true, false}, {"<d placement=\"over\">", true, false},
        {"<d placement=\"below\">", false, true}, {"<d placement=\"under\">", false, true},
        {"<d placement=\"side\">", false, false}, {"<d>", false, false},
    };
    for (const Case& c : cases) {
        MarkupTag t = TagOf(c.text);
        EXPECT_EQ(CMarkupReader::IsPlacementAbove(t), c.above) << c.text;
        EXPECT_EQ(CMarkupReader::IsPlacementBelow(t), c.below) << c.text;
    }
}

TEST(MarkupAttributes, QuotedValueLists) {
    char out[64];
    CMarkupReader::ListQuotedValues("<a x=\"1\" y='two' z=\"3\"/> w=\"4\"", out, sizeof out);
    EXPECT_EQ(std::string(out, 9), std::string("1\0two\0" "3\0\0", 9));
    CMarkupReader::ListQuotedValues("</a x=\"1\">", out, sizeof out);
    EXPECT_EQ(out[0], 0);
    char tiny[10];
    CMarkupReader::ListQuotedValues("<a x=\"abcdef\" y=\"ghijk\">", tiny, sizeof tiny);
    EXPECT_EQ(std::string(tiny, 10), std::string("abcdef\0g\0\0", 10));

    std::int16_t v = -1;
    EXPECT_TRUE(CMarkupReader::FirstQuotedInt("<a x='42' y=\"7\">", v));
    EXPECT_EQ(v, 42);
    v = -1;
    EXPECT_FALSE(CMarkupReader::FirstQuotedInt("<a>", v));
    EXPECT_EQ(v, -1);
}

TEST(MarkupAttributes, NamedNumbers) {
    std::int16_t v = -1;
    EXPECT_TRUE(CMarkupReader::GetNamedNumber("<p id=\"5\" size = 3 num=\"17\">", "num", v));
    EXPECT_EQ(v, 17);
    v = -1;
    EXPECT_FALSE(CMarkupReader::GetNamedNumber("<p>", "num", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(CMarkupReader::GetNamedNumber("<p num=12>", "num", v));
    EXPECT_EQ(v, 0);  // no quote follows
    std::string longValue = "<p num=\"" + std::string(300, '9') + "\">";
    EXPECT_FALSE(CMarkupReader::GetNamedNumber(longValue.c_str(), "num", v));
}

TEST(MarkupAttributes, FontAttributes) {
    FontRef ref;
    ref.face = 3;
    ref.size = 9;
    ref.style = 4;
    CMarkupReader::ReadFontAttrs(TagOf("<w font-family=\"Nowhere\" font-size=\"12\" font-weight=\"bold\" "
                                       "font-style=\"italic\">"),
                                 ref);
    EXPECT_EQ(ref.face, FontRef::kNoFace);  // a family that is not installed gives no face
    EXPECT_EQ(ref.size, 16); // 12 x 1.34 + 0.5, truncated
    EXPECT_EQ(ref.style, 7);
    FontRef plain = ref;
    CMarkupReader::ReadFontAttrs(TagOf("<w>"), plain);
    EXPECT_EQ(plain.size, 16);
    EXPECT_EQ(plain.style, 7);
    CMarkupReader::ReadFontAttrs(TagOf("<w font-size=\"1e30\">"), plain);
    EXPECT_EQ(plain.size, 65535);
    CMarkupReader::ReadFontAttrs(TagOf("<w font-size=\"-4\">"), plain);
    EXPECT_EQ(plain.size, 0);
}

TEST(MarkupAttributes, FontFamilyIsTheInstalledFaceOfThatName) {
    InitDrawing();
    const CFontList* list = GetFontList();
    ASSERT_NE(list, nullptr);
    for (const char* family : {"Vorlind New", "DejaVu Sans", list->GetFaceName(0)}) {
        FontRef ref;
        ref.face = 3;
        const std::string tag = std::string("<w font-family=\"") + family + "\">";
        CMarkupReader::ReadFontAttrs(TagOf(tag.c_str()), ref);
        ASSERT_NE(ref.face, FontRef::kNoFace) << family;
        EXPECT_STREQ(list->GetFaceName(ref.face), family);
    }
}

// --- line helpers ------------------------------------------------------------------------------

TEST(MarkupLines, ReadNumbersInTurn) {
    MarkupTag line;
    line.Set("12 34 56");
    EXPECT_TRUE(line.HasNumber());
    EXPECT_EQ(line.ReadNumber(), 12);
    EXPECT_EQ(line.ReadNumber(), 34);
    EXPECT_TRUE(line.HasNumber());
    EXPECT_EQ(line.ReadNumber(), 56);
    EXPECT_FALSE(line.HasNumber());
    EXPECT_EQ(line.ReadNumber(), 0);  // at the end: nothing, no move past it
    EXPECT_EQ(line.flagOrPos, 8u);

    line.Set("^MS(3) 1 -2 ^NG(5,6)");
    ASSERT_TRUE(line.SkipPast("^MS("));
    EXPECT_EQ(line.ReadNumber(), 3);
    EXPECT_EQ(line.text[line.flagOrPos - 1], ')');
    EXPECT_EQ(line.ReadNumber(), 1);
    EXPECT_EQ(line.ReadNumber(), -2);
    ASSERT_TRUE(line.SkipPast("^NG("));
    EXPECT_EQ(line.ReadNumber(), 5);
    EXPECT_EQ(line.ReadNumber(), 6);
    EXPECT_FALSE(line.SkipPast("^MS("));  // only from the position on
    std::uint32_t at = line.flagOrPos;
    EXPECT_FALSE(line.SkipPast("zz"));
    EXPECT_EQ(line.flagOrPos, at);

    line.Set("word -x next");
    line.SkipWord();
    EXPECT_EQ(line.flagOrPos, 5u);
    EXPECT_FALSE(line.HasNumber());  // "-" alone is no number
    line.SkipWord();
    line.SkipWord();
    EXPECT_EQ(line.flagOrPos, std::strlen(line.text));
    line.flagOrPos = 1000;  // a position beyond the text reads as its end
    EXPECT_FALSE(line.HasNumber());
    EXPECT_EQ(line.ReadNumber(), 0);
}

TEST(MarkupLines, SplitNumbers) {
    MarkupTag line;
    line.Set("^IS(1)  1 2 -3 x");
    EXPECT_EQ(line.SplitNumbers(), 4);
    EXPECT_EQ(line.numbers[0], 1);
    EXPECT_EQ(line.numbers[1], 2);
    EXPECT_EQ(line.numbers[2], 65533);
    EXPECT_EQ(line.numbers[3], 0);
    EXPECT_EQ(line.numbers[4], 0);

    std::string many = "^X";
    for (int i = 0; i < 127; ++i) many += " 1";
    line.Set(many.c_str());
    EXPECT_EQ(line.SplitNumbers(), 126);  // what 255 characters hold
    line.Set("");
    EXPECT_EQ(line.SplitNumbers(), 0);
}

TEST(MarkupLines, OverlongLineAndInnerText) {
    MarkupTag line;
    line.Set(std::string(300, 'x').c_str());
    EXPECT_EQ(std::strlen(line.text), 255u);
    std::string wide = "a";
    for (int i = 0; i < 200; ++i) wide += "\xB0\xA1";
    line.Set(wide.c_str());
    EXPECT_EQ(std::strlen(line.text), 255u);
    line.Set(wide.substr(1).c_str());
    EXPECT_EQ(std::strlen(line.text), 254u);

    line.Set("^27 \"Title\"");
    ASSERT_TRUE(line.SkipPast("^27"));
    char out[32];
    line.CopyInner(out, sizeof out);
    EXPECT_STREQ(out, "Title");
    line.CopyInner(out, 3);
    EXPECT_STREQ(out, "Ti");
    line.Set("^27");
    line.SkipPast("^27");
    line.CopyInner(out, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST(MarkupLines, BlockTexts) {
    MarkupTag line;
    line.Set("^block(4) ^font(Times(1)) ^size(12) ^efx(0) Hello world^end tail");
    char out[64];
    ASSERT_TRUE(ReadEtfBlockText(line, out, sizeof out));
    EXPECT_STREQ(out, " Hello world");
    ASSERT_TRUE(ReadEtfBlockText(line, out, sizeof out, "^font"));
    EXPECT_STREQ(out, "Times(1");
    ASSERT_TRUE(ReadEtfBlockText(line, out, sizeof out, "^size"));
    EXPECT_STREQ(out, "12");
    char small[4];
    ASSERT_TRUE(ReadEtfBlockText(line, small, sizeof small));
    EXPECT_STREQ(small, " He");
    EXPECT_FALSE(ReadEtfBlockText(line, out, sizeof out, "^nothing"));
    line.Set("^block(1) title");
    EXPECT_FALSE(ReadEtfBlockText(line, out, sizeof out));
}

}  // namespace
