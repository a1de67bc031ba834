#include "capabilities/cap_table.h"

#include <stddef.h>

#include "capabilities/capabilities.h"

CapEntry capTable[kCapCount];

namespace {

const TW_UINT32 kReadOnly = TWQC_GET | TWQC_GETDEFAULT | TWQC_GETCURRENT;
const TW_UINT32 kAllMessages = kReadOnly | TWQC_SET | TWQC_RESET;

struct StoredFrame {
    float left;
    float top;
    float right;
    float bottom;
};

template <typename Item, size_t count>
constexpr CapValueList List(Item (&items)[count]) {
    return CapValueList{static_cast<TW_UINT32>(count), items};
}

// Values as they stand at load. Only the current values ever change.
TW_UINT16 supportedCaps[] = {
    CAP_SUPPORTEDCAPS, CAP_FEEDERENABLED, ICAP_XFERMECH, ICAP_PIXELFLAVOR, ICAP_PLANARCHUNKY,
    ICAP_COMPRESSION, ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT, ICAP_MINIMUMHEIGHT,
    ICAP_MINIMUMWIDTH, ICAP_UNITS, CAP_DEVICEONLINE, CAP_AUTOFEED, CAP_FEEDERLOADED,
    ICAP_AUTOBRIGHT, ICAP_BRIGHTNESS, ICAP_CONTRAST, ICAP_HIGHLIGHT, ICAP_ORIENTATION,
    ICAP_SHADOW, ICAP_XSCALING, ICAP_YSCALING, ICAP_PIXELTYPE, ICAP_BITDEPTH,
    ICAP_BITDEPTHREDUCTION, ICAP_BITORDER, ICAP_THRESHOLD, ICAP_FRAMES, ICAP_MAXFRAMES,
    ICAP_SUPPORTEDSIZES, ICAP_XNATIVERESOLUTION, ICAP_YNATIVERESOLUTION, ICAP_XRESOLUTION,
    ICAP_YRESOLUTION, CAP_XFERCOUNT, ICAP_IMAGEFILEFORMAT, ICAP_UNDEFINEDIMAGESIZE,
    CAP_INDICATORS, CAP_UICONTROLLABLE, ICAP_GAMMA};
static_assert(sizeof supportedCaps / sizeof supportedCaps[0] == kCapCount,
              "one identifier per entry");

// Feeder enabled starts FALSE although only TRUE can be set: a reset returns to FALSE.
TW_BOOL feederEnabledAllowed[] = {TRUE};
TW_BOOL feederEnabledDefault[] = {FALSE}, feederEnabledCurrent[] = {FALSE};
TW_UINT16 pixelFlavorAllowed[] = {TWPF_CHOCOLATE, TWPF_VANILLA};
TW_UINT16 pixelFlavorDefault[] = {TWPF_CHOCOLATE}, pixelFlavorCurrent[] = {TWPF_CHOCOLATE};
TW_UINT16 xferMechAllowed[] = {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY};
TW_UINT16 xferMechDefault[] = {TWSX_NATIVE}, xferMechCurrent[] = {TWSX_NATIVE};
TW_UINT16 planarChunkyAllowed[] = {TWPC_CHUNKY, TWPC_PLANAR};
TW_UINT16 planarChunkyDefault[] = {TWPC_CHUNKY}, planarChunkyCurrent[] = {TWPC_CHUNKY};
TW_UINT16 compressionAllowed[] = {TWCP_NONE};
TW_UINT16 compressionDefault[] = {TWCP_NONE}, compressionCurrent[] = {TWCP_NONE};
float minimumWidthAllowed[] = {1.0f};
float minimumWidthDefault[] = {1.0f}, minimumWidthCurrent[] = {1.0f};
float minimumHeightAllowed[] = {1.0f};
float minimumHeightDefault[] = {1.0f}, minimumHeightCurrent[] = {1.0f};
float physicalWidthAllowed[] = {8.5f};
float physicalWidthDefault[] = {8.5f}, physicalWidthCurrent[] = {8.5f};
float physicalHeightAllowed[] = {11.0f};
float physicalHeightDefault[] = {11.0f}, physicalHeightCurrent[] = {11.0f};
TW_UINT16 unitsAllowed[] = {TWUN_INCHES, TWUN_CENTIMETERS, TWUN_PIXELS};
TW_UINT16 unitsDefault[] = {TWUN_INCHES}, unitsCurrent[] = {TWUN_INCHES};
TW_BOOL deviceOnlineAllowed[] = {TRUE, FALSE};
TW_BOOL deviceOnlineDefault[] = {TRUE}, deviceOnlineCurrent[] = {TRUE};
TW_BOOL autoFeedAllowed[] = {TRUE, FALSE};
TW_BOOL autoFeedDefault[] = {FALSE}, autoFeedCurrent[] = {FALSE};
TW_BOOL feederLoadedAllowed[] = {FALSE, TRUE};
TW_BOOL feederLoadedDefault[] = {FALSE}, feederLoadedCurrent[] = {FALSE};
TW_BOOL autoBrightAllowed[] = {TRUE, FALSE};
TW_BOOL autoBrightDefault[] = {FALSE}, autoBrightCurrent[] = {FALSE};
// Range entries: minimum, maximum, step size. A set accepts exactly these numbers.
float brightnessAllowed[] = {-1000.0f, 1000.0f, 1000.0f};
float brightnessDefault[] = {0.0f}, brightnessCurrent[] = {0.0f};
float contrastAllowed[] = {-1000.0f, 1000.0f, 1000.0f};
float contrastDefault[] = {0.0f}, contrastCurrent[] = {0.0f};
float highlightAllowed[] = {0.0f, 255.0f, 1.0f};
float highlightDefault[] = {128.0f}, highlightCurrent[] = {128.0f};
TW_UINT16 orientationAllowed[] = {TWOR_ROT0, TWOR_ROT90, TWOR_ROT180, TWOR_ROT270};
TW_UINT16 orientationDefault[] = {TWOR_ROT0}, orientationCurrent[] = {TWOR_ROT0};
float shadowAllowed[] = {0.0f, 255.0f, 1.0f};
float shadowDefault[] = {128.0f}, shadowCurrent[] = {128.0f};
// One storage for both axes: a value set through one is the value of the other.
float scalingAllowed[] = {100.0f};
float scalingDefault[] = {100.0f}, scalingCurrent[] = {100.0f};
TW_UINT16 rgbBitDepthAllowed[] = {24};
TW_UINT16 rgbBitDepthDefault[] = {24}, rgbBitDepthCurrent[] = {24};
TW_UINT16 pixelTypeAllowed[] = {TWPT_RGB};
TW_UINT16 pixelTypeDefault[] = {TWPT_RGB}, pixelTypeCurrent[] = {TWPT_RGB};
TW_UINT16 bitDepthReductionAllowed[] = {TWBR_THRESHOLD, TWBR_HALFTONE, TWBR_DIFFUSION};
TW_UINT16 bitDepthReductionDefault[] = {TWBR_THRESHOLD};
TW_UINT16 bitDepthReductionCurrent[] = {TWBR_THRESHOLD};
TW_UINT16 bitOrderAllowed[] = {TWBO_MSBFIRST, TWBO_LSBFIRST};
TW_UINT16 bitOrderDefault[] = {TWBO_MSBFIRST}, bitOrderCurrent[] = {TWBO_MSBFIRST};
float thresholdAllowed[] = {0.0f, 255.0f, 1.0f, 0.0f, 0.0f};
float thresholdDefault[] = {128.0f}, thresholdCurrent[] = {128.0f};
StoredFrame framesAllowed[] = {{0.0f, 0.0f, 8.5f, 11.0f}};
StoredFrame framesDefault[] = {{0.0f, 0.0f, 8.5f, 11.0f}};
StoredFrame framesCurrent[] = {{0.0f, 0.0f, 8.5f, 11.0f}};
TW_UINT16 maxFramesAllowed[] = {1};
TW_UINT16 maxFramesDefault[] = {1}, maxFramesCurrent[] = {1};
TW_UINT16 supportedSizesAllowed[] = {TWSS_USLETTER};
TW_UINT16 supportedSizesDefault[] = {TWSS_USLETTER}, supportedSizesCurrent[] = {TWSS_USLETTER};
float xNativeResolutionAllowed[] = {100.0f};
float xNativeResolutionDefault[] = {100.0f}, xNativeResolutionCurrent[] = {100.0f};
float yNativeResolutionAllowed[] = {100.0f};
float yNativeResolutionDefault[] = {100.0f}, yNativeResolutionCurrent[] = {100.0f};
// One storage for both axes, as for scaling.
float resolutionAllowed[] = {100.0f};
float resolutionDefault[] = {100.0f}, resolutionCurrent[] = {100.0f};
TW_INT16 xferCountAllowed[] = {-1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                               13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25};
TW_INT16 xferCountDefault[] = {-1}, xferCountCurrent[] = {-1};
TW_UINT16 imageFileFormatAllowed[] = {TWFF_TIFF, TWFF_BMP};
TW_UINT16 imageFileFormatDefault[] = {TWFF_BMP}, imageFileFormatCurrent[] = {TWFF_BMP};
TW_BOOL undefinedImageSizeAllowed[] = {FALSE, TRUE};
TW_BOOL undefinedImageSizeDefault[] = {FALSE}, undefinedImageSizeCurrent[] = {FALSE};
TW_BOOL indicatorsAllowed[] = {TRUE, FALSE};
TW_BOOL indicatorsDefault[] = {TRUE}, indicatorsCurrent[] = {TRUE};
TW_BOOL uiControllableAllowed[] = {TRUE, FALSE};
TW_BOOL uiControllableDefault[] = {TRUE}, uiControllableCurrent[] = {TRUE};
float gammaAllowed[] = {-1000.0f, 1000.0f, 1000.0f};
float gammaDefault[] = {0.0f}, gammaCurrent[] = {0.0f};

#define CAP_VALUES(name) List(name##Allowed), List(name##Default), List(name##Current)

const CapEntry kFilledTable[] = {
    {CAP_SUPPORTEDCAPS, TWTY_UINT16, TWON_ARRAY, TWON_ARRAY, kReadOnly,
     List(supportedCaps), List(supportedCaps), List(supportedCaps)},
    {CAP_FEEDERENABLED, TWTY_BOOL, TWON_ONEVALUE, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(feederEnabled)},
    {ICAP_PIXELFLAVOR, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(pixelFlavor)},
    {ICAP_XFERMECH, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(xferMech)},
    {ICAP_PLANARCHUNKY, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(planarChunky)},
    {ICAP_COMPRESSION, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(compression)},
    {ICAP_MINIMUMWIDTH, TWTY_FIX32, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(minimumWidth)},
    {ICAP_MINIMUMHEIGHT, TWTY_FIX32, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(minimumHeight)},
    {ICAP_PHYSICALWIDTH, TWTY_FIX32, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(physicalWidth)},
    {ICAP_PHYSICALHEIGHT, TWTY_FIX32, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(physicalHeight)},
    {ICAP_UNITS, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages, CAP_VALUES(units)},
    {CAP_DEVICEONLINE, TWTY_BOOL, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(deviceOnline)},
    {CAP_AUTOFEED, TWTY_BOOL, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly, CAP_VALUES(autoFeed)},
    {CAP_FEEDERLOADED, TWTY_BOOL, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(feederLoaded)},
    {ICAP_AUTOBRIGHT, TWTY_BOOL, TWON_ONEVALUE, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(autoBright)},
    {ICAP_BRIGHTNESS, TWTY_FIX32, TWON_RANGE, TWON_ONEVALUE, kAllMessages, CAP_VALUES(brightness)},
    {ICAP_CONTRAST, TWTY_FIX32, TWON_RANGE, TWON_ONEVALUE, kAllMessages, CAP_VALUES(contrast)},
    {ICAP_HIGHLIGHT, TWTY_FIX32, TWON_RANGE, TWON_ONEVALUE, kAllMessages, CAP_VALUES(highlight)},
    {ICAP_ORIENTATION, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(orientation)},
    {ICAP_SHADOW, TWTY_FIX32, TWON_RANGE, TWON_ONEVALUE, kAllMessages, CAP_VALUES(shadow)},
    {ICAP_XSCALING, TWTY_FIX32, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages, CAP_VALUES(scaling)},
    {ICAP_YSCALING, TWTY_FIX32, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages, CAP_VALUES(scaling)},
    {BitDepthKey(TWPT_RGB), TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(rgbBitDepth)},
    {ICAP_PIXELTYPE, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(pixelType)},
    {ICAP_BITDEPTHREDUCTION, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(bitDepthReduction)},
    {ICAP_BITORDER, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kReadOnly, CAP_VALUES(bitOrder)},
    {ICAP_THRESHOLD, TWTY_FIX32, TWON_RANGE, TWON_ONEVALUE, kAllMessages, CAP_VALUES(threshold)},
    {ICAP_FRAMES, TWTY_FRAME, TWON_ONEVALUE, TWON_ONEVALUE, kAllMessages, CAP_VALUES(frames)},
    {ICAP_MAXFRAMES, TWTY_UINT16, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly, CAP_VALUES(maxFrames)},
    {ICAP_SUPPORTEDSIZES, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(supportedSizes)},
    {ICAP_XNATIVERESOLUTION, TWTY_FIX32, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(xNativeResolution)},
    {ICAP_YNATIVERESOLUTION, TWTY_FIX32, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(yNativeResolution)},
    {ICAP_XRESOLUTION, TWTY_FIX32, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(resolution)},
    {ICAP_YRESOLUTION, TWTY_FIX32, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(resolution)},
    {CAP_XFERCOUNT, TWTY_INT16, TWON_ONEVALUE, TWON_ONEVALUE, kAllMessages, CAP_VALUES(xferCount)},
    {ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TWON_ENUMERATION, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(imageFileFormat)},
    {ICAP_UNDEFINEDIMAGESIZE, TWTY_BOOL, TWON_ONEVALUE, TWON_ONEVALUE, kAllMessages,
     CAP_VALUES(undefinedImageSize)},
    {CAP_INDICATORS, TWTY_BOOL, TWON_ONEVALUE, TWON_ONEVALUE, kAllMessages, CAP_VALUES(indicators)},
    {CAP_UICONTROLLABLE, TWTY_BOOL, TWON_ONEVALUE, TWON_ONEVALUE, kReadOnly,
     CAP_VALUES(uiControllable)},
    {ICAP_GAMMA, TWTY_FIX32, TWON_RANGE, TWON_ONEVALUE, kAllMessages, CAP_VALUES(gamma)},
};
static_assert(sizeof kFilledTable / sizeof kFilledTable[0] == kCapCount,
              "every capability has an entry");

#undef CAP_VALUES

}  // namespace

TW_UINT16 CurrentPixelType() { return pixelTypeCurrent[0]; }

void SetUpCapTable() {
    for (int index = 0; index < kCapCount; ++index) capTable[index] = kFilledTable[index];
}

void ClearCapTable() {
    for (CapEntry& entry : capTable) entry = CapEntry{};
}

// A cleared entry is all zero and so would match key 0; it is no entry at all.
CapEntry* LookupCapEntry(TW_UINT16 key) {
    for (CapEntry& entry : capTable) {
        if (entry.supportMask != 0 && entry.capId == key) return &entry;
    }
    return nullptr;
}
