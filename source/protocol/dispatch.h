// The triplet record handed to every handler, and the handlers the dispatch tables name.
#ifndef ORVELLUX_DISPATCH_H
#define ORVELLUX_DISPATCH_H

#include "protocol/twain.h"

struct TripletRecord {
    pTW_IDENTITY origin;
    TW_UINT32 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_MEMREF data;
};

typedef TW_UINT16 (*TripletHandler)(TripletRecord* triplet);

// DG_CONTROL
TW_UINT16 HandleIdentity(TripletRecord* triplet);
TW_UINT16 HandleUserInterface(TripletRecord* triplet);
TW_UINT16 HandleCapabilityTriplet(TripletRecord* triplet);
TW_UINT16 HandleStatus(TripletRecord* triplet);
TW_UINT16 HandlePendingTransfers(TripletRecord* triplet);
TW_UINT16 HandleSetupMemoryTransfer(TripletRecord* triplet);
TW_UINT16 HandleSetupFileTransfer(TripletRecord* triplet);
TW_UINT16 HandleTransferGroup(TripletRecord* triplet);

// DG_IMAGE
TW_UINT16 HandleImageInfo(TripletRecord* triplet);
TW_UINT16 HandleImageLayout(TripletRecord* triplet);
TW_UINT16 HandleMemoryTransfer(TripletRecord* triplet);
TW_UINT16 HandleNativeTransfer(TripletRecord* triplet);
TW_UINT16 HandleFileTransfer(TripletRecord* triplet);
TW_UINT16 HandlePalette8(TripletRecord* triplet);
TW_UINT16 HandleResponseStub(TripletRecord* triplet);
TW_UINT16 HandleCieColor(TripletRecord* triplet);

// Shows the source's failure box: prefix followed by the condition code's text.
void ReportFailure(const char* prefix, TW_UINT16 conditionCode);

#endif
