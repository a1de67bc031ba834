// The twelve snapshot slots shown in the Live View strip: images, selection, current slot
// and fill position.
#ifndef ORVELLUX_SNAPSHOT_STORE_H
#define ORVELLUX_SNAPSHOT_STORE_H

#include <windows.h>

#include <mutex>

const int kSlotCount = 12;

struct SnapshotStore {
    HGLOBAL slotImage[kSlotCount];
    unsigned char slotSelected[kSlotCount];
    int markSlot;
    int fillSlot;
    bool stripWrapped;
};

extern SnapshotStore snapshotStore;

// The still thread replaces slot images while the window's thread draws them and the
// protocol prepares them for transfer. Held while a slot image is replaced or released and
// while one is read; never across a message box or a wait.
extern std::mutex slotImageLock;

// Frees every slot image and empties the slots.
void ReleaseAllSnapshots();
// Puts image (or nothing) into slot and frees the image it held.
void ReplaceSlotImage(int slot, HGLOBAL image);
// The selection update after each store attempt: the newest slot selected, its
// predecessor not.
void SelectAfterStore();
// fillSlot + 1 until the strip has wrapped, then all twelve.
int FilledSlotCount();

// The strip's click rules on the store; the caller redraws the strip afterwards.
// Control: toggles a slot that holds an image; false (nothing changed) otherwise.
bool ToggleSlotSelection(int slot);
// Shift: selects the slots from markSlot to target, both included, and no other filled
// slot; false (nothing changed) when target holds no image.
bool SelectSlotRange(int target);
// Plain: selects target alone if it holds an image and makes it the current slot.
void MarkSlotAlone(int target);

#endif
