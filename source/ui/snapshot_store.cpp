#include "ui/snapshot_store.h"

SnapshotStore snapshotStore = {{}, {}, 0, -1, false};
std::mutex slotImageLock;

namespace {

bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

void ClearFilledSelections() {
    int filled = FilledSlotCount();
    for (int slot = 0; slot < filled && slot < kSlotCount; ++slot) snapshotStore.slotSelected[slot] = 0;
}

}  // namespace

void ReleaseAllSnapshots() {
    std::lock_guard<std::mutex> hold(slotImageLock);
    for (HGLOBAL& image : snapshotStore.slotImage) {
        if (image) GlobalFree(image);
        image = nullptr;
    }
}

void ReplaceSlotImage(int slot, HGLOBAL image) {
    if (!ValidSlot(slot)) return;
    std::lock_guard<std::mutex> hold(slotImageLock);
    HGLOBAL previous = snapshotStore.slotImage[slot];
    snapshotStore.slotImage[slot] = image;
    if (previous && previous != image) GlobalFree(previous);
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

bool ToggleSlotSelection(int slot) {
    if (!ValidSlot(slot) || !snapshotStore.slotImage[slot]) return false;
    snapshotStore.slotSelected[slot] = snapshotStore.slotSelected[slot] ? 0 : 1;
    return true;
}

bool SelectSlotRange(int target) {
    if (!ValidSlot(target) || !snapshotStore.slotImage[target]) return false;
    ClearFilledSelections();
    int anchor = snapshotStore.markSlot;
    int first = anchor < target ? anchor : target;
    int last = anchor < target ? target : anchor;
    for (int slot = first < 0 ? 0 : first; slot <= last && slot < kSlotCount; ++slot) {
        snapshotStore.slotSelected[slot] = 1;
    }
    return true;
}

void MarkSlotAlone(int target) {
    if (!ValidSlot(target)) return;
    ClearFilledSelections();
    if (snapshotStore.slotImage[target]) snapshotStore.slotSelected[target] = 1;
    snapshotStore.markSlot = target;
}
