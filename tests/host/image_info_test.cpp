// Image information, layout, palette and colour data of the prepared image.
#include <string.h>

#include "host_win32.h"
#include "protocol/image_info.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "transfer_support.h"

namespace {

const char kSeqText[] = "DG DAT MSG is out of expected sequence.";
const char kProtocolText[] = "Bad protocol error.";

class ImageInfo : public TransferTest {
protected:
    // Prepares a snapshot whose header is the given one.
    void PrepareWithHeader(const BITMAPINFOHEADER& header) {
        HGLOBAL snapshot = MakeSnapshot(header.biWidth, header.biHeight);
        WriteHeader(snapshot, header);
        ASSERT_TRUE(PrepareFlipped(snapshot));
        GlobalFree(snapshot);
    }
    TW_IMAGEINFO Info() {
        TW_IMAGEINFO info;
        memset(&info, 0x55, sizeof info);
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
        return info;
    }
};

TEST_F(ImageInfo, LargestSnapshot) {
    PrepareWithHeader(SnapshotHeader(2592, 1944));
    TW_IMAGEINFO info = Info();
    EXPECT_EQ(Field(info.ImageWidth), 2592);
    EXPECT_EQ(Field(info.ImageLength), 1944);
    EXPECT_EQ(Field(info.XResolution.Whole), 3780);
    EXPECT_EQ(Field(info.XResolution.Frac), 0);
    EXPECT_EQ(Field(info.YResolution.Whole), 3780);
    EXPECT_EQ(Field(info.YResolution.Frac), 0);
    EXPECT_EQ(Field(info.SamplesPerPixel), 3);
    const TW_INT16 bits[8] = {8, 8, 8, 0, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(info.BitsPerSample, bits, sizeof bits), 0);
    EXPECT_EQ(Field(info.BitsPerPixel), 24);
    EXPECT_EQ(Field(info.Planar), FALSE);
    EXPECT_EQ(Field(info.PixelType), TWPT_RGB);
    EXPECT_EQ(Field(info.Compression), TWCP_NONE);
}

TEST_F(ImageInfo, PaletteHeaderAndCompressedHeader) {
    PrepareWithHeader(SnapshotHeader(16, 4));
    BITMAPINFOHEADER header = ReadHeader(transferHeaderBuffer);
    header.biBitCount = 8;
    header.biCompression = 1;
    WriteHeader(transferHeaderBuffer, header);
    TW_IMAGEINFO info = Info();
    EXPECT_EQ(Field(info.SamplesPerPixel), 1);
    EXPECT_EQ(info.BitsPerSample[0], 8);
    EXPECT_EQ(info.BitsPerSample[1], 0);
    EXPECT_EQ(Field(info.PixelType), TWPT_PALETTE);
    EXPECT_EQ(Field(info.Compression), 0x5555);
}

TEST_F(ImageInfo, CompletesTheHeaderCopyOnly) {
    BITMAPINFOHEADER header = SnapshotHeader(10, 6);
    header.biSizeImage = 0;
    PrepareWithHeader(header);
    Info();
    EXPECT_EQ(ReadHeader(transferHeaderBuffer).biSizeImage, 32u * 6);
    EXPECT_EQ(ReadHeader(transferHeaderBuffer).biClrUsed, 0u);
    EXPECT_EQ(ReadHeader(transferImageBuffer).biSizeImage, 0u);
}

TEST_F(ImageInfo, Failures) {
    TW_IMAGEINFO info{};
    // State 6, nothing prepared yet: a failure without code or box.
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SUCCESS);
    EXPECT_TRUE(TakeBoxes().empty());

