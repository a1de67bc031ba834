#include "protocol/transfers.h"

#include <stdio.h>
#include <string.h>

#include "protocol/dispatch.h"
#include "protocol/pending_transfers.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"

char transferFileName[256];
TW_UINT32 stripOffset;
bool stripEndReached;
int stripCallCount;

namespace {

const char kDefaultFileName[] = "c:\\twain.bmp";
const char kSetupMemoryPrefix[] = "General failure in response to DAT_SETUPMEMXFER, not supported.  ";
const char kSetupFilePrefix[] = "General failure in response to DAT_SETUPFILEXFER, not supported.  ";
const char kCreateFilePrefix[] = "Unable to create file <<DAT_SETUPFILEXFER>>";
const char kTransferGroupPrefix[] = "General failure in response to DAT_XFERGROUP, not supported.  ";
const char kNativePrefix[] = "General failure in response to DAT_IMAGENATIVEXFER.  ";
const char kImageGroupPrefix[] = "General failure in response to DAT_IMAGEINFO.  ";
const SIZE_T kFileHeaderBytes = 14;

TW_UINT16 Fail(const char* prefix, TW_UINT16 conditionCode) {
    SetConditionCode(conditionCode);
    ReportFailure(prefix, conditionCode);
    return TWRC_FAILURE;
}

bool SetupState() { return sourceState >= 4 && sourceState <= 6; }
bool TransferState() { return sourceState == 6 || sourceState == 7; }

// The prepared image held open for one transfer call: both blocks locked and their
// header checked, so that every copy below stays within the image.
struct OpenImage {
    BYTE* image;
    BITMAPINFOHEADER header;
};

enum OpenResult { kOpened, kNothingPrepared, kUnusableHeader };

OpenResult OpenPreparedImage(HGLOBAL headerBlock, OpenImage& open) {
    if (!preparedImage || !headerBlock || GlobalSize(headerBlock) < kHeaderBytes) return kNothingPrepared;
    const void* header = GlobalLock(headerBlock);
    if (!header) return kNothingPrepared;
    memcpy(&open.header, header, kHeaderBytes);
    GlobalUnlock(headerBlock);
    if (!TransferableHeader(open.header) || GlobalSize(preparedImage) < kHeaderBytes + PixelBytes(open.header)) {
        return kUnusableHeader;
    }
    open.image = static_cast<BYTE*>(GlobalLock(preparedImage));
    return open.image ? kOpened : kNothingPrepared;
}

TW_UINT16 FailToOpen(OpenResult result, const char* prefix) {
    return Fail(prefix, result == kNothingPrepared ? TWCC_OPERATIONERROR : TWCC_BADVALUE);
}

void PutLittleEndian(BYTE* target, DWORD value, int bytes) {
    for (int i = 0; i < bytes; ++i) target[i] = static_cast<BYTE>(value >> (8 * i));
}

bool WriteBitmapFile(const char* name, const BYTE* image, SIZE_T pixelBytes) {
    FILE* file = fopen(name, "wb");
    if (!file) return false;
    // The image goes out in one write; a stream buffer would only add a copy.
    setvbuf(file, nullptr, _IONBF, 0);
    BYTE fileHeader[kFileHeaderBytes] = {'B', 'M'};
    PutLittleEndian(fileHeader + 2, static_cast<DWORD>(kFileHeaderBytes + kHeaderBytes + pixelBytes), 4);
    PutLittleEndian(fileHeader + 10, static_cast<DWORD>(kFileHeaderBytes + kHeaderBytes), 4);
    bool written = fwrite(fileHeader, 1, kFileHeaderBytes, file) == kFileHeaderBytes &&
                   fwrite(image, 1, kHeaderBytes + pixelBytes, file) == kHeaderBytes + pixelBytes;
    return fclose(file) == 0 && written;
}

bool FileExistsOrCreated(const char* name) {
    FILE* file = fopen(name, "rb");
    // Appending creates a missing file and leaves an existing one as it is.
    if (!file) file = fopen(name, "ab");
    if (!file) return false;
    fclose(file);
    return true;
}

}  // namespace

void ResetMemoryStrips() {
    stripOffset = 0;
    stripEndReached = false;
    stripCallCount = 0;
}

