// The transfer image: every image handed to the application is first copied from its
// snapshot slot into these buffers, flipped (native, file) or in memory-transfer form.
#ifndef ORVELLUX_TRANSFER_IMAGE_H
#define ORVELLUX_TRANSFER_IMAGE_H

#include <windows.h>

#include "protocol/twain.h"

const int kMaxImageWidth = 2592;
const int kMaxImageHeight = 1944;
const SIZE_T kHeaderBytes = 40;
const SIZE_T kTransferImageBytes = kMaxImageWidth * kMaxImageHeight * 3 + kHeaderBytes;

enum TransferKind { kTransferNative = 0, kTransferFile = 1, kTransferMemory = 2 };

extern HGLOBAL transferImageBuffer;
extern HGLOBAL transferHeaderBuffer;
extern HGLOBAL preparedImage;
extern HGLOBAL preparedHeader;
extern bool slotPreparedRgb[12];
extern bool firstTransferFixPending;
extern bool memoryMode;
extern TransferKind lastTransferKind;

// Renews both buffers (header first), movable and zero-filled; true when both exist.
bool AllocateTransferBuffers();
void FreeTransferBuffers();
// Replaces the image buffer by a fresh zero-filled one (the previous image went to the
// application by native transfer); the prepared image is gone with the old buffer.
bool RenewTransferImageBuffer();

// Copy a snapshot record into the transfer image; false (nothing prepared) when the
// snapshot or a buffer is missing or the snapshot does not fit.
bool PrepareFlipped(HGLOBAL snapshot);
bool PrepareRgb(HGLOBAL snapshot);

// The form rules at each point where an image is prepared.
bool PrepareAtBatchStart(int slot);
bool PrepareAfterTransfer(int slot);
void ReprepareForMemoryTransfer(int firstSlot);
void ReprepareForFileOrNativeTransfer(int firstSlot);

// A header the transfers can hand over: 40 bytes, 24 bits per pixel, and a size
// within the transfer image.
bool TransferableHeader(const BITMAPINFOHEADER& header);
// Bytes of the pixel rows of such a header: width x 3 per row, no filler bytes.
SIZE_T PixelBytes(const BITMAPINFOHEADER& header);

#endif
