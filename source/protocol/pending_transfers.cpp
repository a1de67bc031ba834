#include "protocol/pending_transfers.h"

#include "capture/capture_graph.h"
#include "capture/still_capture.h"
#include "protocol/dispatch.h"
#include "protocol/identity.h"
#include "protocol/message_wait.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "ui/live_view.h"
#include "ui/resource.h"
#include "ui/source_strings.h"

int pendingList[kSlotCount];
int pendingTotal;
int pendingCount;
bool transferIdle = true;

namespace {

const char kPendingPrefix[] = "General failure in response to DAT_PENDINGXFER.  ";
const char kTransferPrefix[] = "General failure in transfer.  ";
const DWORD kStillWaitMs = 2000;
const int kMoreStillWaits = 16;

TW_UINT16 Fail(TW_UINT16 conditionCode) {
    SetConditionCode(conditionCode);
    ReportFailure(kPendingPrefix, conditionCode);
    return TWRC_FAILURE;
}

HGLOBAL CurrentSlotImage() {
    int slot = snapshotStore.markSlot;
    return slot >= 0 && slot < kSlotCount ? snapshotStore.slotImage[slot] : nullptr;
}

void ShowNothingSelected() {
    char text[128];
    char caption[32];
    LoadSourceString(IDS_SELECT_IMAGE, text, sizeof text);
    LoadSourceString(IDS_ERROR, caption, sizeof caption);
    MessageBoxA(liveViewWindow, text, caption, MB_OK);
}

TW_UINT16 EndTransfer(pTW_PENDINGXFERS pending) {
    --pendingCount;
    // Snapshots released under a running batch (the window shut down) end it early
    // rather than hand over a stale image.
    if (pendingCount > 0 && !PrepareAfterTransfer(pendingList[pendingTotal - pendingCount])) {
        pendingCount = 0;
    }
    if (pendingCount <= 0) {
        EndTransferBatch();
        // Without a live picture the window existed for this one image only.
        if (!previewAvailable && liveViewWindow) PostMessageA(liveViewWindow, WM_CLOSE, 0, 0);
    }
    pending->Count = static_cast<TW_UINT16>(pendingCount);
    return TWRC_SUCCESS;
}

}  // namespace

void EndTransferBatch() {
    pendingCount = 0;
    for (bool& mark : slotPreparedRgb) mark = false;
    transferIdle = true;
    EnableCommandControls();
}

void BeginTransferBatch() {
    transferIdle = false;
    // After a native transfer every batch starts in a fresh, zero-filled image buffer.
    if (lastTransferKind == kTransferNative && !RenewTransferImageBuffer()) {
        ReportFailure(kTransferPrefix, TWCC_LOWMEMORY);
        EndTransferBatch();
        return;
    }
    // A selected slot without an image (a failed store) has nothing to hand over.
    pendingCount = 0;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (snapshotStore.slotSelected[slot] && snapshotStore.slotImage[slot]) {
            pendingList[pendingCount++] = slot;
        }
    }
    if (pendingCount == 0) {
        ShowNothingSelected();
        EndTransferBatch();
        return;
    }
    pendingTotal = pendingCount;
    if (!PrepareAtBatchStart(pendingList[0])) {
        ReportFailure(kTransferPrefix, TWCC_OPERATIONERROR);
        EndTransferBatch();
        return;
    }
    NotifyTransferReady();
}

TW_UINT16 AutomaticAcquire() {
    TriggerStill();
    WaitDispatchingMessages(kStillWaitMs);
    // The window owns the camera: once it is gone no still can arrive.
    for (int wait = 0; wait < kMoreStillWaits && liveViewWindow && !CurrentSlotImage(); ++wait) {
        WaitDispatchingMessages(kStillWaitMs);
    }
    if (!CurrentSlotImage()) return TWCC_OPERATIONERROR;
    if (!transferImageBuffer && !RenewTransferImageBuffer()) return TWCC_LOWMEMORY;
    {
        // The still thread may replace the slot's image meanwhile.
        std::lock_guard<std::mutex> hold(slotImageLock);
        HGLOBAL snapshot = CurrentSlotImage();
        if (!snapshot || !PrepareFlipped(snapshot)) return TWCC_OPERATIONERROR;
    }
    NotifyTransferReady();
    return TWCC_SUCCESS;
}

TW_UINT16 HandlePendingTransfers(TripletRecord* triplet) {
    pTW_PENDINGXFERS pending = static_cast<pTW_PENDINGXFERS>(triplet->data);
    switch (triplet->msg) {
    case MSG_GET:
        if (sourceState < 4 || sourceState > 7) return Fail(TWCC_SEQERROR);
        if (!pending) return Fail(TWCC_BADVALUE);
        pending->Count = 0;
        return TWRC_SUCCESS;
    case MSG_RESET:
        if (sourceState != 6 && sourceState != 7) return Fail(TWCC_SEQERROR);
        if (!pending) return Fail(TWCC_BADVALUE);
        sourceState = 5;
        // The application has dropped the batch: the Live View must not stay locked in it.
        EndTransferBatch();
        pending->Count = 0;
        return TWRC_SUCCESS;
    case MSG_ENDXFER:
        if (!pending) return Fail(TWCC_BADVALUE);
        return EndTransfer(pending);
    default: return Fail(TWCC_BADPROTOCOL);
    }
}
