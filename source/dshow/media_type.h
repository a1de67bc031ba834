// Release of DirectShow media-type records handed out by the platform.
#ifndef ORVELLUX_MEDIA_TYPE_H
#define ORVELLUX_MEDIA_TYPE_H

#include <windows.h>
#include <dshow.h>

// Frees what the record owns (format block, object reference); the record stays.
void FreeMediaType(AM_MEDIA_TYPE& mediaType);
// Frees a task-allocated record and all it owns; null is accepted.
void DeleteMediaType(AM_MEDIA_TYPE* mediaType);

#endif
