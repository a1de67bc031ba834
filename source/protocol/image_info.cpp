#include "protocol/image_info.h"

#include <stdint.h>
#include <string.h>

#include "capabilities/capabilities.h"
#include "protocol/dispatch.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"

namespace {

const char kTransferPrefix[] = "General failure in transfer.  ";
const char kBadHeaderPrefix[] = "General failure in transfer bad info header info.  ";
const char kPalettePrefix[] = "General failure in response to DAT_PALETTE8.  ";
const char kImageGroupPrefix[] = "General failure in response to DAT_IMAGEINFO.  ";

TW_UINT16 Fail(const char* prefix, TW_UINT16 conditionCode) {
    SetConditionCode(conditionCode);
    ReportFailure(prefix, conditionCode);
    return TWRC_FAILURE;
}

TW_FIX32 Fixed(TW_INT16 whole, TW_UINT16 frac) {
    TW_FIX32 value;
    value.Whole = whole;
    value.Frac = frac;
    return value;
}

TW_FIX32 WholeOfLow16Bits(LONG value) { return Fixed(static_cast<TW_INT16>(value & 0xFFFF), 0); }

TW_CIEPOINT CiePoint(float x, float y, float z) {
    TW_CIEPOINT point;
    point.X = FloatToFixed(x);
    point.Y = FloatToFixed(y);
    point.Z = FloatToFixed(z);
    return point;
}

const float kStageMix[3][3] = {{0.0f, 0.1f, 0.2f}, {1.0f, 1.1f, 1.2f}, {2.0f, 2.1f, 2.2f}};

void FillStage(TW_TRANSFORMSTAGE& stage, float startIn) {
    stage.Decode[0].StartIn = FloatToFixed(startIn);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) stage.Mix[row][column] = FloatToFixed(kStageMix[row][column]);
    }
}

// The prepared header, copied out so that a failed lock and the release are handled here.
bool ReadPreparedHeader(BITMAPINFOHEADER& header) {
    if (!preparedHeader || GlobalSize(preparedHeader) < kHeaderBytes) return false;
    const void* block = GlobalLock(preparedHeader);
    if (!block) return false;
    memcpy(&header, block, kHeaderBytes);
    GlobalUnlock(preparedHeader);
    return true;
}

void WritePreparedHeader(const BITMAPINFOHEADER& header) {
    void* block = GlobalLock(preparedHeader);
    if (!block) return;
    memcpy(block, &header, kHeaderBytes);
    GlobalUnlock(preparedHeader);
}

}  // namespace

