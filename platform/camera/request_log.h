// The record of every property request the driver received, for the tests.
#ifndef ORVELLUX_CAMERA_REQUEST_LOG_H
#define ORVELLUX_CAMERA_REQUEST_LOG_H

#include "camera_hooks.h"

void LogRequest(UINT32 kind, REFGUID set, DWORD id, const void* instance, DWORD instanceLength,
                DWORD dataLength, DWORD returnedLength, HRESULT result);

#endif
