// The Live View's start-up and shutdown: the camera, the capture graph and the still thread
// live exactly as long as one opening of the window.
#ifndef ORVELLUX_LIVE_VIEW_LIFECYCLE_H
#define ORVELLUX_LIVE_VIEW_LIFECYCLE_H

#include <windows.h>

// The shutdown sequence has run since the window was opened.
extern bool closedOnce;

// WM_INITDIALOG: finds the camera, builds and runs the graph and starts the still thread;
// false when the window has no camera to work with.
bool StartLiveView(HWND window);
// Ends the still thread, releases the snapshots, the graph and the camera.
void ShutDownLiveView();

#endif