DWORD ColorTableEntries(const BITMAPINFOHEADER& header) {
    if (header.biClrUsed != 0) return header.biClrUsed;
    switch (header.biBitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

void NormalizeHeader(BITMAPINFOHEADER& header) {
    if (header.biSizeImage == 0) {
        // Wide arithmetic: a corrupt header must not overflow; the result is cut to 32 bits.
        int64_t rowWords = (static_cast<int64_t>(header.biBitCount) * header.biWidth + 31) / 32;
        uint64_t bytes = static_cast<uint64_t>(rowWords) * static_cast<uint64_t>(static_cast<int64_t>(header.biHeight)) * 4;
        header.biSizeImage = static_cast<DWORD>(bytes);
    }
    if (header.biClrUsed == 0) header.biClrUsed = ColorTableEntries(header);
}

TW_UINT16 HandleImageInfo(TripletRecord* triplet) {
    if (sourceState != 6) return Fail(kTransferPrefix, TWCC_SEQERROR);
    if (triplet->msg != MSG_GET) return Fail(kTransferPrefix, TWCC_BADPROTOCOL);
    pTW_IMAGEINFO info = static_cast<pTW_IMAGEINFO>(triplet->data);
    if (!info) return Fail(kTransferPrefix, TWCC_BADVALUE);
    BITMAPINFOHEADER header;
    if (!ReadPreparedHeader(header)) return TWRC_FAILURE;
    if (header.biSize != kHeaderBytes) return Fail(kBadHeaderPrefix, TWCC_BADVALUE);
    NormalizeHeader(header);
    WritePreparedHeader(header);

    info->XResolution = WholeOfLow16Bits(header.biXPelsPerMeter);
    info->YResolution = WholeOfLow16Bits(header.biYPelsPerMeter);
    info->ImageWidth = header.biWidth;
    info->ImageLength = header.biHeight;
    info->BitsPerPixel = static_cast<TW_INT16>(header.biBitCount);
    info->Planar = FALSE;
    if (header.biCompression == BI_RGB) info->Compression = TWCP_NONE;
    for (TW_INT16& bits : info->BitsPerSample) bits = 0;
    if (header.biBitCount >= 24) {
        info->SamplesPerPixel = 3;
        for (int sample = 0; sample < 3; ++sample) {
            info->BitsPerSample[sample] = static_cast<TW_INT16>(header.biBitCount / 3);
        }
        info->PixelType = TWPT_RGB;
    } else {
        info->SamplesPerPixel = 1;
        info->BitsPerSample[0] = static_cast<TW_INT16>(header.biBitCount);
        info->PixelType = TWPT_PALETTE;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 HandleImageLayout(TripletRecord* triplet) {
    switch (triplet->msg) {
        case MSG_GET:
        case MSG_GETCURRENT:
        case MSG_GETDEFAULT: {
            pTW_IMAGELAYOUT layout = static_cast<pTW_IMAGELAYOUT>(triplet->data);
            if (!layout) return Fail(kImageGroupPrefix, TWCC_BADVALUE);
            TW_FIX32 edge = Fixed(22, 33);
            layout->Frame.Left = edge;
            layout->Frame.Top = edge;
            layout->Frame.Right = edge;
            layout->Frame.Bottom = edge;
            layout->DocumentNumber = 4;
            layout->PageNumber = 88;
            layout->FrameNumber = 1;
            return TWRC_SUCCESS;
        }
        case MSG_SET:
        case MSG_RESET:
            return TWRC_SUCCESS;
        default:
            return Fail(kImageGroupPrefix, TWCC_BADPROTOCOL);
    }
}

// The source's images carry no colour table, so there are no entries to report; a header
// that calls for some cannot be answered.
TW_UINT16 HandlePalette8(TripletRecord* triplet) {
    if (sourceState < 4 || sourceState > 6) return Fail(kPalettePrefix, TWCC_SEQERROR);
    switch (triplet->msg) {
        case MSG_GET: {
            pTW_PALETTE8 palette = static_cast<pTW_PALETTE8>(triplet->data);
            if (!palette) return Fail(kPalettePrefix, TWCC_BADVALUE);
            BITMAPINFOHEADER header;
            if (!ReadPreparedHeader(header)) return Fail(kPalettePrefix, TWCC_SEQERROR);
            if (ColorTableEntries(header) != 0) return Fail(kPalettePrefix, TWCC_BADVALUE);
            palette->NumColors = 0;
            palette->PaletteType = TWPA_RGB;
            return TWRC_SUCCESS;
        }
        case MSG_GETDEFAULT:
        case MSG_SET:
        case MSG_RESET:
            return TWRC_SUCCESS;
        default:
            return Fail(kPalettePrefix, TWCC_BADPROTOCOL);
    }
}

// The standard record holds one sample; whatever the application's record may hold
// beyond it is not known here, so the further samples are not delivered.
TW_UINT16 HandleCieColor(TripletRecord* triplet) {
    pTW_CIECOLOR color = static_cast<pTW_CIECOLOR>(triplet->data);
    if (!color) return Fail(kImageGroupPrefix, TWCC_BADVALUE);
    color->ColorSpace = TWPT_RGB;
    color->LowEndian = 0;
    color->DeviceDependent = 1;
    color->VersionNumber = 0;
    FillStage(color->StageABC, 0.1f);
    FillStage(color->StageLMN, 1.1f);
    color->WhitePoint = CiePoint(4.4f, 5.5f, 6.6f);
    color->BlackPoint = CiePoint(1.1f, 5.5f, 6.6f);
    color->WhitePaper = CiePoint(1.1f, 5.5f, 6.6f);
    color->BlackInk = CiePoint(1.1f, 5.5f, 6.6f);
    color->Samples[0] = FloatToFixed(99.99f);
    return TWRC_SUCCESS;
}

TW_UINT16 HandleResponseStub(TripletRecord*) { return TWRC_SUCCESS; }
