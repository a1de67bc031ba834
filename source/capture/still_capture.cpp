#include "capture/still_capture.h"

#include "capture/camera_protocol.h"
#include "capture/capture_interfaces.h"

HANDLE stillEvent = nullptr;
HANDLE stillThread = nullptr;

namespace {

IKsPropertySet* QueryPropertySet(const char* caption, HRESULT* result) {
    IKsPropertySet* propertySet = nullptr;
    HRESULT hr = cameraFilter ? cameraFilter->QueryInterface(IID_IKsPropertySet,
                                                             reinterpret_cast<void**>(&propertySet))
                              : E_POINTER;
    if (hr != S_OK) {
        MessageBoxA(nullptr, "pVcap does not suppory IKsPropertySet", caption, MB_OK);
        if (result) *result = FAILED(hr) ? hr : E_NOINTERFACE;
        return nullptr;
    }
    return propertySet;
}

// Reads the video-control mode and writes it back with bits added.
HRESULT AddModeBits(IKsPropertySet* propertySet, LONG bits, bool* readFailed) {
    VideoControlModeRequest request = {};
    request.Set = PROPSETID_VIDCAP_VIDEOCONTROL_SET;
    request.Id = KSPROPERTY_VIDEOCONTROL_MODE_ID;
    request.Flags = kRequestGet;
    DWORD returned = 0;
    HRESULT hr = propertySet->Get(request.Set, request.Id, &request, sizeof request, &request,
                                  sizeof request, &returned);
    *readFailed = hr != S_OK;
    if (hr != S_OK) return hr;
    request.Flags = kRequestSet;
    request.Mode |= bits;
    return propertySet->Set(request.Set, request.Id, &request, sizeof request, &request,
                            sizeof request);
}

}  // namespace

bool TriggerStill() {
    IKsPropertySet* propertySet = QueryPropertySet("query Result", nullptr);
    if (!propertySet) return false;
    bool readFailed = false;
    HRESULT hr = AddModeBits(propertySet, kModeTriggerBits, &readFailed);
    propertySet->Release();
    return hr == S_OK;
}
