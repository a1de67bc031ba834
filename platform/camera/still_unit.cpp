#include "still_unit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "camera_hooks.h"
#include "fault_switches.h"
#include "test_picture.h"

namespace {

const HRESULT kDeviceFailure = HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);
const LONG kTriggerBits = kModeTrigger | kModeOldTrigger;
const LONG kOversizedWidth = 4000;
const LONG kOversizedHeight = 3000;
const LONG kPixelsPerMetre = 3780;

struct StillUnit {
    CRITICAL_SECTION lock;
    int attached = 0;
    HANDLE buttonEvent = nullptr;
    HANDLE buttonWait = nullptr;
    HANDLE stillEvent = nullptr;  // our own duplicate of the registered handle
    LONG mode = 0;
    bool pairOpen = false;  // a signal went out and its pairing trigger has not come yet
    LONG sensorWidth = 640;
    LONG sensorHeight = 480;
    UINT32 sensorFrame = 0;
    LONG stillWidth = 0;
    LONG stillHeight = 0;
    std::vector<BYTE> stillPixels;  // bottom-up rows of width * 3 bytes
    bool stillUnread = false;
    DWORD cursor = 0;  // over the 40-byte header followed by the pixels

    StillUnit() { InitializeCriticalSection(&lock); }
    ~StillUnit() { DeleteCriticalSection(&lock); }
} unit;

class UnitLock {
public:
    UnitLock() { EnterCriticalSection(&unit.lock); }
    ~UnitLock() { LeaveCriticalSection(&unit.lock); }
    UnitLock(const UnitLock&) = delete;
    UnitLock& operator=(const UnitLock&) = delete;
};

// The header as the camera serves it right now, faults included.
BITMAPINFOHEADER ServedHeader() {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = unit.stillWidth;
    header.biHeight = unit.stillHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(unit.stillPixels.size());
    header.biXPelsPerMeter = kPixelsPerMetre;
    header.biYPelsPerMeter = kPixelsPerMetre;
    if (FaultEnabled(kFaultCompressedHeader)) {
        header.biCompression = MAKEFOURCC('M', 'J', 'P', 'G');
        header.biBitCount = 16;
    }
    if (FaultEnabled(kFaultOversizedHeader)) {
        header.biWidth = kOversizedWidth;
        header.biHeight = kOversizedHeight;
        header.biSizeImage = kOversizedWidth * kOversizedHeight * 3;
    }
    if (FaultEnabled(kFaultShortImageSize)) {
        // One and a half rows short, so neither all rows nor a whole number of them fit.
        header.biSizeImage -= static_cast<DWORD>(header.biWidth * 3 * 3 / 2);
    }
    return header;
}

// Numbers go on from the highest file already there, so that the order of the names is the
// order of the stills even when several processes share the folder.
unsigned NextStillNumber(const std::string& folder) {
    unsigned highest = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\still-*.bmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 1;
    do {
        unsigned number = 0;
        if (std::sscanf(found.cFileName, "still-%u.bmp", &number) == 1 && number > highest)
            highest = number;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return highest + 1;
}

void WriteStillFile(const std::string& folder) {
    char path[MAX_PATH];
    std::snprintf(path, sizeof(path), "%s\\still-%04u.bmp", folder.c_str(),
                  NextStillNumber(folder));
    FILE* file = std::fopen(path, "wb");
    if (!file) return;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = unit.stillWidth;
    header.biHeight = unit.stillHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(unit.stillPixels.size());
    header.biXPelsPerMeter = kPixelsPerMetre;
    header.biYPelsPerMeter = kPixelsPerMetre;
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;
    fileHeader.bfOffBits = sizeof(fileHeader) + sizeof(header);
    fileHeader.bfSize = fileHeader.bfOffBits + header.biSizeImage;
    std::fwrite(&fileHeader, sizeof(fileHeader), 1, file);
    std::fwrite(&header, sizeof(header), 1, file);
    // Every sensor width gives rows of a multiple of 4 bytes, so the rows need no padding.
    std::fwrite(unit.stillPixels.data(), 1, unit.stillPixels.size(), file);
    std::fclose(file);
}

void ProduceStill() {
    unit.stillWidth = unit.sensorWidth;
    unit.stillHeight = unit.sensorHeight;
    unit.stillPixels.resize(static_cast<size_t>(unit.stillWidth) * unit.stillHeight * 3);
    TestPicture picture;
    picture.Prepare(unit.stillWidth, unit.stillHeight, unit.stillWidth * 3);
    picture.Draw(unit.stillPixels.data(), unit.sensorFrame);
    unit.stillUnread = true;
    unit.cursor = 0;
    std::string folder = StillFolder();
    if (!folder.empty()) WriteStillFile(folder);
}

void Signal() {
    if (unit.stillEvent && !FaultEnabled(kFaultNoSignal)) SetEvent(unit.stillEvent);
}

VOID CALLBACK ButtonPressed(PVOID, BOOLEAN) { PressStillButton(); }

}  // namespace

void AttachStillUnit() {
    UnitLock lock;
    if (unit.attached++ > 0) return;
    unit.buttonEvent = CreateEventA(nullptr, FALSE, FALSE, kButtonEventName);
    if (unit.buttonEvent &&
        !RegisterWaitForSingleObject(&unit.buttonWait, unit.buttonEvent, ButtonPressed, nullptr,
                                     INFINITE, WT_EXECUTEDEFAULT)) {
        unit.buttonWait = nullptr;
    }
}

