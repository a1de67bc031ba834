// Transfer set-up and the three transfer mechanisms: the file name the file transfer
// writes to, and the position of a memory transfer within the prepared image.
#ifndef ORVELLUX_TRANSFERS_H
#define ORVELLUX_TRANSFERS_H

#include <windows.h>

#include "protocol/twain.h"

const TW_UINT32 kMemoryBufferMin = 16384;
const TW_UINT32 kMemoryBufferMax = 32768;
const TW_UINT32 kMemoryBufferPreferred = 32768;
// Enough for the largest image (2592 x 1944) in the smallest strips: 974 calls.
const int kMaxMemoryTransferCalls = 1000;

extern char transferFileName[256];
extern TW_UINT32 stripOffset;
extern bool stripEndReached;
extern int stripCallCount;

// Forgets how far a memory transfer got; every new preparation starts it afresh.
void ResetMemoryStrips();

#endif
