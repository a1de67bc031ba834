#include <stdio.h>

#include "protocol/dispatch.h"
#include "protocol/source_state.h"

namespace {

const char* ConditionCodeText(TW_UINT16 conditionCode) {
    switch (conditionCode) {
    case TWCC_SUCCESS: return "Success message from detailed error request ??";
    case TWCC_BUMMER: return "Bummer error.";
    case TWCC_LOWMEMORY: return "Low Memory Condition encountered, free up some memory and try again.";
    case TWCC_NODS: return "No Data Source found error.";
    case TWCC_MAXCONNECTIONS: return "Source is connected to max possible apps.";
    case TWCC_OPERATIONERROR: return "An operation error just occurred.";
    case TWCC_BADCAP: return "Bad capabilities error.";
    case TWCC_BADPROTOCOL: return "Bad protocol error.";
    case TWCC_BADVALUE: return "Bad value error.";
    case TWCC_SEQERROR: return "DG DAT MSG is out of expected sequence.";
    default: return "Unknown Error value in condition code.";
    }
}

}  // namespace

void ReportFailure(const char* prefix, TW_UINT16 conditionCode) {
    char text[180];
    snprintf(text, sizeof text, "%s%s", prefix, ConditionCodeText(conditionCode));
    // A parent the application has destroyed since would keep the box from showing.
    HWND owner = IsWindow(parentWindow) ? parentWindow : nullptr;
    MessageBoxA(owner, text, "QMR Source Error", MB_OK);
}
