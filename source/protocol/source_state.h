// Source-wide state: one set per loaded library, shared by every part of the source.
#ifndef ORVELLUX_SOURCE_STATE_H
#define ORVELLUX_SOURCE_STATE_H

#include <windows.h>

#include "protocol/twain.h"

extern int sourceState;
extern TW_IDENTITY sourceIdentity;
extern TW_IDENTITY appIdentity;
extern TW_STATUS sourceStatus;
extern HINSTANCE moduleInstance;
extern HWND liveViewWindow;
extern HWND parentWindow;
extern bool cameraAvailable;

inline void SetConditionCode(TW_UINT16 code) { sourceStatus.ConditionCode = code; }

#endif
