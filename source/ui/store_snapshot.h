// Placing a still image from the camera into the next snapshot slot.
#ifndef ORVELLUX_STORE_SNAPSHOT_H
#define ORVELLUX_STORE_SNAPSHOT_H

#include <windows.h>

// Reads the camera's still into the next slot and draws it; true on success.
bool StoreSnapshot();

#endif
