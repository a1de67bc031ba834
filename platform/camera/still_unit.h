// The camera's still-image unit: one per process, like the device behind the driver. It
// keeps the video-control mode, the registered still event, the registers and the last
// still with its read cursor, and signals the event for triggers and button presses.
#ifndef ORVELLUX_CAMERA_STILL_UNIT_H
#define ORVELLUX_CAMERA_STILL_UNIT_H

#include <windows.h>

// Camera filters attach while they exist; the button event is watched meanwhile.
void AttachStillUnit();
void DetachStillUnit();

// The stream tells the unit which picture the sensor currently shows.
void SetSensorFormat(LONG width, LONG height);
void SetSensorFrame(UINT32 frameNumber);

HRESULT EnableStillEvent(ULONG eventHandle);
HRESULT DisableStillEvent();
HRESULT ReadCameraRegister(ULONG number, ULONG* value);
HRESULT PrepareStillRead();
HRESULT ReadStillBytes(BYTE* buffer, DWORD length, DWORD* returned);
HRESULT GetVideoControlMode(LONG* mode);
HRESULT SetVideoControlMode(LONG mode);
void PressStillButton();

#endif
