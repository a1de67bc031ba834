#include "protocol/identity.h"

#include <string.h>

#include "capabilities/capabilities.h"
#include "protocol/dispatch.h"
#include "protocol/pending_transfers.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "protocol/user_interface.h"
#include "ui/capture_settings.h"
#include "ui/resource.h"
#include "ui/snapshot_store.h"
#include "ui/source_strings.h"

#if defined(_WIN64)
const char kSourceManagerLibrary[] = "TWAINDSM.DLL";
#else
const char kSourceManagerLibrary[] = "TWAIN_32.DLL";
#endif

namespace {

const char kIdentityPrefix[] = "General failure in response to DAT_IDENTITY.  ";
const char kOpenPrefix[] = "General failure in response to MSG_OPENDS.  ";
const char kClosePrefix[] = "General failure in response to MSG_CLOSEDS.  ";

TW_UINT16 Fail(const char* prefix, TW_UINT16 conditionCode) {
    SetConditionCode(conditionCode);
    ReportFailure(prefix, conditionCode);
    return TWRC_FAILURE;
}

TW_UINT16 OpenSource(TripletRecord* triplet) {
    // Removed at every open, also one that then fails; the source itself never writes it.
    DeleteFileA("c:\\twsrc.log");
    if (sourceState != 3) return Fail(kOpenPrefix, TWCC_SEQERROR);
    pTW_IDENTITY managerCopy = static_cast<pTW_IDENTITY>(triplet->data);
    if (!managerCopy) return Fail(kOpenPrefix, TWCC_BADVALUE);
    // Every image preparation needs both buffers, so without them the source stays closed.
    if (!AllocateTransferBuffers()) return Fail(kOpenPrefix, TWCC_LOWMEMORY);
    appIdentity = *triplet->origin;
    sourceIdentity = *managerCopy;
    sourceState = 4;
    SetUpCapTable();
    return TWRC_SUCCESS;
}

TW_UINT16 CloseSource() {
    if (sourceState < 4 || sourceState > 7) return Fail(kClosePrefix, TWCC_SEQERROR);
    appIdentity.Id = 0;
    EndTransferBatch();
    FreeTransferBuffers();
    // The window's teardown ends the still thread, which may be storing into a slot, so the
    // slots are released only after it.
    DestroyLiveViewWindow();
    ReleaseAllSnapshots();
    sourceState = 3;
    ClearCapTable();
    return TWRC_SUCCESS;
}

void SendToApplication(TW_UINT16 msg) {
    HMODULE manager = LoadLibraryA(kSourceManagerLibrary);
    if (!manager) return;
    DSMENTRYPROC entry = reinterpret_cast<DSMENTRYPROC>(
        reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")));
    if (entry) entry(&sourceIdentity, &appIdentity, DG_CONTROL, DAT_NULL, msg, nullptr);
    FreeLibrary(manager);
}

}  // namespace

void FillSourceIdentity() {
    memset(&sourceIdentity, 0, sizeof sourceIdentity);
    sourceIdentity.Version.MajorNum = 1;
    sourceIdentity.Version.MinorNum = 0;
    sourceIdentity.Version.Language = TWLG_USA;
    sourceIdentity.Version.Country = TWCY_USA;
    LoadSourceString(IDS_VERSION_INFO, sourceIdentity.Version.Info, sizeof sourceIdentity.Version.Info);
    sourceIdentity.ProtocolMajor = 1;
    sourceIdentity.ProtocolMinor = 6;
    sourceIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    LoadSourceString(IDS_MANUFACTURER, sourceIdentity.Manufacturer, sizeof sourceIdentity.Manufacturer);
    LoadSourceString(IDS_PRODUCT_FAMILY, sourceIdentity.ProductFamily,
                     sizeof sourceIdentity.ProductFamily);
    GetProductName(sourceIdentity.ProductName, sizeof sourceIdentity.ProductName);
}

TW_UINT16 HandleIdentity(TripletRecord* triplet) {
    switch (triplet->msg) {
    case MSG_GET: {
        pTW_IDENTITY identity = static_cast<pTW_IDENTITY>(triplet->data);
        if (!identity) return Fail(kIdentityPrefix, TWCC_BADVALUE);
        *identity = sourceIdentity;
        return TWRC_SUCCESS;
    }
    case MSG_OPENDS: return OpenSource(triplet);
    case MSG_CLOSEDS: return CloseSource();
    default: return Fail(kIdentityPrefix, TWCC_BADPROTOCOL);
    }
}

void NotifyTransferReady() {
    sourceState = 6;
    SendToApplication(MSG_XFERREADY);
}

void RequestClose() { SendToApplication(MSG_CLOSEDSREQ); }
