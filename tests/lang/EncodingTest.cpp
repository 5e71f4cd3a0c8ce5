#include "lang/Encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrel {
namespace {

// A path shown in a question must show every byte, stay on its line, and never be confusable
// with another path: two different paths never look the same, and what is shown is valid UTF-8
// that a terminal or a window shows as it is.
TEST(EscapedForDisplay, ShowsEveryByteOnOneLineUnambiguously) {
    const struct {
        std::string bytes, shown;
    } rows[] = {
        {"/home/u/plain name.txt", "/home/u/plain name.txt"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC \xF0\x9F\x98\x80",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"not utf8 \xFF\xFE", "not utf8 \\xFF\\xFE"},
        {"cut \xE2\x82", "cut \\xE2\\x82"},
        {"overlong \xC0\xAF", "overlong \\xC0\\xAF"},
        {"new\nline\ttab\rcr", "new\\nline\\ttab\\rcr"},
        {"esc \x1B[31mred\x7F", "esc \\x1B[31mred\\x7F"},
        {"back\\slash", "back\\\\slash"},
        {"looks escaped \\xFF", "looks escaped \\\\xFF"},
        {"invoice\xE2\x80\xAEgpj.exe", "invoice\\u202Egpj.exe"},
        {"c1 \xC2\x85 ls \xE2\x80\xA8 ps \xE2\x80\xA9", "c1 \\u0085 ls \\u2028 ps \\u2029"},
        {"isolate \xE2\x81\xA6x\xE2\x81\xA9 mark \xE2\x80\x8F",
         "isolate \\u2066x\\u2069 mark \\u200F"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.bytes));
        const std::string shown = EscapedForDisplay(row.bytes);
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(DisplayText(shown), shown) << "must pass through the hosts unchanged";
    }
    EXPECT_NE(EscapedForDisplay("a\\xFF"), EscapedForDisplay("a\xFF"));
    EXPECT_NE(EscapedForDisplay("a\\n"), EscapedForDisplay("a\n"));
}

}  // namespace
}  // namespace ostrel
