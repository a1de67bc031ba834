// The Live View's own painting: button faces, banners and the window's WM_PAINT.
#ifndef ORVELLUX_LIVE_VIEW_DRAWING_H
#define ORVELLUX_LIVE_VIEW_DRAWING_H

#include <windows.h>

// A control's window rectangle in the Live View's client coordinates.
RECT ControlClientRect(int controlId);
// Draws bitmap resource bitmapId into control controlId's rectangle of the Live View.
void DrawFaceBitmap(int bitmapId, int controlId);
// The pressed bitmap shown for a moment, then the released one.
void ShowPressedLook(int pressedBitmapId, int releasedBitmapId, int controlId);
void PaintLiveView(HWND window);

#endif
