// The About box's notice: whatever the two version buffers hold, the notice ends inside its buffer
// (nothing read beyond a version's buffer, nothing written beyond the notice's), is the plain
// composition cut to its size, and a cut never leaves half of a surrogate pair.
#include "page/about_notice.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstring>
#include <memory>
#include <string>

// The model: a version is the text before its first terminator, or nothing when it has none.
static std::u16string TextOf(const char16_t *buffer)
{
    for (size_t n = 0; n < ABOUT_TEXT_CHARS; n++)
        if (!buffer[n])
            return std::u16string(buffer, n);
    return u"";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // 1. The notice's size (0 to 300 units), then the two version buffers, each exactly its size
    //    on the heap, filled from the input and after that with letters (no terminator).
    if (size < 2)
        return 0;
    size_t outChars = (data[0] | data[1] << 8) % 301;
    data += 2;
    size -= 2;
    std::unique_ptr<char16_t[]> versions[2];
    for (auto &v : versions) {
        v.reset(new char16_t[ABOUT_TEXT_CHARS]);
        for (size_t i = 0; i < ABOUT_TEXT_CHARS; i++) {
            if (size >= 2) {
                v[i] = (char16_t)(data[0] | data[1] << 8);
                data += 2;
                size -= 2;
            } else {
                v[i] = u'v';
            }
        }
    }

    // 2. Composed into a buffer of exactly outChars units.
    std::unique_ptr<char16_t[]> out(new char16_t[outChars ? outChars : 1]);
    size_t n = ComposeAboutNotice(out.get(), outChars, versions[0].get(), versions[1].get(), ABOUT_TEXT_CHARS);
    if (outChars == 0) {
        FUZZ_CHECK(n == 0);
        return 0;
    }

    // 3. It ends inside, and it is the model's notice, cut to fit and never between a pair.
    FUZZ_CHECK(n < outChars);
    FUZZ_CHECK(out[n] == 0);
    std::u16string model = u"Driver Version " + TextOf(versions[0].get()) + u"\nGUI Version " +
                           TextOf(versions[1].get()) + u"\n\n" + MAKER_NOTICE;
    std::u16string got(out.get(), n);
    FUZZ_CHECK(model.compare(0, n, got) == 0);
    if (model.size() < outChars) {
        FUZZ_CHECK(got == model);
    } else if (outChars == 1) {
        FUZZ_CHECK(n == 0);
    } else {
        // Cut: every unit that fits, less a first half whose second half did not.
        char16_t last = model[outChars - 2];
        bool firstHalf = last >= 0xD800 && last <= 0xDBFF;
        FUZZ_CHECK(n == (firstHalf ? outChars - 2 : outChars - 1));
    }
    return 0;
}
