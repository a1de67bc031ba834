#include "capabilities/capabilities.h"
#include "protocol/dispatch.h"
#include "protocol/source_state.h"

// Capability operations report through the condition code only, never with a box.
TW_UINT16 HandleCapabilityTriplet(TripletRecord* triplet) {
    pTW_CAPABILITY capability = static_cast<pTW_CAPABILITY>(triplet->data);
    if (!capability) {
        SetConditionCode(TWCC_BADVALUE);
        return TWRC_FAILURE;
    }
    return HandleCapability(triplet->msg, capability);
}
