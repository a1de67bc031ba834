// The one property page of both devices: what the device is and which pictures it
// delivers. The system's property frame hosts it.
#ifndef ORVELLUX_CAMERA_PROPERTY_PAGE_H
#define ORVELLUX_CAMERA_PROPERTY_PAGE_H

#include <ocidl.h>

HRESULT CreatePropertyPage(REFIID iid, void** object);

#endif
