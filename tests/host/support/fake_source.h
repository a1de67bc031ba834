// Host fakes of what the protocol reaches outside the platform-free core: the Live View
// window, the camera's still trigger and live picture, the message-dispatching wait and
// the source manager; and the reset of every module to its value at load.
#ifndef ORVELLUX_FAKE_SOURCE_H
#define ORVELLUX_FAKE_SOURCE_H

#include <windows.h>

#include <vector>

#include "protocol/twain.h"

struct FakeLiveView {
    bool createFails;
    // The window comes up but finds no camera, as the real one then clears cameraAvailable.
    bool cameraMissing;
    int created;
    HWND lastCreated;
    HWND lastOwner;
    int controlsEnabled;
};

struct FakeCamera {
    bool triggerSucceeds;
    int triggers;
    // The still thread's store into slot markSlot after this many waits of the
    // application's thread (0: before the first wait ends); negative: no still arrives.
    int stillAfterWaits;
    int stillWidth;
    int stillHeight;
    int waits;
    DWORD waitedMs;
};

extern FakeLiveView fakeLiveView;
extern FakeCamera fakeCamera;

struct ManagerCall {
    TW_IDENTITY origin;
    TW_IDENTITY destination;
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_MEMREF data;
};

// Offers the source manager library with a DSM_Entry that records each call.
void OfferSourceManager();
std::vector<ManagerCall>& ManagerCalls();

// A snapshot record: 40-byte header, then width x height pixels of 3 bytes, each byte fill;
// null when the allocation fails.
HGLOBAL MakeFilledSnapshot(int width, int height, unsigned char fill);

// Puts every module of the source and every fake back to its value at load.
void ResetSourceForTests();

#endif
