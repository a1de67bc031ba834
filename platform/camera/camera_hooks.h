// What the simulated camera driver shows to the tests that drive it: its class ids, its
// property sets, the registry switches it reads, its named button event and the exports
// of OrvelluxCamera.dll that read its request log and its last still.
#ifndef ORVELLUX_CAMERA_HOOKS_H
#define ORVELLUX_CAMERA_HOOKS_H

#include <windows.h>

// {6F1C2B60-7D4E-4A51-9B0A-3C5E8D21A701}
inline const GUID CLSID_OrvelluxCamera = {
    0x6f1c2b60, 0x7d4e, 0x4a51, {0x9b, 0x0a, 0x3c, 0x5e, 0x8d, 0x21, 0xa7, 0x01}};
// {6F1C2B61-7D4E-4A51-9B0A-3C5E8D21A701}
inline const GUID CLSID_AnalogCaptureCard = {
    0x6f1c2b61, 0x7d4e, 0x4a51, {0x9b, 0x0a, 0x3c, 0x5e, 0x8d, 0x21, 0xa7, 0x01}};
// {6F1C2B62-7D4E-4A51-9B0A-3C5E8D21A701}
inline const GUID CLSID_CameraPropertyPage = {
    0x6f1c2b62, 0x7d4e, 0x4a51, {0x9b, 0x0a, 0x3c, 0x5e, 0x8d, 0x21, 0xa7, 0x01}};

inline const wchar_t kCameraFriendlyName[] = L"Orvellux USB2.0 Camera";
inline const wchar_t kAnalogFriendlyName[] = L"Vidmar Analog Capture";

// The camera's own property set and its request block.
inline const GUID PROPSETID_CAMERA_EXTENSION = {
    0x8a576281, 0xdd2e, 0x415d, {0x97, 0xd9, 0x0a, 0x7c, 0x97, 0xf0, 0x64, 0x6e}};
enum : DWORD { CAMERA_EXTENSION_CONTROL = 0, CAMERA_EXTENSION_IMAGE = 1 };
enum : DWORD {
    kOperationStillEvent = 40,
    kOperationReadRegister = 4,
    kOperationPreRead = 8,
};
enum : DWORD { kPreReadRegister = 3, kSensorModeRegister = 16 };

struct CameraExtensionRequest {
    GUID Set;
    ULONG Id;
    ULONG Flags;
    ULONG Param0;
    ULONG Param1;
    ULONG Param2;
    ULONG Param3;
};
static_assert(sizeof(CameraExtensionRequest) == 40, "the driver's request block is 40 bytes");

// The published video-control set, as the driver serves it.
inline const GUID PROPSETID_VIDCAP_VIDEOCONTROL = {
    0x6a2e0670, 0x28e4, 0x11d0, {0xa1, 0x8c, 0x00, 0xa0, 0xc9, 0x11, 0x89, 0x56}};
enum : DWORD { KSPROPERTY_VIDEOCONTROL_MODE = 3 };
enum : LONG {
    kModeExternalTriggerEnable = 0x04,
    kModeTrigger = 0x08,
    kModeOldExternalTriggerEnable = 0x10,
    kModeOldTrigger = 0x20,
};
struct VideoControlModeRequest {
    GUID Set;
    ULONG Id;
    ULONG Flags;
    ULONG StreamIndex;
    LONG Mode;
};
static_assert(sizeof(VideoControlModeRequest) == 32, "KSPROPERTY_VIDEOCONTROL_MODE_S is 32 bytes");

enum : ULONG { kKsPropertyGet = 1, kKsPropertySet = 2 };

// Fault switches: DWORD values (non-zero = on) under HKCU\<kCameraSettingsKey>, read each
// time the operation they affect runs, so a test (or a process it starts) changes them
// without restarting anything.
inline const char kCameraSettingsKey[] = "Software\\Orvellux\\SimulatedCamera";
inline const char kFaultNoPropertySet[] = "NoPropertySet";
inline const char kFaultEventRegistration[] = "FailEventRegistration";
inline const char kFaultModeRead[] = "FailModeRead";
inline const char kFaultModeWrite[] = "FailModeWrite";
inline const char kFaultHeaderRead[] = "FailHeaderRead";
inline const char kFaultPixelRead[] = "FailPixelRead";
inline const char kFaultSingleSignal[] = "SingleSignal";
inline const char kFaultNoSignal[] = "NoSignal";
inline const char kFaultCompressedHeader[] = "CompressedHeader";
inline const char kFaultOversizedHeader[] = "OversizedHeader";
inline const char kFaultShortImageSize[] = "ShortImageSize";
inline const char kFaultNoStreamConfig[] = "NoStreamConfig";
inline const char kFaultNoFullResolution[] = "NoFullResolution";
// The camera's capture pin refuses every connection, so no renderer and no video window
// can follow it; stills through the property set work as before.
inline const char kFaultNoLivePicture[] = "NoLivePicture";
// REG_SZ: when set, every still the camera produces is also written to this folder as
// still-NNNN.bmp (a plain bottom-up 24-bit file of the picture, numbered on from the
// highest file already there), and every request the driver receives is appended as one
// line to requests.txt there.
inline const char kStillFolderValue[] = "StillFolder";

// Setting this event (auto-reset, any process of the session) presses the camera's own
// snapshot button once. The driver creates it while a camera filter exists.
inline const char kButtonEventName[] = "OrvelluxSimulatedCameraButton";

// One request the driver received through IKsPropertySet, in arrival order.
enum : UINT32 { kRequestGet = 1, kRequestSet = 2, kRequestQuerySupported = 3 };
struct CameraRequest {
    UINT32 kind;
    GUID set;
    UINT32 id;
    UINT32 flags;     // Flags of the request block, 0 when the block is too short
    UINT32 param[4];  // the four words after the block's 24-byte header (zero if absent)
    UINT32 instanceLength;
    UINT32 dataLength;
    UINT32 returnedLength;
    HRESULT result;
};

// Frames the stream delivered, the streaming thread's CPU time (including what the
// downstream filters do in Receive) and the part of it spent drawing the picture.
struct CameraStreamStatistics {
    UINT64 frames;
    UINT64 threadTime100ns;
    UINT64 drawTime100ns;
};

// Exports of OrvelluxCamera.dll (plain C calling convention).
extern "C" {
typedef UINT32 (*CameraGetRequestLogProc)(CameraRequest* records, UINT32 capacity);
typedef void (*CameraClearRequestLogProc)();
typedef void (*CameraPressButtonProc)();
// Copies the last still as the driver serves it (40-byte header, then bottom-up rows);
// returns its full size, 0 when none was produced.
typedef UINT32 (*CameraGetLastStillProc)(BYTE* buffer, UINT32 capacity);
typedef void (*CameraGetStreamStatisticsProc)(CameraStreamStatistics* statistics);
}

#endif
