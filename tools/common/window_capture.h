// Screenshots of a window as BMP files, so that anyone can see what a window showed.
#ifndef ORVELLUX_WINDOW_CAPTURE_H
#define ORVELLUX_WINDOW_CAPTURE_H

#include <windows.h>

// Writes the whole window, frame included, as it is on screen now to path as a 24-bit
// bottom-up BMP; true when the file was written completely.
bool SaveWindowScreenshot(HWND window, const char* path);

#endif
