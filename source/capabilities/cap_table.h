// The table of the 40 capabilities the source answers, and where their values live.
#ifndef ORVELLUX_CAP_TABLE_H
#define ORVELLUX_CAP_TABLE_H

#include "capabilities/containers.h"
#include "protocol/twain.h"

struct CapEntry {
    TW_UINT16 capId;
    TW_UINT16 itemType;
    TW_UINT16 getConType;
    TW_UINT16 valueConType;
    TW_UINT32 supportMask;
    CapValueList allowedValues;
    CapValueList defaultValue;
    CapValueList currentValue;
};

const int kCapCount = 40;

// All zero from load until SetUpCapTable and again after ClearCapTable. The values the
// entries point at live for the library's life, so a set survives close and reopen.
extern CapEntry capTable[kCapCount];

// The first filled entry whose capId is key, or null.
CapEntry* LookupCapEntry(TW_UINT16 key);

// ICAP_BITDEPTH is kept per pixel type, under a key made from the pixel type.
constexpr TW_UINT16 BitDepthKey(TW_UINT16 pixelType) {
    return static_cast<TW_UINT16>(pixelType - 0x7000);
}
TW_UINT16 CurrentPixelType();

#endif
