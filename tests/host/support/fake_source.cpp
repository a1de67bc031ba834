#include "fake_source.h"

#include <string.h>

#include "capabilities/cap_table.h"
#include "capabilities/capabilities.h"
#include "capture/capture_graph.h"
#include "capture/still_capture.h"
#include "host_win32.h"
#include "protocol/entry_point.h"
#include "protocol/identity.h"
#include "protocol/message_wait.h"
#include "protocol/pending_transfers.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "protocol/transfers.h"
#include "ui/live_view.h"
#include "ui/snapshot_store.h"

FakeLiveView fakeLiveView;
FakeCamera fakeCamera;
bool previewAvailable = true;

namespace {

// Distinct dummy handles, one per window created, never dereferenced.
char windowTokens[64];

void StoreStill() {
    int slot = snapshotStore.markSlot;
    if (slot < 0 || slot >= kSlotCount) return;
    if (snapshotStore.slotImage[slot]) GlobalFree(snapshotStore.slotImage[slot]);
    snapshotStore.slotImage[slot] = MakeFilledSnapshot(fakeCamera.stillWidth, fakeCamera.stillHeight, 0x5a);
}

TW_UINT16 TW_CALLINGSTYLE RecordManagerCall(pTW_IDENTITY origin, pTW_IDENTITY destination,
                                           TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                           TW_MEMREF data) {
    ManagerCall call = {};
    if (origin) call.origin = *origin;
    if (destination) call.destination = *destination;
    call.dg = dg;
    call.dat = dat;
    call.msg = msg;
    call.data = data;
    ManagerCalls().push_back(call);
    return TWRC_SUCCESS;
}

}  // namespace

HWND CreateLiveView(HWND owner) {
    fakeLiveView.lastOwner = owner;
    if (fakeLiveView.cameraMissing) cameraAvailable = false;
    if (fakeLiveView.createFails) return nullptr;
    HWND window = reinterpret_cast<HWND>(&windowTokens[fakeLiveView.created % sizeof windowTokens]);
    ++fakeLiveView.created;
    fakeLiveView.lastCreated = window;
    return window;
}

void EnableCommandControls() {
    if (liveViewWindow) ++fakeLiveView.controlsEnabled;
}

bool TriggerStill() {
    ++fakeCamera.triggers;
    return fakeCamera.triggerSucceeds;
}

void WaitDispatchingMessages(DWORD milliseconds) {
    if (fakeCamera.stillAfterWaits == fakeCamera.waits) StoreStill();
    ++fakeCamera.waits;
    fakeCamera.waitedMs += milliseconds;
}

std::vector<ManagerCall>& ManagerCalls() {
    static std::vector<ManagerCall> calls;
    return calls;
}

void OfferSourceManager() {
    HostProvideLibrary(kSourceManagerLibrary, "DSM_Entry",
                       reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordManagerCall)));
}

HGLOBAL MakeFilledSnapshot(int width, int height, unsigned char fill) {
    SIZE_T pixelBytes = static_cast<SIZE_T>(width) * height * 3;
    HGLOBAL record = GlobalAlloc(GHND, kHeaderBytes + pixelBytes);
    // Tests may make allocations fail; the still thread then stores nothing.
    if (!record) return nullptr;
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(record));
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(pixelBytes);
    memcpy(bytes, &header, sizeof header);
    memset(bytes + kHeaderBytes, fill, pixelBytes);
    GlobalUnlock(record);
    return record;
}

void ResetSourceForTests() {
    // Every capability's current value back to its default, which is its value at load.
    SetUpCapTable();
    for (CapEntry& entry : capTable) {
        TW_UINT32 count = entry.currentValue.count < entry.defaultValue.count ? entry.currentValue.count
                                                                              : entry.defaultValue.count;
        if (entry.currentValue.items && entry.defaultValue.items) {
            memcpy(entry.currentValue.items, entry.defaultValue.items, count * CapItemBytes(entry.itemType));
        }
    }
    ClearCapTable();
    ReleaseAllSnapshots();
    snapshotStore = SnapshotStore{{}, {}, 0, -1, false};
    FreeTransferBuffers();
    memset(slotPreparedRgb, 0, sizeof slotPreparedRgb);
    firstTransferFixPending = false;
    memoryMode = false;
    lastTransferKind = kTransferMemory;
    transferFileName[0] = '\0';
    ResetMemoryStrips();

    memset(pendingList, 0, sizeof pendingList);
    pendingTotal = 0;
    pendingCount = 0;
    transferIdle = true;

    sourceState = 3;
    memset(&appIdentity, 0, sizeof appIdentity);
    memset(&sourceStatus, 0, sizeof sourceStatus);
    liveViewWindow = nullptr;
    parentWindow = nullptr;
    cameraAvailable = true;
    previewAvailable = true;
    StartSource(nullptr);

    fakeLiveView = FakeLiveView{};
    fakeCamera = FakeCamera{};
    fakeCamera.triggerSucceeds = true;
    fakeCamera.stillAfterWaits = 0;
    fakeCamera.stillWidth = 4;
    fakeCamera.stillHeight = 2;
    ManagerCalls().clear();
    HostMessageBoxes().clear();
    HostWindowCalls().clear();
    HostForgetLibraries();
    HostFailAllocationsAfter(-1);
}
