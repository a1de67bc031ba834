// The camera driver's property-set protocol: the request blocks, property ids, register
// numbers, operation words and video-control mode bits that the driver understands.
#ifndef ORVELLUX_CAMERA_PROTOCOL_H
#define ORVELLUX_CAMERA_PROTOCOL_H

#include <windows.h>

// {8A576281-DD2E-415D-97D9-0A7C97F0646E}
const GUID PROPSETID_CAMERA_EXTENSION = {
    0x8a576281, 0xdd2e, 0x415d, {0x97, 0xd9, 0x0a, 0x7c, 0x97, 0xf0, 0x64, 0x6e}};
// The published video-control set {6A2E0670-28E4-11D0-A18C-00A0C9118956}.
const GUID PROPSETID_VIDCAP_VIDEOCONTROL_SET = {
    0x6a2e0670, 0x28e4, 0x11d0, {0xa1, 0x8c, 0x00, 0xa0, 0xc9, 0x11, 0x89, 0x56}};

const ULONG CAMERA_EXTENSION_CONTROL = 0;
const ULONG CAMERA_EXTENSION_IMAGE = 1;
const ULONG KSPROPERTY_VIDEOCONTROL_MODE_ID = 3;

const ULONG kRequestGet = 1;  // KSPROPERTY_TYPE_GET
const ULONG kRequestSet = 2;  // KSPROPERTY_TYPE_SET

// Operation words carried in Param2.
const ULONG kOperationStillEvent = 40;
const ULONG kOperationRegisterRead = 4;
const ULONG kOperationPreRead = 8;
// Register named by the pre-read request.
const ULONG kPreReadRegister = 3;
// Register the Live View reads before full-resolution stills.
const ULONG kFullResRegister = 16;

// Each flag is written at its published position and at the older one the camera's
// firmware still reads.
const LONG kModeExternalTriggerBits = 0x14;
const LONG kModeTriggerBits = 0x28;

// One block per request, zero-filled before use; the first 24 bytes are a KSPROPERTY.
struct CameraExtensionRequest {
    GUID Set;
    ULONG Id;
    ULONG Flags;
    ULONG Param0;  // event handle, or the register value the driver returns
    ULONG Param1;  // register number
    ULONG Param2;  // operation word
    ULONG Param3;
};
static_assert(sizeof(CameraExtensionRequest) == 40, "the driver expects a 40-byte request");

// KSPROPERTY header, StreamIndex and Mode of the video-control mode property.
struct VideoControlModeRequest {
    GUID Set;
    ULONG Id;
    ULONG Flags;
    ULONG StreamIndex;
    LONG Mode;
};
static_assert(sizeof(VideoControlModeRequest) == 32, "the mode property is 32 bytes");

// Bytes of the bitmap header that precedes every still image.
const DWORD kStillHeaderBytes = 40;

#endif
