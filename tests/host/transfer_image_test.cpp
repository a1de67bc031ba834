// Preparation of the transfer image from a snapshot slot, and the form rules.
#include <string.h>

#include "host_win32.h"
#include "protocol/transfer_image.h"
#include "transfer_support.h"
#include "ui/snapshot_store.h"

namespace {

using TransferImage = TransferTest;

TEST_F(TransferImage, TwoByTwoSnapshotInBothForms) {
    // Rows A (first stored) and B; every pixel blue, green, red.
    const BYTE rowA[6] = {1, 2, 3, 4, 5, 6};
    const BYTE rowB[6] = {7, 8, 9, 10, 11, 12};
    HGLOBAL snapshot = MakeSnapshot(2, 2);
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(snapshot));
    memcpy(bytes + 40, rowA, 6);
    memcpy(bytes + 46, rowB, 6);
    std::vector<BYTE> header(bytes, bytes + 40);
    GlobalUnlock(snapshot);

    ASSERT_TRUE(PrepareFlipped(snapshot));
    EXPECT_EQ(PreparedRows(), (std::vector<BYTE>{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(BlockBytes(preparedHeader), header);
    std::vector<BYTE> image = BlockBytes(preparedImage);
    EXPECT_EQ(std::vector<BYTE>(image.begin(), image.begin() + 40), header);

    ASSERT_TRUE(PrepareRgb(snapshot));
    EXPECT_EQ(PreparedRows(), (std::vector<BYTE>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
    EXPECT_EQ(BlockBytes(preparedHeader), header);
    EXPECT_EQ(preparedImage, transferImageBuffer);
    EXPECT_EQ(preparedHeader, transferHeaderBuffer);
    GlobalFree(snapshot);
}

// Sizes around the eight-pixel steps of the swap, and the largest snapshot.
TEST_F(TransferImage, BothFormsAtManySizes) {
    const LONG sizes[][2] = {{1, 1}, {3, 3}, {8, 1}, {5, 2}, {7, 5}, {2592, 1944}};
    for (const LONG* size : sizes) {
        HGLOBAL snapshot = MakeSnapshot(size[0], size[1]);
        ASSERT_TRUE(PrepareFlipped(snapshot));
        EXPECT_TRUE(PreparedRows() == FlippedRows(size[0], size[1])) << size[0] << " x " << size[1];
        ASSERT_TRUE(PrepareRgb(snapshot));
        EXPECT_TRUE(PreparedRows() == SwappedRows(size[0], size[1])) << size[0] << " x " << size[1];
        GlobalFree(snapshot);
    }
}

struct Misfit {
    const char* name;
    LONG width;
    LONG height;
    size_t pixelBytes;
};

void PrintTo(const Misfit& row, std::ostream* out) { *out << row.name; }

class UnpreparableSnapshot : public TransferTest, public ::testing::WithParamInterface<Misfit> {};

// Whatever the header claims, nothing is read past the snapshot's block or written past
// the buffers (the sanitizers watch), and no earlier image stays offered in its place.
TEST_P(UnpreparableSnapshot, LeavesNoPreparedImage) {
    const Misfit& misfit = GetParam();
    HGLOBAL good = MakeSnapshot(8, 4);
    HGLOBAL bad = MakeSnapshot(misfit.width, misfit.height, misfit.pixelBytes);
    for (bool (*prepare)(HGLOBAL) : {PrepareFlipped, PrepareRgb}) {
        ASSERT_TRUE(prepare(good));
        EXPECT_FALSE(prepare(bad));
        EXPECT_EQ(preparedImage, nullptr);
        EXPECT_EQ(preparedHeader, nullptr);
    }
    GlobalFree(good);
    GlobalFree(bad);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, UnpreparableSnapshot,
    ::testing::Values(Misfit{"wider than 2592", 2593, 2, SIZE_MAX},
                      Misfit{"higher than 1944", 2, 1945, SIZE_MAX},
                      Misfit{"more rows than the block holds", 640, 480, 640 * 3 * 479},
                      Misfit{"header only", 640, 480, 0},
                      Misfit{"zero width", 0, 10, 60},
                      Misfit{"zero height", 10, 0, 60},
                      Misfit{"negative width", -4, 2, 60},
                      Misfit{"top-down rows", 4, -2, 60}),
    RowName<Misfit>);

TEST_F(TransferImage, MissingSnapshotOrBuffersPrepareNothing) {
    EXPECT_FALSE(PrepareFlipped(nullptr));
    HGLOBAL tiny = GlobalAlloc(GMEM_MOVEABLE, 39);
    EXPECT_FALSE(PrepareRgb(tiny));
    GlobalFree(tiny);

    HGLOBAL snapshot = MakeSnapshot(4, 4);
    FreeTransferBuffers();
    EXPECT_FALSE(PrepareFlipped(snapshot));
    EXPECT_FALSE(PrepareAtBatchStart(-1));
    EXPECT_FALSE(PrepareAfterTransfer(kSlotCount));
    EXPECT_EQ(preparedImage, nullptr);
    GlobalFree(snapshot);
}

TEST_F(TransferImage, BiSizeImageBeyondTheRowsIsNotRead) {
    // The header may overstate its pixel bytes; only width x 3 x height are copied.
    HGLOBAL snapshot = MakeSnapshot(4, 2);
    BITMAPINFOHEADER header = SnapshotHeader(4, 2);
    header.biSizeImage = 0x7fffffff;
    WriteHeader(snapshot, header);
    ASSERT_TRUE(PrepareFlipped(snapshot));
    EXPECT_EQ(PreparedRows(), FlippedRows(4, 2));
    GlobalFree(snapshot);
}

TEST_F(TransferImage, RenewedBufferDropsThePreparedImage) {
    HGLOBAL snapshot = MakeSnapshot(4, 4);
    ASSERT_TRUE(PrepareFlipped(snapshot));
    ASSERT_TRUE(RenewTransferImageBuffer());
    EXPECT_EQ(preparedImage, nullptr);
    EXPECT_EQ(GlobalSize(transferImageBuffer), kTransferImageBytes);
    GlobalFree(snapshot);
}

TEST_F(TransferImage, AllocationFailureLeavesNoHalfPair) {
    HostFailAllocationsAfter(1);
    EXPECT_FALSE(AllocateTransferBuffers());
    EXPECT_EQ(transferHeaderBuffer, nullptr);
    EXPECT_EQ(transferImageBuffer, nullptr);
}

// A batch in memory mode over slots 1 and 4.
TEST_F(TransferImage, MemoryModeBatchMarksEachSlot) {
    FillSlot(1, 4, 2);
    FillSlot(4, 4, 2);
    memoryMode = true;
    ASSERT_TRUE(PrepareAtBatchStart(1));
    EXPECT_EQ(PreparedRows(), SwappedRows(4, 2));
    EXPECT_TRUE(slotPreparedRgb[1]);
    ASSERT_TRUE(PrepareAfterTransfer(4));
    EXPECT_EQ(PreparedRows(), SwappedRows(4, 2));
    EXPECT_TRUE(slotPreparedRgb[4]);
}

struct FormRule {
    const char* name;
    bool memoryMode;
    bool marked;
    bool expectRgb;
    bool markAfter;
};

void PrintTo(const FormRule& row, std::ostream* out) { *out << row.name; }

class AfterTransferRule : public TransferTest, public ::testing::WithParamInterface<FormRule> {};

TEST_P(AfterTransferRule, PreparesAndMarks) {
    const FormRule& rule = GetParam();
    FillSlot(3, 4, 2);
    memoryMode = rule.memoryMode;
    slotPreparedRgb[3] = rule.marked;
    ASSERT_TRUE(PrepareAfterTransfer(3));
    EXPECT_EQ(PreparedRows(), rule.expectRgb ? SwappedRows(4, 2) : FlippedRows(4, 2));
    EXPECT_EQ(slotPreparedRgb[3], rule.markAfter);
}

INSTANTIATE_TEST_SUITE_P(Rules, AfterTransferRule,
                         ::testing::Values(FormRule{"memory unmarked", true, false, true, true},
                                           FormRule{"memory marked", true, true, false, true},
                                           FormRule{"flipped marked", false, true, true, false},
                                           FormRule{"flipped unmarked", false, false, false, false}),
                         RowName<FormRule>);

class BatchStartRule : public TransferTest, public ::testing::WithParamInterface<FormRule> {};

TEST_P(BatchStartRule, PreparesAndMarks) {
    const FormRule& rule = GetParam();
    FillSlot(0, 4, 2);
    memoryMode = rule.memoryMode;
    slotPreparedRgb[0] = rule.marked;
    ASSERT_TRUE(PrepareAtBatchStart(0));
    EXPECT_EQ(PreparedRows(), rule.expectRgb ? SwappedRows(4, 2) : FlippedRows(4, 2));
    EXPECT_EQ(slotPreparedRgb[0], rule.markAfter);
}

INSTANTIATE_TEST_SUITE_P(Rules, BatchStartRule,
                         ::testing::Values(FormRule{"memory unmarked", true, false, true, true},
                                           FormRule{"memory marked", true, true, false, true},
                                           FormRule{"flipped marked", false, true, false, true},
                                           FormRule{"flipped unmarked", false, false, false, false}),
                         RowName<FormRule>);

TEST_F(TransferImage, EmptySlotIsNotMarked) {
    memoryMode = true;
    EXPECT_FALSE(PrepareAtBatchStart(2));
    EXPECT_FALSE(PrepareAfterTransfer(2));
    EXPECT_FALSE(slotPreparedRgb[2]);
}

}  // namespace
