// Names on the site's pages: escaped for the place they land (text,
// attribute, URL), turned into safe and unique page names, and filled into
// templates in one pass.
#include "site/base64.h"
#include "site/html_text.h"
#include "site/page_names.h"
#include "site/page_template.h"

#include <gtest/gtest.h>

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

TEST(SiteText, EscapesForTextAndAttributesAndKeepsPagesValidUtf8) {
    struct Case {
        std::string in, text, attribute;
    };
    const Case cases[] = {
        {"Brick Cube", "Brick Cube", "Brick Cube"},
        {"<script>x</script>", "&lt;script&gt;x&lt;/script&gt;", "&lt;script&gt;x&lt;/script&gt;"},
        {"&amp; &#x3C;", "&amp;amp; &amp;#x3C;", "&amp;amp; &amp;#x3C;"},
        {"\"a\" 'b'", "\"a\" 'b'", "&quot;a&quot; &#39;b&#39;"},
        {"表示 ソース", "表示 ソース", "表示 ソース"},
        {"\t\r\n", "\t\r\n", "\t\r\n"},
        // Shift-JIS bytes of 表 in a name that is not UTF-8: its trail byte is "\".
        {"\x95\x5C", kFffd + "\\", kFffd + "\\"},
        {std::string("a\0z\x1F\x7F", 5), "a" + kFffd + "z" + kFffd + kFffd,
         "a" + kFffd + "z" + kFffd + kFffd},
        {"\xC0\xAF", kFffd + kFffd, kFffd + kFffd},                     // overlong "/"
        {"\xED\xA0\x80", kFffd + kFffd + kFffd, kFffd + kFffd + kFffd}, // a surrogate
        {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd, kFffd + kFffd + kFffd + kFffd},
        {"\xE8\xA1", kFffd + kFffd, kFffd + kFffd}, // cut short
        {"\xF0\x8F\xBF\xBF", kFffd + kFffd + kFffd + kFffd, kFffd + kFffd + kFffd + kFffd},
        {"\x80\x80\x80\x80", kFffd + kFffd + kFffd + kFffd, kFffd + kFffd + kFffd + kFffd},
        {"\xDF\xBF", "\xDF\xBF", "\xDF\xBF"}, // U+07FF, the last of two bytes
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"}, // U+10FFFF
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HtmlText(c.in), c.text) << c.in;
        EXPECT_EQ(HtmlAttribute(c.in), c.attribute) << c.in;
    }
}

TEST(SiteText, Base64OfEveryLengthOfTheLastGroup) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"\xFB\xFF\xBF", "+/+/"}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(Base64({reinterpret_cast<const std::uint8_t*>(in.data()), in.size()}), out) << in;
    }
}

TEST(SiteText, TemplatesEscapeByPlaceAndReadNoValueAsATemplate) {
    struct Case {
        std::string page, value, filled;
    };
    const Case cases[] = {
        {"<b>{{text:v}}</b>", "<i>&", "<b>&lt;i&gt;&amp;</b>"},
        {"<a title=\"{{attr:v}}\">", "\" onclick='x'", "<a title=\"&quot; onclick=&#39;x&#39;\">"},
        {"<a href=\"p/{{url:v}}.html\">", "a b\"><script>表",
         "<a href=\"p/a%20b%22%3E%3Cscript%3E%E8%A1%A8.html\">"},
        {"<ul>{{html:v}}</ul>", "<li>made here</li>", "<ul><li>made here</li></ul>"},
        {"{{text:v}}{{text:v}}", "{{text:v}}", "{{text:v}}{{text:v}}"},
    };
    for (const Case& c : cases) {
        const Result<std::string> filled = FillTemplate(c.page, {{"v", c.value}});
        ASSERT_TRUE(filled) << c.page;
        EXPECT_EQ(*filled, c.filled) << c.page;
    }
    for (const char* broken : {"{{text:missing}}", "{{script:v}}", "{{v}}", "<p>{{text:v</p>"}) {
        const Result<std::string> filled = FillTemplate(broken, {{"v", "x"}});
        ASSERT_FALSE(filled) << broken;
        EXPECT_EQ(filled.refusal().code, "template-placeholder");
    }
}

TEST(SiteText, PageNamesAreSafeUniqueWithoutRegardToCaseAndStable) {
    struct Case {
        std::vector<std::string> profiles, pages;
    };
    const Case cases[] = {
        {{"brick_cube.prt", "flag-pole.prt", "zz9.prt"}, {"brick_cube", "flag-pole", "zz9"}},
        {{"A.prt", "a.prt"}, {"a-c40bf6cc", "a"}},
        {{"a.prt", "a.PRT", "a.Prt"}, {"a", "a-2", "a-3"}},
        {{"Zig_Zag.prt"}, {"zig_zag-c79470ec"}},
        {{"con.prt"}, {"con-f08dd14b"}},
        {{"<b>\"&'.prt"}, {"_b_-f89d1c9c"}},
        {{"表示台.prt"}, {"_-4da56347"}},
        {{std::string(60, 'x') + ".prt"}, {std::string(40, 'x') + "-37d12e35"}},
        {{std::string(40, 'x') + ".prt"}, {std::string(40, 'x')}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PageNames(c.profiles), c.pages) << c.profiles[0];
    }
}

} // namespace
