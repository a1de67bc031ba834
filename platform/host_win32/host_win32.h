// What tests see of the host stand-in: recorded message boxes, libraries offered to
// LoadLibraryA, and control over global-memory allocation.
#ifndef ORVELLUX_HOST_WIN32_H
#define ORVELLUX_HOST_WIN32_H

#include <windows.h>

#include <string>
#include <vector>

struct HostMessageBox {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
};

std::vector<HostMessageBox>& HostMessageBoxes();

// What the source asked of windows: calls of ShowWindow, DestroyWindow and PostMessageA.
enum HostWindowCallKind { kHostShowWindow, kHostDestroyWindow, kHostPostMessage };
struct HostWindowCall {
    HostWindowCallKind kind;
    HWND window;
    // The show command or the posted message.
    UINT detail;
};
std::vector<HostWindowCall>& HostWindowCalls();

// Makes LoadLibraryA(name) succeed and GetProcAddress(module, proc) return entry.
void HostProvideLibrary(const char* name, const char* proc, FARPROC entry);
void HostForgetLibraries();

// Library references taken by LoadLibraryA and not yet given back.
int HostLibraryReferences();

// Allocations fail once this many more have succeeded; negative means never.
void HostFailAllocationsAfter(int count);
// Number of global blocks currently allocated.
int HostLiveBlocks();

#endif
