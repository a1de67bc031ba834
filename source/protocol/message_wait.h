// Waiting on the application's thread while the still thread works.
#ifndef ORVELLUX_MESSAGE_WAIT_H
#define ORVELLUX_MESSAGE_WAIT_H

#include <windows.h>

// Waits the given time while dispatching the thread's messages, so that the Live View's
// timer, which completes a still capture, fires during the wait.
void WaitDispatchingMessages(DWORD milliseconds);

#endif
