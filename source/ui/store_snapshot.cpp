#include "ui/store_snapshot.h"

#include "capture/still_capture.h"
#include "ui/live_view_state.h"
#include "ui/snapshot_store.h"

namespace {

const char kUnusableStillText[] =
    "The camera's still image cannot be stored: its header does not describe a picture of up to "
    "2592 x 1944 pixels.";

}  // namespace

bool StoreSnapshot() {
    BITMAPINFOHEADER header = {};
    DWORD length = sizeof header;
    if (FAILED(ReadStillImage(&header, &length))) return false;
    // The record is sized from the header, so a header that lies would let the pixel read
    // or the row reversal run past it.
    if (length != sizeof header || !SnapshotHeaderUsable(header)) {
        MessageBoxA(nullptr, kUnusableStillText, "", MB_OK);
        return false;
    }

    SnapshotStore& store = snapshotStore;
    if (++store.fillSlot == kSlotCount) {
        store.fillSlot = 0;
        store.stripWrapped = true;
    }
    int slot = store.fillSlot;
    // The record is filled before it enters the slot: the slot lock is then never held
    // across the camera's reads and the boxes they may show.
    HGLOBAL image = GlobalAlloc(GHND, sizeof header + header.biSizeImage);
    BYTE* record = image ? static_cast<BYTE*>(GlobalLock(image)) : nullptr;
    if (!record) {
        if (image) GlobalFree(image);
        ReplaceSlotImage(slot, nullptr);
        return false;
    }

    SnapshotFill fill = FillSnapshotRecord(record, &header);
    if (fill != kFillComplete) {
        // A record the camera did not fill is not a picture: offering it for transfer would
        // hand the application a blank image as a success. The slot keeps what it held.
        GlobalUnlock(image);
        GlobalFree(image);
        if (fill == kFillReadFailed) --store.fillSlot;
        return false;
    }
    DrawStoredSnapshot(record, slot);
    GlobalUnlock(image);
    ReplaceSlotImage(slot, image);
    store.markSlot = slot;
    return true;
}
