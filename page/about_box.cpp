#include "page/about_box.h"
#include "utils/app_paths.h"
#include "utils/display.h"
#include "utils/launch.h"
#include "utils/log.h"
#include "page/about_notice.h"
#include "settings/settings_store.h"

HBITMAP AboutBanner, AboutLogo;

static void ReleaseImages()
{
    if (AboutBanner)
        DeleteObject(AboutBanner);
    if (AboutLogo)
        DeleteObject(AboutLogo);
    AboutBanner = AboutLogo = NULL;
}

// The source rectangle (0, 0, sourceWidth, sourceHeight) of image stretched to the destination.
static void DrawImage(HDC dc, HBITMAP image, int sourceWidth, int sourceHeight, int x, int y, int width, int height)
{
    if (!image)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, image);
    StretchBlt(dc, x, y, width, height, memory, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

void PaintAbout(HDC dc, int width, HBITMAP banner, HBITMAP logo)
{
    // The banner is 640 x 200: on a narrow screen its sides are cut off, never squeezed.
    DrawImage(dc, banner, 640, 200, (width - DRAX(320)) / 2, 0, DRAX(320), DRAY(100));

    // A version that is missing or unreadable reads as empty.
    WCHAR driver[ABOUT_TEXT_CHARS] = {0}, gui[ABOUT_TEXT_CHARS] = {0}, notice[ABOUT_TEXT_CHARS] = {0};
    ReadSettingValue(L"VersionDriver", REG_SZ, driver, sizeof(driver));
    ReadSettingValue(L"VersionGUI", REG_SZ, gui, sizeof(gui));
    ComposeAboutNotice((char16_t *)notice, ABOUT_TEXT_CHARS, (const char16_t *)driver, (const char16_t *)gui,
                       ABOUT_TEXT_CHARS);
    RECT area = {0, DRAY(100), width, DRAY(200)};
    DrawTextW(dc, notice, -1, &area, DT_CENTER | DT_WORDBREAK);

    DrawImage(dc, logo, 150, 150, (width - DRAX(75)) / 2, DRAY(190), DRAX(75), DRAY(75));
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        LogPrintf(L"About::WM_INITDIALOG in");
        SHINITDLGINFO shell = {SHIDIM_FLAGS, dialog,
                               SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN | SHIDIF_EMPTYMENU};
        SHInitDialog(&shell);
        AboutBanner = SHLoadImageFile(AppPath(AppDir, L"Images", L"about.jpg"));
        AboutLogo = SHLoadImageFile(AppPath(AppDir, L"Help", L"logodalvern.gif"));
        LogPrintf(L"About::WM_INITDIALOG out");
        return TRUE;
    }
    case WM_ERASEBKGND:
        // The paint covers the whole box: an erase of its own would show it bare until the paint.
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 1);
        return TRUE;
    case WM_PAINT: {
        RECT client;
        GetClientRect(dialog, &client);
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(dialog, &paint);
        // Drawn aside and put on the screen in one piece, so that the box is never seen half drawn.
        HDC aside = CreateCompatibleDC(dc);
        HBITMAP picture = aside ? CreateCompatibleBitmap(dc, client.right, client.bottom) : NULL;
        HDC target = picture ? aside : dc;
        HGDIOBJ previousPicture = picture ? SelectObject(aside, picture) : NULL;
        HGDIOBJ previousFont = SelectObject(target, GetCurrentObject(dc, OBJ_FONT));
        // The dialog's own background and colours, as its erase would give them.
        HBRUSH ground = (HBRUSH)SendMessageW(dialog, WM_CTLCOLORDLG, (WPARAM)target, (LPARAM)dialog);
        FillRect(target, &client, ground ? ground : GetSysColorBrush(COLOR_3DFACE));
        PaintAbout(target, client.right - client.left, AboutBanner, AboutLogo);
        SelectObject(target, previousFont);
        if (picture) {
            BitBlt(dc, 0, 0, client.right, client.bottom, aside, 0, 0, SRCCOPY);
            SelectObject(aside, previousPicture);
            DeleteObject(picture);
        }
        if (aside)
            DeleteDC(aside);
        EndPaint(dialog, &paint);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK)
            return FALSE;
        ReleaseImages();
        LogPrintf(L"About::IDOK");
        EndDialog(dialog, IDOK);
        return TRUE;
    case WM_CLOSE:
        ReleaseImages();
        LogPrintf(L"About::WM_CLOSE");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_KEYUP:
        ReleaseImages();
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_LBUTTONUP:
        LaunchProgram(L"iexplore.exe", (const WCHAR *)MAKER_WEB_ADDRESS);
        return FALSE;
    }
    return FALSE;
}
