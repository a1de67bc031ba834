#include "camera_properties.h"

#include <cstring>

#include "camera_hooks.h"
#include "request_log.h"
#include "still_unit.h"

namespace {

HRESULT SetControl(const CameraExtensionRequest& request) {
    if (request.Param2 != kOperationStillEvent) return E_INVALIDARG;
    return request.Param0 ? EnableStillEvent(request.Param0) : DisableStillEvent();
}

HRESULT GetControl(const CameraExtensionRequest& request, void* data, DWORD dataLength,
                   DWORD* returned) {
    if (request.Param2 == kOperationPreRead) return PrepareStillRead();
    if (request.Param2 != kOperationReadRegister) return E_INVALIDARG;
    if (dataLength < sizeof(CameraExtensionRequest)) return E_INVALIDARG;
    ULONG value = 0;
    HRESULT result = ReadCameraRegister(request.Param1, &value);
    if (FAILED(result)) return result;
    // The answer is the request block with the value in Param0.
    CameraExtensionRequest answer = request;
    answer.Param0 = value;
    std::memcpy(data, &answer, sizeof(answer));
    *returned = sizeof(answer);
    return S_OK;
}

HRESULT GetMode(void* data, DWORD dataLength, DWORD* returned) {
    if (dataLength < sizeof(VideoControlModeRequest)) return E_INVALIDARG;
    auto* answer = static_cast<VideoControlModeRequest*>(data);
    if (answer->StreamIndex != 0) return E_INVALIDARG;
    LONG mode = 0;
    HRESULT result = GetVideoControlMode(&mode);
    if (FAILED(result)) return result;
    answer->Mode = mode;
    *returned = sizeof(VideoControlModeRequest);
    return S_OK;
}

HRESULT SetMode(const void* data, DWORD dataLength) {
    if (dataLength < sizeof(VideoControlModeRequest)) return E_INVALIDARG;
    const auto* request = static_cast<const VideoControlModeRequest*>(data);
    if (request->StreamIndex != 0) return E_INVALIDARG;
    return SetVideoControlMode(request->Mode);
}

bool ReadRequestBlock(const void* instance, DWORD instanceLength, CameraExtensionRequest* request) {
    if (!instance || instanceLength < sizeof(*request)) return false;
    std::memcpy(request, instance, sizeof(*request));
    return true;
}

}  // namespace

STDMETHODIMP CameraProperties::QueryInterface(REFIID iid, void** object) {
    return owner_->QueryInterface(iid, object);
}
STDMETHODIMP_(ULONG) CameraProperties::AddRef() { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) CameraProperties::Release() { return owner_->Release(); }

STDMETHODIMP CameraProperties::Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength,
                                   void* data, DWORD dataLength) {
    HRESULT result = E_PROP_SET_UNSUPPORTED;
    CameraExtensionRequest request;
    if (set == PROPSETID_CAMERA_EXTENSION) {
        if (id != CAMERA_EXTENSION_CONTROL)
            result = E_PROP_ID_UNSUPPORTED;
        else if (!ReadRequestBlock(instance, instanceLength, &request))
            result = E_INVALIDARG;
        else
            result = SetControl(request);
    } else if (set == PROPSETID_VIDCAP_VIDEOCONTROL) {
        result = id == KSPROPERTY_VIDEOCONTROL_MODE ? (data ? SetMode(data, dataLength) : E_POINTER)
                                                    : E_PROP_ID_UNSUPPORTED;
    }
    LogRequest(kRequestSet, set, id, instance, instanceLength, dataLength, 0, result);
    return result;
}

STDMETHODIMP CameraProperties::Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength,
                                   void* data, DWORD dataLength, DWORD* returned) {
    DWORD count = 0;
    HRESULT result = E_PROP_SET_UNSUPPORTED;
    CameraExtensionRequest request;
    if (!returned) {
        result = E_POINTER;
    } else if (set == PROPSETID_CAMERA_EXTENSION) {
        if (id != CAMERA_EXTENSION_CONTROL && id != CAMERA_EXTENSION_IMAGE)
            result = E_PROP_ID_UNSUPPORTED;
        else if (!ReadRequestBlock(instance, instanceLength, &request) || !data)
            result = E_INVALIDARG;
        else if (id == CAMERA_EXTENSION_CONTROL)
            result = GetControl(request, data, dataLength, &count);
        else
            result = ReadStillBytes(static_cast<BYTE*>(data), dataLength, &count);
    } else if (set == PROPSETID_VIDCAP_VIDEOCONTROL) {
        result = id == KSPROPERTY_VIDEOCONTROL_MODE
                     ? (data ? GetMode(data, dataLength, &count) : E_POINTER)
                     : E_PROP_ID_UNSUPPORTED;
    }
    if (returned) *returned = count;
    LogRequest(kRequestGet, set, id, instance, instanceLength, dataLength, count, result);
    return result;
}

STDMETHODIMP CameraProperties::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
    HRESULT result = S_OK;
    DWORD kinds = 0;
    if (!support) {
        result = E_POINTER;
    } else if (set == PROPSETID_CAMERA_EXTENSION) {
        if (id == CAMERA_EXTENSION_CONTROL)
            kinds = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
        else if (id == CAMERA_EXTENSION_IMAGE)
            kinds = KSPROPERTY_SUPPORT_GET;
        else
            result = E_PROP_ID_UNSUPPORTED;
    } else if (set == PROPSETID_VIDCAP_VIDEOCONTROL) {
        if (id == KSPROPERTY_VIDEOCONTROL_MODE)
            kinds = KSPROPERTY_SUPPORT_GET | KSPROPERTY_SUPPORT_SET;
        else
            result = E_PROP_ID_UNSUPPORTED;
    } else {
        result = E_PROP_SET_UNSUPPORTED;
    }
    if (support) *support = kinds;
    LogRequest(kRequestQuerySupported, set, id, nullptr, 0, 0, 0, result);
    return result;
}
