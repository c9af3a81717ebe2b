// The shell's picture loader, through the desktop's imaging component (WIC): the file's first
// frame as a 24-bit top-down DIB section.
#include "platform/aygshell.h"

#include <initguid.h>
#include <wincodec.h>

// Larger pictures are refused rather than allocated: nothing the handheld shows comes near it.
#define MAX_PICTURE_SIDE 8192

template <class T> static void Release(T *&object)
{
    if (object)
        object->Release();
    object = NULL;
}

// The desktop's converter reaches 32-bit BGR from every format it decodes (24-bit not from the
// palette ones), so the pixels come that way and are packed into the 24-bit bitmap here.
static HBITMAP DecodeFirstFrame(IWICImagingFactory *factory, LPCWSTR path)
{
    IWICBitmapDecoder *decoder = NULL;
    IWICBitmapFrameDecode *frame = NULL;
    IWICFormatConverter *converter = NULL;
    HBITMAP bitmap = NULL;
    BYTE *pixels = NULL;
    UINT width = 0, height = 0;

    if (FAILED(factory->CreateDecoderFromFilename(path, NULL, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                  &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, NULL, 0,
                                     WICBitmapPaletteTypeCustom)) ||
        FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > MAX_PICTURE_SIDE ||
        height > MAX_PICTURE_SIDE)
        goto done;
    pixels = (BYTE *)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)width * height * 4);
    if (!pixels || FAILED(converter->CopyPixels(NULL, width * 4, width * height * 4, pixels)))
        goto done;
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = (LONG)width;
        info.bmiHeader.biHeight = -(LONG)height; // top-down, as the pixels come
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void *bits = NULL;
        bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
        if (!bitmap)
            goto done;
        UINT stride = (width * 3 + 3) & ~3u; // DIB rows end on a 4-byte boundary
        for (UINT y = 0; y < height; y++) {
            const BYTE *from = pixels + (SIZE_T)y * width * 4;
            BYTE *to = (BYTE *)bits + (SIZE_T)y * stride;
            for (UINT x = 0; x < width; x++, from += 4, to += 3) {
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
        GdiFlush();
    }
done:
    if (pixels)
        HeapFree(GetProcessHeap(), 0, pixels);
    Release(converter);
    Release(frame);
    Release(decoder);
    return bitmap;
}

HBITMAP SHLoadImageFile(LPCWSTR path)
{
    if (!path || !path[0])
        return NULL;
    HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    IWICImagingFactory *factory = NULL;
    HBITMAP bitmap = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, NULL, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   (void **)&factory))) {
        bitmap = DecodeFirstFrame(factory, path);
        Release(factory);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return bitmap;
}
