#include "ui/snapshot_store.h"

SnapshotStore snapshotStore = {{}, {}, 0, -1, false};

void ReleaseAllSnapshots() {
    for (HGLOBAL& image : snapshotStore.slotImage) {
        if (image) GlobalFree(image);
        image = nullptr;
    }
}

void SelectAfterStore() {
    int fill = snapshotStore.fillSlot;
    if (fill == 0) {
        snapshotStore.slotSelected[0] = 1;
        snapshotStore.slotSelected[kSlotCount - 1] = 0;
    } else if (fill > 0) {
        snapshotStore.slotSelected[fill - 1] = 0;
        snapshotStore.slotSelected[fill] = 1;
    }
}

int FilledSlotCount() { return snapshotStore.stripWrapped ? kSlotCount : snapshotStore.fillSlot + 1; }
