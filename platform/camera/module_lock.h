// Counts the objects and locks that keep OrvelluxCamera.dll loaded.
#ifndef ORVELLUX_CAMERA_MODULE_LOCK_H
#define ORVELLUX_CAMERA_MODULE_LOCK_H

#include <windows.h>

void LockModule();
void UnlockModule();
bool ModuleInUse();
HMODULE CameraModule();

#endif
