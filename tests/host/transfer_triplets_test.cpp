// The transfer set-up triplets and the native, memory and file transfers, through the
// source's entry point.
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "host_win32.h"
#include "protocol/pending_transfers.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "protocol/transfers.h"
#include "transfer_support.h"
#include "ui/snapshot_store.h"

namespace {

namespace fs = std::filesystem;

const char kImageGroupBox[] = "QMR Source Error: General failure in response to DAT_IMAGEINFO.  ";
const char kNativeBox[] = "QMR Source Error: General failure in response to DAT_IMAGENATIVEXFER.  ";
const char kSeqText[] = "DG DAT MSG is out of expected sequence.";
const char kOperationText[] = "An operation error just occurred.";
const char kBadValueText[] = "Bad value error.";
const char kProtocolText[] = "Bad protocol error.";

std::string Box(const char* prefix, const char* text) { return std::string(prefix) + text; }

std::vector<BYTE> FileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Each test works in a folder of its own, which also receives the default file name.
class Transfers : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        char pattern[] = "/tmp/orvellux-transfers-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        previous = fs::current_path();
        fs::current_path(folder);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(folder);
        TransferTest::TearDown();
    }

    void PrepareSlot(int slot, LONG width, LONG height, bool rgb) {
        FillSlot(slot, width, height);
        ASSERT_TRUE(rgb ? PrepareRgb(snapshotStore.slotImage[slot]) : PrepareFlipped(snapshotStore.slotImage[slot]));
    }

    TW_UINT16 SetFileName(const std::string& name) {
        TW_SETUPFILEXFER setup{};
        memcpy(setup.FileName, name.data(), std::min(name.size(), sizeof setup.FileName));
        return Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    }

    // Runs a whole memory transfer; returns the strips' bytes and the calls it took.
    std::vector<BYTE> MemoryTransfer(TW_UINT32 length, int& calls, std::vector<TW_IMAGEMEMXFER>* strips = nullptr) {
        std::vector<BYTE> buffer(length), image;
        calls = 0;
        for (;;) {
            TW_IMAGEMEMXFER strip{};
            strip.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
            strip.Memory.Length = length;
            strip.Memory.TheMem = buffer.data();
            TW_UINT16 result = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
            ++calls;
            if (result == TWRC_XFERDONE) {
                EXPECT_EQ(Field(strip.BytesWritten), 0u);
                return image;
            }
            EXPECT_EQ(result, TWRC_SUCCESS);
            if (result != TWRC_SUCCESS || calls > 2000) return image;
            image.insert(image.end(), buffer.begin(), buffer.begin() + strip.BytesWritten);
            if (strips) strips->push_back(strip);
        }
    }

    fs::path folder, previous;
};

TEST_F(Transfers, SetupMemoryTransferAnnouncesBufferLimits) {
    sourceState = 4;
    TW_SETUPMEMXFER setup{};
    EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
    EXPECT_EQ(Field(setup.MinBufSize), 16384u);
    EXPECT_EQ(Field(setup.MaxBufSize), 32768u);
    EXPECT_EQ(Field(setup.Preferred), 32768u);
    EXPECT_TRUE(memoryMode);

    memoryMode = false;
    sourceState = 3;
    EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
    EXPECT_TRUE(memoryMode);
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{
                               "QMR Source Error: General failure in response to DAT_SETUPMEMXFER, not supported.  " +
                               std::string(kSeqText)});
}

TEST_F(Transfers, SetupFileTransferReportsTheDefaultAlways) {
    ASSERT_EQ(SetFileName("chosen.bmp"), TWRC_SUCCESS);
    EXPECT_TRUE(fs::exists("chosen.bmp"));
    EXPECT_EQ(fs::file_size("chosen.bmp"), 0u);
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
        TW_SETUPFILEXFER setup;
        memset(&setup, 0x55, sizeof setup);
        memoryMode = true;
        EXPECT_EQ(Call(DG_CONTROL, DAT_SETUPFILEXFER, msg, &setup), TWRC_SUCCESS);
        EXPECT_STREQ(setup.FileName, "c:\\twain.bmp");
        EXPECT_EQ(Field(setup.Format), TWFF_BMP);
        EXPECT_EQ(Field(setup.VRefNum), 0);
        EXPECT_FALSE(memoryMode);
    }
}

