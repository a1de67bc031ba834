// Snapshot records and a source that stands open in state 6 with both transfer buffers,
// for the tests of image information, transfer preparation and the transfers.
#ifndef ORVELLUX_TRANSFER_SUPPORT_H
#define ORVELLUX_TRANSFER_SUPPORT_H

#include <gtest/gtest.h>
#include <windows.h>

#include <ctype.h>

#include <string>
#include <vector>

#include "protocol/twain.h"

// The byte at a given offset of a snapshot's pixel rows: no two neighbours alike, so a
// row or a byte out of place shows.
BYTE SnapshotByte(size_t offset);

// A snapshot record of 24-bit rows filled with SnapshotByte; pixelBytes overrides the
// size of the block after the header (the header still claims width x 3 x height).
HGLOBAL MakeSnapshot(LONG width, LONG height, size_t pixelBytes = SIZE_MAX);
BITMAPINFOHEADER SnapshotHeader(LONG width, LONG height);
// Overwrites the header of a block (a snapshot or one of the transfer buffers).
void WriteHeader(HGLOBAL block, const BITMAPINFOHEADER& header);
BITMAPINFOHEADER ReadHeader(HGLOBAL block);
std::vector<BYTE> BlockBytes(HGLOBAL block);

// The expected pixel rows of a snapshot in either prepared form.
std::vector<BYTE> FlippedRows(LONG width, LONG height);
std::vector<BYTE> SwappedRows(LONG width, LONG height);

// The TWAIN records are packed and gtest compares through references, so their fields
// are read by value first.
template <typename T>
T Field(T value) {
    return value;
}

// Table rows carry a name as their first member; it names the test case in gtest's and
// ctest's listings.
template <typename Row>
std::string RowName(const ::testing::TestParamInfo<Row>& info) {
    std::string name = info.param.name;
    for (char& c : name) c = isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A triplet through the source's entry point.
    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
    // DAT_STATUS/MSG_GET: the condition code, read and cleared.
    TW_UINT16 Condition();
    // Puts a fresh snapshot into a slot.
    void FillSlot(int slot, LONG width, LONG height);
    // The pixel rows of the transfer image as prepared now.
    std::vector<BYTE> PreparedRows();
    // Texts of the message boxes shown since SetUp, taken.
    std::vector<std::string> TakeBoxes();

    TW_IDENTITY application{};
};

#endif
