#pragma once
// The Pocket PC shell's services (aygshell) that the program uses, under their Pocket PC names:
// the menu bar, full-screen windows and dialogs, the activation helpers and the image loader.
// On the desktop they stand in as the handheld draws them: the navigation bar along the top of
// the screen, the menu bar along the bottom, top-level windows without a frame of their own.
#include <windows.h>

// Both bars are 26 pixels high on a 96-DPI screen.
#define PPC_BAR_HEIGHT_96DPI 26
int PpcBarHeight();

// Top-level windows: the handheld gives them no caption or frame (the title shows in the
// navigation bar), and CW_USEDEFAULT places them below the navigation bar across the screen.
// Every window clips its siblings, as all windows do on the handheld.
HWND PpcCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                        int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
#define CreateWindowExW PpcCreateWindowExW

// Menu bar from a menu-bar resource (RCDATA): a word with the menu's id, a word with the
// count, then per button seven words: image, command, state, style, string id, 0, menu index.
#define I_IMAGENONE (-2)
#define NOMENU 0xFFFF
#define SHCMBF_EMPTYBAR 0x0001

struct SHMENUBARINFO {
    DWORD cbSize;
    HWND hwndParent;
    DWORD dwFlags;
    UINT nToolBarId;
    HINSTANCE hInstRes;
    int nBmpId;
    int cBmpImages;
    HWND hwndMB;
    COLORREF clrBk;
};
typedef SHMENUBARINFO *PSHMENUBARINFO;

// The bar is a window along the bottom of the screen, owned by hwndParent, shown and hidden with
// it. Each button is a child window of class PPC_MENU_BUTTON_CLASS whose text is the button's
// string and whose id is its command; a tap sends WM_COMMAND (command, 0) to the owner.
#define PPC_MENU_BAR_CLASS L"menu_worker"
#define PPC_MENU_BUTTON_CLASS L"PpcMenuButton"
BOOL SHCreateMenuBar(SHMENUBARINFO *info);

// Activation and setting-change helpers of the shell. They manage the soft input panel, which
// the desktop does not have.
struct SHACTIVATEINFO {
    DWORD cbSize;
    HWND hwndLastFocus;
    UINT fSipUp : 1;
    UINT fSipOnDeactivation : 1;
    UINT fActive : 1;
    UINT fReserved : 29;
};
typedef SHACTIVATEINFO *PSHACTIVATEINFO;
BOOL SHHandleWMActivate(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *info, DWORD flags);
BOOL SHHandleWMSettingChange(HWND window, WPARAM wParam, LPARAM lParam, SHACTIVATEINFO *info);

// Full-screen windows.
#define SHFS_SHOWTASKBAR 0x0001
#define SHFS_HIDETASKBAR 0x0002
#define SHFS_SHOWSIPBUTTON 0x0004
#define SHFS_HIDESIPBUTTON 0x0008
#define SHFS_SHOWSTARTICON 0x0010
#define SHFS_HIDESTARTICON 0x0020
BOOL SHFullScreen(HWND window, DWORD state);

// Dialogs: SHIDIF_SIZEDLGFULLSCREEN fills the screen between the two bars; SHIDIF_DONEBUTTON
// shows "ok" in the navigation bar, which sends WM_COMMAND IDOK to the dialog; SHIDIF_EMPTYMENU
// gives it an empty menu bar.
#define SHIDIM_FLAGS 0x0001
#define SHIDIF_DONEBUTTON 0x0001
#define SHIDIF_SIZEDLG 0x0002
#define SHIDIF_SIZEDLGFULLSCREEN 0x0004
#define SHIDIF_SIPDOWN 0x0008
#define SHIDIF_FULLSCREENNOMENUBAR 0x0010
#define SHIDIF_EMPTYMENU 0x0020
struct SHINITDLGINFO {
    DWORD dwMask;
    HWND hDlg;
    DWORD dwFlags;
};
typedef SHINITDLGINFO *PSHINITDLGINFO;
#define PPC_NAV_BAR_CLASS L"PpcNavBar"
BOOL SHInitDialog(SHINITDLGINFO *info);

// A JPEG, GIF, PNG or BMP file as a 24-bit bitmap that the caller deletes; null when the file is
// missing, unreadable or not a picture.
HBITMAP SHLoadImageFile(LPCWSTR path);
