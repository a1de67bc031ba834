// The data source's only export and the work done when the library is loaded.
#ifndef ORVELLUX_ENTRY_POINT_H
#define ORVELLUX_ENTRY_POINT_H

#include <windows.h>

#include "protocol/twain.h"

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                             TW_UINT16 msg, TW_MEMREF data);

// Process attach: keeps the instance handle and fills the source's identity.
void StartSource(HINSTANCE instance);

#endif
