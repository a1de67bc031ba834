// Pictures of a window as the screen shows it.
#ifndef ORVELLUX_WINDOW_PICTURE_H
#define ORVELLUX_WINDOW_PICTURE_H

#include <windows.h>

#include <string>

#include "bitmap_image.h"

// The whole window, frame and caption included; false when it cannot be read.
bool CaptureWindow(HWND window, RgbImage* image);
// The pixels inside rect (client coordinates of window).
bool CaptureClientRect(HWND window, const RECT& rect, RgbImage* image);
// Writes the window as a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const std::string& path, std::string* error);

#endif
