// The bitmap-header routines behind DAT_IMAGEINFO.
#ifndef ORVELLUX_IMAGE_INFO_H
#define ORVELLUX_IMAGE_INFO_H

#include <windows.h>

// Number of colour-table entries the header calls for.
DWORD ColorTableEntries(const BITMAPINFOHEADER& header);
// Fills in biSizeImage (rows rounded up to 32-bit words) and biClrUsed where they are 0.
void NormalizeHeader(BITMAPINFOHEADER& header);

#endif
