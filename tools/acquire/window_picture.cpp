#include "window_picture.h"

#include <string.h>

namespace {

// Copies a rectangle of the device context into a top-down 24-bit image.
bool CopyFromDc(HDC source, int left, int top, int width, int height, RgbImage* image) {
    if (width <= 0 || height <= 0) return false;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return false;
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    bool copied = BitBlt(memory, 0, 0, width, height, source, left, top, SRCCOPY) != 0;
    GdiFlush();
    if (copied) {
        image->width = width;
        image->height = height;
        size_t rowBytes = static_cast<size_t>(width) * 3;
        size_t stride = (rowBytes + 3) & ~static_cast<size_t>(3);
        image->pixels.resize(rowBytes * height);
        for (int row = 0; row < height; ++row)
            memcpy(&image->pixels[row * rowBytes], static_cast<const BYTE*>(bits) + row * stride, rowBytes);
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
    return copied;
}

}  // namespace

bool CaptureClientRect(HWND window, const RECT& rect, RgbImage* image) {
    HDC dc = GetDC(window);
    if (!dc) return false;
    bool copied = CopyFromDc(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, image);
    ReleaseDC(window, dc);
    return copied;
}
