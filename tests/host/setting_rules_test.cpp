// Which registry values the settings store takes: a slot's strings and number, and the version
// values read through the registry reader.
#include "settings/setting_rules.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using std::u16string;

namespace {

const uint32_t RegBinary = 3, RegQword = 11;

// A value's bytes as the registry keeps them: the units, with the terminator when asked.
std::string Sz(const u16string &text, bool terminated = true)
{
    std::string bytes;
    for (char16_t c : text) {
        bytes += (char)(c & 0xFF);
        bytes += (char)(c >> 8);
    }
    if (terminated)
        bytes.append(2, '\0');
    return bytes;
}

u16string Letters(size_t n) { return u16string(n, u'v'); }

std::string Narrow(const u16string &text)
{
    std::string s;
    for (char16_t c : text)
        s += c < 0x80 ? (char)c : '?';
    return s;
}

} // namespace

TEST(AcceptSlotText, ARegSzOfAtMost520BytesThatFitsOtherwiseEmpty)
{
    const size_t Field = 255;
    struct Case {
        const char *what;
        bool read;
        uint32_t type;
        std::string bytes;
        size_t textChars;
        u16string want;
    } cases[] = {
        {"a program", true, SETTING_REG_SZ, Sz(u"\\windows\\ctlpnl.exe"), Field, u"\\windows\\ctlpnl.exe"},
        {"beyond ASCII", true, SETTING_REG_SZ, Sz(u"-a \u03a9\u20ac"), Field, u"-a \u03a9\u20ac"},
        {"empty", true, SETTING_REG_SZ, Sz(u""), Field, u""},
        {"no bytes at all", true, SETTING_REG_SZ, "", Field, u""},
        {"unterminated", true, SETTING_REG_SZ, Sz(u"abc", false), Field, u"abc"},
        {"a terminator inside", true, SETTING_REG_SZ, Sz(u"ab") + Sz(u"cd"), Field, u"ab"},
        {"an odd last byte", true, SETTING_REG_SZ, Sz(u"ab", false) + "c", Field, u"abc"},
        {"the query failed", false, SETTING_REG_SZ, Sz(u"abc"), Field, u""},
        {"expandable", true, SETTING_REG_EXPAND_SZ, Sz(u"%windir%"), Field, u""},
        {"binary", true, RegBinary, Sz(u"abc"), Field, u""},
        {"a number", true, SETTING_REG_DWORD, std::string("\7\0\0\0", 4), Field, u""},
        {"254 characters", true, SETTING_REG_SZ, Sz(Letters(254)), Field, Letters(254)},
        // Fits the reader but not the field: refused, never cut.
        {"255 characters", true, SETTING_REG_SZ, Sz(Letters(255)), Field, u""},
        {"254 characters, unterminated", true, SETTING_REG_SZ, Sz(Letters(254), false), Field, Letters(254)},
        {"255 characters, unterminated", true, SETTING_REG_SZ, Sz(Letters(255), false), Field, u""},
        {"259 characters into a larger buffer", true, SETTING_REG_SZ, Sz(Letters(259)), 260, Letters(259)},
        {"520 bytes, unterminated", true, SETTING_REG_SZ, Sz(Letters(260), false), 261, Letters(260)},
        {"522 bytes", true, SETTING_REG_SZ, Sz(Letters(260)), 1000, u""},
        {"room for the terminator alone", true, SETTING_REG_SZ, Sz(u"a"), 1, u""},
        {"an empty text into one unit", true, SETTING_REG_SZ, Sz(u""), 1, u""},
    };
    for (const Case &c : cases) {
        std::vector<char16_t> text(c.textChars + 1, u'#');
        // The value alone in a block of its own size, so that a read past it shows.
        std::vector<uint8_t> data(c.bytes.begin(), c.bytes.end());
        AcceptSlotText(c.read, c.type, data.data(), (uint32_t)data.size(), text.data(), c.textChars);
        EXPECT_EQ(Narrow(c.want), Narrow(text.data())) << c.what;
        EXPECT_EQ(u'#', text[c.textChars]) << c.what << ": written past the text";
    }

    char16_t untouched = u'#';
    AcceptSlotText(true, SETTING_REG_SZ, "a\0\0", 4, &untouched, 0);
    EXPECT_EQ(u'#', untouched) << "no room at all";
}

