// Capability negotiation as the rest of the source sees it: the one triplet handler, the
// table's set-up and clearing around open and close, and the fixed-point conversions
// that image layout and colour data share.
#ifndef ORVELLUX_CAPABILITIES_H
#define ORVELLUX_CAPABILITIES_H

#include "protocol/twain.h"

// Answers DG_CONTROL/DAT_CAPABILITY; leaves the condition code in sourceStatus.
TW_UINT16 HandleCapability(TW_UINT16 msg, pTW_CAPABILITY capability);

void SetUpCapTable();
void ClearCapTable();

TW_FIX32 FloatToFixed(float value);
float FixedToFloat(TW_FIX32 value);

#endif
