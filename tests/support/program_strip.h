#pragma once
// The installed program and its cursor strip (bitmap 141), for the tests and benchmarks that draw
// with the real images. Header only: the benchmarks link no test library.
#include <windows.h>

#define QM_INSTALLED_PROGRAM L"C:\\Program Files\\Quillmark\\quillmark.exe"

// The strip as the program carries it; null when the program or the bitmap is missing.
static inline HBITMAP LoadInstalledCursorStrip(UINT flags = 0)
{
    HMODULE program =
        LoadLibraryExW(QM_INSTALLED_PROGRAM, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!program)
        return NULL;
    HBITMAP strip = (HBITMAP)LoadImageW(program, MAKEINTRESOURCEW(141), IMAGE_BITMAP, 0, 0, flags);
    FreeLibrary(program);
    return strip;
}
