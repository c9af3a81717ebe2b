// Device key names: the parser against a plain model of the rule, and addresses written out as
// key names (any case, any leading run, any follower and trailing text) read back or refused.
#include "link/bt_rules.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstring>
#include <memory>
#include <string>

static bool IsHex(char16_t c)
{
    return c < 0x80 && std::strchr("0123456789abcdefABCDEF", (char)c) && c != 0;
}

// The rule as written: spaces, 12 hexadecimal digits, then the end or a space.
static bool Model(const std::u16string &name, uint64_t *address)
{
    size_t i = name.find_first_not_of(u' ');
    if (i == std::u16string::npos || name.size() - i < 12)
        return false;
    std::string digits;
    for (size_t k = i; k < i + 12; k++) {
        if (!IsHex(name[k]))
            return false;
        digits += (char)name[k];
    }
    if (i + 12 < name.size() && name[i + 12] != u' ')
        return false;
    *address = std::stoull(digits, nullptr, 16);
    return true;
}

// The name in a block of exactly its units and terminator, so that a read past it shows.
static bool Parse(const std::u16string &name, uint64_t *address)
{
    std::unique_ptr<char16_t[]> text(new char16_t[name.size() + 1]);
    std::memcpy(text.get(), name.data(), name.size() * sizeof(char16_t));
    text[name.size()] = 0;
    return ParseBtDeviceKeyName(text.get(), address);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // 1. The input as UTF-16 units, up to its first terminator as the registry would hand it.
    std::u16string name(size / 2, u'\0');
    std::memcpy(&name[0], data, name.size() * 2);
    name.resize(std::u16string(name.c_str()).size());

    const uint64_t untouched = 0xDEADBEEFCAFEF00Dull;
    uint64_t got = untouched, want = 0;
    bool ok = Parse(name, &got);
    FUZZ_CHECK(ok == Model(name, &want));
    if (ok) {
        FUZZ_CHECK(got == want);
        FUZZ_CHECK(got >> 48 == 0);
    } else {
        FUZZ_CHECK(got == untouched);
    }

    // 2. An address from the input's first six bytes written as a key name, in the case the next
    // byte picks, after a run of one leading unit and before one following unit and more text, all
    // picked by the input: it reads back exactly when the lead is a space and the follower a space
    // or the end.
    if (size >= 12) {
        uint64_t address = 0;
        for (int i = 0; i < 6; i++)
            address = address << 8 | data[i];
        char16_t lead = (char16_t)(data[8] | data[9] << 8), follow = (char16_t)(data[10] | data[11] << 8);
        int leads = data[7] % 4;
        const char *digits = "0123456789abcdef0123456789ABCDEF";
        std::u16string key(leads, lead);
        for (int i = 11; i >= 0; i--) {
            int upper = (data[6] >> (i % 8)) & 1;
            key += (char16_t)digits[((address >> (i * 4)) & 0xF) + upper * 16];
        }
        if (follow)
            key += follow + name;
        bool readable = (leads == 0 || lead == u' ') && (follow == 0 || follow == u' ');
        uint64_t back = untouched;
        FUZZ_CHECK(Parse(key, &back) == readable);
        FUZZ_CHECK(back == (readable ? address : untouched));
    }
    return 0;
}
