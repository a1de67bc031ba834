// The twelve snapshot slots shown in the Live View strip: images, selection, current slot
// and fill position.
#ifndef ORVELLUX_SNAPSHOT_STORE_H
#define ORVELLUX_SNAPSHOT_STORE_H

#include <windows.h>

const int kSlotCount = 12;

struct SnapshotStore {
    HGLOBAL slotImage[kSlotCount];
    unsigned char slotSelected[kSlotCount];
    int markSlot;
    int fillSlot;
    bool stripWrapped;
};

extern SnapshotStore snapshotStore;

// Frees every slot image and empties the slots.
void ReleaseAllSnapshots();
// The selection update after each store attempt: the newest slot selected, its
// predecessor not.
void SelectAfterStore();
// fillSlot + 1 until the strip has wrapped, then all twelve.
int FilledSlotCount();

#endif
