// The snapshot strip of the Live View: thumbnails, the preview of the current snapshot, and
// the pointer and click rules of the strip.
#ifndef ORVELLUX_LIVE_VIEW_STRIP_H
#define ORVELLUX_LIVE_VIEW_STRIP_H

#include <windows.h>

#include "ui/snapshot_store.h"

// Thumbnail control ids by slot number.
extern const int kThumbnailControls[kSlotCount];
// Each slot's thumbnail rectangle in the Live View's client coordinates.
extern RECT slotRect[kSlotCount];

void ComputeSlotRects();
// Draw a locked snapshot record into its slot's thumbnail, or into the preview.
void DrawSlotThumbnail(const BYTE* record, int slot);
void DrawSnapshotPreview(const BYTE* record);
// The strip part of WM_PAINT; the caller holds slotImageLock.
void PaintSnapshotStrip(HDC paint);
void OnStripMouseMove(int x, int y);
void OnStripClick(int x, int y, WPARAM keys);
// The slot whose rectangle holds the point strictly inside; -1 for none.
int SlotAtPoint(int x, int y);

#endif
