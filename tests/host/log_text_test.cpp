#include "utils/log_text.h"

#include <gtest/gtest.h>
#include <string>

static std::string Encode(const std::u16string &text, size_t cap = 1000)
{
    std::string out(cap, '\0');
    size_t n = EncodeLogText(text.data(), text.size(), &out[0], cap);
    out.resize(n);
    return out;
}

TEST(EncodeLogText, Utf8WithCrLfLineEnds)
{
    struct Case { std::u16string text; std::string want; } cases[] = {
        {u"Device: [x]", "Device: [x]"},
        {u"a\nb\n", "a\r\nb\r\n"},
        {u"\u00e9", "\xc3\xa9"},
        {u"\u03a9mega", "\xce\xa9mega"},
        {u"\u20ac", "\xe2\x82\xac"},
        {u"\U0001F5B1", "\xf0\x9f\x96\xb1"},             // a surrogate pair
        {std::u16string(1, u'\xd800') + u"x", "\xef\xbf\xbdx"}, // lone high surrogate
        {std::u16string(1, u'\xdc00'), "\xef\xbf\xbd"},         // lone low surrogate
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.want, Encode(c.text));
}

TEST(EncodeLogText, WorstCaseFitsTheBound)
{
    for (char16_t unit : {u'\n', u'\u20ac', u'\xd800'}) {
        std::u16string text(1000, unit);
        std::string out = Encode(text, LogTextMaxBytes(text.size()));
        EXPECT_EQ(unit == u'\n' ? 2000u : 3000u, out.size());
    }
}

TEST(EncodeLogText, StopsBeforeACharacterThatDoesNotFit)
{
    std::string out(4, '#');
    size_t n = EncodeLogText(u"ab\u20ac", 3, &out[0], 4); // the euro sign needs three more bytes
    EXPECT_EQ(2u, n);
    EXPECT_EQ(std::string("ab##"), out);
}