TEST_F(Transfers, SetupFileTransferKeepsAnExistingFile) {
    std::ofstream("kept.bmp") << "content";
    ASSERT_EQ(SetFileName("kept.bmp"), TWRC_SUCCESS);
    EXPECT_EQ(fs::file_size("kept.bmp"), 7u);
}

TEST_F(Transfers, SetupFileTransferInAMissingFolderFails) {
    EXPECT_EQ(SetFileName("no such folder/image.bmp"), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_STREQ(transferFileName, "no such folder/image.bmp");
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{
                               "QMR Source Error: Unable to create file <<DAT_SETUPFILEXFER>>" + std::string(kBadValueText)});
}

TEST_F(Transfers, UnterminatedFileNameIsCutAt255Characters) {
    // All 256 bytes of the application's field are name characters.
    ASSERT_EQ(SetFileName(std::string(256, 'n')), TWRC_SUCCESS);
    EXPECT_EQ(std::string(transferFileName), std::string(255, 'n'));
    EXPECT_TRUE(fs::exists(std::string(255, 'n')));
}

TEST_F(Transfers, TransferGroupIsTheImageGroup) {
    TW_UINT32 group = 0xffffffff;
    EXPECT_EQ(Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group), TWRC_SUCCESS);
    EXPECT_EQ(group, 2u);
    EXPECT_EQ(Call(DG_CONTROL, DAT_XFERGROUP, MSG_SET, nullptr), TWRC_SUCCESS);
    EXPECT_EQ(Call(DG_CONTROL, DAT_XFERGROUP, MSG_GETFIRST, &group), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADPROTOCOL);
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{
                               "QMR Source Error: General failure in response to DAT_XFERGROUP, not supported.  " +
                               std::string(kProtocolText)});
}

struct StateCase {
    const char* name;
    TW_UINT16 dg;
    TW_UINT16 dat;
    int state;
};

void PrintTo(const StateCase& row, std::ostream* out) { *out << row.name; }

class WrongState : public Transfers, public ::testing::WithParamInterface<StateCase> {};

TEST_P(WrongState, IsASequenceError) {
    const StateCase& c = GetParam();
    PrepareSlot(0, 8, 4, false);
    sourceState = c.state;
    BYTE data[1024] = {};
    EXPECT_EQ(Call(c.dg, c.dat, MSG_GET, data), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
    ASSERT_EQ(TakeBoxes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Triplets, WrongState,
                         ::testing::Values(StateCase{"setup file in 3", DG_CONTROL, DAT_SETUPFILEXFER, 3},
                                           StateCase{"transfer group in 7", DG_CONTROL, DAT_XFERGROUP, 7},
                                           StateCase{"native in 5", DG_IMAGE, DAT_IMAGENATIVEXFER, 5},
                                           StateCase{"memory in 4", DG_IMAGE, DAT_IMAGEMEMXFER, 4},
                                           StateCase{"memory in 3", DG_IMAGE, DAT_IMAGEMEMXFER, 3}),
                         RowName<StateCase>);

struct NullCase {
    const char* name;
    TW_UINT16 dg;
    TW_UINT16 dat;
    TW_UINT16 msg;
};

void PrintTo(const NullCase& row, std::ostream* out) { *out << row.name; }

class NullData : public Transfers, public ::testing::WithParamInterface<NullCase> {};

TEST_P(NullData, IsABadValue) {
    const NullCase& c = GetParam();
    PrepareSlot(0, 8, 4, false);
    EXPECT_EQ(Call(c.dg, c.dat, c.msg, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    ASSERT_EQ(TakeBoxes().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Triplets, NullData,
                         ::testing::Values(NullCase{"setup memory get", DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET},
                                           NullCase{"setup file get", DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET},
                                           NullCase{"setup file set", DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET},
                                           NullCase{"transfer group reset", DG_CONTROL, DAT_XFERGROUP, MSG_RESET},
                                           NullCase{"native", DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET},
                                           NullCase{"memory", DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET}),
                         RowName<NullCase>);

TEST_F(Transfers, MemoryStripBufferWithoutMemoryIsABadValue) {
    PrepareSlot(0, 8, 4, true);
    TW_IMAGEMEMXFER strip{};
    strip.Memory.Length = 16384;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{Box(kImageGroupBox, kBadValueText)});
}

// In state 6 before any image was prepared (the user interface is up, nothing taken yet).
TEST_F(Transfers, NothingPreparedIsAnOperationError) {
    BYTE data[1024] = {};
    TW_IMAGEMEMXFER strip{};
    strip.Memory.Length = 32768;
    strip.Memory.TheMem = data;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, data), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_OPERATIONERROR);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_OPERATIONERROR);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_OPERATIONERROR);
    EXPECT_FALSE(fs::exists("c:\\twain.bmp"));
    EXPECT_EQ(TakeBoxes(), (std::vector<std::string>{Box(kNativeBox, kOperationText),
                                                     Box(kImageGroupBox, kOperationText),
                                                     Box(kImageGroupBox, kOperationText)}));
}

