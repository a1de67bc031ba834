// The two simulated devices: what each one is called and which pictures it can deliver.
#ifndef ORVELLUX_CAMERA_DEVICE_PROFILES_H
#define ORVELLUX_CAMERA_DEVICE_PROFILES_H

#include <windows.h>

struct VideoFormat {
    LONG width;
    LONG height;
    LONGLONG defaultInterval;  // 100-ns units
    LONGLONG minInterval;
};

enum : LONGLONG { kMaxFrameInterval = 10000000 };  // one frame per second

struct DeviceProfile {
    const CLSID* clsid;
    const wchar_t* friendlyName;
    const VideoFormat* formats;
    int formatCount;
    int defaultFormat;
    bool isCamera;  // the still camera with its property sets; otherwise the analog card
};

extern const DeviceProfile cameraProfile;
extern const DeviceProfile analogProfile;

// The formats a device offers right now (the camera may hide its largest one).
int OfferedFormatCount(const DeviceProfile& profile);
const VideoFormat* FindOfferedFormat(const DeviceProfile& profile, LONG width, LONG height);

#endif
