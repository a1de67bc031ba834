#include "ui/live_view_drawing.h"

#include "protocol/source_state.h"
#include "ui/live_view_state.h"
#include "ui/live_view_strip.h"
#include "ui/resource.h"
#include "ui/snapshot_store.h"

namespace {

// Long enough for the pressed face to be seen before the released one returns.
const int kPressedDraws = 180;

// Children the window draws over: they paint themselves first, so that a repaint of the
// whole window leaves the window's drawing on top.
void PaintCoveredChildren(HWND window) {
    const int covered[] = {IDC_SNAPSHOT_PREVIEW, IDC_SIDE_BANNER, IDC_STRIP_BANNER};
    for (int id : covered) UpdateWindow(GetDlgItem(window, id));
    for (int id : kThumbnailControls) UpdateWindow(GetDlgItem(window, id));
}

}  // namespace

RECT ControlClientRect(int controlId) {
    RECT rect = {};
    HWND control = GetDlgItem(liveViewWindow, controlId);
    if (!control || !GetWindowRect(control, &rect)) return RECT{};
    MapWindowPoints(nullptr, liveViewWindow, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void DrawFaceBitmap(int bitmapId, int controlId) {
    RECT rect = ControlClientRect(controlId);
    HBITMAP bitmap = LoadBitmapA(moduleInstance, MAKEINTRESOURCEA(bitmapId));
    if (!bitmap) return;
    BITMAP size = {};
    GetObjectA(bitmap, sizeof size, &size);
    HDC dc = GetDC(liveViewWindow);
    HDC memory = dc ? CreateCompatibleDC(dc) : nullptr;
    if (memory) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        int width = rect.right - rect.left;
        int height = rect.bottom - rect.top;
        if (controlId == IDC_SIDE_BANNER || controlId == IDC_STRIP_BANNER) {
            // The strip banner is cut on the right rather than squeezed into its control.
            int sourceWidth =
                controlId == IDC_STRIP_BANNER && width < size.bmWidth ? width : size.bmWidth;
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchBlt(dc, rect.left, rect.top, width, height, memory, 0, 0, sourceWidth,
                       size.bmHeight, SRCCOPY);
        } else {
            BitBlt(dc, rect.left, rect.top, width, height, memory, 0, 0, SRCCOPY);
        }
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    if (dc) ReleaseDC(liveViewWindow, dc);
    DeleteObject(bitmap);
}

void ShowPressedLook(int pressedBitmapId, int releasedBitmapId, int controlId) {
    for (int draw = 0; draw < kPressedDraws; ++draw) DrawFaceBitmap(pressedBitmapId, controlId);
    DrawFaceBitmap(releasedBitmapId, controlId);
}

void ShowSnapShotPressedLook() {
    ShowPressedLook(IDB_SNAPSHOT_DOWN, IDB_SNAPSHOT_UP, IDC_SNAPSHOT_FACE);
}

void PaintLiveView(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    PaintCoveredChildren(window);
    {
        std::lock_guard<std::mutex> hold(slotImageLock);
        int mark = snapshotStore.markSlot;
        HGLOBAL image = mark >= 0 && mark < kSlotCount ? snapshotStore.slotImage[mark] : nullptr;
        const BYTE* record = image ? static_cast<const BYTE*>(GlobalLock(image)) : nullptr;
        if (record) {
            DrawSnapshotPreview(record);
            GlobalUnlock(image);
        }
    }
    DrawFaceBitmap(IDB_SIDE_BANNER, IDC_SIDE_BANNER);
    DrawFaceBitmap(IDB_STRIP_BANNER, IDC_STRIP_BANNER);
    {
        std::lock_guard<std::mutex> hold(slotImageLock);
        PaintSnapshotStrip(dc);
    }
    EndPaint(window, &paint);
}
