#include "protocol/user_interface.h"

#include "capture/capture_graph.h"
#include "protocol/dispatch.h"
#include "protocol/pending_transfers.h"
#include "protocol/source_state.h"
#include "ui/live_view.h"

namespace {

const char kUserInterfacePrefix[] = "General failure in response to DAT_USERINTERFACE.  ";
const char kEnablePrefix[] = "General failure in response to MSG_ENABLEDS.  ";
const char kDisablePrefix[] = "General failure in response to MSG_DISABLEDS.  ";

TW_UINT16 Fail(const char* prefix, TW_UINT16 conditionCode) {
    SetConditionCode(conditionCode);
    ReportFailure(prefix, conditionCode);
    return TWRC_FAILURE;
}

TW_UINT16 EnableSource(const TW_USERINTERFACE* userInterface) {
    if (sourceState != 4) return Fail(kEnablePrefix, TWCC_SEQERROR);
    if (!userInterface) return Fail(kEnablePrefix, TWCC_BADVALUE);
    parentWindow = static_cast<HWND>(userInterface->hParent);
    // A window from an earlier enable may have shut its camera down already (Exit), so
    // every enable starts with a fresh window rather than leaving one behind.
    DestroyLiveViewWindow();
    liveViewWindow = CreateLiveView(parentWindow);
    // The window has already told the user that the camera is missing. A camera that came
    // back later still finds the source refusing, so its window must not run on hidden.
    if (!cameraAvailable) {
        DestroyLiveViewWindow();
        return TWRC_FAILURE;
    }
    if (!liveViewWindow) return Fail(kEnablePrefix, TWCC_LOWMEMORY);
    if (!userInterface->ShowUI || !previewAvailable) {
        // Nothing for the user to work with: the source takes one still by itself, once.
        TW_UINT16 outcome = AutomaticAcquire();
        if (outcome != TWCC_SUCCESS) return Fail(kEnablePrefix, outcome);
    } else {
        ShowWindow(liveViewWindow, SW_SHOW);
    }
    sourceState = 6;
    return TWRC_SUCCESS;
}

TW_UINT16 DisableSource() {
    if (sourceState < 5 || sourceState > 7) return Fail(kDisablePrefix, TWCC_SEQERROR);
    EndTransferBatch();
    // A disabled source shows nothing, whichever way it was enabled.
    if (liveViewWindow) ShowWindow(liveViewWindow, SW_HIDE);
    sourceState = 4;
    return TWRC_SUCCESS;
}

}  // namespace

void DestroyLiveViewWindow() {
    if (!liveViewWindow) return;
    DestroyWindow(liveViewWindow);
    liveViewWindow = nullptr;
}

TW_UINT16 HandleUserInterface(TripletRecord* triplet) {
    switch (triplet->msg) {
    case MSG_DISABLEDS: return DisableSource();
    case MSG_ENABLEDS: return EnableSource(static_cast<const TW_USERINTERFACE*>(triplet->data));
    default: return Fail(kUserInterfacePrefix, TWCC_BADPROTOCOL);
    }
}
