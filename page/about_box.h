#pragma once
// The About box: the versions, the maker's banner, notice and logo; a tap opens the maker's web
// site, Done, the close command or any key ends it.
#include "platform/pocketpc.h"

#define IDD_ABOUT 142

// The banner and the logo: loaded when a box opens, released when it ends; null while no box is
// open.
extern HBITMAP AboutBanner, AboutLogo;

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Paints the box's client area, width pixels wide, into any device context: the banner along the
// top, the notice below it, the logo below that. A missing image leaves its area as it was.
void PaintAbout(HDC dc, int width, HBITMAP banner, HBITMAP logo);