TW_UINT16 HandleSetupMemoryTransfer(TripletRecord* triplet) {
    memoryMode = true;
    if (!SetupState()) return Fail(kSetupMemoryPrefix, TWCC_SEQERROR);
    if (triplet->msg != MSG_GET) return Fail(kSetupMemoryPrefix, TWCC_BADPROTOCOL);
    pTW_SETUPMEMXFER setup = static_cast<pTW_SETUPMEMXFER>(triplet->data);
    if (!setup) return Fail(kSetupMemoryPrefix, TWCC_BADVALUE);
    setup->MinBufSize = kMemoryBufferMin;
    setup->MaxBufSize = kMemoryBufferMax;
    setup->Preferred = kMemoryBufferPreferred;
    return TWRC_SUCCESS;
}

TW_UINT16 HandleSetupFileTransfer(TripletRecord* triplet) {
    memoryMode = false;
    if (!SetupState()) return Fail(kSetupFilePrefix, TWCC_SEQERROR);
    pTW_SETUPFILEXFER setup = static_cast<pTW_SETUPFILEXFER>(triplet->data);
    switch (triplet->msg) {
        case MSG_GET:
        case MSG_GETCURRENT:
        case MSG_GETDEFAULT:
            if (!setup) return Fail(kSetupFilePrefix, TWCC_BADVALUE);
            memcpy(setup->FileName, kDefaultFileName, sizeof kDefaultFileName);
            setup->Format = TWFF_BMP;
            setup->VRefNum = 0;
            return TWRC_SUCCESS;
        case MSG_SET: {
            if (!setup) return Fail(kSetupFilePrefix, TWCC_BADVALUE);
            // The application's name need not be terminated within its 256 bytes.
            size_t length = strnlen(setup->FileName, sizeof transferFileName - 1);
            memcpy(transferFileName, setup->FileName, length);
            transferFileName[length] = '\0';
            if (!FileExistsOrCreated(transferFileName)) return Fail(kCreateFilePrefix, TWCC_BADVALUE);
            return TWRC_SUCCESS;
        }
        default:
            return Fail(kSetupFilePrefix, TWCC_BADPROTOCOL);
    }
}

TW_UINT16 HandleTransferGroup(TripletRecord* triplet) {
    if (!SetupState()) return Fail(kTransferGroupPrefix, TWCC_SEQERROR);
    switch (triplet->msg) {
        case MSG_GET:
        case MSG_GETCURRENT:
        case MSG_GETDEFAULT:
        case MSG_RESET: {
            TW_UINT32* group = static_cast<TW_UINT32*>(triplet->data);
            if (!group) return Fail(kTransferGroupPrefix, TWCC_BADVALUE);
            *group = DG_IMAGE;
            return TWRC_SUCCESS;
        }
        case MSG_SET:
            return TWRC_SUCCESS;
        default:
            return Fail(kTransferGroupPrefix, TWCC_BADPROTOCOL);
    }
}

TW_UINT16 HandleNativeTransfer(TripletRecord* triplet) {
    memoryMode = false;
    ReprepareForFileOrNativeTransfer(pendingList[0]);
    // Another mechanism takes over the image: a memory transfer begun on it is abandoned.
    ResetMemoryStrips();
    if (!TransferState()) return Fail(kNativePrefix, TWCC_SEQERROR);
    if (triplet->msg != MSG_GET) return Fail(kNativePrefix, TWCC_BADPROTOCOL);
    // The handle handed over is pointer-sized on either platform.
    TW_HANDLE* handle = static_cast<TW_HANDLE*>(triplet->data);
    if (!handle) return Fail(kNativePrefix, TWCC_BADVALUE);
    OpenImage open;
    OpenResult opened = OpenPreparedImage(preparedImage, open);
    if (opened != kOpened) return FailToOpen(opened, kNativePrefix);
    // Sized by the rows the image holds, not by biSizeImage, which a snapshot's header may
    // leave 0 or overstate; the copy's header says the true size.
    SIZE_T pixelBytes = PixelBytes(open.header);
    // Every byte is written below, so the block need not be zero-filled first.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, kHeaderBytes + pixelBytes);
    BYTE* copy = block ? static_cast<BYTE*>(GlobalLock(block)) : nullptr;
    if (!copy) {
        if (block) GlobalFree(block);
        GlobalUnlock(preparedImage);
        return TWRC_FAILURE;
    }
    memcpy(copy, open.image, kHeaderBytes + pixelBytes);
    reinterpret_cast<BITMAPINFOHEADER*>(copy)->biSizeImage = static_cast<DWORD>(pixelBytes);
    GlobalUnlock(block);
    GlobalUnlock(preparedImage);
    *handle = block;
    lastTransferKind = kTransferNative;
    return TWRC_XFERDONE;
}

