// The RTF and HTML converters on small documents that each show one rule.

#include "core/text/richtext.h"
#include "testsupport.h"

#include <gtest/gtest.h>

using namespace lorvanta;
using lorvanta::test::s;

namespace {

struct Case {
    const char* in;
    const char* out; // UTF-8
};

TEST(RichText, RtfKeepsTheTextAndItsBreaks) {
    const Case cases[] = {
        {"{\\rtf1\\ansi Dear \\b Ann\\b0,\\par next\\line line\\tab tab}",
         "Dear Ann,\nnext\nline\ttab"},
        // Groups without text, and "\*" destinations, are left out.
        {"{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0;}{\\*\\generator Word;}Text}", "Text"},
        {"{\\rtf1{\\info{\\title T}}{\\pict 0a0b}Body}", "Body"},
        {"{\\rtf1 \\{ \\} \\\\ a\\~b}", "{ } \\ a\u00A0b"},
        // Line breaks of the source are no text; other control symbols are dropped.
        {"{\\rtf1 a\r\nb co\\-op}", "ab coop"},
        // A "\" before a line end is a paragraph end, as some writers put it.
        {"{\\rtf1 a\\\nb\\\r\nc}", "a\nb\nc"},
        {"{\\rtf1 caf\\'e9 \\'80}", "caf\u00E9 \u20AC"},
        // "\uN" is followed by one stand-in character unless "\ucN" says otherwise.
        {"{\\rtf1 A\\u8364?B}", "A\u20ACB"},
        {"{\\rtf1\\uc2 A\\u8364xyB}", "A\u20ACB"},
        {"{\\rtf1\\uc0 A\\u8364 B}", "A\u20ACB"},
        {"{\\rtf1 {\\uc0 \\u8364}\\u8364?}", "\u20AC\u20AC"},
        {"{\\rtf1 \\u8364\\'80x}", "\u20ACx"},
        {"{\\rtf1 \\u-4064?}", "\uF020"},
        // Damaged documents end without harm.
        {"{\\rtf1 a}}b", "ab"},
        {"{\\rtf1 a\\", "a\\"},
        {"{\\rtf1 a\\'", "a"},
        {"{\\rtf1 a\\'e", "a"},
        {"{\\rtf1 a\\'zzb", "ab"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rtfToPlain(s(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(RichText, HtmlKeepsTheTextAndItsBreaks) {
    const Case cases[] = {
        {"<html><head><title>T</title></head><body><p>One &amp; two</p>\n<p>three<br>four</p>"
         "</body></html>",
         "One & two\nthree\nfour"},
        {"<SCRIPT>var a = '<p>';</script><style>p {}</STYLE>x<BR/>y</LI>z", "x\ny\nz"},
        {"<h1>Title</h1><div>a</div><ul><li>b</li></ul><table><tr><td>c</td></tr></table>",
         "Title\na\nb\nc"},
        {"&lt;b&gt; &quot;q&quot; &apos;a&apos; a&nbsp;b", "<b> \"q\" 'a' a\u00A0b"},
        {"&#65;&#x42;&#X43; &#x1F600;", "ABC \U0001F600"},
        // What is no entity stays as written.
        {"&copy; &bogus; a & b &#0; &#x110000; &#xD800; &averyveryverylong;",
         "&copy; &bogus; a & b &#0; &#x110000; &#xD800; &averyveryverylong;"},
        // Source white space is layout: collapsed, and dropped around breaks.
        {"  a \n\t b  <br>  c ", "a b\nc"},
        {"a<b", "a"},
        {"a<", "a"},
        {"<", ""},
        {"<p>a</p><p></p>", "a"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(htmlToPlain(s(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(RichText, TheFormatIsChosenByTheTextOrTheFileSuffix) {
    const struct {
        const char* text;
        const char* path;
        const char* out;
    } cases[] = {
        {"{\\rtf1 a\\par b}", "/x/letter.txt", "a\nb"},
        {"<p>a</p>", "", "a"},
        {"  <p>a</p>", "/x/a.txt", "a"},
        {"a &amp; b", "/x/page.HTM", "a & b"},
        {"a &amp; b", "/x/page.html", "a & b"},
        // Anything else is plain text already.
        {"a &amp; b", "/x/notes.txt", "a &amp; b"},
        {" {\\rtf1 a}", "", " {\\rtf1 a}"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(richToPlain(s(c.text), s(c.path)), s(c.out)) << c.text;
}

} // namespace