TEST(AcceptSlotNumber, ExactlyFourBytesOfARegDwordOtherwiseMinusOne)
{
    struct Case {
        const char *what;
        bool read;
        uint32_t type;
        std::string bytes;
        int32_t want;
    } cases[] = {
        {"seven", true, SETTING_REG_DWORD, std::string("\7\0\0\0", 4), 7},
        {"little-endian", true, SETTING_REG_DWORD, "\x01\x02\x03\x04", 0x04030201},
        {"the top bit", true, SETTING_REG_DWORD, std::string("\0\0\0\x80", 4), INT32_MIN},
        {"zero", true, SETTING_REG_DWORD, std::string(4, '\0'), 0},
        {"two bytes", true, SETTING_REG_DWORD, std::string("\7\0", 2), -1},
        {"no bytes", true, SETTING_REG_DWORD, "", -1},
        {"eight bytes", true, SETTING_REG_DWORD, std::string("\7\0\0\0\0\0\0\0", 8), -1},
        {"as text", true, SETTING_REG_SZ, Sz(u"7"), -1},
        {"a QWORD", true, RegQword, std::string("\7\0\0\0", 4), -1},
        {"the query failed", false, SETTING_REG_DWORD, std::string("\7\0\0\0", 4), -1},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> data(c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(c.want, AcceptSlotNumber(c.read, c.type, data.data(), (uint32_t)data.size())) << c.what;
    }
}

// The version values: the About box reads them as REG_SZ into 255 units (510 bytes).
TEST(AcceptRegValue, AStringMustEndInsideTheBuffer)
{
    const uint32_t Capacity = 510;
    struct Case {
        const char *what;
        bool read;
        uint32_t type, expected;
        std::string bytes;
        uint32_t capacity;
        int result;
        u16string want;
    } cases[] = {
        {"a version", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(u"1.2.3"), Capacity, 1, u"1.2.3"},
        {"unterminated, with room", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(u"1.2.3", false), Capacity, 1, u"1.2.3"},
        {"508 bytes", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(Letters(253)), Capacity, 1, Letters(253)},
        {"508 bytes, unterminated", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(Letters(254), false), Capacity, 1,
         Letters(254)},
        {"510 bytes", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(Letters(254)), Capacity, 1, Letters(254)},
        // Fills the buffer to its end: no room left for the terminator.
        {"510 bytes, unterminated", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(Letters(255), false), Capacity, 0, u""},
        {"507 bytes, unterminated", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(Letters(253), false) + "w", Capacity, 1,
         Letters(253) + u"w"},
        {"509 bytes, unterminated", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(Letters(254), false) + "w", Capacity, 0,
         u""},
        {"expandable, unterminated", true, SETTING_REG_EXPAND_SZ, SETTING_REG_EXPAND_SZ, Sz(Letters(255), false),
         Capacity, 0, u""},
        {"another type", true, SETTING_REG_DWORD, SETTING_REG_SZ, std::string("\1\0\0\0", 4), Capacity, 0, u""},
        {"the query failed", false, SETTING_REG_SZ, SETTING_REG_SZ, Sz(u"1.2.3"), Capacity, 0, u""},
        {"larger than the buffer", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(u"1.2.3"), 6, 0, u""},
        {"an odd capacity", true, SETTING_REG_SZ, SETTING_REG_SZ, Sz(u"ab", false), 5, 0, u""},
        {"no room at all", true, SETTING_REG_SZ, SETTING_REG_SZ, "", 1, 0, u""},
    };
    for (const Case &c : cases) {
        // The buffer of the capacity and two more bytes that must stay as they are; the query
        // wrote the value's bytes (as far as they fit) over what was there.
        std::vector<uint8_t> buffer(c.capacity + 2, '#');
        std::copy(c.bytes.begin(), c.bytes.begin() + std::min<size_t>(c.bytes.size(), c.capacity), buffer.begin());
        int result = AcceptRegValue(c.read, c.type, c.expected, buffer.data(), (uint32_t)c.bytes.size(), c.capacity);
        EXPECT_EQ(c.result, result) << c.what;

        u16string text;
        size_t i = 0;
        for (; 2 * i + 1 < c.capacity && (buffer[2 * i] || buffer[2 * i + 1]); i++)
            text += (char16_t)(buffer[2 * i] | buffer[2 * i + 1] << 8);
        EXPECT_EQ(Narrow(c.want), Narrow(text)) << c.what;
        if (result) {
            EXPECT_LT(2 * i + 1, c.capacity) << c.what << ": the text does not end inside the buffer";
        } else {
            EXPECT_EQ(std::vector<uint8_t>(c.capacity, 0), std::vector<uint8_t>(buffer.begin(), buffer.begin() + c.capacity))
                << c.what << ": a refused value leaves the buffer cleared";
        }
        EXPECT_EQ('#', buffer[c.capacity]) << c.what << ": written past the buffer";
        EXPECT_EQ('#', buffer[c.capacity + 1]) << c.what << ": written past the buffer";
    }
}

TEST(AcceptRegValue, OtherTypesNeedOnlyTheTypeAndTheSize)
{
    uint8_t buffer[6] = {7, 0, 0, 0, '#', '#'};
    EXPECT_EQ(1, AcceptRegValue(true, SETTING_REG_DWORD, SETTING_REG_DWORD, buffer, 4, 4));
    EXPECT_EQ(7, buffer[0]);

    uint8_t binary[4] = {'a', 'b', 'c', 'd'}; // no terminator asked of a non-string
    EXPECT_EQ(1, AcceptRegValue(true, RegBinary, RegBinary, binary, 4, 4));
    EXPECT_EQ('d', binary[3]);

    EXPECT_EQ(0, AcceptRegValue(true, RegQword, SETTING_REG_DWORD, buffer, 4, 4));
    EXPECT_EQ(0, buffer[0]) << "cleared";
    EXPECT_EQ('#', buffer[4]);
}
