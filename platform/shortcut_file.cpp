#include "platform/shortcut_file.h"

#include <wchar.h>

// A shortcut's command is at most a path and its arguments; anything larger is no shortcut.
static const DWORD MAX_SHORTCUT_BYTES = 2 * MAX_PATH;

bool IsShortcutName(const WCHAR *file)
{
    size_t n = file ? wcslen(file) : 0;
    return n >= 4 && _wcsicmp(file + n - 4, L".lnk") == 0;
}

static bool Refuse(DWORD error)
{
    SetLastError(error);
    return false;
}

bool ReadShortcut(const WCHAR *file, WCHAR *program, size_t programChars, WCHAR *arguments, size_t argumentChars)
{
    HANDLE handle = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    char bytes[MAX_SHORTCUT_BYTES + 1];
    DWORD size = 0;
    BOOL read = ReadFile(handle, bytes, sizeof(bytes), &size, NULL);
    CloseHandle(handle);
    if (!read)
        return false;
    if (size > MAX_SHORTCUT_BYTES)
        return Refuse(ERROR_BAD_FORMAT);

    WCHAR text[MAX_SHORTCUT_BYTES + 1];
    int chars = size ? MultiByteToWideChar(CP_ACP, 0, bytes, (int)size, text, MAX_SHORTCUT_BYTES) : 0;
    text[chars] = 0;
    // The length before "#" is not trusted: a shortcut written by hand often miscounts it.
    WCHAR *p = text;
    while (*p >= L'0' && *p <= L'9')
        p++;
    if (p == text || *p != L'#')
        return Refuse(ERROR_BAD_FORMAT);
    p++;
    for (WCHAR *end = p + wcslen(p); end > p && wcschr(L" \t\r\n", end[-1]); end--)
        end[-1] = 0;

    const WCHAR *start = p, *rest;
    size_t length;
    if (*p == L'"') {
        start = p + 1;
        const WCHAR *close = wcschr(start, L'"');
        if (!close)
            return Refuse(ERROR_BAD_FORMAT);
        length = close - start;
        rest = close + 1;
    } else {
        length = wcscspn(p, L" \t");
        rest = p + length;
    }
    while (*rest == L' ' || *rest == L'\t')
        rest++;
    if (length == 0 || length >= programChars || length >= MAX_PATH)
        return Refuse(ERROR_BAD_FORMAT);
    wmemcpy(program, start, length);
    program[length] = 0;
    if (argumentChars) {
        wcsncpy(arguments, rest, argumentChars - 1);
        arguments[argumentChars - 1] = 0;
    }
    return true;
}
