#include "capture/still_capture.h"

#include <string.h>

#include "capture/camera_protocol.h"
#include "capture/capture_interfaces.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "ui/live_view_state.h"
#include "ui/snapshot_store.h"
#include "ui/store_snapshot.h"

HANDLE stillEvent = nullptr;
HANDLE stillThread = nullptr;

namespace {

// The next signal of stillEvent means that an image is ready.
bool awaitingImage = false;

// Commit size of the still thread's stack; the system reserves the rest.
const SIZE_T kStillThreadStack = 2048;

IKsPropertySet* QueryPropertySet(const char* caption, HRESULT* result) {
    IKsPropertySet* propertySet = nullptr;
    HRESULT hr = cameraFilter ? cameraFilter->QueryInterface(IID_IKsPropertySet,
                                                             reinterpret_cast<void**>(&propertySet))
                              : E_POINTER;
    if (FAILED(hr) || !propertySet) {
        MessageBoxA(nullptr, "pVcap does not suppory IKsPropertySet", caption, MB_OK);
        *result = FAILED(hr) ? hr : E_NOINTERFACE;
        return nullptr;
    }
    return propertySet;
}

// Reads the video-control mode and writes it back with bits added.
HRESULT AddModeBits(IKsPropertySet* propertySet, LONG bits, bool* readFailed) {
    VideoControlModeRequest request = {};
    request.Set = PROPSETID_VIDCAP_VIDEOCONTROL_SET;
    request.Id = KSPROPERTY_VIDEOCONTROL_MODE_ID;
    request.Flags = kRequestGet;
    DWORD returned = 0;
    HRESULT hr = propertySet->Get(request.Set, request.Id, &request, sizeof request, &request,
                                  sizeof request, &returned);
    *readFailed = hr != S_OK;
    if (hr != S_OK) return hr;
    request.Flags = kRequestSet;
    request.Mode |= bits;
    return propertySet->Set(request.Set, request.Id, &request, sizeof request, &request,
                            sizeof request);
}

CameraExtensionRequest ControlRequest(ULONG flags, ULONG param0, ULONG registerNumber,
                                      ULONG operation) {
    CameraExtensionRequest request = {};
    request.Set = PROPSETID_CAMERA_EXTENSION;
    request.Id = CAMERA_EXTENSION_CONTROL;
    request.Flags = flags;
    request.Param0 = param0;
    request.Param1 = registerNumber;
    request.Param2 = operation;
    return request;
}

// Registers (a handle) or unregisters (null) the still event with the driver.
HRESULT SetStillEventRegistration(IKsPropertySet* propertySet, HANDLE event) {
    // Kernel handles fit in 32 bits on 64-bit Windows as well.
    CameraExtensionRequest request =
        ControlRequest(kRequestSet, static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(event)), 0,
                       kOperationStillEvent);
    return propertySet->Set(request.Set, request.Id, &request, sizeof request, &request,
                            sizeof request);
}

HRESULT ReadImageBytes(IKsPropertySet* propertySet, void* buffer, DWORD* length) {
    CameraExtensionRequest request = {};
    request.Set = PROPSETID_CAMERA_EXTENSION;
    request.Id = CAMERA_EXTENSION_IMAGE;
    request.Flags = kRequestGet;
    return propertySet->Get(request.Set, request.Id, &request, sizeof request, buffer, *length,
                            length);
}

void StoreReadyStill() {
    ShowSnapShotPressedLook();
    SetCursor(LoadCursor(nullptr, IDC_WAIT));
    StoreSnapshot();
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    SelectAfterStore();
    FinishCapture();
}

// The driver signals twice per still: the first signal schedules the trigger through
// the Live View's timer, the second means the image is ready.
void WaitForStills(HANDLE stop) {
    HANDLE events[2] = {stop, stillEvent};
    for (;;) {
        DWORD result = WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (result == WAIT_OBJECT_0 + 1) {
            if (awaitingImage) {
                awaitingImage = false;
                StoreReadyStill();
            } else {
                SetTimer(liveViewWindow, kSnapTimerId, kSnapTimerDelayMs, nullptr);
                awaitingImage = true;
            }
            continue;
        }
        // The stop signal, or a wait that failed and would fail again at once.
        return;
    }
}

