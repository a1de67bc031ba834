// Pixels of a window as the screen shows it.
#ifndef ORVELLUX_WINDOW_PICTURE_H
#define ORVELLUX_WINDOW_PICTURE_H

#include <windows.h>

#include "bitmap_image.h"

// The pixels inside rect (client coordinates of window), top row first.
bool CaptureClientRect(HWND window, const RECT& rect, RgbImage* image);

#endif
