// The extension filter against a plain model of the rule: the name's last four units reversed
// found in the filter, or the filter "*.". The texts sit in blocks of exactly their size, so that
// a read past either shows.
#include "pickers/picker_rules.h"
#include "tests/fuzz/fuzz_check.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

static std::unique_ptr<char16_t[]> Block(const std::u16string &text)
{
    std::unique_ptr<char16_t[]> block(new char16_t[text.size() + 1]);
    std::memcpy(block.get(), text.data(), text.size() * sizeof(char16_t));
    block[text.size()] = 0;
    return block;
}

static bool Model(const std::u16string &filter, const std::u16string &name)
{
    if (filter == u"*.")
        return true;
    std::u16string key = name.substr(name.size() - std::min<size_t>(4, name.size()));
    std::reverse(key.begin(), key.end());
    return filter.find(key) != std::u16string::npos;
}

// The input as UTF-16 units, cut at the first terminator.
static std::u16string Units(const uint8_t *data, size_t size)
{
    std::u16string text(size / 2, u'\0');
    std::memcpy(&text[0], data, text.size() * 2);
    return text.substr(0, std::u16string(text.c_str()).size());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte splits the rest into the filter and the name.
    size_t split = std::min<size_t>(data[0] * 2u, size - 1);
    std::u16string filter = Units(data + 1, split), name = Units(data + 1 + split, size - 1 - split);
    auto f = Block(filter), n = Block(name);
    FUZZ_CHECK(PassesExtensionFilter(f.get(), n.get()) == Model(filter, name));

    // Names made to end in one of the filter's own entries always pass.
    size_t bar = filter.find(u'|');
    std::u16string entry = filter.substr(0, bar);
    if (entry.size() == 4) {
        std::u16string named = name + std::u16string(entry.rbegin(), entry.rend());
        FUZZ_CHECK(PassesExtensionFilter(f.get(), Block(named).get()));
    }
    return 0;
}
