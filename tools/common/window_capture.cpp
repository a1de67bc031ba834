#include "window_capture.h"

bool SaveWindowScreenshot(HWND window, const char* path) {
    RECT bounds;
    if (!window || !GetWindowRect(window, &bounds)) return false;
    LONG width = bounds.right - bounds.left;
    LONG height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) return false;

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = stride * static_cast<DWORD>(height);

    // The window's own device context shows what is on screen, including drawing done
    // outside WM_PAINT, which a WM_PRINT-based copy would miss.
    HDC windowDc = GetWindowDC(window);
    if (!windowDc) return false;
    HDC memoryDc = CreateCompatibleDC(windowDc);
    void* bits = nullptr;
    HBITMAP bitmap = memoryDc ? CreateDIBSection(windowDc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                                 &bits, nullptr, 0)
                              : nullptr;
    bool copied = false;
    if (bitmap && bits) {
        HGDIOBJ previous = SelectObject(memoryDc, bitmap);
        copied = BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        SelectObject(memoryDc, previous);
    }

    bool written = false;
    if (copied) {
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;  // "BM"
        file.bfOffBits = sizeof file + sizeof header;
        file.bfSize = file.bfOffBits + header.biSizeImage;
        HANDLE output = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output != INVALID_HANDLE_VALUE) {
            DWORD done = 0;
            written = WriteFile(output, &file, sizeof file, &done, nullptr) && done == sizeof file &&
                      WriteFile(output, &header, sizeof header, &done, nullptr) && done == sizeof header &&
                      WriteFile(output, bits, header.biSizeImage, &done, nullptr) && done == header.biSizeImage;
            CloseHandle(output);
            if (!written) DeleteFileA(path);
        }
    }
    if (bitmap) DeleteObject(bitmap);
    if (memoryDc) DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return written;
}
