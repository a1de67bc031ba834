#include "transfer_support.h"

#include <string.h>

#include "fake_source.h"
#include "host_win32.h"
#include "protocol/entry_point.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "ui/snapshot_store.h"

BYTE SnapshotByte(size_t offset) { return static_cast<BYTE>(offset * 7 + offset / 251); }

BITMAPINFOHEADER SnapshotHeader(LONG width, LONG height) {
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(width * 3 * height);
    header.biXPelsPerMeter = 3780;
    header.biYPelsPerMeter = 3780;
    return header;
}

HGLOBAL MakeSnapshot(LONG width, LONG height, size_t pixelBytes) {
    if (pixelBytes == SIZE_MAX) pixelBytes = static_cast<size_t>(width) * 3 * height;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 40 + pixelBytes);
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header = SnapshotHeader(width, height);
    memcpy(bytes, &header, 40);
    for (size_t i = 0; i < pixelBytes; ++i) bytes[40 + i] = SnapshotByte(i);
    GlobalUnlock(block);
    return block;
}

void WriteHeader(HGLOBAL block, const BITMAPINFOHEADER& header) {
    memcpy(GlobalLock(block), &header, 40);
    GlobalUnlock(block);
}

BITMAPINFOHEADER ReadHeader(HGLOBAL block) {
    BITMAPINFOHEADER header;
    memcpy(&header, GlobalLock(block), 40);
    GlobalUnlock(block);
    return header;
}

std::vector<BYTE> BlockBytes(HGLOBAL block) {
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(block));
    std::vector<BYTE> copy(bytes, bytes + GlobalSize(block));
    GlobalUnlock(block);
    return copy;
}

std::vector<BYTE> FlippedRows(LONG width, LONG height) {
    size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<BYTE> rows(rowBytes * height);
    for (LONG row = 0; row < height; ++row) {
        for (size_t i = 0; i < rowBytes; ++i) {
            rows[(height - 1 - row) * rowBytes + i] = SnapshotByte(row * rowBytes + i);
        }
    }
    return rows;
}

std::vector<BYTE> SwappedRows(LONG width, LONG height) {
    std::vector<BYTE> rows(static_cast<size_t>(width) * 3 * height);
    for (size_t pixel = 0; pixel < rows.size() / 3; ++pixel) {
        rows[3 * pixel] = SnapshotByte(3 * pixel + 2);
        rows[3 * pixel + 1] = SnapshotByte(3 * pixel + 1);
        rows[3 * pixel + 2] = SnapshotByte(3 * pixel);
    }
    return rows;
}

void TransferTest::SetUp() {
    ResetSourceForTests();
    ASSERT_TRUE(AllocateTransferBuffers());
    // Enabled, as after MSG_ENABLEDS; tests that need another state set it.
    sourceState = 6;
    application.Id = 7;
}

void TransferTest::TearDown() {
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>()) << "message boxes nobody expected";
    ResetSourceForTests();
    EXPECT_EQ(HostLiveBlocks(), 0) << "a global block was left behind";
}

TW_UINT16 TransferTest::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return DS_Entry(&application, dg, dat, msg, data);
}

TW_UINT16 TransferTest::Condition() {
    TW_STATUS status{};
    EXPECT_EQ(Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    return status.ConditionCode;
}

void TransferTest::FillSlot(int slot, LONG width, LONG height) {
    if (snapshotStore.slotImage[slot]) GlobalFree(snapshotStore.slotImage[slot]);
    snapshotStore.slotImage[slot] = MakeSnapshot(width, height);
}

std::vector<BYTE> TransferTest::PreparedRows() {
    BITMAPINFOHEADER header = ReadHeader(preparedImage);
    std::vector<BYTE> image = BlockBytes(preparedImage);
    return std::vector<BYTE>(image.begin() + 40, image.begin() + 40 + header.biWidth * 3 * header.biHeight);
}

std::vector<std::string> TransferTest::TakeBoxes() {
    std::vector<std::string> texts;
    for (const HostMessageBox& box : HostMessageBoxes()) texts.push_back(box.caption + ": " + box.text);
    HostMessageBoxes().clear();
    return texts;
}