void DetachStillUnit() {
    HANDLE wait = nullptr;
    HANDLE event = nullptr;
    {
        UnitLock lock;
        if (--unit.attached > 0) return;
        wait = unit.buttonWait;
        event = unit.buttonEvent;
        unit.buttonWait = nullptr;
        unit.buttonEvent = nullptr;
        // The device is closed: it forgets the event it was given.
        if (unit.stillEvent) CloseHandle(unit.stillEvent);
        unit.stillEvent = nullptr;
        unit.pairOpen = false;
    }
    // Outside the lock: a button callback in progress needs it to finish.
    if (wait) UnregisterWaitEx(wait, INVALID_HANDLE_VALUE);
    if (event) CloseHandle(event);
}

void SetSensorFormat(LONG width, LONG height) {
    UnitLock lock;
    unit.sensorWidth = width;
    unit.sensorHeight = height;
}

void SetSensorFrame(UINT32 frameNumber) {
    UnitLock lock;
    unit.sensorFrame = frameNumber;
}

HRESULT EnableStillEvent(ULONG eventHandle) {
    if (FaultEnabled(kFaultEventRegistration)) return kDeviceFailure;
    // The request block carries 32 bits; handles are sign-extended on 64-bit Windows.
    HANDLE given = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(static_cast<LONG>(eventHandle)));
    HANDLE own = nullptr;
    // A driver holds its own reference to the event, so the caller may close its handle.
    if (!DuplicateHandle(GetCurrentProcess(), given, GetCurrentProcess(), &own,
                         EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, 0)) {
        return E_HANDLE;
    }
    UnitLock lock;
    if (unit.stillEvent) CloseHandle(unit.stillEvent);
    unit.stillEvent = own;
    unit.pairOpen = false;
    return S_OK;
}

HRESULT DisableStillEvent() {
    UnitLock lock;
    if (unit.stillEvent) CloseHandle(unit.stillEvent);
    unit.stillEvent = nullptr;
    unit.pairOpen = false;
    return S_OK;
}

HRESULT ReadCameraRegister(ULONG number, ULONG* value) {
    UnitLock lock;
    switch (number) {
        case 0:
            *value = 0x0A51;  // sensor identification
            return S_OK;
        case kPreReadRegister:
            *value = unit.stillUnread ? 1 : 0;
            return S_OK;
        case kSensorModeRegister:
            *value = unit.sensorWidth == 2592 ? 1 : 0;
            return S_OK;
        default:
            if (number > 255) return E_INVALIDARG;
            *value = 0;
            return S_OK;
    }
}

HRESULT PrepareStillRead() {
    UnitLock lock;
    unit.cursor = 0;
    return S_OK;
}

HRESULT ReadStillBytes(BYTE* buffer, DWORD length, DWORD* returned) {
    *returned = 0;
    UnitLock lock;
    // A sensor always holds a picture, so a read before any trigger serves the current one:
    // a source without a live picture keeps what the camera holds when it starts.
    if (unit.stillPixels.empty()) ProduceStill();
    if (unit.cursor < sizeof(BITMAPINFOHEADER) && FaultEnabled(kFaultHeaderRead))
        return kDeviceFailure;
    if (unit.cursor >= sizeof(BITMAPINFOHEADER) && FaultEnabled(kFaultPixelRead))
        return kDeviceFailure;
    BITMAPINFOHEADER header = ServedHeader();
    DWORD total = sizeof(header) + static_cast<DWORD>(unit.stillPixels.size());
    DWORD count = std::min<DWORD>(length, total - unit.cursor);
    DWORD done = 0;
    if (unit.cursor < sizeof(header)) {
        DWORD part = std::min<DWORD>(count, sizeof(header) - unit.cursor);
        std::memcpy(buffer, reinterpret_cast<const BYTE*>(&header) + unit.cursor, part);
        done = part;
    }
    if (done < count) {
        DWORD offset = unit.cursor + done - sizeof(header);
        std::memcpy(buffer + done, unit.stillPixels.data() + offset, count - done);
    }
    unit.cursor += count;
    if (unit.cursor == total) unit.stillUnread = false;
    *returned = count;
    return S_OK;
}

HRESULT GetVideoControlMode(LONG* mode) {
    if (FaultEnabled(kFaultModeRead)) return kDeviceFailure;
    UnitLock lock;
    *mode = unit.mode;
    return S_OK;
}

HRESULT SetVideoControlMode(LONG mode) {
    if (FaultEnabled(kFaultModeWrite)) return kDeviceFailure;
    UnitLock lock;
    // The trigger fires once and clears itself; the other bits stay.
    unit.mode = mode & ~kTriggerBits;
    if (!(mode & kTriggerBits)) return S_OK;
    ProduceStill();
    if (!unit.pairOpen) {
        Signal();
        unit.pairOpen = true;
    } else {
        if (!FaultEnabled(kFaultSingleSignal)) Signal();
        unit.pairOpen = false;
    }
    return S_OK;
}

void PressStillButton() {
    UnitLock lock;
    Signal();
    unit.pairOpen = true;
}

extern "C" void CameraPressButton() { PressStillButton(); }

extern "C" UINT32 CameraGetLastStill(BYTE* buffer, UINT32 capacity) {
    UnitLock lock;
    if (unit.stillPixels.empty()) return 0;
    BITMAPINFOHEADER header = ServedHeader();
    UINT32 total = sizeof(header) + static_cast<UINT32>(unit.stillPixels.size());
    if (buffer && capacity >= total) {
        std::memcpy(buffer, &header, sizeof(header));
        std::memcpy(buffer + sizeof(header), unit.stillPixels.data(), unit.stillPixels.size());
    }
    return total;
}
