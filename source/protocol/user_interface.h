// The source's user interface as the application enables and disables it.
#ifndef ORVELLUX_USER_INTERFACE_H
#define ORVELLUX_USER_INTERFACE_H

// Destroys the Live View window, if one exists; its teardown stops the camera.
void DestroyLiveViewWindow();

#endif