struct HeaderDamage {
    const char* name;
    void (*damage)(BITMAPINFOHEADER&);
};

void PrintTo(const HeaderDamage& row, std::ostream* out) { *out << row.name; }

class DamagedHeader : public Transfers, public ::testing::WithParamInterface<HeaderDamage> {};

// A prepared header changed behind the preparation's back: no transfer trusts it.
TEST_P(DamagedHeader, NoTransferReadsPastTheImage) {
    PrepareSlot(0, 64, 8, false);
    BITMAPINFOHEADER header = ReadHeader(transferImageBuffer);
    GetParam().damage(header);
    WriteHeader(transferImageBuffer, header);
    WriteHeader(transferHeaderBuffer, header);
    ASSERT_EQ(SetFileName("damaged.bmp"), TWRC_SUCCESS);
    BYTE buffer[32768];
    TW_IMAGEMEMXFER strip{};
    strip.Memory.Length = sizeof buffer;
    strip.Memory.TheMem = buffer;
    TW_HANDLE handle = nullptr;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(fs::file_size("damaged.bmp"), 0u);
    EXPECT_EQ(TakeBoxes().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DamagedHeader,
    ::testing::Values(HeaderDamage{"width", [](BITMAPINFOHEADER& h) { h.biWidth = 1 << 30; }},
                      HeaderDamage{"height", [](BITMAPINFOHEADER& h) { h.biHeight = -8; }},
                      HeaderDamage{"bits", [](BITMAPINFOHEADER& h) { h.biBitCount = 32; }},
                      HeaderDamage{"size", [](BITMAPINFOHEADER& h) { h.biSize = 124; }}),
    RowName<HeaderDamage>);

TEST_F(Transfers, MemoryTransferOf640x480InStrips) {
    PrepareSlot(0, 640, 480, true);
    int calls;
    std::vector<TW_IMAGEMEMXFER> strips;
    std::vector<BYTE> image = MemoryTransfer(32768, calls, &strips);
    EXPECT_TRUE(image == SwappedRows(640, 480));
    ASSERT_EQ(strips.size(), 30u);
    for (size_t i = 0; i < 28; ++i) {
        EXPECT_EQ(Field(strips[i].Rows), 17u);
        EXPECT_EQ(Field(strips[i].YOffset), 17 * i);
    }
    EXPECT_EQ(Field(strips[28].Rows), 4u);
    EXPECT_EQ(Field(strips[28].YOffset), 476u);
    EXPECT_EQ(Field(strips[29].Rows), 0u);
    EXPECT_EQ(Field(strips[29].YOffset), 480u);
    EXPECT_EQ(Field(strips[29].BytesWritten), 0u);
    for (const TW_IMAGEMEMXFER& strip : strips) {
        EXPECT_EQ(Field(strip.BytesPerRow), 1920u);
        EXPECT_EQ(Field(strip.Columns), 640u);
        EXPECT_EQ(Field(strip.XOffset), 0u);
        EXPECT_EQ(Field(strip.Compression), TWCP_NONE);
    }
    EXPECT_EQ(calls, 31);
    EXPECT_EQ(lastTransferKind, kTransferMemory);
    EXPECT_TRUE(memoryMode);
}

TEST_F(Transfers, LargestImageInSmallestStripsStaysBelowTheCallLimit) {
    PrepareSlot(0, 2592, 1944, true);
    int calls;
    std::vector<BYTE> image = MemoryTransfer(16384, calls);
    EXPECT_EQ(calls, 974);
    EXPECT_TRUE(image == SwappedRows(2592, 1944));
}

// The transfer image never carries a colour table, whatever count the header gives.
TEST_F(Transfers, ColourCountDoesNotShiftTheRows) {
    FillSlot(0, 64, 8);
    BITMAPINFOHEADER header = SnapshotHeader(64, 8);
    header.biClrUsed = 64;
    WriteHeader(snapshotStore.slotImage[0], header);
    ASSERT_TRUE(PrepareRgb(snapshotStore.slotImage[0]));
    int calls;
    EXPECT_TRUE(MemoryTransfer(16384, calls) == SwappedRows(64, 8));
}

TEST_F(Transfers, StripBufferOutsideTheLimitsFailsQuietly) {
    PrepareSlot(0, 64, 8, true);
    std::vector<BYTE> buffer(65536);
    for (TW_UINT32 length : {8192u, 16383u, 32769u}) {
        TW_IMAGEMEMXFER strip{};
        strip.Memory.Length = length;
        strip.Memory.TheMem = buffer.data();
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
        EXPECT_EQ(Condition(), TWCC_SUCCESS);
    }
}

TEST_F(Transfers, MemoryTransferAbortsAfterAThousandCalls) {
    PrepareSlot(0, 64, 8, true);
    BYTE buffer[8192];
    TW_IMAGEMEMXFER strip{};
    strip.Memory.Length = sizeof buffer;
    strip.Memory.TheMem = buffer;
    for (int call = 0; call < 1000; ++call) ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    strip.BytesWritten = 99;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_XFERDONE);
    EXPECT_EQ(Field(strip.BytesWritten), 0u);
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{"QMR Source: The source aborts a memory transfer"});
    int calls;
    EXPECT_TRUE(MemoryTransfer(16384, calls) == SwappedRows(64, 8));
}

