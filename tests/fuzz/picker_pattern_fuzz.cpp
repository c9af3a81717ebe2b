// Item paths and search patterns composed step by step in a buffer of exactly the capacity: the
// same text as a plain model, or a refusal that leaves the buffer as it was and never a cut path
// or a write past it.
#include "pickers/picker_rules.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

static std::u16string Text(const char16_t *s) { return std::u16string(s); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    size_t cap = 1 + data[0] % 64 * 5; // 1 to 316 units
    // The rest: item texts, nearest first, separated by terminators; a text of one unit 1 stands
    // for the root "\".
    std::vector<std::u16string> texts(1);
    for (size_t i = 1; i + 1 < size; i += 2) {
        char16_t c = (char16_t)(data[i] | data[i + 1] << 8);
        if (c == 0)
            texts.emplace_back();
        else
            texts.back() += c == 1 ? u'\\' : c;
    }

    std::unique_ptr<char16_t[]> path(new char16_t[cap]);
    path[0] = 0;
    std::u16string model;
    bool refused = false;
    for (const std::u16string &t : texts) {
        std::u16string next = t == u"\\" ? u"\\" + model : model.empty() ? t : t + u"\\" + model;
        bool fits = next.size() + 1 <= cap;
        FUZZ_CHECK(PrependPathPart(path.get(), cap, t.c_str()) == fits);
        if (fits)
            model = next;
        FUZZ_CHECK(Text(path.get()) == model);
        if (!fits) {
            refused = true;
            break;
        }
    }
    if (!refused) {
        std::u16string pattern = model == u"\\" ? model + u"*.*" : model + u"\\*.*";
        bool fits = pattern.size() + 1 <= cap;
        FUZZ_CHECK(FinishSearchPattern(path.get(), cap) == fits);
        FUZZ_CHECK(Text(path.get()) == (fits ? pattern : model));
    }
    return 0;
}
