#include "protocol/transfer_image.h"

#include <stdint.h>
#include <string.h>

#include "protocol/transfers.h"
#include "ui/snapshot_store.h"

HGLOBAL transferImageBuffer;
HGLOBAL transferHeaderBuffer;
HGLOBAL preparedImage;
HGLOBAL preparedHeader;
bool slotPreparedRgb[12];
bool firstTransferFixPending;
bool memoryMode;
TransferKind lastTransferKind = kTransferMemory;

namespace {

bool SizeWithinTransferImage(const BITMAPINFOHEADER& header) {
    return header.biWidth >= 1 && header.biWidth <= kMaxImageWidth && header.biHeight >= 1 &&
           header.biHeight <= kMaxImageHeight;
}

SIZE_T RowBytes(const BITMAPINFOHEADER& header) { return static_cast<SIZE_T>(header.biWidth) * 3; }

void ForgetPreparedImage() {
    preparedImage = nullptr;
    preparedHeader = nullptr;
    ResetMemoryStrips();
}

// Both forms share everything but the row copy: the checks that keep every read inside
// the snapshot's block and every write inside the buffers, and the two header copies.
// A snapshot that cannot be prepared leaves no prepared image behind, so that no
// transfer hands over an earlier picture in its place.
template <typename CopyRows>
bool Prepare(HGLOBAL snapshot, CopyRows copyRows) {
    ForgetPreparedImage();
    if (!snapshot || !transferImageBuffer || !transferHeaderBuffer) return false;
    SIZE_T snapshotBytes = GlobalSize(snapshot);
    if (snapshotBytes < kHeaderBytes || GlobalSize(transferHeaderBuffer) < kHeaderBytes) return false;
    const BYTE* source = static_cast<const BYTE*>(GlobalLock(snapshot));
    if (!source) return false;
    BITMAPINFOHEADER header;
    memcpy(&header, source, kHeaderBytes);
    SIZE_T pixelBytes = SizeWithinTransferImage(header) ? RowBytes(header) * header.biHeight : 0;
    BYTE* image = static_cast<BYTE*>(GlobalLock(transferImageBuffer));
    BYTE* headerCopy = static_cast<BYTE*>(GlobalLock(transferHeaderBuffer));
    bool fits = pixelBytes != 0 && snapshotBytes - kHeaderBytes >= pixelBytes &&
                GlobalSize(transferImageBuffer) >= kHeaderBytes + pixelBytes;
    if (fits && image && headerCopy) {
        memcpy(headerCopy, source, kHeaderBytes);
        memcpy(image, headerCopy, kHeaderBytes);
        copyRows(image + kHeaderBytes, source + kHeaderBytes, RowBytes(header), header.biHeight);
    }
    GlobalUnlock(transferHeaderBuffer);
    GlobalUnlock(transferImageBuffer);
    GlobalUnlock(snapshot);
    if (!fits || !image || !headerCopy) return false;
    preparedImage = transferImageBuffer;
    preparedHeader = transferHeaderBuffer;
    return true;
}

void CopyRowsFlipped(BYTE* target, const BYTE* source, SIZE_T rowBytes, LONG rows) {
    for (LONG row = 0; row < rows; ++row) {
        memcpy(target + (rows - 1 - row) * rowBytes, source + row * rowBytes, rowBytes);
    }
}

void SwapPixels(BYTE* __restrict target, const BYTE* __restrict source, SIZE_T pixels) {
    for (SIZE_T pixel = 0; pixel < pixels; ++pixel) {
        target[3 * pixel] = source[3 * pixel + 2];
        target[3 * pixel + 1] = source[3 * pixel + 1];
        target[3 * pixel + 2] = source[3 * pixel];
    }
}

uint64_t LoadWord(const BYTE* bytes) {
    uint64_t word;
    memcpy(&word, bytes, 8);
    return word;
}

void StoreWord(BYTE* bytes, uint64_t word) { memcpy(bytes, &word, 8); }

// Neither compiler vectorises the three-byte stride of the plain pixel loop for the
// baseline instruction set, and byte by byte it takes three to four times a memcpy.
// Eight pixels are three 64-bit words (little-endian): green stays, blue and red trade
// places within a word or across into the next one. The rows keep their order, so the
// whole image is one run; the plain loop takes the last few pixels.
void CopyRowsSwapped(BYTE* __restrict target, const BYTE* __restrict source, SIZE_T rowBytes, LONG rows) {
    SIZE_T pixels = rowBytes / 3 * rows;
    SIZE_T blocks = pixels / 8;
    for (SIZE_T block = 0; block < blocks; ++block) {
        const BYTE* in = source + 24 * block;
        BYTE* out = target + 24 * block;
        uint64_t w0 = LoadWord(in), w1 = LoadWord(in + 8), w2 = LoadWord(in + 16);
        StoreWord(out, (w0 & 0xFF0000FF0000FF00ull) | ((w0 >> 16) & 0x00000000FF0000FFull) |
                           ((w0 << 16) & 0x0000FF0000FF0000ull) | ((w1 & 0xFF) << 48));
        StoreWord(out + 8, (w1 & 0x0000FF0000FF0000ull) | ((w0 >> 48) & 0xFF) |
                               ((w1 >> 16) & 0x000000FF0000FF00ull) | ((w1 << 16) & 0x00FF0000FF000000ull) |
                               ((w2 << 48) & 0xFF00000000000000ull));
        StoreWord(out + 16, (w2 & 0x00FF0000FF0000FFull) | ((w1 >> 48) & 0xFF00) |
                                ((w2 >> 16) & 0x0000FF0000FF0000ull) | ((w2 << 16) & 0xFF0000FF00000000ull));
    }
    SwapPixels(target + 24 * blocks, source + 24 * blocks, pixels - 8 * blocks);
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

}  // namespace

bool AllocateTransferBuffers() {
    FreeTransferBuffers();
    transferHeaderBuffer = GlobalAlloc(GHND, kHeaderBytes);
    transferImageBuffer = GlobalAlloc(GHND, kTransferImageBytes);
    if (transferHeaderBuffer && transferImageBuffer) return true;
    FreeTransferBuffers();
    return false;
}

void FreeTransferBuffers() {
    ForgetPreparedImage();
    if (transferHeaderBuffer) GlobalFree(transferHeaderBuffer);
    if (transferImageBuffer) GlobalFree(transferImageBuffer);
    transferHeaderBuffer = nullptr;
    transferImageBuffer = nullptr;
}

bool RenewTransferImageBuffer() {
    ForgetPreparedImage();
    if (transferImageBuffer) GlobalFree(transferImageBuffer);
    transferImageBuffer = GlobalAlloc(GHND, kTransferImageBytes);
    return transferImageBuffer != nullptr;
}

bool PrepareFlipped(HGLOBAL snapshot) { return Prepare(snapshot, CopyRowsFlipped); }

bool PrepareRgb(HGLOBAL snapshot) { return Prepare(snapshot, CopyRowsSwapped); }

bool PrepareAtBatchStart(int slot) {
    std::lock_guard<std::mutex> hold(slotImageLock);
    if (!ValidSlot(slot)) {
        ForgetPreparedImage();
        return false;
    }
    HGLOBAL snapshot = snapshotStore.slotImage[slot];
    if (memoryMode && !slotPreparedRgb[slot]) {
        if (!PrepareRgb(snapshot)) return false;
        slotPreparedRgb[slot] = true;
        return true;
    }
    return PrepareFlipped(snapshot);
}

bool PrepareAfterTransfer(int slot) {
    std::lock_guard<std::mutex> hold(slotImageLock);
    if (!ValidSlot(slot)) {
        ForgetPreparedImage();
        return false;
    }
    HGLOBAL snapshot = snapshotStore.slotImage[slot];
    bool marked = slotPreparedRgb[slot];
    if (memoryMode) {
        if (marked) return PrepareFlipped(snapshot);
        if (!PrepareRgb(snapshot)) return false;
        slotPreparedRgb[slot] = true;
        return true;
    }
    if (!marked) return PrepareFlipped(snapshot);
    if (!PrepareRgb(snapshot)) return false;
    slotPreparedRgb[slot] = false;
    return true;
}

// The first transfer triplet of a window settles the first image's form, whatever it
// finds: a later triplet of the other kind would otherwise bring the batch's first slot
// back in place of the image that MSG_ENDXFER has prepared since.
void ReprepareForMemoryTransfer(int firstSlot) {
    std::lock_guard<std::mutex> hold(slotImageLock);
    if (!firstTransferFixPending) return;
    firstTransferFixPending = false;
    if (ValidSlot(firstSlot) && !slotPreparedRgb[firstSlot]) {
        PrepareRgb(snapshotStore.slotImage[firstSlot]);
    }
}

void ReprepareForFileOrNativeTransfer(int firstSlot) {
    std::lock_guard<std::mutex> hold(slotImageLock);
    if (!firstTransferFixPending) return;
    firstTransferFixPending = false;
    if (ValidSlot(firstSlot) && slotPreparedRgb[firstSlot]) {
        PrepareFlipped(snapshotStore.slotImage[firstSlot]);
    }
}

bool TransferableHeader(const BITMAPINFOHEADER& header) {
    return header.biSize == kHeaderBytes && header.biBitCount == 24 && SizeWithinTransferImage(header);
}

SIZE_T PixelBytes(const BITMAPINFOHEADER& header) { return RowBytes(header) * header.biHeight; }