void ArmExternalTrigger(IKsPropertySet* propertySet) {
    bool readFailed = false;
    HRESULT hr = AddModeBits(propertySet, kModeExternalTriggerBits, &readFailed);
    if (readFailed) {
        MessageBoxA(nullptr, "Fail to get video control mode.", "", MB_OK);
    } else if (hr != S_OK) {
        MessageBoxA(nullptr, "Fail to set video control mode", "", MB_OK);
    }
}

// Waits for the handle while delivering messages sent to this thread: the still thread
// enables controls of windows this thread owns, which blocks it until they are handled.
bool WaitDeliveringSentMessages(HANDLE handle, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        DWORD remaining = timeoutMs == INFINITE  ? INFINITE
                          : elapsed >= timeoutMs ? 0
                                                 : timeoutMs - elapsed;
        DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, remaining, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        // Posted input and timers stay queued: the window is closing.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

bool TriggerStill() {
    HRESULT hr = S_OK;
    IKsPropertySet* propertySet = QueryPropertySet("query Result", &hr);
    if (!propertySet) return false;
    bool readFailed = false;
    hr = AddModeBits(propertySet, kModeTriggerBits, &readFailed);
    propertySet->Release();
    return hr == S_OK;
}

bool StartStillThread() {
    if (stillThread) return true;
    // Exists before the thread can end, so that the close always has something to wait for.
    if (!threadDoneSemaphore) threadDoneSemaphore = CreateSemaphoreA(nullptr, 0, 1, nullptr);
    if (!threadDoneSemaphore) return false;
    stillThread = CreateThread(nullptr, kStillThreadStack, StillThreadProc, nullptr, 0, nullptr);
    if (stillThread) return true;
    CloseHandle(threadDoneSemaphore);
    threadDoneSemaphore = nullptr;
    return false;
}

DWORD WINAPI StillThreadProc(LPVOID) {
    HANDLE stop = stopEvent;
    HANDLE done = threadDoneSemaphore;
    // A new thread starts idle whatever the previous one was waiting for.
    awaitingImage = false;
    HRESULT hr = S_OK;
    IKsPropertySet* propertySet = QueryPropertySet("query Result", &hr);
    if (propertySet) {
        stillEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        bool registered = stillEvent && SetStillEventRegistration(propertySet, stillEvent) == S_OK;
        if (registered) {
            ArmExternalTrigger(propertySet);
            propertySet->Release();
            WaitForStills(stop);
            DisableStillEvent();
        } else {
            if (stillEvent) MessageBoxA(nullptr, "Fail to enable still image event", "", MB_OK);
            propertySet->Release();
        }
        if (stillEvent) CloseHandle(stillEvent);
        stillEvent = nullptr;
    }
    if (done) ReleaseSemaphore(done, 1, nullptr);
    return 0;
}

bool StopStillThread(DWORD timeoutMs) {
    if (!stopEvent) return true;
    SetEvent(stopEvent);
    if (threadDoneSemaphore) {
        // A thread still busy keeps its handles; it ends and releases them on its own.
        if (!WaitDeliveringSentMessages(threadDoneSemaphore, timeoutMs)) return false;
        CloseHandle(threadDoneSemaphore);
        threadDoneSemaphore = nullptr;
    }
    if (busySemaphore) CloseHandle(busySemaphore);
    busySemaphore = nullptr;
    CloseHandle(stopEvent);
    stopEvent = nullptr;
    // A thread that ended before registering its event never closed its own handle.
    if (stillThread) CloseHandle(stillThread);
    stillThread = nullptr;
    return true;
}

long DisableStillEvent() {
    if (cameraFilter) {
        HRESULT hr = S_OK;
        IKsPropertySet* propertySet = QueryPropertySet("query Result", &hr);
        if (!propertySet) return hr;
        if (SetStillEventRegistration(propertySet, nullptr) != S_OK) {
            MessageBoxA(nullptr, "Disable Event Failed.", "", MB_OK);
        }
        propertySet->Release();
    }
    if (stillThread) CloseHandle(stillThread);
    stillThread = nullptr;
    return 1;
}

long ReadStillImage(void* buffer, DWORD* length) {
    HRESULT hr = S_OK;
    IKsPropertySet* propertySet = QueryPropertySet("Query Result", &hr);
    if (!propertySet) return hr;
    if (*length < kStillHeaderBytes) {
        propertySet->Release();
        return S_OK;
    }
    if (*length > kStillHeaderBytes) {
        CameraExtensionRequest preRead =
            ControlRequest(kRequestGet, 0, kPreReadRegister, kOperationPreRead);
        DWORD returned = 0;
        propertySet->Get(preRead.Set, preRead.Id, &preRead, sizeof preRead, &preRead,
                         sizeof preRead, &returned);
        // The driver sends the header again before the pixels.
        BYTE header[kStillHeaderBytes];
        DWORD headerLength = sizeof header;
        if (FAILED(ReadImageBytes(propertySet, header, &headerLength))) {
            MessageBoxA(nullptr, "Fail to get image header.", "", MB_OK);
        }
    }
    hr = ReadImageBytes(propertySet, buffer, length);
    if (FAILED(hr)) MessageBoxA(nullptr, "Fail to get image data.", "", MB_OK);
    propertySet->Release();
    return hr;
}

bool SnapshotHeaderUsable(const BITMAPINFOHEADER& header) {
    if (header.biWidth <= 0 || header.biHeight <= 0) return false;
    unsigned long long rowBytes = static_cast<unsigned long long>(header.biWidth) * 3;
    return rowBytes * static_cast<unsigned long long>(header.biHeight) <= header.biSizeImage &&
           kStillHeaderBytes + static_cast<unsigned long long>(header.biSizeImage) <=
               kTransferImageBytes;
}

SnapshotFill FillSnapshotRecord(BYTE* record, const BITMAPINFOHEADER* header) {
    BITMAPINFOHEADER stored = *header;
    // The camera sends plain 24-bit rows whatever its header says; a record that claimed
    // compression would be unreadable to everyone who draws or receives it.
    if (stored.biCompression != 0) {
        stored.biBitCount = 24;
        stored.biCompression = BI_RGB;
    }
    memcpy(record, &stored, sizeof stored);
    DWORD length = header->biSizeImage;
    if (FAILED(ReadStillImage(record + kStillHeaderBytes, &length))) return kFillReadFailed;
    SIZE_T rowBytes = static_cast<SIZE_T>(header->biWidth) * 3;
    if (!ReverseRows(record + kStillHeaderBytes, rowBytes, header->biHeight))
        return kFillNoRowBuffer;
    return kFillComplete;
}

bool ReverseRows(BYTE* rows, SIZE_T rowBytes, LONG height) {
    if (height < 2) return true;
    BYTE* spare = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, rowBytes));
    if (!spare) return false;
    for (LONG top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        BYTE* upper = rows + static_cast<SIZE_T>(top) * rowBytes;
        BYTE* lower = rows + static_cast<SIZE_T>(bottom) * rowBytes;
        memcpy(spare, upper, rowBytes);
        memcpy(upper, lower, rowBytes);
        memcpy(lower, spare, rowBytes);
    }
    HeapFree(GetProcessHeap(), 0, spare);
    return true;
}

long ReadCameraRegister(long r) {
    HRESULT hr = S_OK;
    IKsPropertySet* propertySet = QueryPropertySet("Query Result", &hr);
    if (!propertySet) return -1;
    CameraExtensionRequest request =
        ControlRequest(kRequestGet, 0, static_cast<ULONG>(r), kOperationRegisterRead);
    DWORD returned = 0;
    hr = propertySet->Get(request.Set, request.Id, &request, sizeof request, &request,
                          sizeof request, &returned);
    propertySet->Release();
    if (FAILED(hr)) {
        MessageBoxA(nullptr, "Fail to Register Read.", "", MB_OK);
        return -1;
    }
    return static_cast<long>(request.Param0);
}
