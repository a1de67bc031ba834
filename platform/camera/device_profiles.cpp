#include "device_profiles.h"

#include "camera_hooks.h"
#include "fault_switches.h"

namespace {

// Ordered by size; the largest comes last so that hiding it leaves a prefix.
const VideoFormat cameraFormats[] = {
    {320, 240, 333333, 333333},    {640, 480, 666666, 333333},     {1280, 1024, 1000000, 666666},
    {1600, 1200, 1000000, 666666}, {2048, 1536, 1000000, 1000000}, {2592, 1944, 1333333, 1333333},
};

// Analog video runs at the television frame rates; callers that round 29.97 frames per
// second up to 30 are served as well.
const VideoFormat analogFormats[] = {
    {320, 240, 333667, 333333},
    {640, 480, 333667, 333333},
    {720, 576, 400000, 333333},
};

}  // namespace

const DeviceProfile cameraProfile = {
    &CLSID_OrvelluxCamera, kCameraFriendlyName, cameraFormats, 6, 1, true};
const DeviceProfile analogProfile = {
    &CLSID_AnalogCaptureCard, kAnalogFriendlyName, analogFormats, 3, 1, false};

int OfferedFormatCount(const DeviceProfile& profile) {
    if (profile.isCamera && FaultEnabled(kFaultNoFullResolution)) return profile.formatCount - 1;
    return profile.formatCount;
}

const VideoFormat* FindOfferedFormat(const DeviceProfile& profile, LONG width, LONG height) {
    int count = OfferedFormatCount(profile);
    for (int i = 0; i < count; ++i) {
        if (profile.formats[i].width == width && profile.formats[i].height == height)
            return &profile.formats[i];
    }
    return nullptr;
}
