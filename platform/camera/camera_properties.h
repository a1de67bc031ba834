// The camera filter's IKsPropertySet: the published video-control mode and the camera's
// own extension set (still event, registers, pre-read, image bytes). Lives inside the
// filter and shares its identity and reference count.
#ifndef ORVELLUX_CAMERA_PROPERTIES_H
#define ORVELLUX_CAMERA_PROPERTIES_H

#include <dshow.h>

class CameraProperties final : public IKsPropertySet {
public:
    explicit CameraProperties(IUnknown* owner) : owner_(owner) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                     DWORD dataLength) override;
    STDMETHODIMP Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                     DWORD dataLength, DWORD* returned) override;
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

private:
    IUnknown* owner_;
};

#endif
