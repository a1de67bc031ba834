#include "media_types.h"

#include <cstring>

LONG RowStride(LONG width) { return (width * 3 + 3) & ~3; }

DWORD ImageSize(LONG width, LONG height) { return static_cast<DWORD>(RowStride(width) * height); }

bool FillVideoMediaType(AM_MEDIA_TYPE* type, const VideoFormat& format, LONGLONG interval) {
    std::memset(type, 0, sizeof(*type));
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    if (!info) return false;
    std::memset(info, 0, sizeof(*info));
    DWORD imageSize = ImageSize(format.width, format.height);
    info->AvgTimePerFrame = interval;
    info->dwBitRate = static_cast<DWORD>(imageSize * 8ULL * 10000000ULL / interval);
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = format.width;
    info->bmiHeader.biHeight = format.height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = 24;
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = imageSize;
    type->majortype = MEDIATYPE_Video;
    type->subtype = MEDIASUBTYPE_RGB24;
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = imageSize;
    type->formattype = FORMAT_VideoInfo;
    type->cbFormat = sizeof(VIDEOINFOHEADER);
    type->pbFormat = reinterpret_cast<BYTE*>(info);
    return true;
}

AM_MEDIA_TYPE* CreateVideoMediaType(const VideoFormat& format, LONGLONG interval) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (!type) return nullptr;
    if (!FillVideoMediaType(type, format, interval)) {
        CoTaskMemFree(type);
        return nullptr;
    }
    return type;
}

bool CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE& source) {
    *target = source;
    target->pUnk = nullptr;
    target->pbFormat = nullptr;
    if (source.cbFormat && source.pbFormat) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source.cbFormat));
        if (!target->pbFormat) {
            target->cbFormat = 0;
            return false;
        }
        std::memcpy(target->pbFormat, source.pbFormat, source.cbFormat);
    } else {
        target->cbFormat = 0;
    }
    if (source.pUnk) {
        target->pUnk = source.pUnk;
        target->pUnk->AddRef();
    }
    return true;
}

void FreeMediaTypeContents(AM_MEDIA_TYPE* type) {
    CoTaskMemFree(type->pbFormat);
    type->pbFormat = nullptr;
    type->cbFormat = 0;
    if (type->pUnk) {
        type->pUnk->Release();
        type->pUnk = nullptr;
    }
}

bool ParseVideoMediaType(const DeviceProfile& profile, const AM_MEDIA_TYPE& type,
                         const VideoFormat** format, LONGLONG* interval) {
    if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_RGB24 ||
        type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER) ||
        !type.pbFormat) {
        return false;
    }
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biBitCount != 24 || header.biCompression != BI_RGB) return false;
    const VideoFormat* offered = FindOfferedFormat(profile, header.biWidth, header.biHeight);
    if (!offered) return false;
    LONGLONG requested = info->AvgTimePerFrame ? info->AvgTimePerFrame : offered->defaultInterval;
    if (requested < offered->minInterval || requested > kMaxFrameInterval) return false;
    *format = offered;
    *interval = requested;
    return true;
}

bool MediaTypeAdmits(const AM_MEDIA_TYPE& partial, const AM_MEDIA_TYPE& candidate) {
    if (partial.majortype != GUID_NULL && partial.majortype != candidate.majortype) return false;
    if (partial.subtype != GUID_NULL && partial.subtype != candidate.subtype) return false;
    if (partial.formattype != GUID_NULL && partial.formattype != candidate.formattype) return false;
    if (partial.formattype != GUID_NULL && partial.cbFormat >= sizeof(VIDEOINFOHEADER) &&
        partial.pbFormat) {
        const auto& wanted = reinterpret_cast<const VIDEOINFOHEADER*>(partial.pbFormat)->bmiHeader;
        const auto& offered =
            reinterpret_cast<const VIDEOINFOHEADER*>(candidate.pbFormat)->bmiHeader;
        if (wanted.biWidth != offered.biWidth || wanted.biHeight != offered.biHeight) return false;
    }
    return true;
}