    BITMAPINFOHEADER header = SnapshotHeader(8, 2);
    header.biSize = 108;
    PrepareWithHeader(header);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_SET, &info), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADPROTOCOL);
    for (int state : {4, 5}) {
        sourceState = state;
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
        EXPECT_EQ(Condition(), TWCC_SEQERROR);
    }
    EXPECT_EQ(TakeBoxes(),
              (std::vector<std::string>{
                  "QMR Source Error: General failure in transfer bad info header info.  Bad value error.",
                  "QMR Source Error: General failure in transfer.  " + std::string(kProtocolText),
                  "QMR Source Error: General failure in transfer.  " + std::string(kSeqText),
                  "QMR Source Error: General failure in transfer.  " + std::string(kSeqText)}));
}

TEST(ImageHeader, ColorTableEntries) {
    struct Case {
        WORD bits;
        DWORD used;
        DWORD entries;
    };
    for (const Case& c : {Case{1, 0, 2}, Case{4, 0, 16}, Case{8, 0, 256}, Case{24, 0, 0}, Case{16, 0, 0},
                          Case{8, 12, 12}, Case{24, 5, 5}}) {
        BITMAPINFOHEADER header{};
        header.biBitCount = c.bits;
        header.biClrUsed = c.used;
        EXPECT_EQ(ColorTableEntries(header), c.entries) << c.bits << " bits, " << c.used << " used";
    }
}

TEST(ImageHeader, NormalizeSurvivesAbsurdSizes) {
    BITMAPINFOHEADER header{};
    header.biBitCount = 0xffff;
    header.biWidth = 0x7fffffff;
    header.biHeight = -0x7fffffff;
    NormalizeHeader(header);
    header.biBitCount = 8;
    header.biClrUsed = 0;
    header.biSizeImage = 77;
    NormalizeHeader(header);
    EXPECT_EQ(header.biSizeImage, 77u);
    EXPECT_EQ(header.biClrUsed, 256u);
}

TEST_F(ImageInfo, LayoutIsFixed) {
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT}) {
        sourceState = 3;
        TW_IMAGELAYOUT layout{};
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, msg, &layout), TWRC_SUCCESS);
        for (const TW_FIX32& edge : {layout.Frame.Left, layout.Frame.Top, layout.Frame.Right, layout.Frame.Bottom}) {
            EXPECT_EQ(edge.Whole, 22);
            EXPECT_EQ(edge.Frac, 33);
        }
        EXPECT_EQ(Field(layout.DocumentNumber), 4u);
        EXPECT_EQ(Field(layout.PageNumber), 88u);
        EXPECT_EQ(Field(layout.FrameNumber), 1u);
    }
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, nullptr), TWRC_SUCCESS);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET, nullptr), TWRC_SUCCESS);
    EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETFIRST, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADPROTOCOL);
    EXPECT_EQ(TakeBoxes(), std::vector<std::string>{
                               "QMR Source Error: General failure in response to DAT_IMAGEINFO.  Bad protocol error."});
}

TEST_F(ImageInfo, PaletteOfTheSourcesImages) {
    PrepareWithHeader(SnapshotHeader(16, 4));
    sourceState = 5;
    TW_PALETTE8 palette;
    memset(&palette, 0x55, sizeof palette);
    EXPECT_EQ(Call(DG_IMAGE, DAT_PALETTE8, MSG_GETDEFAULT, &palette), TWRC_SUCCESS);
    EXPECT_EQ(Field(palette.NumColors), 0x5555);
    EXPECT_EQ(Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette), TWRC_SUCCESS);
    EXPECT_EQ(Field(palette.NumColors), 0);
    EXPECT_EQ(Field(palette.PaletteType), TWPA_RGB);
    EXPECT_EQ(palette.Colors[0].Index, 0x55);
}

