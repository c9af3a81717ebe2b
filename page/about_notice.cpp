#include "page/about_notice.h"

// The text of a buffer, or empty when it has no terminator inside.
static const char16_t *TextOf(const char16_t *buffer, size_t chars)
{
    for (size_t n = 0; n < chars; n++)
        if (buffer[n] == 0)
            return buffer;
    return u"";
}

static bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

size_t ComposeAboutNotice(char16_t *out, size_t outChars, const char16_t *driverVersion,
                          const char16_t *guiVersion, size_t versionChars)
{
    if (outChars == 0)
        return 0;
    const char16_t *parts[] = {
        u"Driver Version ", TextOf(driverVersion, versionChars), u"\nGUI Version ", TextOf(guiVersion, versionChars),
        u"\n\n", MAKER_NOTICE,
    };
    size_t n = 0;
    for (const char16_t *p : parts)
        for (; *p && n + 1 < outChars; p++)
            out[n++] = *p;
    if (n > 0 && n + 1 == outChars && IsHighSurrogate(out[n - 1]))
        n--; // its other half did not fit
    out[n] = 0;
    return n;
}
