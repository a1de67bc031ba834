// Still images through the camera's property sets and the still thread.
#ifndef ORVELLUX_STILL_CAPTURE_H
#define ORVELLUX_STILL_CAPTURE_H

// Asks the camera for a still image; true when the trigger was written.
bool TriggerStill();

#endif