TW_UINT16 HandleFileTransfer(TripletRecord* triplet) {
    memoryMode = false;
    lastTransferKind = kTransferFile;
    ReprepareForFileOrNativeTransfer(pendingList[0]);
    ResetMemoryStrips();
    if (triplet->msg != MSG_GET) return Fail(kImageGroupPrefix, TWCC_BADPROTOCOL);
    OpenImage open;
    OpenResult opened = OpenPreparedImage(preparedImage, open);
    if (opened != kOpened) return FailToOpen(opened, kImageGroupPrefix);
    // Without a name of its own the application gets the file the set-up reports.
    const char* name = transferFileName[0] ? transferFileName : kDefaultFileName;
    bool written = WriteBitmapFile(name, open.image, PixelBytes(open.header));
    GlobalUnlock(preparedImage);
    if (!written) return Fail(kImageGroupPrefix, TWCC_OPERATIONERROR);
    return TWRC_XFERDONE;
}

TW_UINT16 HandleMemoryTransfer(TripletRecord* triplet) {
    ReprepareForMemoryTransfer(pendingList[0]);
    memoryMode = true;
    lastTransferKind = kTransferMemory;
    if (!TransferState()) return Fail(kImageGroupPrefix, TWCC_SEQERROR);
    pTW_IMAGEMEMXFER strip = static_cast<pTW_IMAGEMEMXFER>(triplet->data);
    if (!strip) return Fail(kImageGroupPrefix, TWCC_BADVALUE);
    if (stripEndReached) {
        strip->BytesWritten = 0;
        ResetMemoryStrips();
        return TWRC_XFERDONE;
    }
    if (++stripCallCount > kMaxMemoryTransferCalls) {
        MessageBoxA(nullptr, "The source aborts a memory transfer", "QMR Source", MB_OK);
        strip->BytesWritten = 0;
        ResetMemoryStrips();
        return TWRC_XFERDONE;
    }
    if (triplet->msg != MSG_GET) return Fail(kImageGroupPrefix, TWCC_BADPROTOCOL);
    TW_UINT32 length = strip->Memory.Length;
    if (length < kMemoryBufferMin || length > kMemoryBufferMax) return TWRC_FAILURE;
    if (!strip->Memory.TheMem) return Fail(kImageGroupPrefix, TWCC_BADVALUE);
    OpenImage open;
    OpenResult opened = OpenPreparedImage(preparedHeader, open);
    if (opened != kOpened) return FailToOpen(opened, kImageGroupPrefix);

    // A row is at most 2592 x 3 bytes, so it always fits the smallest buffer accepted.
    TW_UINT32 bytesPerRow = static_cast<TW_UINT32>(open.header.biWidth) * 3;
    TW_UINT32 height = static_cast<TW_UINT32>(open.header.biHeight);
    TW_UINT32 rowsBefore = stripOffset / bytesPerRow;
    TW_UINT32 fit = length / bytesPerRow;
    TW_UINT32 left = rowsBefore < height ? height - rowsBefore : 0;
    TW_UINT32 rows = fit < left ? fit : left;
    strip->Compression = TWCP_NONE;
    strip->BytesPerRow = bytesPerRow;
    strip->Columns = static_cast<TW_UINT32>(open.header.biWidth);
    strip->XOffset = 0;
    strip->YOffset = rowsBefore;
    strip->Rows = rows;
    strip->BytesWritten = rows * bytesPerRow;
    // The rows follow the 40-byte header directly: the transfer image has no colour table.
    memcpy(strip->Memory.TheMem, open.image + kHeaderBytes + (height - left) * bytesPerRow, strip->BytesWritten);
    GlobalUnlock(preparedImage);
    stripOffset = (rowsBefore + rows) * bytesPerRow;
    if (rowsBefore >= height) stripEndReached = true;
    return TWRC_SUCCESS;
}
