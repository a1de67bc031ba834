#include "protocol/dispatch.h"
#include "protocol/source_state.h"

namespace {

const char kStatusPrefix[] = "General failure in response to DAT_STATUS.  ";

TW_UINT16 FailStatus(TW_UINT16 conditionCode) {
    SetConditionCode(conditionCode);
    ReportFailure(kStatusPrefix, conditionCode);
    return TWRC_FAILURE;
}

}  // namespace

TW_UINT16 HandleStatus(TripletRecord* triplet) {
    if (triplet->msg != MSG_GET) return FailStatus(TWCC_BADPROTOCOL);
    pTW_STATUS status = static_cast<pTW_STATUS>(triplet->data);
    if (!status) return FailStatus(TWCC_BADVALUE);
    *status = sourceStatus;
    // Reading the status clears it.
    SetConditionCode(TWCC_SUCCESS);
    return TWRC_SUCCESS;
}
