// Applet file names, library names, references and entry names against plain models, in blocks
// and fields of exactly their size: a refusal leaves an empty result, never a cut one.
#include "pickers/picker_rules.h"
#include "tests/fuzz/fuzz_check.h"

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

static std::u16string Ascii(const std::string &s) { return std::u16string(s.begin(), s.end()); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    size_t cap = 1 + data[0] % 64 * 5;
    int index;
    std::memcpy(&index, data + 1, 4);
    // The rest as UTF-16 units, the terminators kept (an applet's field may hold anything).
    std::u16string units((size - 5) / 2, u'\0');
    std::memcpy(&units[0], data + 5, units.size() * 2);
    std::u16string text = units.substr(0, std::u16string(units.c_str()).size());
    auto block = Block(text);

    // A file name ends in ".cpl".
    bool applet = text.size() >= 4 && text.compare(text.size() - 4, 4, u".cpl") == 0;
    FUZZ_CHECK(IsAppletFileName(block.get()) == applet);

    // The library is the text up to the first ".cpl" that ends a name.
    std::unique_ptr<char16_t[]> out(new char16_t[cap]);
    size_t at = text.find(u".cpl");
    while (at != std::u16string::npos && at + 4 < text.size() && text[at + 4] != u'\\')
        at = text.find(u".cpl", at + 1);
    bool found = at != std::u16string::npos && at + 4 + 1 <= cap;
    FUZZ_CHECK(AppletLibraryName(block.get(), out.get(), cap) == found);
    FUZZ_CHECK(std::u16string(out.get()) == (found ? text.substr(0, at + 4) : u""));

    // The reference, with and without the index.
    for (bool withIndex : {true, false}) {
        std::u16string want = u"\\windows\\" + text + (withIndex ? u"," + Ascii(std::to_string(index)) : u"");
        bool fits = want.size() + 1 <= cap;
        FUZZ_CHECK(FormatAppletReference(out.get(), cap, block.get(), index, withIndex) == fits);
        FUZZ_CHECK(std::u16string(out.get()) == (fits ? want : u""));
    }

    // An entry name from a field of exactly its units: kept whole when terminated inside it.
    size_t fieldUnits = units.size();
    std::unique_ptr<char16_t[]> field(new char16_t[fieldUnits ? fieldUnits : 1]);
    std::memcpy(field.get(), units.data(), fieldUnits * 2);
    std::unique_ptr<char16_t[]> name(new char16_t[fieldUnits + 1]);
    bool terminated = text.size() < fieldUnits;
    FUZZ_CHECK(AppletEntryName(field.get(), fieldUnits, name.get()) == terminated);
    FUZZ_CHECK(std::u16string(name.get()) == (terminated ? text : u""));
    return 0;
}
