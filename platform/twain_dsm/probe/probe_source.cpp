// A tiny source for the manager's tests. It takes its product name from its file name,
// so one build installed under several names lists as several sources, and it answers
// just enough to show what the manager passes on:
//   DG_IMAGE/DAT_IMAGEINFO/MSG_GET  ImageWidth = caller's Id, ImageLength = own Id
//   DAT_USERINTERFACE/MSG_ENABLEDS  announces MSG_XFERREADY through the manager
//   DAT_PENDINGXFERS/MSG_ENDXFER    Count 0, then asks to be closed (MSG_CLOSEDSREQ)
//   DAT_EVENT/MSG_PROCESSEVENT      takes only kProbeEventMessage
// A probe whose name begins with "Refuse" refuses MSG_OPENDS with TWCC_BUMMER.
#include <windows.h>

#include <string.h>

#include "protocol/twain.h"

namespace {

const UINT kProbeEventMessage = WM_APP + 0x77;

TW_IDENTITY ownIdentity;
TW_IDENTITY connectedApp;
bool connected = false;
TW_UINT16 conditionCode = TWCC_SUCCESS;

void FillIdentity(HINSTANCE instance) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(instance, path, MAX_PATH);
    const char* name = strrchr(path, '\\');
    name = name ? name + 1 : path;
    ownIdentity = TW_IDENTITY();
    ownIdentity.Version.MajorNum = 2;
    ownIdentity.Version.MinorNum = 3;
    ownIdentity.Version.Language = TWLG_USA;
    ownIdentity.Version.Country = TWCY_USA;
    lstrcpynA(ownIdentity.Version.Info, "probe", sizeof(TW_STR32));
    ownIdentity.ProtocolMajor = 1;
    ownIdentity.ProtocolMinor = 6;
    ownIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    lstrcpynA(ownIdentity.Manufacturer, "Orvellux Test", sizeof(TW_STR32));
    lstrcpynA(ownIdentity.ProductFamily, "Probe", sizeof(TW_STR32));
    size_t length = strcspn(name, ".");
    if (length >= sizeof(TW_STR32)) length = sizeof(TW_STR32) - 1;
    memcpy(ownIdentity.ProductName, name, length);
}

TW_UINT16 Fail(TW_UINT16 code) {
    conditionCode = code;
    return TWRC_FAILURE;
}

void Announce(TW_UINT16 msg) {
    HMODULE manager = LoadLibraryA("TWAINDSM.DLL");
    if (!manager) return;
    DSMENTRYPROC entry = reinterpret_cast<DSMENTRYPROC>(
        reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")));
    if (entry) entry(&ownIdentity, &connectedApp, DG_CONTROL, DAT_NULL, msg, nullptr);
    FreeLibrary(manager);
}

TW_UINT16 HandleIdentity(pTW_IDENTITY origin, TW_UINT16 msg, pTW_IDENTITY identity) {
    switch (msg) {
    case MSG_GET:
        *identity = ownIdentity;
        return TWRC_SUCCESS;
    case MSG_OPENDS:
        if (connected) return Fail(TWCC_SEQERROR);
        if (strncmp(ownIdentity.ProductName, "Refuse", 6) == 0) return Fail(TWCC_BUMMER);
        ownIdentity = *identity;
        connectedApp = *origin;
        connected = true;
        return TWRC_SUCCESS;
    case MSG_CLOSEDS:
        if (!connected) return Fail(TWCC_SEQERROR);
        connected = false;
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

}  // namespace

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                              TW_UINT16 msg, TW_MEMREF data) {
    if (dg == DG_CONTROL && dat == DAT_IDENTITY)
        return HandleIdentity(origin, msg, static_cast<pTW_IDENTITY>(data));
    if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET) {
        static_cast<pTW_STATUS>(data)->ConditionCode = conditionCode;
        conditionCode = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
        pTW_EVENT event = static_cast<pTW_EVENT>(data);
        if (static_cast<MSG*>(event->pEvent)->message != kProbeEventMessage) return TWRC_NOTDSEVENT;
        event->TWMessage = MSG_NULL;
        return TWRC_DSEVENT;
    }
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && msg == MSG_ENABLEDS) {
        Announce(MSG_XFERREADY);
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS && msg == MSG_ENDXFER) {
        static_cast<pTW_PENDINGXFERS>(data)->Count = 0;
        Announce(MSG_CLOSEDSREQ);
        return TWRC_SUCCESS;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGEINFO && msg == MSG_GET) {
        pTW_IMAGEINFO info = static_cast<pTW_IMAGEINFO>(data);
        info->ImageWidth = static_cast<TW_INT32>(origin->Id);
        info->ImageLength = static_cast<TW_INT32>(ownIdentity.Id);
        return TWRC_SUCCESS;
    }
    return Fail(TWCC_BADPROTOCOL);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) FillIdentity(instance);
    return TRUE;
}
