// A tiny source for the tests of the manager and the acquisition tool. It takes its
// product name from its file name, so one build installed under several names lists as
// several sources, and it answers just enough to show what the manager passes on:
//   DAT_IMAGEINFO/MSG_GET           a 5 x 3 RGB picture; XResolution.Whole = caller's Id,
//                                   YResolution.Whole = own Id
//   DAT_USERINTERFACE/MSG_ENABLEDS  two images pending, announced with MSG_XFERREADY
//   DAT_PENDINGXFERS/MSG_ENDXFER    one fewer; at none, asks to be closed (MSG_CLOSEDSREQ)
//   DAT_EVENT/MSG_PROCESSEVENT      takes only kProbeEventMessage
//   native, memory (strips of two rows, the last with TWRC_XFERDONE) and file transfers
//   (a top-down bitmap file) of that picture
// A probe whose name begins with "Refuse" refuses MSG_OPENDS with TWCC_BUMMER; one named
// "Silent..." never announces its images; one named "Stall..." blocks in MSG_ENABLEDS for
// a minute, as a source waiting on a box nobody answers would.
#include <windows.h>

#include <string.h>

#include "protocol/twain.h"

namespace {

const UINT kProbeEventMessage = WM_APP + 0x77;

TW_IDENTITY ownIdentity;
TW_IDENTITY connectedApp;
bool connected = false;
TW_UINT16 conditionCode = TWCC_SUCCESS;
TW_UINT16 pendingImages = 0;
TW_UINT32 stripRow = 0;
char transferFile[sizeof(TW_STR255)] = "";

const int kWidth = 5;
const int kHeight = 3;
const TW_UINT32 kStripBytes = 32;

// The picture: red 200, green by row, blue by column; top row is row 0.
void PixelRgb(int x, int y, TW_UINT8* rgb) {
    rgb[0] = 200;
    rgb[1] = static_cast<TW_UINT8>(y * 80);
    rgb[2] = static_cast<TW_UINT8>(x * 40);
}

BITMAPINFOHEADER PictureHeader(bool topDown) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = kWidth;
    header.biHeight = topDown ? -kHeight : kHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    return header;
}

// Rows padded to 32 bits, blue-green-red, in the order the header gives.
void FillDibRows(TW_UINT8* rows, bool topDown) {
    const int rowSize = (kWidth * 3 + 3) & ~3;
    for (int y = 0; y < kHeight; ++y) {
        TW_UINT8* row = rows + (topDown ? y : kHeight - 1 - y) * rowSize;
        for (int x = 0; x < kWidth; ++x) {
            TW_UINT8 rgb[3];
            PixelRgb(x, y, rgb);
            row[x * 3] = rgb[2];
            row[x * 3 + 1] = rgb[1];
            row[x * 3 + 2] = rgb[0];
        }
    }
}

const DWORD kDibRowsSize = ((kWidth * 3 + 3) & ~3) * kHeight;

void FillIdentity(HINSTANCE instance) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(instance, path, MAX_PATH);
    const char* name = strrchr(path, '\\');
    name = name ? name + 1 : path;
    ownIdentity = TW_IDENTITY();
    ownIdentity.Version.MajorNum = 2;
    ownIdentity.Version.MinorNum = 3;
    ownIdentity.Version.Language = TWLG_USA;
    ownIdentity.Version.Country = TWCY_USA;
    lstrcpynA(ownIdentity.Version.Info, "probe", sizeof(TW_STR32));
    ownIdentity.ProtocolMajor = 1;
    ownIdentity.ProtocolMinor = 6;
    ownIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    lstrcpynA(ownIdentity.Manufacturer, "Orvellux Test", sizeof(TW_STR32));
    lstrcpynA(ownIdentity.ProductFamily, "Probe", sizeof(TW_STR32));
    size_t length = strcspn(name, ".");
    if (length >= sizeof(TW_STR32)) length = sizeof(TW_STR32) - 1;
    memcpy(ownIdentity.ProductName, name, length);
}

TW_UINT16 Fail(TW_UINT16 code) {
    conditionCode = code;
    return TWRC_FAILURE;
}

void Announce(TW_UINT16 msg) {
    HMODULE manager = LoadLibraryA("TWAINDSM.DLL");
    if (!manager) return;
    DSMENTRYPROC entry = reinterpret_cast<DSMENTRYPROC>(
        reinterpret_cast<void*>(GetProcAddress(manager, "DSM_Entry")));
    if (entry) entry(&ownIdentity, &connectedApp, DG_CONTROL, DAT_NULL, msg, nullptr);
    FreeLibrary(manager);
}

TW_UINT16 HandleIdentity(pTW_IDENTITY origin, TW_UINT16 msg, pTW_IDENTITY identity) {
    switch (msg) {
    case MSG_GET:
        *identity = ownIdentity;
        return TWRC_SUCCESS;
    case MSG_OPENDS:
        if (connected) return Fail(TWCC_SEQERROR);
        if (strncmp(ownIdentity.ProductName, "Refuse", 6) == 0) return Fail(TWCC_BUMMER);
        ownIdentity = *identity;
        connectedApp = *origin;
        connected = true;
        return TWRC_SUCCESS;
    case MSG_CLOSEDS:
        if (!connected) return Fail(TWCC_SEQERROR);
        connected = false;
        return TWRC_SUCCESS;
    default:
        return Fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 HandleUserInterface(TW_UINT16 msg) {
    if (msg == MSG_DISABLEDS) return TWRC_SUCCESS;
    if (msg != MSG_ENABLEDS) return Fail(TWCC_BADPROTOCOL);
    pendingImages = 2;
    stripRow = 0;
    if (strncmp(ownIdentity.ProductName, "Stall", 5) == 0) Sleep(60000);
    if (strncmp(ownIdentity.ProductName, "Silent", 6) != 0) Announce(MSG_XFERREADY);
    return TWRC_SUCCESS;
}

TW_UINT16 TransferNative(TW_HANDLE* handle) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + kDibRowsSize);
    TW_UINT8* dib = static_cast<TW_UINT8*>(GlobalLock(block));
    if (!dib) return Fail(TWCC_LOWMEMORY);
    BITMAPINFOHEADER header = PictureHeader(false);
    memcpy(dib, &header, sizeof header);
    FillDibRows(dib + sizeof header, false);
    GlobalUnlock(block);
    *handle = block;
    return TWRC_XFERDONE;
}

