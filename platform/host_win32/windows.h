// Stand-in for the few Win32 services the data source's platform-free core uses, so that
// the core builds and runs natively (sanitizers, fuzzer). Message boxes are recorded
// instead of shown; library loading finds only what a test registered.
#ifndef ORVELLUX_HOST_WINDOWS_H
#define ORVELLUX_HOST_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef size_t SIZE_T;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef void* HANDLE;
typedef void* HGLOBAL;
typedef void* LPVOID;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef intptr_t (*FARPROC)();

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define MAX_PATH 260
#define WINAPI
#define CALLBACK

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

#define MB_OK 0x00000000L
#define MB_ICONINFORMATION 0x00000040L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_TASKMODAL 0x00002000L
#define IDOK 1
#define IDCANCEL 2

#define WM_CLOSE 0x0010
#define WM_KEYDOWN 0x0100
#define SW_HIDE 0
#define SW_SHOW 5

#define BI_RGB 0

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block);
SIZE_T GlobalSize(HGLOBAL block);

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

BOOL IsWindow(HWND window);
BOOL IsDialogMessageA(HWND dialog, MSG* message);
BOOL ShowWindow(HWND window, int command);
BOOL DestroyWindow(HWND window);
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

BOOL DeleteFileA(LPCSTR name);
void Sleep(DWORD milliseconds);

#endif
