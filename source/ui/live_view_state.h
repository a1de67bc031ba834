// The Live View state that the still thread shares with the window: the busy flag, the
// shutdown handshake, the camera messages and the window services the thread calls.
#ifndef ORVELLUX_LIVE_VIEW_STATE_H
#define ORVELLUX_LIVE_VIEW_STATE_H

#include <windows.h>

#include <atomic>

#define WM_CAM_RESTORE_WIDTH (WM_APP + 1)
#define WM_CAM_FULLRES_SNAP (WM_APP + 2)
#define WM_CAM_FULLRES (WM_APP + 3)
#define WM_CAM_SNAP (WM_APP + 4)

// Window timer whose expiry makes the Live View send itself WM_CAM_SNAP.
const UINT_PTR kSnapTimerId = 0;
const UINT kSnapTimerDelayMs = 50;

// Set on the window's thread when a trigger was written, cleared on the still thread
// after the store; while set the window ignores its commands.
extern std::atomic<bool> captureBusy;
// Serialises the window's commands (count 1, maximum 1).
extern HANDLE busySemaphore;
// Released by the still thread as it ends (count 0, maximum 1); StartStillThread
// creates it.
extern HANDLE threadDoneSemaphore;
// Signalled to end the still thread (auto-reset).
extern HANDLE stopEvent;

// Enables the four command controls and clears captureBusy.
void FinishCapture();
// The Snap Shot pressed look the still thread shows before each store.
void ShowSnapShotPressedLook();
// Draws a newly stored record: its thumbnail in slot, the mark moved from markSlot to
// slot, and the preview. record is locked and outlives the call.
void DrawStoredSnapshot(const BYTE* record, int slot);

#endif