TW_UINT16 TransferStrip(pTW_IMAGEMEMXFER strip) {
    const TW_UINT32 bytesPerRow = kWidth * 3;
    TW_UINT32 rows = strip->Memory.Length / bytesPerRow;
    if (rows == 0) return Fail(TWCC_BADVALUE);
    if (rows > kHeight - stripRow) rows = kHeight - stripRow;
    TW_UINT8* out = static_cast<TW_UINT8*>(strip->Memory.TheMem);
    for (TW_UINT32 row = 0; row < rows; ++row)
        for (int x = 0; x < kWidth; ++x) PixelRgb(x, static_cast<int>(stripRow + row), out + row * bytesPerRow + x * 3);
    strip->Compression = TWCP_NONE;
    strip->BytesPerRow = bytesPerRow;
    strip->Columns = kWidth;
    strip->Rows = rows;
    strip->XOffset = 0;
    strip->YOffset = stripRow;
    strip->BytesWritten = rows * bytesPerRow;
    stripRow += rows;
    if (stripRow < kHeight) return TWRC_SUCCESS;
    stripRow = 0;
    return TWRC_XFERDONE;
}

TW_UINT16 TransferFile() {
    HANDLE file = CreateFileA(transferFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail(TWCC_OPERATIONERROR);
    BITMAPINFOHEADER header = PictureHeader(true);
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4d42;
    fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
    fileHeader.bfSize = fileHeader.bfOffBits + kDibRowsSize;
    TW_UINT8 rows[kDibRowsSize] = {};
    FillDibRows(rows, true);
    DWORD written = 0, total = 0;
    WriteFile(file, &fileHeader, sizeof fileHeader, &written, nullptr);
    total += written;
    WriteFile(file, &header, sizeof header, &written, nullptr);
    total += written;
    WriteFile(file, rows, sizeof rows, &written, nullptr);
    total += written;
    CloseHandle(file);
    if (total != fileHeader.bfSize) return Fail(TWCC_OPERATIONERROR);
    return TWRC_XFERDONE;
}

}  // namespace

extern "C" TW_UINT16 TW_CALLINGSTYLE DS_Entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat,
                                              TW_UINT16 msg, TW_MEMREF data) {
    if (dg == DG_CONTROL && dat == DAT_IDENTITY)
        return HandleIdentity(origin, msg, static_cast<pTW_IDENTITY>(data));
    if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET) {
        static_cast<pTW_STATUS>(data)->ConditionCode = conditionCode;
        conditionCode = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_EVENT && msg == MSG_PROCESSEVENT) {
        pTW_EVENT event = static_cast<pTW_EVENT>(data);
        if (static_cast<MSG*>(event->pEvent)->message != kProbeEventMessage) return TWRC_NOTDSEVENT;
        event->TWMessage = MSG_NULL;
        return TWRC_DSEVENT;
    }
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE) return HandleUserInterface(msg);
    if (dg == DG_CONTROL && dat == DAT_PENDINGXFERS && msg == MSG_ENDXFER) {
        if (pendingImages > 0) --pendingImages;
        stripRow = 0;
        static_cast<pTW_PENDINGXFERS>(data)->Count = pendingImages;
        if (pendingImages == 0) Announce(MSG_CLOSEDSREQ);
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_SETUPMEMXFER && msg == MSG_GET) {
        pTW_SETUPMEMXFER setup = static_cast<pTW_SETUPMEMXFER>(data);
        setup->MinBufSize = 16;
        setup->MaxBufSize = 64;
        setup->Preferred = kStripBytes;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_SETUPFILEXFER && msg == MSG_SET) {
        lstrcpynA(transferFile, static_cast<pTW_SETUPFILEXFER>(data)->FileName, sizeof transferFile);
        return TWRC_SUCCESS;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGEINFO && msg == MSG_GET) {
        pTW_IMAGEINFO info = static_cast<pTW_IMAGEINFO>(data);
        *info = TW_IMAGEINFO();
        info->XResolution.Whole = static_cast<TW_INT16>(origin->Id);
        info->YResolution.Whole = static_cast<TW_INT16>(ownIdentity.Id);
        info->ImageWidth = kWidth;
        info->ImageLength = kHeight;
        info->SamplesPerPixel = 3;
        info->BitsPerSample[0] = info->BitsPerSample[1] = info->BitsPerSample[2] = 8;
        info->BitsPerPixel = 24;
        info->PixelType = TWPT_RGB;
        info->Compression = TWCP_NONE;
        return TWRC_SUCCESS;
    }
    if (dg == DG_IMAGE && dat == DAT_IMAGENATIVEXFER && msg == MSG_GET)
        return TransferNative(static_cast<TW_HANDLE*>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGEMEMXFER && msg == MSG_GET)
        return TransferStrip(static_cast<pTW_IMAGEMEMXFER>(data));
    if (dg == DG_IMAGE && dat == DAT_IMAGEFILEXFER && msg == MSG_GET) return TransferFile();
    return Fail(TWCC_BADPROTOCOL);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) FillIdentity(instance);
    return TRUE;
}
