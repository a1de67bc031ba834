#include "twain_session.h"

#include <stdio.h>
#include <string.h>

#include "twain_names.h"

TW_IDENTITY toolIdentity;
TW_IDENTITY openSource;
HWND toolWindow = nullptr;

namespace {

#ifdef _WIN64
const char kManagerLibrary[] = "TWAINDSM.DLL";
#else
const char kManagerLibrary[] = "TWAIN_32.DLL";
#endif
const char kWindowClass[] = "OrvelluxAcquireTool";

HMODULE managerLibrary = nullptr;
DSMENTRYPROC managerEntry = nullptr;
bool managerOpen = false;
bool sourceOpen = false;

void FillToolIdentity() {
    memset(&toolIdentity, 0, sizeof toolIdentity);
    toolIdentity.Version.MajorNum = 1;
    toolIdentity.Version.MinorNum = 0;
    toolIdentity.Version.Language = TWLG_USA;
    toolIdentity.Version.Country = TWCY_USA;
    strcpy(toolIdentity.Version.Info, "acquire 1.0");
    toolIdentity.ProtocolMajor = 1;
    toolIdentity.ProtocolMinor = 9;
    toolIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    strcpy(toolIdentity.Manufacturer, "Orvellux");
    strcpy(toolIdentity.ProductFamily, "Tools");
    strcpy(toolIdentity.ProductName, "acquire");
}

bool CreateToolWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    // Top-level and hidden: it owns the source's windows and receives the manager's wake-ups.
    toolWindow = CreateWindowA(kWindowClass, "acquire", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    return toolWindow != nullptr;
}

// A TW_STR32 from a source need not be terminated.
std::string Str32(const char* text) { return std::string(text, strnlen(text, sizeof(TW_STR32))); }

}  // namespace

bool OpenManager(std::string* error) {
    FillToolIdentity();
    managerLibrary = LoadLibraryA(kManagerLibrary);
    if (!managerLibrary) {
        *error = std::string("cannot load the source manager ") + kManagerLibrary;
        return false;
    }
    managerEntry = reinterpret_cast<DSMENTRYPROC>(
        reinterpret_cast<void*>(GetProcAddress(managerLibrary, "DSM_Entry")));
    if (!managerEntry) {
        *error = std::string(kManagerLibrary) + " has no DSM_Entry";
        CloseManager();
        return false;
    }
    if (!CreateToolWindow()) {
        *error = "cannot create the tool's window (is there a display?)";
        CloseManager();
        return false;
    }
    TW_UINT16 result = CallManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &toolWindow);
    if (result != TWRC_SUCCESS) {
        *error = "the source manager refused MSG_OPENDSM: " + DescribeFailure(result);
        CloseManager();
        return false;
    }
    managerOpen = true;
    return true;
}

void CloseManager() {
    CloseOpenSource();
    if (managerOpen) CallManager(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &toolWindow);
    managerOpen = false;
    if (toolWindow) DestroyWindow(toolWindow);
    toolWindow = nullptr;
    if (managerLibrary) FreeLibrary(managerLibrary);
    managerLibrary = nullptr;
    managerEntry = nullptr;
}

TW_UINT16 CallManager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return managerEntry(&toolIdentity, nullptr, dg, dat, msg, data);
}

TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return managerEntry(&toolIdentity, &openSource, dg, dat, msg, data);
}

std::string DescribeFailure(TW_UINT16 returnCode) {
    TW_STATUS status = {};
    TW_UINT16 result = sourceOpen ? CallSource(DG_CONTROL, DAT_STATUS, MSG_GET, &status)
                                  : CallManager(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    std::string text = ReturnCodeName(returnCode);
    if (result == TWRC_SUCCESS) text += ", " + ConditionCodeName(status.ConditionCode);
    return text;
}

bool OpenNamedSource(const std::string& name, std::string* error) {
    memset(&openSource, 0, sizeof openSource);
    strncpy(openSource.ProductName, name.c_str(), sizeof openSource.ProductName - 1);
    TW_UINT16 result = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &openSource);
    if (result != TWRC_SUCCESS) {
        *error = "cannot open source \"" + name + "\": " + DescribeFailure(result);
        return false;
    }
    sourceOpen = true;
    return true;
}

void CloseOpenSource() {
    if (!sourceOpen) return;
    TW_UINT16 result = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &openSource);
    if (result != TWRC_SUCCESS)
        printf("warning: MSG_CLOSEDS failed: %s\n", DescribeFailure(result).c_str());
    sourceOpen = false;
}

bool WaitForSourceMessage(DWORD deadlineTick, TW_UINT16* msg) {
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TW_EVENT event = {&message, MSG_NULL};
            TW_UINT16 result = CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
            if (result != TWRC_DSEVENT) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (event.TWMessage == MSG_XFERREADY || event.TWMessage == MSG_CLOSEDSREQ) {
                *msg = event.TWMessage;
                return true;
            }
        }
        LONG left = static_cast<LONG>(deadlineTick - GetTickCount());
        if (left <= 0) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
    }
}

void PrintIdentity(const TW_IDENTITY& identity) {
    printf("%s\n", Str32(identity.ProductName).c_str());
    printf("  Id:             %u\n", static_cast<unsigned>(identity.Id));
    printf("  Version:        %u.%u \"%s\" (language %u, country %u)\n", identity.Version.MajorNum,
           identity.Version.MinorNum, Str32(identity.Version.Info).c_str(), identity.Version.Language,
           identity.Version.Country);
    printf("  Protocol:       %u.%u\n", identity.ProtocolMajor, identity.ProtocolMinor);
    printf("  Groups:         0x%x\n", static_cast<unsigned>(identity.SupportedGroups));
    printf("  Manufacturer:   %s\n", Str32(identity.Manufacturer).c_str());
    printf("  Product family: %s\n", Str32(identity.ProductFamily).c_str());
    printf("  Product name:   %s\n", Str32(identity.ProductName).c_str());
}
