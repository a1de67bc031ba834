// The installed data source's transfers under Wine: real global memory, a real file
// system with drive paths, the pointer-sized native handle and the source's real boxes.
// The image comes from the simulated camera through the cycle that runs without the
// user interface.
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "protocol/twain.h"
#include "watched_test.h"

namespace {

const char kInstalledSource[] = "C:\\windows\\twain_64\\Orvellux\\Orvelline.ds";
const char kErrorCaption[] = "QMR Source Error";

std::vector<BYTE> ReadWholeFile(const std::string& path) {
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

class TransferSourceTest : public WatchedTest {
protected:
    void SetUp() override {
        library_ = LoadLibraryA(kInstalledSource);
        ASSERT_NE(nullptr, library_) << "the data source is not installed in the prefix";
        entry_ = reinterpret_cast<DSENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(library_, "DS_Entry")));
        ASSERT_NE(nullptr, entry_);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder_ = temp;
        TW_IDENTITY source = {};
        strcpy(source.ProductName, "Orvellux");
        ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source));
    }

    void TearDown() override {
        TW_USERINTERFACE ui = {};
        if (enabled_) Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        TW_IDENTITY source = {};
        Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
        for (const std::string& path : files_) DeleteFileA(path.c_str());
        WatchedTest::TearDown();
        if (library_) FreeLibrary(library_);
    }

    TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
        return entry_(&application_, dg, dat, msg, data);
    }

    TW_UINT16 Condition() {
        TW_STATUS status = {};
        EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status));
        return status.ConditionCode;
    }

    std::string TempFile(const char* name) {
        files_.push_back(folder_ + name);
        DeleteFileA(files_.back().c_str());
        return files_.back();
    }

    TW_UINT16 SetFileName(const std::string& name) {
        TW_SETUPFILEXFER setup = {};
        strncpy(setup.FileName, name.c_str(), sizeof setup.FileName - 1);
        setup.Format = TWFF_BMP;
        return Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    }

    HMODULE library_ = nullptr;
    DSENTRYPROC entry_ = nullptr;
    TW_IDENTITY application_ = {9, {}, 1, 9, DG_CONTROL | DG_IMAGE, "", "", "Transfer test"};
    std::string folder_;
    std::vector<std::string> files_;
    bool enabled_ = false;
};

TEST_F(TransferSourceTest, FailuresBeforeAnyImageShowTheSourcesBox) {
    EXPECT_EQ(TWRC_FAILURE, SetFileName("C:\\no such folder\\image.bmp"));
    ExpectBox(kErrorCaption, "Unable to create file <<DAT_SETUPFILEXFER>>Bad value error.");
    EXPECT_EQ(TWCC_BADVALUE, Condition());

    std::string created = TempFile("orvellux_setup.bmp");
    EXPECT_EQ(TWRC_SUCCESS, SetFileName(created));
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    ASSERT_TRUE(GetFileAttributesExA(created.c_str(), GetFileExInfoStandard, &attributes));
    EXPECT_EQ(0u, attributes.nFileSizeLow);

    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
    ExpectBox(kErrorCaption, "General failure in response to DAT_IMAGEINFO.  An operation error just occurred.");
    EXPECT_EQ(TWCC_OPERATIONERROR, Condition());

    BYTE buffer[16384];
    TW_IMAGEMEMXFER strip = {};
    strip.Memory.Length = sizeof buffer;
    strip.Memory.TheMem = buffer;
    EXPECT_EQ(TWRC_FAILURE, Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip));
    ExpectBox(kErrorCaption,
              "General failure in response to DAT_IMAGEINFO.  DG DAT MSG is out of expected sequence.");
    EXPECT_EQ(TWCC_SEQERROR, Condition());
}

// One still offered without the user interface, then handed over by each mechanism: the
// file and the native block are the same bottom-up bitmap, and the strips carry its rows.
TEST_F(TransferSourceTest, TheOfferedImageByEachMechanism) {
    TW_USERINTERFACE ui = {FALSE, FALSE, nullptr};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui));
    enabled_ = true;
    TW_IMAGEINFO info = {};
    ASSERT_EQ(TWRC_SUCCESS, Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info));
    const LONG width = info.ImageWidth;
    const LONG height = info.ImageLength;
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
    EXPECT_EQ(24, info.BitsPerPixel);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const size_t pixelBytes = rowBytes * height;

    std::string path = TempFile("orvellux_transfer.bmp");
    ASSERT_EQ(TWRC_SUCCESS, SetFileName(path));
    ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr));
    std::vector<BYTE> file = ReadWholeFile(path);
    ASSERT_EQ(54 + pixelBytes, file.size());
    EXPECT_EQ('B', file[0]);
    EXPECT_EQ('M', file[1]);
    DWORD fileSize, rowsAt;
    memcpy(&fileSize, &file[2], 4);
    memcpy(&rowsAt, &file[10], 4);
    EXPECT_EQ(file.size(), fileSize);
    EXPECT_EQ(54u, rowsAt);

    // A 64-bit application receives the whole handle.
    TW_HANDLE handle = reinterpret_cast<TW_HANDLE>(~static_cast<UINT_PTR>(0));
    ASSERT_EQ(TWRC_XFERDONE, Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle));
    ASSERT_EQ(40 + pixelBytes, GlobalSize(handle));
    const BYTE* block = static_cast<const BYTE*>(GlobalLock(handle));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0, memcmp(block, &file[14], 40 + pixelBytes)) << "the file and the native block differ";
    const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(block);
    EXPECT_EQ(width, header->biWidth);
    EXPECT_EQ(height, header->biHeight);
    GlobalUnlock(handle);
    GlobalFree(handle);

    std::vector<BYTE> rows;
    std::vector<BYTE> buffer(32768);
    TW_IMAGEMEMXFER strip = {};
    TW_UINT16 result;
    int calls = 0;
    do {
        strip.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        strip.Memory.Length = static_cast<TW_UINT32>(buffer.size());
        strip.Memory.TheMem = buffer.data();
        result = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        rows.insert(rows.end(), buffer.begin(), buffer.begin() + strip.BytesWritten);
    } while (result == TWRC_SUCCESS && ++calls < 1000);
    EXPECT_EQ(TWRC_XFERDONE, result);
    TW_UINT32 bytesPerRow = strip.BytesPerRow;
    EXPECT_EQ(rowBytes, bytesPerRow);
    ASSERT_EQ(pixelBytes, rows.size());
    EXPECT_EQ(0, memcmp(rows.data(), &file[54], pixelBytes)) << "the strips differ from the file's rows";

    TW_PENDINGXFERS pending = {};
    EXPECT_EQ(TWRC_SUCCESS, Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending));
}

}  // namespace
