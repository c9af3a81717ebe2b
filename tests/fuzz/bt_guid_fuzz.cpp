// GUID text: whatever parses writes back to the same text, nothing else touches the output; and
// GUIDs written out in either case parse back.
#include "link/bt_rules.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

static std::u16string GuidText(const BtGuid &g, bool lower)
{
    char text[40];
    std::snprintf(text, sizeof(text),
                  lower ? "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}"
                        : "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  (unsigned)g.Data1, g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3],
                  g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return std::u16string(text, text + std::strlen(text));
}

static char16_t Upper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c;
}

static bool Parse(const std::u16string &text, BtGuid *guid)
{
    std::unique_ptr<char16_t[]> block(new char16_t[text.size() + 1]);
    std::memcpy(block.get(), text.data(), text.size() * sizeof(char16_t));
    block[text.size()] = 0;
    return ParseGuidString(block.get(), guid);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // 1. The input as UTF-16 text up to its first terminator.
    std::u16string text(size / 2, u'\0');
    std::memcpy(&text[0], data, text.size() * 2);
    text.resize(std::u16string(text.c_str()).size());

    BtGuid got;
    std::memset(&got, 0xA5, sizeof(got));
    BtGuid before = got;
    if (Parse(text, &got)) {
        // Only the one form: written back, it is the same text up to the case of its digits.
        std::u16string back = GuidText(got, false);
        FUZZ_CHECK(back.size() == text.size());
        for (size_t i = 0; i < text.size(); i++)
            FUZZ_CHECK(Upper(back[i]) == Upper(text[i]));
    } else {
        FUZZ_CHECK(std::memcmp(&got, &before, sizeof(got)) == 0);
    }

    // 2. A GUID from the input's first 16 bytes, written in either case, parses back.
    if (size >= 17) {
        BtGuid g;
        std::memcpy(&g.Data1, data, 4);
        std::memcpy(&g.Data2, data + 4, 2);
        std::memcpy(&g.Data3, data + 6, 2);
        std::memcpy(g.Data4, data + 8, 8);
        BtGuid back;
        FUZZ_CHECK(Parse(GuidText(g, data[16] & 1), &back));
        FUZZ_CHECK(back.Data1 == g.Data1 && back.Data2 == g.Data2 && back.Data3 == g.Data3);
        FUZZ_CHECK(std::memcmp(back.Data4, g.Data4, 8) == 0);
    }
    return 0;
}
