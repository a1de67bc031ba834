#include "fault_switches.h"

#include <windows.h>

#include "camera_hooks.h"

bool FaultEnabled(const char* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    LSTATUS status = RegGetValueA(HKEY_CURRENT_USER, kCameraSettingsKey, name, RRF_RT_REG_DWORD,
                                  nullptr, &value, &size);
    return status == ERROR_SUCCESS && value != 0;
}

std::string StillFolder() {
    char folder[MAX_PATH] = "";
    DWORD size = sizeof(folder);
    LSTATUS status = RegGetValueA(HKEY_CURRENT_USER, kCameraSettingsKey, kStillFolderValue,
                                  RRF_RT_REG_SZ, nullptr, folder, &size);
    return status == ERROR_SUCCESS ? std::string(folder) : std::string();
}