TEST_F(ImageInfo, PaletteFailures) {
    const std::string prefix = "QMR Source Error: General failure in response to DAT_PALETTE8.  ";
    TW_PALETTE8 palette{};
    // States 4 and 5 before any image was prepared: there is no header to answer from.
    sourceState = 4;
    EXPECT_EQ(Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
    // The source keeps no colour table, so a header that calls for one is not answered.
    PrepareWithHeader(SnapshotHeader(16, 4));
    BITMAPINFOHEADER header = ReadHeader(transferHeaderBuffer);
    header.biClrUsed = 300;
    WriteHeader(transferHeaderBuffer, header);
    EXPECT_EQ(Call(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADVALUE);
    EXPECT_EQ(Call(DG_IMAGE, DAT_PALETTE8, MSG_GETCURRENT, &palette), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_BADPROTOCOL);
    sourceState = 3;
    EXPECT_EQ(Call(DG_IMAGE, DAT_PALETTE8, MSG_GETDEFAULT, &palette), TWRC_FAILURE);
    EXPECT_EQ(Condition(), TWCC_SEQERROR);
    EXPECT_EQ(TakeBoxes(), (std::vector<std::string>{prefix + kSeqText, prefix + "Bad value error.",
                                                     prefix + kProtocolText, prefix + kSeqText}));
}

TEST_F(ImageInfo, CieColorIsFixed) {
    sourceState = 3;
    TW_CIECOLOR color;
    memset(&color, 0x55, sizeof color);
    ASSERT_EQ(Call(DG_IMAGE, DAT_CIECOLOR, MSG_SET, &color), TWRC_SUCCESS);
    EXPECT_EQ(Field(color.ColorSpace), TWPT_RGB);
    EXPECT_EQ(Field(color.LowEndian), 0);
    EXPECT_EQ(Field(color.DeviceDependent), 1);
    EXPECT_EQ(Field(color.VersionNumber), 0);
    auto expect = [](const TW_FIX32& value, int whole, int frac) {
        EXPECT_EQ(value.Whole, whole);
        EXPECT_EQ(value.Frac, frac);
    };
    expect(color.StageABC.Decode[0].StartIn, 0, 6554);
    expect(color.StageLMN.Decode[0].StartIn, 1, 6554);
    const int mix[3][3][2] = {{{0, 0}, {0, 6554}, {0, 13107}}, {{1, 0}, {1, 6554}, {1, 13107}},
                              {{2, 0}, {2, 6554}, {2, 13107}}};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            expect(color.StageABC.Mix[row][column], mix[row][column][0], mix[row][column][1]);
            expect(color.StageLMN.Mix[row][column], mix[row][column][0], mix[row][column][1]);
        }
    }
    expect(color.WhitePoint.X, 4, 26214);
    expect(color.WhitePoint.Y, 5, 32768);
    expect(color.WhitePoint.Z, 6, 39322);
    for (const TW_CIEPOINT& point : {color.BlackPoint, color.WhitePaper, color.BlackInk}) {
        expect(point.X, 1, 6554);
        expect(point.Y, 5, 32768);
        expect(point.Z, 6, 39322);
    }
    expect(color.Samples[0], 99, 64881);
    // The remaining decode entries are the caller's.
    expect(color.StageABC.Decode[0].BreakIn, 0x5555, 0x5555);
    expect(color.StageLMN.Decode[2].StartIn, 0x5555, 0x5555);
}

TEST_F(ImageInfo, NullDataIsABadValue) {
    PrepareWithHeader(SnapshotHeader(16, 4));
    for (TW_UINT16 dat : {DAT_IMAGEINFO, DAT_IMAGELAYOUT, DAT_PALETTE8, DAT_CIECOLOR}) {
        EXPECT_EQ(Call(DG_IMAGE, dat, MSG_GET, nullptr), TWRC_FAILURE) << dat;
        EXPECT_EQ(Condition(), TWCC_BADVALUE) << dat;
    }
    EXPECT_EQ(TakeBoxes().size(), 4u);
}

TEST_F(ImageInfo, ResponseTripletsAreAcceptedInEveryState) {
    sourceState = 3;
    for (TW_UINT16 dat : {DAT_GRAYRESPONSE, DAT_RGBRESPONSE, DAT_JPEGCOMPRESSION}) {
        EXPECT_EQ(Call(DG_IMAGE, dat, MSG_SET, nullptr), TWRC_SUCCESS);
    }
}

}  // namespace
