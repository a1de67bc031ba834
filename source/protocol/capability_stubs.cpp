#include "capabilities/capabilities.h"
#include "protocol/source_state.h"

// Stands in until the capability table is built into the source.
TW_UINT16 HandleCapability(TW_UINT16, pTW_CAPABILITY) {
    SetConditionCode(TWCC_BADPROTOCOL);
    return TWRC_FAILURE;
}

void SetUpCapTable() {}
void ClearCapTable() {}
