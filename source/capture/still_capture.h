// Still images through the camera's property sets and the still thread.
#ifndef ORVELLUX_STILL_CAPTURE_H
#define ORVELLUX_STILL_CAPTURE_H

#include <windows.h>

// Signalled by the driver; created by the still thread, null when absent.
extern HANDLE stillEvent;
extern HANDLE stillThread;

// Asks the camera for a still image; true when the trigger was written.
bool TriggerStill();
// Starts the still thread unless it runs; the Live View's stopEvent must exist. Creates
// threadDoneSemaphore first when it is absent, so that a thread ending at once still has
// it to release; the Live View does not create it.
bool StartStillThread();
DWORD WINAPI StillThreadProc(LPVOID unused);
// Ends the still thread: signals stopEvent and waits, bounded, for threadDoneSemaphore
// while delivering messages sent to this thread, since the still thread may be drawing
// into or enabling controls of a window this thread owns. Then closes threadDoneSemaphore,
// busySemaphore, stopEvent and the thread handle. True when the thread ended; on false it
// is still busy: it keeps its handles and the camera must stay open.
bool StopStillThread(DWORD timeoutMs);
// What the Live View's close allows the thread to finish a store or a message box.
const DWORD kStillThreadStopTimeoutMs = 30000;
// Unregisters the still event and closes the thread handle; 1, or the failed query's
// HRESULT.
long DisableStillEvent();
// Reads image bytes; length in: bytes wanted, out: bytes the driver returned. Returns the
// driver's HRESULT, 0 when nothing was asked for.
long ReadStillImage(void* buffer, DWORD* length);
// True when a still with this header fits a snapshot record: positive dimensions, an
// image size that holds all its rows, and no larger than a 2592 x 1944 still.
bool SnapshotHeaderUsable(const BITMAPINFOHEADER& header);

enum SnapshotFill { kFillComplete, kFillReadFailed, kFillNoRowBuffer };
// Fills a locked record of 40 + biSizeImage bytes (a usable header) with the header and
// the camera's pixel rows in reverse order; kFillNoRowBuffer leaves the camera's order.
SnapshotFill FillSnapshotRecord(BYTE* record, const BITMAPINFOHEADER* header);
// Reverses the order of height rows of rowBytes each in place, through one temporary row.
bool ReverseRows(BYTE* rows, SIZE_T rowBytes, LONG height);
// The value of camera register r, or -1.
long ReadCameraRegister(long r);

#endif
