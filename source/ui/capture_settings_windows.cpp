#include <windows.h>

#include <string.h>

#include "protocol/source_state.h"
#include "ui/capture_settings.h"

void PersistCaptureWidth(int width) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\QMRUsbCamera", 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    DWORD value = static_cast<DWORD>(width);
    RegSetValueExA(key, "TWAINDisplayFormat", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
    RegCloseKey(key);
}

void SetLiveViewTitle() {
    char title[64];
    GetProductName(title, sizeof title);
    SetWindowTextA(liveViewWindow, title);
}

bool IsOwnCamera(char* friendlyName) {
    char product[64];
    GetProductName(product, sizeof product);
    size_t productLength = strlen(product);

    char path[257];
    DWORD pathLength = GetModuleFileNameA(moduleInstance, path, 256);
    if (pathLength == 0 || pathLength >= 256) return false;
    path[pathLength] = '\0';
    const char* fileStart = strrchr(path, '\\');
    char fileName[257];
    strcpy(fileName, fileStart ? fileStart + 1 : path);
    char ownName[32];
    strcpy(ownName, kSourceFileName);

    CharUpperA(friendlyName);
    CharUpperA(product);
    CharUpperA(fileName);
    CharUpperA(ownName);
    // A name shorter than the product name ends before the comparison does.
    if (strncmp(friendlyName, product, productLength) != 0) return false;
    return strcmp(fileName, ownName) == 0;
}
