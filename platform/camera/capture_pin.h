// The capture filter's one output pin: connection and allocator negotiation, the stream
// configuration, the pin-category property and the streaming thread that delivers the
// test picture at the configured frame interval.
#ifndef ORVELLUX_CAMERA_CAPTURE_PIN_H
#define ORVELLUX_CAMERA_CAPTURE_PIN_H

#include <dshow.h>

#include "device_profiles.h"
#include "test_picture.h"

class CaptureFilter;

class CapturePin final : public IPin, public IAMStreamConfig, public IKsPropertySet {
public:
    explicit CapturePin(CaptureFilter* filter);
    ~CapturePin();
    CapturePin(const CapturePin&) = delete;
    CapturePin& operator=(const CapturePin&) = delete;

    // IUnknown: the pin lives as long as its filter.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPin
    STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
    STDMETHODIMP QueryId(LPWSTR* id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
    STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // IAMStreamConfig
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override;
    STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
    STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

    // IKsPropertySet: only the pin category.
    STDMETHODIMP Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                     DWORD dataLength) override;
    STDMETHODIMP Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                     DWORD dataLength, DWORD* returned) override;
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // Called by the filter, with its lock held, on its state changes.
    HRESULT Activate();  // stopped -> paused: commit the allocator, start the thread
    void Deactivate();   // -> stopped: end the thread, decommit (called without the lock)
    void SetRunning(bool running);

private:
    static DWORD WINAPI StreamThread(void* self);
    void Stream();
    void DeliverFrame(bool first);
    HRESULT TryConnection(IPin* receivePin, const AM_MEDIA_TYPE& type);
    HRESULT DecideAllocator(IMemInputPin* input);
    void ReleaseConnection();
    void ApplyFormat(const VideoFormat& format, LONGLONG interval);

    CaptureFilter* filter_;
    const VideoFormat* format_;
    LONGLONG interval_;
    IPin* peer_ = nullptr;
    IMemInputPin* input_ = nullptr;
    IMemAllocator* allocator_ = nullptr;
    HANDLE thread_ = nullptr;
    HANDLE exitEvent_;
    HANDLE runningEvent_;
    TestPicture picture_;
    UINT32 frameNumber_ = 0;
};

#endif
