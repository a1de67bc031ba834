#include "ui/live_view_lifecycle.h"

#include "capture/capture_graph.h"
#include "capture/still_capture.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "ui/capture_settings.h"
#include "ui/live_view_state.h"
#include "ui/live_view_strip.h"
#include "ui/snapshot_store.h"
#include "ui/store_snapshot.h"

bool closedOnce = false;

bool StartLiveView(HWND window) {
    for (unsigned char& selected : snapshotStore.slotSelected) selected = 0;
    for (bool& mark : slotPreparedRgb) mark = false;
    firstTransferFixPending = true;
    liveViewWindow = window;
    snapshotStore.stripWrapped = false;
    closedOnce = false;
    cameraIndex = -1;

    if (!SelectCamera(0)) {
        cameraAvailable = false;
        return false;
    }
    SetLiveViewTitle();
    ComputeSlotRects();
    previewWanted = true;
    BuildPreviewGraph();

    stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (stopEvent && StartStillThread()) {
        RunGraph();
        // Without a live picture the user cannot take one: keep what the camera holds.
        if (!previewAvailable && cameraAvailable) StoreSnapshot();
        // threadDoneSemaphore came with the thread, so that a thread ending at once still
        // lets the shutdown through.
        busySemaphore = CreateSemaphoreA(nullptr, 1, 1, nullptr);
        return true;
    }
    if (stopEvent) CloseHandle(stopEvent);
    stopEvent = nullptr;
    TearDownGraph();
    ReleaseCaptureDevice();
    cameraAvailable = false;
    return false;
}

void ShutDownLiveView() {
    // The still thread may be drawing into this window or enabling its controls, which
    // waits for this thread: the stop delivers those calls while it waits, and gives up
    // after a bound rather than hang the application.
    bool threadEnded = StopStillThread(kStillThreadStopTimeoutMs);
    if (threadEnded && stillEvent) DisableStillEvent();
    ReleaseAllSnapshots();
    StopGraph();
    TearDownGraph();
    // A thread that is still busy goes on asking the camera's filter for its property set.
    if (threadEnded) ReleaseCaptureDevice();
}
