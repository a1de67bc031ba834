// AM_MEDIA_TYPE records of the devices' RGB24 pictures, allocated with the task allocator
// as DirectShow callers expect to free them.
#ifndef ORVELLUX_CAMERA_MEDIA_TYPES_H
#define ORVELLUX_CAMERA_MEDIA_TYPES_H

#include <dshow.h>

#include "device_profiles.h"

// Bytes of one bottom-up RGB24 row, padded to 4 bytes as in a DIB.
LONG RowStride(LONG width);
DWORD ImageSize(LONG width, LONG height);

// Fills a media type (format block from CoTaskMemAlloc) for the format at the given
// frame interval; false when out of memory.
bool FillVideoMediaType(AM_MEDIA_TYPE* type, const VideoFormat& format, LONGLONG interval);
AM_MEDIA_TYPE* CreateVideoMediaType(const VideoFormat& format, LONGLONG interval);
bool CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source);
void FreeMediaTypeContents(AM_MEDIA_TYPE* type);

// The picture a media type describes, when the device can deliver it: RGB24 in a
// VIDEOINFOHEADER of an offered size, bottom-up, with a frame interval the device keeps
// (0 means the format's default). On success *format and *interval are filled.
bool ParseVideoMediaType(const DeviceProfile& profile, const AM_MEDIA_TYPE& type,
                         const VideoFormat** format, LONGLONG* interval);

// True when a partly specified type (GUID_NULL or no format block meaning "any") admits
// the complete candidate type.
bool MediaTypeAdmits(const AM_MEDIA_TYPE& partial, const AM_MEDIA_TYPE& candidate);

#endif
