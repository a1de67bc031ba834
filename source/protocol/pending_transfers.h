// The batch of pending transfers started by the Live View's Transfer command, and the
// acquisition cycle that runs without the user.
#ifndef ORVELLUX_PENDING_TRANSFERS_H
#define ORVELLUX_PENDING_TRANSFERS_H

#include "protocol/twain.h"
#include "ui/snapshot_store.h"

// Slots of the current batch in ascending order; entry 0 is the batch's first slot.
extern int pendingList[kSlotCount];
extern int pendingTotal;
// Transfers of the batch not yet ended by MSG_ENDXFER.
extern int pendingCount;
// Clear while a batch runs; the Live View refuses snapshots then.
extern bool transferIdle;

// The Live View's Transfer command: announces the selected snapshots.
void BeginTransferBatch();
// Takes one still, prepares it and announces it; TWCC_SUCCESS when an image was offered,
// otherwise the condition code that says why not (nothing announced).
TW_UINT16 AutomaticAcquire();
// Drops whatever is left of a batch and makes the Live View's commands usable again.
void EndTransferBatch();

#endif