// A memory transfer abandoned halfway through a large image, then a smaller one: the new
// transfer starts at its first row and ends at its last.
TEST_F(Transfers, AbandonedMemoryTransferDoesNotCarryOver) {
    PrepareSlot(0, 2592, 1944, true);
    std::vector<BYTE> buffer(32768);
    TW_IMAGEMEMXFER strip{};
    strip.Memory.Length = 32768;
    strip.Memory.TheMem = buffer.data();
    for (int call = 0; call < 200; ++call) ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_SUCCESS);
    PrepareSlot(1, 320, 240, true);
    int calls;
    std::vector<TW_IMAGEMEMXFER> strips;
    EXPECT_TRUE(MemoryTransfer(32768, calls, &strips) == SwappedRows(320, 240));
    EXPECT_EQ(Field(strips.front().YOffset), 0u);

    // Another mechanism in between abandons it as well.
    for (int call = 0; call < 3; ++call) ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_SUCCESS);
    TW_HANDLE handle = nullptr;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    GlobalFree(handle);
    EXPECT_TRUE(MemoryTransfer(32768, calls) == SwappedRows(320, 240));
}

TEST_F(Transfers, NativeTransferHandsOverABottomUpBitmap) {
    PrepareSlot(0, 640, 480, false);
    TW_HANDLE handle = nullptr;
    memoryMode = true;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(GlobalSize(handle), 921640u);
    std::vector<BYTE> block = BlockBytes(handle);
    EXPECT_EQ(std::vector<BYTE>(block.begin(), block.begin() + 40), BlockBytes(transferHeaderBuffer));
    EXPECT_TRUE(std::vector<BYTE>(block.begin() + 40, block.end()) == FlippedRows(640, 480));
    EXPECT_EQ(lastTransferKind, kTransferNative);
    EXPECT_FALSE(memoryMode);
    GlobalFree(handle);
}

// The snapshot's biSizeImage may be 0 (allowed for uncompressed bitmaps) or overstated:
// the block still holds exactly the image's rows and says so.
TEST_F(Transfers, NativeTransferSizeComesFromTheRows) {
    for (DWORD claimed : {0u, 0xfffffff0u}) {
        FillSlot(0, 16, 4);
        BITMAPINFOHEADER header = SnapshotHeader(16, 4);
        header.biSizeImage = claimed;
        WriteHeader(snapshotStore.slotImage[0], header);
        ASSERT_TRUE(PrepareFlipped(snapshotStore.slotImage[0]));
        TW_HANDLE handle = nullptr;
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
        EXPECT_EQ(GlobalSize(handle), 40u + 192u);
        EXPECT_EQ(ReadHeader(handle).biSizeImage, 192u);
        GlobalFree(handle);
    }
}

TEST_F(Transfers, NativeTransferWithoutMemoryFailsQuietly) {
    PrepareSlot(0, 64, 8, false);
    HostFailAllocationsAfter(0);
    TW_HANDLE handle = nullptr;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_FAILURE);
    EXPECT_EQ(handle, nullptr);
    HostFailAllocationsAfter(-1);
    EXPECT_EQ(Condition(), TWCC_SUCCESS);
    EXPECT_NE(lastTransferKind, kTransferNative);
}

