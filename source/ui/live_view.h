// The Live View window as the protocol uses it.
#ifndef ORVELLUX_LIVE_VIEW_H
#define ORVELLUX_LIVE_VIEW_H

#include <windows.h>

// Creates the Live View (modeless dialog IDD_LIVE_VIEW owned by owner) hidden; its start-up
// looks for the camera and clears cameraAvailable when there is none. Null on failure, and
// then no window is left behind.
HWND CreateLiveView(HWND owner);
// Makes the four command controls of liveViewWindow usable again, if the window exists.
void EnableCommandControls();

INT_PTR CALLBACK LiveViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OnLiveViewCommand(int command);

#endif
