#include <windows.h>

#include "protocol/entry_point.h"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) StartSource(instance);
    return TRUE;
}
