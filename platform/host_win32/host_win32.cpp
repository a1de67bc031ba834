#include "host_win32.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

namespace {

struct BlockHeader {
    SIZE_T size;
    int locks;
};

int allocationsLeft = -1;
int libraryReferences = 0;
int liveBlocks = 0;

struct OfferedLibrary {
    std::string name;
    std::string proc;
    FARPROC entry;
};

std::vector<OfferedLibrary>& OfferedLibraries() {
    static std::vector<OfferedLibrary> libraries;
    return libraries;
}

BlockHeader* HeaderOf(HGLOBAL block) { return static_cast<BlockHeader*>(block); }

}  // namespace

std::vector<HostMessageBox>& HostMessageBoxes() {
    static std::vector<HostMessageBox> boxes;
    return boxes;
}

void HostProvideLibrary(const char* name, const char* proc, FARPROC entry) {
    OfferedLibraries().push_back({name, proc, entry});
}

void HostForgetLibraries() { OfferedLibraries().clear(); }

int HostLibraryReferences() { return libraryReferences; }

std::vector<HostWindowCall>& HostWindowCalls() {
    static std::vector<HostWindowCall> calls;
    return calls;
}

void HostFailAllocationsAfter(int count) { allocationsLeft = count; }

int HostLiveBlocks() { return liveBlocks; }

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (allocationsLeft == 0) return nullptr;
    if (allocationsLeft > 0) --allocationsLeft;
    BlockHeader* header = static_cast<BlockHeader*>(malloc(sizeof(BlockHeader) + bytes));
    if (!header) return nullptr;
    header->size = bytes;
    header->locks = 0;
    if (flags & GMEM_ZEROINIT) memset(header + 1, 0, bytes);
    ++liveBlocks;
    return header;
}

LPVOID GlobalLock(HGLOBAL block) {
    if (!block) return nullptr;
    ++HeaderOf(block)->locks;
    return HeaderOf(block) + 1;
}

BOOL GlobalUnlock(HGLOBAL block) {
    if (!block || HeaderOf(block)->locks == 0) return FALSE;
    return --HeaderOf(block)->locks != 0;
}

HGLOBAL GlobalFree(HGLOBAL block) {
    if (!block) return nullptr;
    --liveBlocks;
    free(block);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL block) { return block ? HeaderOf(block)->size : 0; }

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    HostMessageBoxes().push_back({owner, text ? text : "", caption ? caption : "", type});
    return IDOK;
}

HMODULE LoadLibraryA(LPCSTR name) {
    for (const OfferedLibrary& library : OfferedLibraries()) {
        if (strcasecmp(library.name.c_str(), name) == 0) {
            ++libraryReferences;
            return reinterpret_cast<HMODULE>(const_cast<OfferedLibrary*>(&library));
        }
    }
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    const OfferedLibrary* library = reinterpret_cast<const OfferedLibrary*>(module);
    if (!library || library->proc != name) return nullptr;
    return library->entry;
}

BOOL FreeLibrary(HMODULE module) {
    if (!module) return FALSE;
    --libraryReferences;
    return TRUE;
}

// Every window the host knows of is a test's dummy handle; all of them are taken as alive.
BOOL IsWindow(HWND window) { return window != nullptr; }

// A dialog takes exactly the messages addressed to it.
BOOL IsDialogMessageA(HWND dialog, MSG* message) {
    return dialog && message && message->hwnd == dialog;
}

BOOL ShowWindow(HWND window, int command) {
    HostWindowCalls().push_back({kHostShowWindow, window, static_cast<UINT>(command)});
    return TRUE;
}

BOOL DestroyWindow(HWND window) {
    HostWindowCalls().push_back({kHostDestroyWindow, window, 0});
    return window != nullptr;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM, LPARAM) {
    HostWindowCalls().push_back({kHostPostMessage, window, message});
    return window != nullptr;
}

// A Windows path such as "c:\twsrc.log" means nothing here; plain names map to files.
BOOL DeleteFileA(LPCSTR name) { return remove(name) == 0; }

void Sleep(DWORD) {}
