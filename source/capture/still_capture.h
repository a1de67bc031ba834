// Still images through the camera's property sets and the still thread.
#ifndef ORVELLUX_STILL_CAPTURE_H
#define ORVELLUX_STILL_CAPTURE_H

#include <windows.h>

// Signalled by the driver; created by the still thread, null when absent.
extern HANDLE stillEvent;
extern HANDLE stillThread;

// Asks the camera for a still image; true when the trigger was written.
bool TriggerStill();
// Starts the still thread unless it runs; the Live View's stopEvent must exist.
bool StartStillThread();
DWORD WINAPI StillThreadProc(LPVOID unused);
// Ends the still thread: signals stopEvent and waits, bounded, for threadDoneSemaphore
// while dispatching this thread's messages, since the still thread may be drawing into
// or enabling controls of a window this thread owns. True when the thread ended.
bool StopStillThread(DWORD timeoutMs);
// Unregisters the still event and closes the thread handle; 1, or the failed query's
// HRESULT.
long DisableStillEvent();
// Reads image bytes; length in: bytes wanted, out: bytes the driver returned. Returns the
// driver's HRESULT, 0 when nothing was asked for.
long ReadStillImage(void* buffer, DWORD* length);
// Fills a locked record of 40 + biSizeImage bytes with the header and the camera's pixel
// rows in reverse order.
bool FillSnapshotRecord(BYTE* record, const BITMAPINFOHEADER* header);
// Reverses the order of height rows of rowBytes each in place, through one temporary row.
bool ReverseRows(BYTE* rows, SIZE_T rowBytes, LONG height);
// The value of camera register r, or -1.
long ReadCameraRegister(long r);

#endif
