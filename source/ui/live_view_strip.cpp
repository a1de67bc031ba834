#include "ui/live_view_strip.h"

#include <vfw.h>

#include <string.h>

#include "protocol/source_state.h"
#include "ui/live_view_drawing.h"
#include "ui/live_view_state.h"
#include "ui/resource.h"

const int kThumbnailControls[kSlotCount] = {IDC_THUMB_0, IDC_THUMB_1, IDC_THUMB_2,  IDC_THUMB_3,
                                            IDC_THUMB_4, IDC_THUMB_5, IDC_THUMB_6,  IDC_THUMB_7,
                                            IDC_THUMB_8, IDC_THUMB_9, IDC_THUMB_10, IDC_THUMB_11};
RECT slotRect[kSlotCount];

namespace {

const int kThumbnailInset = 2;
const int kPreviewInset = 7;
const COLORREF kSelectedFrameColour = RGB(0, 255, 0);

RECT Inset(RECT rect, int by) {
    InflateRect(&rect, -by, -by);
    return rect;
}

// Records hold their top picture row first under a positive height, which a DIB reads as
// bottom-up; the copy turns the rows round so the picture is drawn upright. Its rows are
// padded to whole DWORDs, which a DIB expects and the record does not have.
void DrawRecord(const BYTE* record, const RECT& destination) {
    BITMAPINFOHEADER header;
    memcpy(&header, record, sizeof header);
    if (header.biWidth <= 0 || header.biHeight <= 0) return;
    SIZE_T rowBytes = static_cast<SIZE_T>(header.biWidth) * 3;
    SIZE_T stride = (rowBytes + 3) & ~static_cast<SIZE_T>(3);
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, sizeof header + stride * header.biHeight);
    BYTE* drawn = copy ? static_cast<BYTE*>(GlobalLock(copy)) : nullptr;
    if (!drawn) {
        if (copy) GlobalFree(copy);
        return;
    }
    // The pixels are plain 24-bit rows whatever the camera's header claimed.
    header.biSize = sizeof header;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(stride * header.biHeight);
    memcpy(drawn, &header, sizeof header);
    const BYTE* rows = record + sizeof header;
    for (LONG row = 0; row < header.biHeight; ++row) {
        memcpy(drawn + sizeof header + row * stride, rows + (header.biHeight - 1 - row) * rowBytes, rowBytes);
    }
    HDC dc = GetDC(liveViewWindow);
    HDRAWDIB drawDib = DrawDibOpen();
    if (dc && drawDib) {
        DrawDibDraw(drawDib, dc, destination.left, destination.top, destination.right - destination.left,
                    destination.bottom - destination.top, reinterpret_cast<BITMAPINFOHEADER*>(drawn),
                    drawn + sizeof header, 0, 0, header.biWidth, header.biHeight, 0);
    }
    if (drawDib) DrawDibClose(drawDib);
    if (dc) ReleaseDC(liveViewWindow, dc);
    GlobalUnlock(copy);
    GlobalFree(copy);
}

void DrawEtchedEdge(HDC dc, int slot) {
    RECT rect = slotRect[slot];
    DrawEdge(dc, &rect, EDGE_ETCHED, BF_RECT);
}

void DrawSelectedFrame(HDC dc, int slot) {
    HBRUSH brush = CreateSolidBrush(kSelectedFrameColour);
    FrameRect(dc, &slotRect[slot], brush);
    DeleteObject(brush);
}

void DrawSlotMarks(HDC dc, int slot) {
    DrawEtchedEdge(dc, slot);
    if (snapshotStore.slotSelected[slot]) DrawSelectedFrame(dc, slot);
}

// After a Shift or plain click: every filled slot loses its frame, the selection regains it.
void RedrawSelection() {
    HDC dc = GetDC(liveViewWindow);
    if (!dc) return;
    int filled = FilledSlotCount();
    for (int slot = 0; slot < filled && slot < kSlotCount; ++slot) DrawEtchedEdge(dc, slot);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (snapshotStore.slotSelected[slot]) DrawSelectedFrame(dc, slot);
    }
    ReleaseDC(liveViewWindow, dc);
}

void DrawSlotPreview(int slot) {
    std::lock_guard<std::mutex> hold(slotImageLock);
    HGLOBAL image = snapshotStore.slotImage[slot];
    const BYTE* record = image ? static_cast<const BYTE*>(GlobalLock(image)) : nullptr;
    if (!record) return;
    DrawSnapshotPreview(record);
    GlobalUnlock(image);
}

}  // namespace

void ComputeSlotRects() {
    for (int slot = 0; slot < kSlotCount; ++slot) slotRect[slot] = ControlClientRect(kThumbnailControls[slot]);
}

void DrawSlotThumbnail(const BYTE* record, int slot) {
    if (slot < 0 || slot >= kSlotCount) return;
    DrawRecord(record, Inset(ControlClientRect(kThumbnailControls[slot]), kThumbnailInset));
    HDC dc = GetDC(liveViewWindow);
    if (!dc) return;
    DrawSlotMarks(dc, slot);
    ReleaseDC(liveViewWindow, dc);
}

void DrawSnapshotPreview(const BYTE* record) {
    DrawRecord(record, Inset(ControlClientRect(IDC_SNAPSHOT_PREVIEW), kPreviewInset));
}

void PaintSnapshotStrip(HDC paint) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        HGLOBAL image = snapshotStore.slotImage[slot];
        const BYTE* record = image ? static_cast<const BYTE*>(GlobalLock(image)) : nullptr;
        if (!record) continue;
        DrawSlotThumbnail(record, slot);
        DrawSlotMarks(paint, slot);
        GlobalUnlock(image);
    }
}

int SlotAtPoint(int x, int y) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const RECT& rect = slotRect[slot];
        if (rect.left < x && x < rect.right && rect.top < y && y < rect.bottom) return slot;
    }
    return -1;
}

void OnStripMouseMove(int x, int y) {
    int slot = SlotAtPoint(x, y);
    if (slot >= 0 && snapshotStore.slotImage[slot]) SetCursor(LoadCursor(nullptr, IDC_CROSS));
}

void OnStripClick(int x, int y, WPARAM keys) {
    int slot = SlotAtPoint(x, y);
    if (slot < 0) return;
    if (keys & MK_CONTROL) {
        if (!ToggleSlotSelection(slot)) return;
        HDC dc = GetDC(liveViewWindow);
        if (!dc) return;
        DrawSlotMarks(dc, slot);
        ReleaseDC(liveViewWindow, dc);
    } else if (keys & MK_SHIFT) {
        if (SelectSlotRange(slot)) RedrawSelection();
    } else {
        MarkSlotAlone(slot);
        RedrawSelection();
        DrawSlotPreview(slot);
    }
}

void DrawStoredSnapshot(const BYTE* record, int slot) {
    if (!liveViewWindow || slot < 0 || slot >= kSlotCount) return;
    DrawSlotThumbnail(record, slot);
    HDC dc = GetDC(liveViewWindow);
    if (dc) {
        int mark = snapshotStore.markSlot;
        if (mark >= 0 && mark < kSlotCount) DrawEtchedEdge(dc, mark);
        DrawSelectedFrame(dc, slot);
        ReleaseDC(liveViewWindow, dc);
    }
    DrawSnapshotPreview(record);
}