TEST_F(Transfers, FileTransferWritesABitmapFile) {
    PrepareSlot(0, 640, 480, false);
    ASSERT_EQ(SetFileName("image.bmp"), TWRC_SUCCESS);
    memoryMode = true;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE);
    std::vector<BYTE> file = FileBytes("image.bmp");
    ASSERT_EQ(file.size(), 921654u);
    const BYTE fileHeader[14] = {'B', 'M', 0x36, 0x10, 0x0e, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    EXPECT_EQ(std::vector<BYTE>(file.begin(), file.begin() + 14), std::vector<BYTE>(fileHeader, fileHeader + 14));
    EXPECT_EQ(std::vector<BYTE>(file.begin() + 14, file.begin() + 54), BlockBytes(transferHeaderBuffer));
    EXPECT_TRUE(std::vector<BYTE>(file.begin() + 54, file.end()) == FlippedRows(640, 480));
    EXPECT_EQ(lastTransferKind, kTransferFile);
    EXPECT_FALSE(memoryMode);
}

TEST_F(Transfers, FileTransferWithoutANameUsesTheReportedDefault) {
    PrepareSlot(0, 8, 4, false);
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_XFERDONE);
    EXPECT_EQ(fs::file_size("c:\\twain.bmp"), 54u + 96u);
}

TEST_F(Transfers, FileThatCannotBeWrittenIsAnOperationError) {
    PrepareSlot(0, 8, 4, false);
    ASSERT_EQ(SetFileName("gone/image.bmp"), TWRC_FAILURE);
    TakeBoxes();
    sourceState = 4;
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GETFIRST, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADPROTOCOL);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_OPERATIONERROR);
    EXPECT_EQ(TakeBoxes(), (std::vector<std::string>{Box(kImageGroupBox, kProtocolText),
                                                     Box(kImageGroupBox, kOperationText)}));
}

// A batch started in flipped form, transferred by memory: the first memory call
// re-prepares the batch's first slot once, later calls do not.
TEST_F(Transfers, FirstMemoryTransferReprepares) {
    FillSlot(2, 64, 8);
    FillSlot(5, 32, 4);
    pendingList[0] = 2;
    pendingList[1] = 5;
    firstTransferFixPending = true;
    ASSERT_TRUE(PrepareAtBatchStart(2));
    int calls;
    EXPECT_TRUE(MemoryTransfer(32768, calls) == SwappedRows(64, 8));
    EXPECT_FALSE(firstTransferFixPending);
    EXPECT_FALSE(slotPreparedRgb[2]);
    ASSERT_TRUE(PrepareFlipped(snapshotStore.slotImage[5]));
    EXPECT_TRUE(MemoryTransfer(32768, calls) == FlippedRows(32, 4));
}

// The first transfer triplet of a window settles the question whatever it finds: a later
// transfer of the other kind hands over the image prepared since, not the first slot.
TEST_F(Transfers, FixEndsWithTheFirstTransfer) {
    FillSlot(2, 64, 8);
    FillSlot(5, 32, 4);
    pendingList[0] = 2;
    pendingList[1] = 5;
    firstTransferFixPending = true;
    memoryMode = true;
    ASSERT_TRUE(PrepareAtBatchStart(2));
    int calls;
    EXPECT_TRUE(MemoryTransfer(32768, calls) == SwappedRows(64, 8));
    EXPECT_FALSE(firstTransferFixPending);
    ASSERT_TRUE(PrepareAfterTransfer(5));
    TW_HANDLE handle = nullptr;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    EXPECT_EQ(ReadHeader(handle).biWidth, 32);
    GlobalFree(handle);
}

TEST_F(Transfers, FirstNativeTransferRepreparesAMarkedSlotFlipped) {
    FillSlot(3, 16, 4);
    pendingList[0] = 3;
    memoryMode = true;
    ASSERT_TRUE(PrepareAtBatchStart(3));
    firstTransferFixPending = true;
    TW_HANDLE handle = nullptr;
    ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle), TWRC_XFERDONE);
    std::vector<BYTE> block = BlockBytes(handle);
    EXPECT_TRUE(std::vector<BYTE>(block.begin() + 40, block.end()) == FlippedRows(16, 4));
    EXPECT_TRUE(slotPreparedRgb[3]);
    EXPECT_FALSE(firstTransferFixPending);
    GlobalFree(handle);
}

}  // namespace
