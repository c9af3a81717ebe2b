#include "utils/path_rules.h"

static size_t Length16(const char16_t *s)
{
    size_t n = 0;
    while (s[n])
        n++;
    return n;
}

void DirectoryOfModulePath(const char16_t *modulePath, char16_t *out, size_t cap)
{
    if (cap == 0)
        return;
    size_t len = Length16(modulePath);
    size_t keep = 0;
    for (size_t i = len; i > 0; i--) {
        if (modulePath[i - 1] == u'\\') {
            keep = i;
            break;
        }
    }
    if (keep >= cap)
        keep = 0; // cannot happen with a module path of MAX_PATH; refuse rather than cut
    for (size_t i = 0; i < keep; i++)
        out[i] = modulePath[i];
    out[keep] = 0;
}

bool JoinAppPath(char16_t *out, size_t cap, const char16_t *directory, const char16_t *subfolder,
                 const char16_t *file)
{
    if (cap == 0)
        return false;
    const char16_t *parts[] = {directory, subfolder, u"\\", file};
    size_t need = 1;
    for (const char16_t *p : parts)
        need += Length16(p);
    if (need > cap) {
        out[0] = 0;
        return false;
    }
    size_t n = 0;
    for (const char16_t *p : parts)
        for (; *p; p++)
            out[n++] = *p;
    out[n] = 0;
    return true;
}
