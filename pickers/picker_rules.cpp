#include "pickers/picker_rules.h"

static size_t Length16(const char16_t *s)
{
    size_t n = 0;
    while (s[n])
        n++;
    return n;
}

static bool Equal16(const char16_t *a, const char16_t *b)
{
    for (; *a && *a == *b; a++, b++) {
    }
    return *a == *b;
}

// Whether the n units of key occur anywhere in text.
static bool Contains(const char16_t *text, const char16_t *key, size_t n)
{
    size_t len = Length16(text);
    for (size_t i = 0; i + n <= len; i++) {
        size_t k = 0;
        while (k < n && text[i + k] == key[k])
            k++;
        if (k == n)
            return true;
    }
    return false;
}

bool PassesExtensionFilter(const char16_t *filter, const char16_t *name)
{
    if (Equal16(filter, u"*."))
        return true;
    size_t len = Length16(name);
    size_t n = len < 4 ? len : 4;
    char16_t key[4];
    for (size_t i = 0; i < n; i++)
        key[i] = name[len - 1 - i];
    return Contains(filter, key, n);
}

bool PrependPathPart(char16_t *path, size_t cap, const char16_t *part)
{
    bool root = Equal16(part, u"\\");
    size_t partLen = root ? 0 : Length16(part);
    size_t pathLen = Length16(path);
    // The root puts its backslash in front; any other part a backslash between it and the path.
    bool separator = root || pathLen > 0;
    size_t shift = partLen + (separator ? 1 : 0);
    if (pathLen + shift + 1 > cap)
        return false;
    for (size_t i = pathLen + 1; i-- > 0;)
        path[i + shift] = path[i];
    for (size_t i = 0; i < partLen; i++)
        path[i] = part[i];
    if (separator)
        path[partLen] = u'\\';
    return true;
}

bool FinishSearchPattern(char16_t *path, size_t cap)
{
    const char16_t *tail = Equal16(path, u"\\") ? u"*.*" : u"\\*.*";
    size_t len = Length16(path), tailLen = Length16(tail);
    if (len + tailLen + 1 > cap)
        return false;
    for (size_t i = 0; i <= tailLen; i++)
        path[len + i] = tail[i];
    return true;
}

bool IsAppletFileName(const char16_t *name)
{
    size_t len = Length16(name);
    return len >= 4 && Equal16(name + len - 4, u".cpl");
}

bool AppletLibraryName(const char16_t *path, char16_t *out, size_t cap)
{
    if (cap == 0)
        return false;
    out[0] = 0;
    const char16_t *ext = u".cpl";
    for (size_t i = 0; path[i]; i++) {
        size_t k = 0;
        while (k < 4 && path[i + k] == ext[k])
            k++;
        // Only a ".cpl" that ends the file name: "a.cpl.b.cpl" is one file, not "a.cpl".
        if (k < 4 || (path[i + 4] != 0 && path[i + 4] != u'\\'))
            continue;
        size_t len = i + 4;
        if (len + 1 > cap)
            return false;
        for (size_t j = 0; j < len; j++)
            out[j] = path[j];
        out[len] = 0;
        return true;
    }
    return false;
}

bool FormatAppletReference(char16_t *out, size_t cap, const char16_t *file, int index, bool withIndex)
{
    if (cap == 0)
        return false;
    char16_t number[16];
    size_t digits = 0;
    if (withIndex) {
        // Decimal, written back to front; the magnitude as unsigned so that INT_MIN fits too.
        uint32_t magnitude = index < 0 ? 0u - (uint32_t)index : (uint32_t)index;
        do {
            number[digits++] = (char16_t)(u'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude);
        if (index < 0)
            number[digits++] = u'-';
        number[digits++] = u',';
    }
    const char16_t *folder = u"\\windows\\";
    size_t folderLen = Length16(folder), fileLen = Length16(file);
    if (folderLen + fileLen + digits + 1 > cap) {
        out[0] = 0;
        return false;
    }
    size_t n = 0;
    for (size_t i = 0; i < folderLen; i++)
        out[n++] = folder[i];
    for (size_t i = 0; i < fileLen; i++)
        out[n++] = file[i];
    while (digits)
        out[n++] = number[--digits];
    out[n] = 0;
    return true;
}

bool AppletEntryName(const char16_t *field, size_t fieldUnits, char16_t *out)
{
    size_t len = 0;
    while (len < fieldUnits && field[len])
        len++;
    if (len == fieldUnits) {
        out[0] = 0;
        return false;
    }
    for (size_t i = 0; i <= len; i++)
        out[i] = field[i];
    return true;
}

bool IsSecondEnter(uint32_t now, uint32_t lastEnter)
{
    return (uint32_t)(now - lastEnter) < DOUBLE_ENTER_MS;
}

void ReverseText(char16_t *text)
{
    size_t len = Length16(text);
    for (size_t i = 0; i < len / 2; i++) {
        char16_t c = text[i];
        text[i] = text[len - 1 - i];
        text[len - 1 - i] = c;
    }
}
