#include "protocol/entry_point.h"

#include "protocol/dispatch.h"
#include "protocol/identity.h"
#include "protocol/source_state.h"

namespace {

struct DispatchEntry {
    TW_UINT16 dat;
    TripletHandler handler;
};

const DispatchEntry controlTable[] = {
    {DAT_IDENTITY, HandleIdentity},
    {DAT_USERINTERFACE, HandleUserInterface},
    {DAT_CAPABILITY, HandleCapabilityTriplet},
    {DAT_STATUS, HandleStatus},
    {DAT_PENDINGXFERS, HandlePendingTransfers},
    {DAT_SETUPMEMXFER, HandleSetupMemoryTransfer},
    {DAT_SETUPFILEXFER, HandleSetupFileTransfer},
    {DAT_XFERGROUP, HandleTransferGroup},
    {DAT_NULL, nullptr},
};

const DispatchEntry imageTable[] = {
    {DAT_IMAGEINFO, HandleImageInfo},
    {DAT_IMAGELAYOUT, HandleImageLayout},
    {DAT_IMAGEMEMXFER, HandleMemoryTransfer},
    {DAT_IMAGENATIVEXFER, HandleNativeTransfer},
    {DAT_IMAGEFILEXFER, HandleFileTransfer},
    {DAT_PALETTE8, HandlePalette8},
    {DAT_GRAYRESPONSE, HandleResponseStub},
    {DAT_RGBRESPONSE, HandleResponseStub},
    {DAT_CIECOLOR, HandleCieColor},
    {DAT_JPEGCOMPRESSION, HandleResponseStub},
    {DAT_NULL, nullptr},
};

TW_UINT16 Fail(TW_UINT16 conditionCode) {
    SetConditionCode(conditionCode);
    return TWRC_FAILURE;
}

TW_UINT16 ProcessEvent(TW_MEMREF data) {
    pTW_EVENT event = static_cast<pTW_EVENT>(data);
    if (!event || !event->pEvent) return Fail(TWCC_BADVALUE);
    if (liveViewWindow && IsDialogMessageA(liveViewWindow, static_cast<MSG*>(event->pEvent))) {
        event->TWMessage = MSG_NULL;
        return TWRC_DSEVENT;
    }
    return TWRC_NOTDSEVENT;
}

}  // namespace

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                             TW_UINT16 msg, TW_MEMREF data) {
    if (!origin) return Fail(TWCC_BADVALUE);
    // One application at a time: while one is connected, every other origin is refused.
    if (appIdentity.Id != 0 && appIdentity.Id != origin->Id) return Fail(TWCC_BADPROTOCOL);
    if (msg == MSG_PROCESSEVENT) return ProcessEvent(data);
    // Control triplets keep an earlier failure's code for DAT_STATUS to report.
    if (dg != DG_CONTROL && dat != DAT_STATUS) SetConditionCode(TWCC_SUCCESS);

    const DispatchEntry* table;
    if (dg == DG_CONTROL) {
        table = controlTable;
    } else if (dg == DG_IMAGE) {
        table = imageTable;
    } else {
        return Fail(TWCC_BADPROTOCOL);
    }
    TripletRecord triplet = {origin, dg, dat, msg, data};
    for (const DispatchEntry* entry = table; entry->handler; ++entry) {
        if (entry->dat == dat) return entry->handler(&triplet);
    }
    return Fail(TWCC_BADPROTOCOL);
}

void StartSource(HINSTANCE instance) {
    moduleInstance = instance;
    appIdentity.Id = 0;
    FillSourceIdentity();
}
